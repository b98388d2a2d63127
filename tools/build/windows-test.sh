#!/usr/bin/env bash
# Cross-builds brickfall for 64-bit Windows and tests it under Wine: the suite's tests that need
# no child process, X server or dpkg; the simulator's traces against the Linux build's; the zip,
# unpacked into a folder with spaces and accents and started; a game recorded by the Windows
# build and replayed by the Linux simulator. Where MinGW-w64 or Wine cannot be installed, or the
# libraries' Debian sources cannot be fetched, it says so and skips them. The libraries' first build takes some minutes, and is cached.
# Usage: tools/build/windows-test.sh <a Linux build folder holding brickfall-sim>; the Windows build
# goes to build-win, or to $BRICKFALL_WINDOWS_BUILD.
set -euo pipefail
cd "$(dirname "$0")/../.."
linux_build="$(cd "$1" && pwd)"
build="${BRICKFALL_WINDOWS_BUILD:-build-win}"

if ! tools/build/install-deps.sh windows; then
    echo "SKIPPED: the Windows build and its tests under Wine: MinGW-w64 or Wine could not be" \
        "installed here"
    exit 0
fi
if ! wine --version > /dev/null 2>&1; then
    echo "SKIPPED: the Windows build and its tests under Wine: Wine does not run here"
    exit 0
fi

started=$SECONDS
status=0
prefix="$(tools/build/windows-deps.sh)" || status=$?
if [ "$status" -eq 75 ]; then
    echo "SKIPPED: the Windows build and its tests under Wine: the Debian sources of its" \
        "libraries cannot be fetched here"
    exit 0
elif [ "$status" -ne 0 ]; then
    exit "$status"
fi
echo "-- the Windows libraries were ready after $((SECONDS - started)) s"
# A new recipe or version of the libraries is a new prefix, and the old one is gone: a cache
# that still names another prefix forgets everything CMake found.
if [ -f "$build/CMakeCache.txt" ] &&
    grep -F "$(dirname "$prefix")/" "$build/CMakeCache.txt" | grep -qvF "$prefix"; then
    rm "$build/CMakeCache.txt"
fi
# Optimised as the Linux build, without its debugging information: the static programs link
# sooner, and the zip's is stripped anyway.
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRICKFALL_WERROR=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" > /dev/null
cmake --build "$build" -j2
(cd "$build" && cpack -G ZIP > /dev/null)
echo "-- built after $((SECONDS - started)) s"

export WINEDEBUG=-all
# The suite's tests share Wine's own prefix. It is made, or brought up to this Wine, once before
# they start two at a time: on a busy machine that took the first test past its time limit,
# left waiting to exit until the prefix was ready.
timeout -s KILL 300 wineboot --init > /dev/null 2>&1 || echo "-- wineboot did not finish"
timeout -s KILL 120 wineserver -w || echo "-- Wine's server did not stop"
# Now and then a Wine process does not exit after its test has passed and printed so (seen in
# three runs of four on a loaded machine, a different test each time): a test that times out
# runs again, up to twice. A test that fails is not run again.
# Wine's own error messages stay on for the suite, so a failed test's output says what Wine
# could not do; CTest shows a test's output only when it fails.
(cd "$build" && WINEDEBUG=-all,err+all ctest -j2 --output-on-failure --repeat after-timeout:3)
# Each exits 77 when a tool it needs is missing, which counts as skipped.
run_script() {
    local status=0
    "$@" || status=$?
    if [ "$status" -eq 77 ]; then
        echo "SKIPPED: $1"
    elif [ "$status" -ne 0 ]; then
        echo "FAILED: $*" >&2
        exit 1
    fi
}
run_script tests/wine_trace_test.sh "$build/brickfall-sim.exe" "$linux_build/brickfall-sim"
run_script tests/wine_zip_test.sh "$build"/brickfall-*-win64.zip
run_script tests/wine_record_test.sh "$build/brickfall.exe" "$linux_build/brickfall-sim"
echo "-- the Windows build passed every test under Wine in $((SECONDS - started)) s"
