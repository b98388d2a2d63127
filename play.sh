#!/usr/bin/env bash
# Builds brickfall (installing what it needs on a fresh Debian 12) and starts the game.
set -euo pipefail
cd "$(dirname "$0")"
tools/build/install-deps.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBRICKFALL_TESTS=OFF > /dev/null
cmake --build build --target brickfall -j2
exec ./build/brickfall
