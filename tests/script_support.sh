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
