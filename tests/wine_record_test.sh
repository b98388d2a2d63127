#!/usr/bin/env bash
# Records a game played by the Windows build under Wine, in its real window on a private
# virtual X screen, with key presses sent through XTEST (a start, a held key, taps shorter than
# a pass, a pause and a resume), then ends it with Alt+F4, which Windows turns into the
# window's close request. The game is given Unix paths, in a folder whose name has a space and
# an accent, for its recording and its trace: Wine maps them through drive Z:. The Linux
# brickfall-sim then replays the recording, and its trace must equal the Windows game's byte
# for byte.
#   tests/wine_record_test.sh build-win/brickfall.exe build/brickfall-sim
# Exits 77 (skipped) without Wine, Xvfb or xdotool. A watchdog kills the game, Wine's server
# and Xvfb with SIGKILL after 90 seconds, and nothing waits on a message box: the game writes
# an error to standard error before it opens one, and the test then ends at once.
set -u
game="$1"
sim="$2"
limit=90

. "$(dirname "$0")/script_support.sh"
. "$(dirname "$0")/wine_support.sh"
. "$(dirname "$0")/record_support.sh"
skip_without wine wineserver Xvfb xdotool
require_tools timeout cmp flock

begin_wine_test "$limit"

fail() {
    echo "FAIL: $*" >&2
    [ -s "$workdir/stderr" ] && sed 's/^/game: /' "$workdir/stderr" >&2
    exit 1
}

use_wine_prefix
start_xvfb
# SDL's software renderer: Direct3D through Wine costs some six times its processor time on a
# virtual screen, and a busy machine then drops passes; the zip's test runs SDL's own choice.
export SDL_RENDER_DRIVER=software

out="$workdir/partie enregistrée"
mkdir -p "$out" || fail "cannot make $out"
recording="$out/game.script"
trace="$out/game.trace"
wine "$game" --record "$recording" --trace "$trace" 2> "$workdir/stderr" &
game_pid=$!
echo "$game_pid" >> "$workdir/pids"

# Wine's first start in a prefix sets up its services before the window opens.
play_to_record 30 "$trace"

x xdotool key alt+F4 || fail "could not press Alt+F4"
expect_clean_end "Alt+F4"
check_replay "$sim" "$recording" "$trace"
