# shellcheck shell=bash
# Shared by the shell tests; sourced, not run. workdir and fail come from the sourcing script.
# shellcheck disable=SC2154

# Ends the test when a tool it needs is missing.
require_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" > /dev/null; then
            echo "missing $tool: run ./test.sh, which installs it" >&2
            exit 1
        fi
    done
}

# Starts a 1920 by 1080 virtual X screen, sets xvfb_pid (also listed in $workdir/pids, for a
# watchdog) and points the game at it: SDL's X11 video with its own renderer choice and silent
# dummy audio.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3> "$workdir/display" 2> /dev/null &
    xvfb_pid=$!
    echo "$xvfb_pid" >> "$workdir/pids"
    for _ in $(seq 100); do
        [ -s "$workdir/display" ] && break
        sleep 0.1
    done
    [ -s "$workdir/display" ] || fail "Xvfb did not start"
    DISPLAY=":$(head -n1 "$workdir/display")"
    export DISPLAY
    unset SDL_VIDEODRIVER SDL_RENDER_DRIVER
    export SDL_AUDIODRIVER=dummy
    # The X11 and OpenGL driver stack is loaded and unloaded at run time, so what it keeps
    # cannot be attributed by the leak checker; the headless process tests check the game's
    # own memory.
    export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
}

# Kills what a test started and removes its folder when the script ends, however it ends, and
# starts a watchdog: a stuck X call or game must not hang CI, so past LIMIT seconds it kills
# the game, Xvfb and the script with SIGKILL, whatever they are doing. Should the script be
# killed before it could clean up, the watchdog kills what it started. It polls, so it ends soon
# after the script does and holds no output pipe open; a normal end kills it first.
# Uses workdir, game_pid and xvfb_pid; sets watchdog_pid.
guard_test() {
    local limit="$1"
    trap cleanup_test EXIT
    trap 'exit 143' TERM
    trap 'exit 130' INT
    watch_test "$limit" &
    watchdog_pid=$!
}

# A test that starts more than the game and Xvfb (Wine's server, say) defines stop_helpers,
# which both the clean-up and the watchdog call.
cleanup_test() {
    [ -n "${watchdog_pid:-}" ] && kill -KILL "$watchdog_pid" 2> /dev/null &&
        wait "$watchdog_pid" 2> /dev/null
    [ -n "${game_pid:-}" ] && kill -KILL "$game_pid" 2> /dev/null && wait "$game_pid" 2> /dev/null
    declare -F stop_helpers > /dev/null && stop_helpers
    [ -n "${xvfb_pid:-}" ] && kill -KILL "$xvfb_pid" 2> /dev/null
    # Reaped here so the shell does not report the killed jobs.
    wait 2> /dev/null
    rm -rf "$workdir"
}

watch_test() {
    local limit="$1" pids
    for _ in $(seq $((limit * 10))); do
        kill -0 $$ 2> /dev/null || break
        sleep 0.1
    done
    kill -0 $$ 2> /dev/null && echo "FAIL: no result within $limit seconds" >&2
    pids="$(cat "$workdir/pids" 2> /dev/null)"
    # shellcheck disable=SC2086 # one word per process id
    kill -KILL $pids $$ 2> /dev/null
    declare -F stop_helpers > /dev/null && stop_helpers
    rm -rf "$workdir"
}

# Sets field_width and field_height to the play field's size, as the game's constants give it.
# Uses the caller's fail.
read_field_size() {
    local constants
    constants="$(dirname "${BASH_SOURCE[0]}")/../src/game_constants.hpp"
    field_width="$(sed -n 's/.*kPlayFieldWidth = \([0-9]*\);.*/\1/p' "$constants")"
    field_height="$(sed -n 's/.*kPlayFieldHeight = \([0-9]*\);.*/\1/p' "$constants")"
    if [ -z "$field_width" ] || [ -z "$field_height" ]; then
        fail "no field size in $constants"
    fi
}

# Runs an X client call, killed after 5 seconds: a stuck call must not hold up the test.
x() {
    timeout -s KILL 5 "$@"
}

# Gives window $1 the focus and presses each key after $2 and $3 in turn through XTEST: held $2
# seconds, then let go for $3. Uses the caller's fail.
press_keys() {
    local window="$1" hold="$2" gap="$3" key
    shift 3
    x xdotool windowfocus --sync "$window" || fail "could not focus the window"
    for key in "$@"; do
        x xdotool keydown "$key" sleep "$hold" keyup "$key" sleep "$gap" ||
            fail "could not press $key"
    done
}

# Fails when the game has ended or written to standard error, which it does only on errors,
# just before a message box would block it. Uses game_pid and workdir, and the caller's fail.
check_game() {
    [ -s "$workdir/stderr" ] && fail "the game reported an error"
    kill -0 "$game_pid" 2> /dev/null || fail "the game ended early"
}

# Waits up to 10 seconds for the game to end after WHAT, then fails unless it ended with status
# 0 and wrote nothing to standard error. Uses game_pid and workdir, and the caller's fail.
expect_clean_end() {
    local what="$1" status
    for _ in $(seq 100); do
        kill -0 "$game_pid" 2> /dev/null || break
        sleep 0.1
    done
    kill -0 "$game_pid" 2> /dev/null && fail "the game did not end within 10 seconds of $what"
    wait "$game_pid"
    status=$?
    game_pid=""
    [ "$status" -eq 0 ] || fail "exit status $status after $what"
    [ -s "$workdir/stderr" ] && fail "the game reported an error"
}

# Plays the documented stage, the whole-game script and a long monkey run on the Linux simulator
# and on another platform's, and fails unless each pair of traces is equal byte for byte.
#   compare_sim_traces PLATFORM LINUX_SIM OTHER_SIM_COMMAND...
# The other simulator runs in the background, listed in $workdir/pids for the watchdog.
compare_sim_traces() {
    local platform="$1" linux_sim="$2" source_dir run name file
    shift 2
    source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    local -a arguments
    # name, then the simulator's arguments
    local runs=(
        "stage|--script $source_dir/tests/scripts/stage.script"
        "whole game|--script $source_dir/tests/scripts/whole_game.script"
        "monkey 7|--monkey 7 --frames 30000"
    )
    for run in "${runs[@]}"; do
        name="${run%%|*}"
        read -r -a arguments <<< "${run#*|}"
        file="${name// /-}"
        "$linux_sim" "${arguments[@]}" --trace "$workdir/$file.linux" \
            2> "$workdir/$file.linux.err" ||
            fail "$name: the Linux simulator failed: $(cat "$workdir/$file.linux.err")"
        "$@" "${arguments[@]}" --trace "$workdir/$file.other" 2> "$workdir/$file.other.err" \
            < /dev/null &
        echo "$!" >> "$workdir/pids"
        wait "$!" || fail "$name: the $platform simulator failed: $(cat "$workdir/$file.other.err")"
        [ -s "$workdir/$file.linux" ] || fail "$name: no trace"
        cmp "$workdir/$file.linux" "$workdir/$file.other" ||
            fail "$name: the $platform trace differs from Linux's"
        echo "$name: the same $(wc -l < "$workdir/$file.linux")-line trace on $platform and Linux"
    done
}
