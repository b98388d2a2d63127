#!/usr/bin/env bash
# What the game costs on a desktop without a GPU driver: the real game runs on a 1920 by 1080
# virtual X screen next to a peer brick-breaker (LBreakout2, left in its menu) in the same X
# server, and the CPU share of one core and the peak resident memory of both are read from
# /proc for the title menu, a paused stage, an active stage and an active stage turned "Right".
# Usage: tools/measure/desktop_cost.sh [GAME] (default build/brickfall). BRICKFALL_COST_SECONDS sets each
# measuring window (default 12), BRICKFALL_COST_SETTLE the settling time before it (default 3).
# Keys go through XTEST to the focused window: keydown, 60 ms, keyup. Needs Xvfb, xdotool and
# the Debian package lbreakout2 (apt-get install lbreakout2).
set -u
game="${1:-build/brickfall}"
seconds="${BRICKFALL_COST_SECONDS:-12}"
settle="${BRICKFALL_COST_SETTLE:-3}"
peer="${BRICKFALL_COST_PEER:-/usr/games/lbreakout2}"

# shellcheck source=tools/measure/measure_support.sh
. "$(dirname "$0")/measure_support.sh"
require_tools Xvfb xdotool timeout
if [ ! -x "$peer" ]; then
    echo "missing $peer: apt-get install lbreakout2" >&2
    exit 1
fi
[ -x "$game" ] || {
    echo "no game at $game" >&2
    exit 1
}

ticks_per_second="$(getconf CLK_TCK)"

# utime + stime of a process, in clock ticks.
cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat" 2> /dev/null || echo 0
}

peak_kib() {
    awk '/^VmHWM:/ { print $2 }' "/proc/$1/status" 2> /dev/null || echo 0
}

press() {
    press_keys "$game_window" 0.06 0.2 "$@"
}

# Keeps a stage in play: the paddle swings left and right, and Return, which the stage ignores,
# starts a new stage from the title whenever the last ball has been lost.
drive() {
    while [ -e "$workdir/driving" ]; do
        x xdotool windowfocus --sync "$game_window" > /dev/null 2>&1
        x xdotool keydown Left sleep 0.4 keyup Left keydown Right sleep 0.4 keyup Right \
            keydown Return sleep 0.06 keyup Return > /dev/null 2>&1
    done
}

# Prints "game-CPU% peer-CPU%" over one measuring window, after settling.
measure() {
    local game_start peer_start start end
    sleep "$settle"
    kill -0 "$game_pid" 2> /dev/null || fail "the game ended"
    game_start="$(cpu_ticks "$game_pid")"
    peer_start="$(cpu_ticks "$peer_pid")"
    start="$(date +%s.%N)"
    sleep "$seconds"
    end="$(date +%s.%N)"
    awk -v g="$(($(cpu_ticks "$game_pid") - game_start))" \
        -v p="$(($(cpu_ticks "$peer_pid") - peer_start))" \
        -v hz="$ticks_per_second" -v t="$(echo "$end $start" | awk '{ print $1 - $2 }')" \
        'BEGIN { printf "%.1f %.1f\n", 100 * g / hz / t, 100 * p / hz / t }'
}

# Starts the game and waits until its window has its first size and the title is drawn.
open_title() {
    start_game || fail "window $geometry, expected 720x960"
    sleep 1
}

# Lets the last swing finish, so no key is left down for the next game.
stop_driver() {
    rm -f "$workdir/driving"
    wait "$driver_pid" 2> /dev/null
    driver_pid=""
    x xdotool keyup Left Right Return > /dev/null 2>&1
}

start_driver() {
    touch "$workdir/driving"
    drive &
    driver_pid=$!
}

# The renderer the game reports when asked; a game that cannot say is judged by the OpenGL
# driver it has loaded.
renderer_of() {
    local said
    said="$(sed -n 's/^renderer: //p' "$workdir/stderr" | head -n1)"
    if [ -n "$said" ]; then
        echo "$said"
    elif grep -q 'swrast_dri\|libgallium' "/proc/$game_pid/maps" 2> /dev/null; then
        echo "opengl on Mesa's software rasteriser (swrast_dri loaded; the game does not say)"
    else
        echo "unknown (the game does not say)"
    fi
}

stop_game() {
    kill -KILL "$game_pid" 2> /dev/null
    wait "$game_pid" 2> /dev/null
    game_pid=""
}

mib() {
    awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'
}

# Measures the game and the peer over one window and prints the table's row named $1.
measure_row() {
    local game peer
    read -r game peer <<< "$(measure)"
    printf '| %s | %s%% | %s%% | %s MiB |\n' "$1" "$game" "$peer" \
        "$(mib "$(peak_kib "$game_pid")")"
}

start_peer

echo "game: $game; each figure over ${seconds} s after ${settle} s of settling"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| what | game CPU of one core | peer's menu CPU, same window | game peak RSS |"
echo "|---|---:|---:|---:|"

open_title
measure_row "title menu (still)"
renderer="$(renderer_of)"

press Return BackSpace
measure_row "stage, paused"

press BackSpace
start_driver
measure_row "stage, active"
stop_driver
stop_game

# A fresh game for the turned picture: Options, Video, rotation "Right", Apply, back to the
# title, Start.
open_title
press Down Return Return Down Down Right Down Return
wait_for_geometry "$game_window" 1280x960 || fail "window $geometry, expected 1280x960"
press P P Return
start_driver
measure_row "stage, active, rotated \"Right\" (1280x960)"
stop_driver
stop_game

echo
echo "peer's peak RSS: $(mib "$(peak_kib "$peer_pid")") MiB"
echo "renderer: $renderer"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
