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

check_game() {
    [ -s "$workdir/stderr" ] && fail "the game reported an error"
    kill -0 "$game_pid" 2> /dev/null || fail "the game ended early"
}

window=""
for _ in $(seq 150); do
    window="$(x xdotool search --name '^Title Here$' 2> /dev/null | head -n1)"
    [ -n "$window" ] && break
    check_game
    sleep 0.1
done
[ -n "$window" ] || fail "no game window"
x xdotool windowfocus --sync "$window" || fail "could not focus the window"

# keydown, 60 ms, keyup, as a quick finger would.
press() {
    local key
    for key in "$@"; do
        x xdotool keydown "$key" sleep 0.06 keyup "$key" sleep 0.1 || fail "could not press $key"
    done
}

sleep 0.3
press Return
sleep 0.2
# Held for a second: past the X server's auto-repeat delay, so repeats arrive too.
x xdotool keydown Left sleep 1 keyup Left || fail "could not hold Left"
# Down and up again with nothing in between: far shorter than one pass.
for _ in 1 2 3 4 5; do
    x xdotool keydown --delay 0 Right keyup --delay 0 Right || fail "could not tap Right"
    sleep 0.05
done
press BackSpace
sleep 0.3
press BackSpace Right Right
sleep 0.3
check_game

kill -TERM "$game_pid"
expect_clean_end "SIGTERM"
[ -e "$recording.partial" ] && fail "the temporary recording was left behind"
[ -s "$recording" ] || fail "no recording"
[ -s "$workdir/game.trace" ] || fail "no trace"

# The recording holds the held key and the pause; the stage ran.
left_passes="$(awk '$2 == "Left" && $1 > max { max = $1 } END { print max + 0 }' "$recording")"
[ "$left_passes" -ge 100 ] || fail "no run of 100 passes or more with Left held in the recording"
grep -q '^[0-9]* Pause$' "$recording" || fail "no Backspace in the recording"
grep -q '"scene":1,' "$workdir/game.trace" || fail "the stage never ran"
grep -q '"paused":true' "$workdir/game.trace" || fail "the stage never paused"

SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software "$sim" --script "$recording" \
    --trace "$workdir/replay.trace" 2> "$workdir/sim-stderr" ||
    { cat "$workdir/sim-stderr" >&2; fail "brickfall-sim could not replay the recording"; }
cmp "$workdir/game.trace" "$workdir/replay.trace" > "$workdir/cmp" ||
    fail "the replay differs from the game: $(cat "$workdir/cmp")"
echo "recorded $(awk '{ n += $1 } END { print n }' "$recording") passes" \
    "($(grep -vc '^#' "$recording") script lines, Left held for $left_passes passes);" \
    "brickfall-sim replayed them to the same $(wc -l < "$workdir/game.trace")-line trace"
