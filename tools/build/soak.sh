#!/usr/bin/env bash
# Soak: the monkey plays brickfall-sim built with AddressSanitizer and UndefinedBehaviorSanitizer
# (optimised, as the game ships) for PASSES passes on each seed, one seed after another. Any
# sanitizer report or broken invariant stops the run with a non-zero status.
# Usage: tools/build/soak.sh PASSES SEED...   (BUILD_DIR overrides the build folder, build-soak)
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ "$#" -lt 2 ]; then
    echo "usage: tools/build/soak.sh PASSES SEED..." >&2
    exit 2
fi
passes=$1
shift
build=${BUILD_DIR:-build-soak}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRICKFALL_SANITIZE=ON \
    -DBRICKFALL_TESTS=OFF > /dev/null
cmake --build "$build" -j2 --target brickfall-sim > /dev/null
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
echo "commit $(git rev-parse --short HEAD), $(nproc) cores, $(uname -srm)"
for seed in "$@"; do
    echo "== seed $seed: $passes passes from $(date -u +%FT%TZ)"
    "$build/brickfall-sim" --monkey "$seed" --frames "$passes" --progress 250000
done
echo "== every seed held every invariant, $(date -u +%FT%TZ)"
