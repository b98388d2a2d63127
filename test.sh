#!/usr/bin/env bash
# Builds brickfall from scratch twice and runs the whole suite on each build: once with
# warnings as errors, once under AddressSanitizer and UndefinedBehaviorSanitizer; then fuzzes
# the sheet loader and the script parser for a minute each; then cross-builds the Windows game
# and tests it under Wine, and builds the web page and tests it under node and in Chromium,
# Firefox ESR and WebKitGTK (each skipped, saying so, where its tools cannot be installed).
set -euo pipefail
cd "$(dirname "$0")"
tools/build/install-deps.sh build test fuzz

echo "== format"
clang-format --dry-run --Werror src/*.cpp src/*.hpp tests/*.cpp tests/*.hpp \
    bench/*.cpp bench/*.hpp tools/*/*.cpp tools/*/*.hpp fuzz/*.cpp

echo "== warnings as errors"
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRICKFALL_WERROR=ON \
    -DBRICKFALL_BENCHMARKS=ON > /dev/null
cmake --build build-test -j2
(cd build-test && ctest -j2 --output-on-failure)

echo "== sanitizers"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DBRICKFALL_WERROR=ON \
    -DBRICKFALL_SANITIZE=ON -DBRICKFALL_BENCHMARKS=ON > /dev/null
cmake --build build-sanitize -j2
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
(cd build-sanitize && ctest -j2 --output-on-failure)

echo "== fuzzing"
tools/build/fuzz.sh 60

echo "== Windows, under Wine"
tools/build/windows-test.sh build-test

echo "== the web page, under node and in Chromium, Firefox and WebKit"
tools/build/web-test.sh build-test
echo "All tests passed on every build, and the fuzzers found nothing."
