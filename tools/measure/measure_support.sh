# shellcheck shell=bash
# Shared by the measurements in a real window, desktop_cost.sh and key_latency.sh; sourced, not
# run, after the sourcing script has set game and peer. Starts the virtual X screen, the peer
# in its menu and the game, and kills them all and removes the working folder however the
# script ends.
# The sourcing script sets game and peer, and uses peer_window.
# shellcheck disable=SC2154,SC2034
# shellcheck source=tests/script_support.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../tests/script_support.sh"

workdir="$(mktemp -d)"
xvfb_pid=""
game_pid=""
peer_pid=""
# A background process of the sourcing script's own, killed with the rest.
driver_pid=""
cleanup() {
    for pid in $driver_pid $game_pid $peer_pid $xvfb_pid; do
        kill -KILL "$pid" 2> /dev/null
    done
    wait 2> /dev/null
    rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

fail() {
    echo "FAIL: $*" >&2
    [ -s "$workdir/stderr" ] && sed 's/^/game: /' "$workdir/stderr" >&2
    exit 1
}

# Waits for a window of the given process and name and prints its id.
find_window() {
    local window=""
    for _ in $(seq 300); do
        window="$(x xdotool search --all --pid "$1" --name "$2" 2> /dev/null | head -n1)"
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] ||
        fail "no window named $2; the peer said: $(tail -n 3 "$workdir/peer.log" 2> /dev/null)"
    echo "$window"
}

# Starts the X server and the peer in its menu, with a home folder of its own; sets peer_pid
# and peer_window.
start_peer() {
    start_xvfb
    mkdir -p "$workdir/home"
    HOME="$workdir/home" "$peer" > "$workdir/peer.log" 2>&1 &
    peer_pid=$!
    peer_window="$(find_window "$peer_pid" '^LBreakout2$')"
}

# Waits up to 10 seconds for window $1 to be $2 (WxH) in size; false when it is not, the last
# size seen left in $geometry.
wait_for_geometry() {
    geometry=""
    for _ in $(seq 100); do
        geometry="$(x xdotool getwindowgeometry "$1" 2> /dev/null | sed -n 's/.*Geometry: //p')"
        [ "$geometry" = "$2" ] && return 0
        sleep 0.1
    done
    return 1
}

# Starts the game, which names its renderer on stderr, and waits for its window to take its
# first size; sets game_pid and game_window, and is false when that size does not come.
start_game() {
    BRICKFALL_SHOW_RENDERER=1 "$game" 2> "$workdir/stderr" &
    game_pid=$!
    game_window="$(find_window "$game_pid" '^Title Here$')"
    wait_for_geometry "$game_window" 720x960
}
