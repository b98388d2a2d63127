#!/usr/bin/env bash
# Key to picture: how long the game and a peer brick-breaker (LBreakout2) take from a key press
# to the first change of their window's pixels, both in one 1920 by 1080 virtual X screen, their
# presses taken in turn by brickfall-key-latency (XTest in, the Damage extension out). Three
# measurements, each alternating with the peer's menu:
#   the game's title menu, Down and Up in turn (the cursor moves each time), first changed pixels;
#   the peer's menu, Down and Up in turn (its highlight moves), first changed pixels;
#   the game's stage in play, Left and Right in turn, judged on the paddle's rows alone (the
#   balls change the rest of the picture all the time); Return starts a new stage when the last
#   ball has been lost.
# Usage: tools/measure/key_latency.sh [GAME [TOOL]] (default build/brickfall and
# build/brickfall-key-latency). BRICKFALL_LATENCY_PRESSES sets the presses per target (default
# 70), BRICKFALL_LATENCY_SEED the random pauses' seed. Needs Xvfb, xdotool and the Debian package
# lbreakout2 (tools/build/install-deps.sh measure).
set -u
game="${1:-build/brickfall}"
tool="${2:-build/brickfall-key-latency}"
presses="${BRICKFALL_LATENCY_PRESSES:-70}"
seed="${BRICKFALL_LATENCY_SEED:-$(date +%s)}"
peer="${BRICKFALL_COST_PEER:-/usr/games/lbreakout2}"
# The paddle's middle seven rows of the play field (it is drawn on rows 284 to 294; a ball
# served from it rides on rows 276 to 282).
paddle_rows="286:293"

# shellcheck source=tools/measure/measure_support.sh
. "$(dirname "$0")/measure_support.sh"
require_tools Xvfb xdotool timeout
for program in "$peer" "$game" "$tool"; do
    if [ ! -x "$program" ]; then
        echo "missing $program (tools/build/install-deps.sh measure; build the tool and the game)" >&2
        exit 1
    fi
done

# Moves a window to X,Y and waits until it is there: the two windows must not overlap, or each
# would hide the other's pixels.
place() {
    local window="$1" where="$2"
    x xdotool windowmove "$window" "${where%,*}" "${where#*,}"
    for _ in $(seq 50); do
        [ "$(x xdotool getwindowgeometry "$window" | sed -n 's/.*Position: \([0-9,]*\).*/\1/p')" = \
            "$where" ] && return 0
        sleep 0.1
    done
    fail "window $window did not move to $where"
}

load() {
    cut -d' ' -f1-3 /proc/loadavg
}

# Runs the tool for one measurement named $1; keeps the rows of its table in $rows, and the load
# average around it and what the tool said on stderr in $notes.
measure() {
    local name="$1" out="$workdir/run.out" before
    shift
    before="$(load)"
    timeout -s KILL $((presses * 4 + 120)) "$tool" --presses "$presses" --seed "$seed" "$@" \
        > "$out" 2> "$workdir/run.err" || {
        cat "$out" "$workdir/run.err" >&2
        fail "brickfall-key-latency failed"
    }
    grep '^| ' "$out" | grep -v '^| target |' >> "$rows"
    echo "- $name: load $before before, $(load) after" >> "$notes"
    sort "$workdir/run.err" | uniq -c | sed 's/^ */  - /' >> "$notes"
}

start_peer
# The measurement goes on whatever the window's first size, its rows being found in the window.
start_game
place "$game_window" 0,0
place "$peer_window" 1280,0
sleep 2

echo "game: $game; $presses presses per target, in turn with the peer's; seed $seed"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "renderer: $(sed -n 's/^renderer: //p' "$workdir/stderr" | head -n1)"
echo
rows="$workdir/rows"
notes="$workdir/notes"
measure "the title menu" \
    --target "brickfall title menu" --window "$game_window" --keys Down,Up --changed \
    --target "LBreakout2 menu (with the title)" --window "$peer_window" --keys Down,Up --changed
# The cursor is back on Start after an even number of presses; after an odd one it is on the
# row below.
x xdotool windowfocus --sync "$game_window" || fail "could not focus the game's window"
[ $((presses % 2)) -eq 1 ] && x xdotool key Up
x xdotool key Return || fail "could not start a stage"
sleep 1
measure "the stage" \
    --target "brickfall stage, paddle strip" --window "$game_window" --keys Left,Right \
    --field-rows "$paddle_rows" --restart-key Return \
    --target "LBreakout2 menu (with the stage)" --window "$peer_window" --keys Down,Up --changed
kill -0 "$game_pid" 2> /dev/null || fail "the game ended"
echo "| target | keys | n | p50 | p90 | min | max | missed | notes |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---|"
cat "$rows"
echo
cat "$notes"
