#!/usr/bin/env bash
# Builds brickfall for the browser and tests it: the WebAssembly simulator's traces against the
# Linux build's under node, then the page served on 127.0.0.1 in headless Chromium, driven by
# puppeteer-core (tests/web/, pinned by its lockfile): the game in the page, then the page as
# an app (installable, offline, its versions, its zip, its gzipped size). Where Emscripten,
# Chromium or the npm package cannot be installed, or the libraries' Debian sources cannot be
# fetched, it says so and skips what needs them.
# Usage: tools/build/web-test.sh <a Linux build folder holding brickfall-sim and the desktop icons>;
# the web build goes to build-web, or to $BRICKFALL_WEB_BUILD.
set -euo pipefail
cd "$(dirname "$0")/../.."
linux_build="$(cd "$1" && pwd)"
build="${BRICKFALL_WEB_BUILD:-build-web}"

if ! tools/build/install-deps.sh web browser; then
    echo "SKIPPED: the web build and its tests: Emscripten, node or Chromium could not be" \
        "installed here"
    exit 0
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

if ! (cd tests/web && npm ci --no-audit --no-fund --loglevel=error); then
    echo "SKIPPED: the page's tests in Chromium: puppeteer-core could not be installed from npm"
    exit 0
fi
node tests/web/page_test.mjs "$build" "$linux_build/brickfall-sim" .
node tests/web/install_test.mjs "$build" "$linux_build" .
echo "-- the web build passed every test in $((SECONDS - started)) s"
