#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs each for SECONDS (60 by default) from the seed corpus in fuzz/corpus/. New inputs stay in
# build-fuzz/corpus/; a crash leaves its input in build-fuzz/artifacts/ and ends the script
# with a non-zero status.
# Usage: tools/build/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
tools/build/install-deps.sh build fuzz

compiler=""
for candidate in clang++ clang++-14; do
    if command -v "$candidate" > /dev/null; then
        compiler=$(command -v "$candidate")
        break
    fi
done
if [ -z "$compiler" ]; then
    echo "fuzz.sh: no clang++ found" >&2
    exit 1
fi

cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBRICKFALL_FUZZ=ON -DBRICKFALL_TESTS=OFF > /dev/null
cmake --build build-fuzz -j2 --target fuzz_sheet_loader fuzz_script_parser

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# No window and no message box can come up: the sheet target runs on SDL's dummy driver.
unset DISPLAY WAYLAND_DISPLAY
mkdir -p build-fuzz/artifacts
for target in sheet_loader script_parser; do
    corpus="build-fuzz/corpus/$target"
    mkdir -p "$corpus"
    echo "== fuzz_$target for $seconds s"
    # The sheet target's every rejected input prints the game's error message: stderr is closed
    # for the target, libFuzzer keeps its own report.
    "build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -close_fd_mask=2 -dict="fuzz/$target.dict" \
        -artifact_prefix="build-fuzz/artifacts/$target-" "$corpus" "fuzz/corpus/$target"
done
echo "== no crash in either target"
