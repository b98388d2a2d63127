# shellcheck shell=bash
# Shared by the tests that record a game played in the real window and replay it with
# brickfall-sim; sourced, not run. workdir, game_pid, fail and x come from the sourcing script
# and script_support.sh.
# shellcheck disable=SC2154

# Waits up to SECONDS for the game's window and for its frame loop to run steadily, gives the
# window the focus and plays, with key presses sent through XTEST as a keyboard would: a press
# of 60 ms to start the stage, a key held past the X server's auto-repeat delay, taps far
# shorter than one 8.33 ms pass, a pause and a resume. Sets window.
play_to_record() {
    local seconds="$1" trace="$2" lines=0 before start=$SECONDS
    window=""
    while [ -z "$window" ] && [ $((SECONDS - start)) -lt "$seconds" ]; do
        window="$(x xdotool search --name '^Title Here$' 2> /dev/null | head -n1)"
        check_game
        sleep 0.1
    done
    [ -n "$window" ] || fail "no game window within $seconds seconds"
    # The window can open a while before the loop runs, and the loop's first frames can stall
    # (Wine sets up its drivers then); a stall's time is dropped, not replayed, and keys held
    # in it would be lost. The trace, written under a temporary name while the game runs,
    # shows the frames: at least 20 in a quarter of a second is a loop under way.
    while [ $((SECONDS - start)) -lt "$seconds" ]; do
        before=$lines
        lines="$(cat "$trace.partial" 2> /dev/null | wc -l)"
        [ $((lines - before)) -ge 20 ] && [ "$before" -gt 0 ] && break
        check_game
        sleep 0.25
    done
    [ $((lines - before)) -ge 20 ] || fail "the frame loop was not running within $seconds seconds"
    x xdotool windowfocus --sync "$window" || fail "could not focus the window"

    press_until "$trace" '"scene":1,' Return
    sleep 0.2
    # Held for a second: past the X server's auto-repeat delay, so repeats arrive too.
    x xdotool keydown Left sleep 1 keyup Left || fail "could not hold Left"
    # Down and up again with nothing in between: far shorter than one pass.
    for _ in 1 2 3 4 5; do
        x xdotool keydown --delay 0 Right keyup --delay 0 Right || fail "could not tap Right"
        sleep 0.05
    done
    press_until "$trace" '"paused":true' BackSpace
    sleep 0.3
    press BackSpace Right Right
    sleep 0.3
    check_game
}

# keydown, 60 ms, keyup, as a quick finger would.
press() {
    local key
    for key in "$@"; do
        x xdotool keydown "$key" sleep 0.06 keyup "$key" sleep 0.1 || fail "could not press $key"
    done
}

# Presses KEY until the running game's trace shows PATTERN, three times at most: on a busy
# machine the game may run a late pass's catching up in one go, and a press that began and
# ended in between is rightly not seen.
press_until() {
    local trace="$1" pattern="$2" key="$3" start
    for _ in 1 2 3; do
        press "$key"
        start=$SECONDS
        while [ $((SECONDS - start)) -lt 2 ]; do
            grep -qF "$pattern" "$trace.partial" 2> /dev/null && return 0
            check_game
            sleep 0.1
        done
    done
    fail "three presses of $key did not bring $pattern into the trace"
}

# Checks what the ended game wrote: its recording holds the held key and the pause, its trace
# shows the stage ran and paused, and brickfall-sim replays the recording to the very same
# trace. Prints what was compared.
check_replay() {
    local sim="$1" recording="$2" trace="$3" left_passes
    [ -e "$recording.partial" ] && fail "the temporary recording was left behind"
    [ -s "$recording" ] || fail "no recording"
    [ -s "$trace" ] || fail "no trace"

    left_passes="$(awk '$2 == "Left" && $1 > max { max = $1 } END { print max + 0 }' "$recording")"
    [ "$left_passes" -ge 100 ] ||
        fail "no run of 100 passes or more with Left held in the recording:
$(grep -v '^#' "$recording")"
    grep -q '^[0-9]* Pause$' "$recording" || fail "no Backspace in the recording"
    grep -q '"scene":1,' "$trace" || fail "the stage never ran"
    grep -q '"paused":true' "$trace" || fail "the stage never paused"

    SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software "$sim" --script "$recording" \
        --trace "$workdir/replay.trace" 2> "$workdir/sim-stderr" ||
        { cat "$workdir/sim-stderr" >&2; fail "brickfall-sim could not replay the recording"; }
    ! grep -i "warning" "$workdir/sim-stderr" ||
        fail "brickfall-sim warned while replaying a fresh recording"
    [ "$(head -n1 "$recording")" = "# brickfall input script 2" ] ||
        fail "the recording does not open with its version: $(head -n1 "$recording")"
    cmp "$trace" "$workdir/replay.trace" > "$workdir/cmp" ||
        fail "the replay differs from the game: $(cat "$workdir/cmp")"
    echo "recorded $(awk '{ n += $1 } END { print n }' "$recording") passes" \
        "($(grep -vc '^#' "$recording") script lines, Left held for $left_passes passes);" \
        "brickfall-sim replayed them to the same $(wc -l < "$trace")-line trace"
}
