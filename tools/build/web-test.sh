#!/usr/bin/env bash
# Builds brickfall for the browser and tests it: the WebAssembly simulator's traces against the
# Linux build's under node, then the page served on 127.0.0.1 in each browser engine, Chromium,
# Firefox ESR and WebKitGTK (tests/web/engines.mjs; puppeteer-core and selenium-webdriver,
# pinned by its lockfile): the game in the page, then the page as an app (installable, offline,
# its versions, its zip, its gzipped size). It ends with a line for each engine: the cases it
# ran, passed and skipped, and why. Where Emscripten, an engine's browser or the npm packages
# cannot be installed, or the libraries' Debian sources cannot be fetched, it says so and skips
# what needs them.
# Usage: tools/build/web-test.sh <a Linux build folder holding brickfall-sim and the desktop icons>;
# the web build goes to build-web, or to $BRICKFALL_WEB_BUILD; the engines are those named in
# $BRICKFALL_WEB_ENGINES, "chromium firefox webkit" by default.
set -euo pipefail
cd "$(dirname "$0")/../.."
linux_build="$(cd "$1" && pwd)"
build="${BRICKFALL_WEB_BUILD:-build-web}"

if ! tools/build/install-deps.sh web; then
    echo "SKIPPED: the web build and its tests: Emscripten or node could not be installed here"
    exit 0
fi
# The engines' browsers in one go; where that fails, each alone, to skip only those that fail.
read -r -a wanted <<< "${BRICKFALL_WEB_ENGINES:-chromium firefox webkit}"
engines=()
if tools/build/install-deps.sh "${wanted[@]}"; then
    engines=("${wanted[@]}")
else
    for engine in "${wanted[@]}"; do
        if tools/build/install-deps.sh "$engine"; then
            engines+=("$engine")
        else
            echo "SKIPPED: the page's tests in $engine: its browser could not be installed here"
        fi
    done
fi
started=$SECONDS
status=0
tools/build/web-build.sh "$build" || status=$?
if [ "$status" -eq 75 ]; then
    echo "SKIPPED: the web build and its tests: the Debian sources of its libraries cannot be" \
        "fetched here"
    exit 0
elif [ "$status" -ne 0 ]; then
    exit "$status"
fi
echo "-- the web build was ready after $((SECONDS - started)) s"

tests/web_trace_test.sh "$build/brickfall-sim.js" "$linux_build/brickfall-sim"

if [ "${#engines[@]}" -eq 0 ]; then
    echo "SKIPPED: the page's tests: no browser engine could be installed here"
    exit 0
fi
if ! (cd tests/web && npm ci --no-audit --no-fund --loglevel=error); then
    echo "SKIPPED: the page's tests: puppeteer-core and selenium-webdriver could not be" \
        "installed from npm"
    exit 0
fi
tally="$(mktemp)"
trap 'rm -f "$tally"' EXIT
export BRICKFALL_WEB_ENGINES="${engines[*]}" BRICKFALL_WEB_TALLY="$tally"
node tests/web/page_test.mjs "$build" "$linux_build/brickfall-sim" . || status=$?
node tests/web/install_test.mjs "$build" "$linux_build" . || status=$?
node tests/web/engines.mjs "$tally"
[ "$status" -eq 0 ] || exit "$status"
echo "-- the web build passed every test in $((SECONDS - started)) s"
