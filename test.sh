#!/usr/bin/env bash
# Builds brickfall from scratch twice and runs the whole suite on each build: once with
# warnings as errors, once under AddressSanitizer and UndefinedBehaviorSanitizer; then fuzzes
# the sheet loader and the script parser for a minute each; then cross-builds the Windows game
# and tests it under Wine, and builds the web page and tests it under node and in Chromium,
# Firefox ESR and WebKitGTK (each skipped, saying so, where its tools cannot be installed).
set -euo pipefail
cd "$(dirname "$0")"
# Each stage's time, printed as it ends and again in a summary at the end (docs/TESTING.md).
stage_names=()
stage_seconds=()
stage_begun=$SECONDS
stage() {
    if [ "${#stage_names[@]}" -gt 0 ]; then
        stage_seconds+=($((SECONDS - stage_begun)))
        echo "-- ${stage_names[-1]}: $((SECONDS - stage_begun)) s"
    fi
    stage_begun=$SECONDS
    [ "$#" -eq 0 ] && return
    stage_names+=("$1")
    echo "== $1"
}

stage "the Debian packages the tests need"
tools/build/install-deps.sh build test fuzz

stage "format"
clang-format --dry-run --Werror src/*.cpp src/*.hpp tests/*.cpp tests/*.hpp \
    bench/*.cpp bench/*.hpp tools/*/*.cpp tools/*/*.hpp fuzz/*.cpp

stage "warnings as errors: build"
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRICKFALL_WERROR=ON \
    -DBRICKFALL_BENCHMARKS=ON > /dev/null
cmake --build build-test -j2
stage "warnings as errors: tests"
(cd build-test && ctest -j2 --output-on-failure)

stage "sanitizers: build"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DBRICKFALL_WERROR=ON \
    -DBRICKFALL_SANITIZE=ON -DBRICKFALL_BENCHMARKS=ON > /dev/null
cmake --build build-sanitize -j2
stage "sanitizers: tests"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
(cd build-sanitize && ctest -j2 --output-on-failure)

stage "fuzzing"
tools/build/fuzz.sh 60

stage "Windows, under Wine"
tools/build/windows-test.sh build-test

stage "the web page, under node and in Chromium, Firefox and WebKit"
tools/build/web-test.sh build-test
stage
for i in "${!stage_names[@]}"; do
    printf '%6d s  %s\n' "${stage_seconds[$i]}" "${stage_names[$i]}"
done
echo "All tests passed on every build, and the fuzzers found nothing."
