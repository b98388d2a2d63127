#!/usr/bin/env bash
# Builds the game's web page with Debian's Emscripten: brickfall.js, brickfall.wasm,
# brickfall.data and index.html in one folder that any static file server can host, and the
# WebAssembly simulator beside them. The browser libraries are built first from Debian's sources
# (tools/build/web-deps.sh: some minutes the first time, then cached).
# Usage: tools/build/web-build.sh [FOLDER]   (default build-web). Exits 75 when the libraries' Debian
# sources cannot be fetched.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build-web}"

tools/build/install-deps.sh build web
prefix="$(tools/build/web-deps.sh)"
# A new recipe or version of the libraries is a new prefix, and the old one is gone: a cache
# that still names another prefix forgets everything CMake found.
if [ -f "$build/CMakeCache.txt" ] &&
    grep -F "$(dirname "$prefix")/" "$build/CMakeCache.txt" | grep -qvF "$prefix"; then
    rm "$build/CMakeCache.txt"
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release -DBRICKFALL_WERROR=ON > /dev/null
cmake --build "$build" -j2
echo "The page is in $build/: serve it with  node web/serve.mjs $build"
