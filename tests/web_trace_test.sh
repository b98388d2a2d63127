#!/usr/bin/env bash
# The WebAssembly simulator under node plays the same games as the Linux one: for the documented
# stage, the whole-game script and a long monkey run, both write their traces and they must be
# equal byte for byte. Both run headless on SDL's dummy drivers.
#   tests/web_trace_test.sh build-web/brickfall-sim.js build/brickfall-sim
# A watchdog kills everything with SIGKILL after 300 seconds.
set -u
web_sim="$1"
linux_sim="$2"
limit=300

. "$(dirname "$0")/script_support.sh"
require_tools node timeout cmp

workdir="$(mktemp -d)"
game_pid=""
guard_test "$limit"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software
# Node 18 and later would load the .wasm through fetch, which Emscripten 3.1.6 cannot for a file.
compare_sim_traces WebAssembly "$linux_sim" node --no-experimental-fetch "$web_sim"
echo "PASS"
