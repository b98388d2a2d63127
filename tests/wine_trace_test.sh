#!/usr/bin/env bash
# The Windows simulator under Wine plays the same games as the Linux one: for the documented
# stage, the whole-game script and a long monkey run, both write their traces and they must be
# equal byte for byte. Both run headless on SDL's dummy drivers.
#   tests/wine_trace_test.sh build-win/brickfall-sim.exe build/brickfall-sim
# Exits 77 (skipped) without Wine. A watchdog kills everything with SIGKILL after 300 seconds.
set -u
windows_sim="$1"
linux_sim="$2"
limit=300
source_dir="$(cd "$(dirname "$0")/.." && pwd)"

. "$(dirname "$0")/script_support.sh"
. "$(dirname "$0")/wine_support.sh"
skip_without wine wineserver
require_tools timeout cmp flock

begin_wine_test "$limit"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

use_wine_prefix
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software

# name, then the simulator's arguments
runs=(
    "stage|--script $source_dir/docs/stage.script"
    "whole game|--script $source_dir/tests/scripts/whole_game.script"
    "monkey 7|--monkey 7 --frames 30000"
)
for run in "${runs[@]}"; do
    name="${run%%|*}"
    read -r -a arguments <<< "${run#*|}"
    file="${name// /-}"
    "$linux_sim" "${arguments[@]}" --trace "$workdir/$file.linux" 2> "$workdir/$file.linux.err" ||
        fail "$name: the Linux simulator failed: $(cat "$workdir/$file.linux.err")"
    wine "$windows_sim" "${arguments[@]}" --trace "$workdir/$file.windows" \
        2> "$workdir/$file.windows.err" < /dev/null &
    echo "$!" >> "$workdir/pids"
    wait "$!" || fail "$name: the Windows simulator failed: $(cat "$workdir/$file.windows.err")"
    [ -s "$workdir/$file.linux" ] || fail "$name: no trace"
    cmp "$workdir/$file.linux" "$workdir/$file.windows" ||
        fail "$name: the Windows trace differs from Linux's"
    echo "$name: the same $(wc -l < "$workdir/$file.linux")-line trace on Windows and Linux"
done
echo "PASS"
