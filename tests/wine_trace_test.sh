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

# Through the suite's runner, which starts Wine again when it failed having run nothing.
compare_sim_traces Windows "$linux_sim" "$(dirname "$0")/wine_run.sh" wine "$windows_sim"
echo "PASS"
