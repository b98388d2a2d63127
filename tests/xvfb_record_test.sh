#!/usr/bin/env bash
# Records a game played in the real window on a virtual X screen, with key presses sent through
# XTEST as a keyboard would: a press of 60 ms to start the stage, a key held past the X
# server's auto-repeat delay, taps far shorter than one 8.33 ms pass, a pause and a resume;
# then SIGTERM, which SDL turns into a window-close request. The game writes its recording
# and its trace; brickfall-sim replays the recording, and its trace must equal the game's line
# for line. A watchdog kills everything with SIGKILL after 60 seconds, and nothing waits on a
# message box: the game writes an error to standard error before it opens one.
set -u
game="$1"
sim="$2"
limit=60

. "$(dirname "$0")/script_support.sh"
. "$(dirname "$0")/record_support.sh"
require_tools Xvfb xdotool timeout cmp

workdir="$(mktemp -d)"
game_pid=""
guard_test "$limit"

fail() {
    echo "FAIL: $*" >&2
    [ -s "$workdir/stderr" ] && sed 's/^/game: /' "$workdir/stderr" >&2
    exit 1
}

start_xvfb

recording="$workdir/game.script"
"$game" --record "$recording" --trace "$workdir/game.trace" 2> "$workdir/stderr" &
game_pid=$!
echo "$game_pid" >> "$workdir/pids"

play_to_record 15 "$workdir/game.trace"

kill -TERM "$game_pid"
expect_clean_end "SIGTERM"
check_replay "$sim" "$recording" "$workdir/game.trace"
