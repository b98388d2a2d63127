# shellcheck shell=bash
# Shared by the tests of the Windows build under Wine; sourced after script_support.sh, whose
# workdir and pids file it uses and whose clean-up and watchdog call its stop_helpers.
# shellcheck disable=SC2154

# Ends the test as skipped (status 77) when a tool it needs is missing: Wine and an X server
# are not on every machine that builds the game.
skip_without() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" > /dev/null; then
            echo "skipped: $tool is not installed (tools/build/install-deps.sh test windows installs it)"
            exit 77
        fi
    done
}

# The start of every Wine test: a folder of its own, with the Wine prefix it will use inside,
# and the watchdog (script_support.sh's guard_test) over the whole test.
begin_wine_test() {
    workdir="$(mktemp -d)"
    export WINEPREFIX="$workdir/wine-prefix"
    game_pid=""
    guard_test "$1"
}

# Quiet Wine that never asks to install Mono or Gecko and writes no menu entries for the
# user's desktop.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="

# Makes the prefix WINEPREFIX names, a folder of the test's own (named before guard_test, so
# the watchdog knows it): its server is the test's own too, and stop_helpers ends nothing
# another test runs. Making a prefix takes Wine some 20 seconds, so one is made once per Wine
# version under ~/.cache/brickfall, without a display, and each test copies it.
use_wine_prefix() {
    local cache="${XDG_CACHE_HOME:-$HOME/.cache}/brickfall" version template
    version="$(wine --version 2> /dev/null)"
    template="$cache/wine-prefix-${version//[^A-Za-z0-9.+-]/-}"
    mkdir -p "$cache" || fail "cannot make $cache"
    # Tests that start together wait here for the one that makes the prefix; the watchdog
    # bounds the wait.
    exec 8> "$cache/wine-prefix.lock"
    flock 8
    if [ ! -f "$template/.complete" ]; then
        rm -rf "$template" "$template.new"
        making_prefix="$template.new"
        (
            unset DISPLAY
            export WINEPREFIX="$making_prefix"
            exec wineboot --init
        ) > "$workdir/wineboot.log" 2>&1 &
        echo "$!" >> "$workdir/pids"
        wait "$!" || fail "wineboot could not make a prefix: $(tail -n 5 "$workdir/wineboot.log")"
        WINEPREFIX="$making_prefix" timeout -s KILL 30 wineserver -w
        touch "$making_prefix/.complete"
        mv "$making_prefix" "$template" || fail "cannot keep the prefix in $template"
        making_prefix=""
    fi
    exec 8>&-
    cp -a "$template" "$WINEPREFIX" || fail "cannot copy the prefix $template"
}

# Kills every process of the test's prefix, server included, and of the shared one should this
# test have been making it (the watchdog, which cannot know, kills wineboot, and that server
# then ends by itself).
stop_helpers() {
    local prefix
    for prefix in "${WINEPREFIX:-}" "${making_prefix:-}"; do
        [ -n "$prefix" ] && [ -d "$prefix" ] &&
            WINEPREFIX="$prefix" timeout -s KILL 10 wineserver -k 2> /dev/null
    done
}
