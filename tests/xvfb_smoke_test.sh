#!/usr/bin/env bash
# Starts the real game on a 1920 by 1080 virtual X screen, as a player would meet it: a window
# titled "Title Here" of 720 by 960 opens, and a close request from the session ends it with
# status 0. Every wait is bounded and stuck processes are killed with SIGKILL.
set -u
game="$1"

. "$(dirname "$0")/script_support.sh"
require_tools Xvfb xdotool

workdir="$(mktemp -d)"
xvfb_pid=""
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill -KILL "$game_pid" 2> /dev/null
    [ -n "$xvfb_pid" ] && kill -KILL "$xvfb_pid" 2> /dev/null
    rm -rf "$workdir"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -s "$workdir/stderr" ] && sed 's/^/game: /' "$workdir/stderr" >&2
    exit 1
}

start_xvfb

"$game" 2> "$workdir/stderr" &
game_pid=$!

geometry=""
for _ in $(seq 150); do
    window="$(xdotool search --name '^Title Here$' 2> /dev/null | head -n1)"
    if [ -n "$window" ]; then
        geometry="$(xdotool getwindowgeometry "$window" 2> /dev/null | sed -n 's/.*Geometry: //p')"
        [ "$geometry" = "720x960" ] && break
    fi
    kill -0 "$game_pid" 2> /dev/null || fail "the game ended before its window showed"
    sleep 0.1
done
[ "$geometry" = "720x960" ] || fail "window geometry '${geometry}', expected 720x960"

kill -TERM "$game_pid"
for _ in $(seq 100); do
    kill -0 "$game_pid" 2> /dev/null || break
    sleep 0.1
done
if kill -0 "$game_pid" 2> /dev/null; then
    fail "the game did not end within 10 seconds of the close request"
fi
wait "$game_pid"
status=$?
game_pid=""
[ "$status" -eq 0 ] || fail "exit status $status after a close request"
echo "window 720x960 titled 'Title Here'; closed with status 0"
