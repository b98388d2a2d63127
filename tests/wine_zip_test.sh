#!/usr/bin/env bash
# Checks the Windows zip as a player meets it: one folder named after the zip with the game,
# its Resources, a CRLF README and a LICENSE holding every linked library's notice; the game
# stripped. Unpacked under a path with spaces and accents, the game is started from there
# under Wine on a private 1920 by 1080 Xvfb (SDL's own Windows video driver, dummy audio):
# its window must show the title menu, read from a picture of the screen, and "Exit" chosen
# with key presses must end it with status 0 and nothing on standard error.
#   tests/wine_zip_test.sh build-win/brickfall-1.0.0-win64.zip
# Exits 77 (skipped) without Wine, Xvfb or xdotool. A watchdog kills the game, Wine's server
# and Xvfb with SIGKILL after 90 seconds, and nothing waits on a message box: the game writes
# an error to standard error before it opens one, and the test then ends at once.
set -u
zip="$1"
limit=90

. "$(dirname "$0")/script_support.sh"
. "$(dirname "$0")/wine_support.sh"
skip_without wine wineserver Xvfb xdotool
require_tools import convert unzip file timeout flock

begin_wine_test "$limit"

fail() {
    echo "FAIL: $*" >&2
    if [ -s "$workdir/shot.png" ] && [ -n "${BRICKFALL_WINE_SHOTS:-}" ]; then
        cp "$workdir/shot.png" "$BRICKFALL_WINE_SHOTS/failure.png" &&
            echo "last picture of the screen: $BRICKFALL_WINE_SHOTS/failure.png" >&2
    fi
    [ -n "${placement:-}" ] && echo "  the window at $placement" >&2
    [ -n "${text[*]:-}" ] && for name in "${region_names[@]}"; do
        echo "  $name: text ${text[$name]:-?}%, other ${other[$name]:-?}%"
    done >&2
    [ -s "$workdir/stderr" ] && sed 's/^/game: /' "$workdir/stderr" >&2
    exit 1
}

# --- the zip -----------------------------------------------------------------------------
[ -f "$zip" ] || fail "no zip at $zip"
top="$(basename "$zip" .zip)"
[[ "$top" =~ ^brickfall-[0-9]+\.[0-9]+\.[0-9]+-win64$ ]] || fail "zip named $(basename "$zip")"
unzip -Z1 "$zip" > "$workdir/entries" || fail "unzip cannot list $zip"
outside="$(grep -v "^$top/" "$workdir/entries")"
[ -z "$outside" ] || fail "entries outside the folder $top/: $outside"
for entry in brickfall.exe LICENSE README.txt Resources/IMG/Main.png; do
    grep -qx "$top/$entry" "$workdir/entries" || fail "the zip lacks $top/$entry"
done

folder="$workdir/Jeux récents/brickfall à tester"
mkdir -p "$folder" || fail "cannot make $folder"
unzip -q "$zip" -d "$folder" || fail "cannot unpack $zip"
game_dir="$folder/$top"

file -b "$game_dir/brickfall.exe" | grep -q '^PE32+ executable (GUI) x86-64' ||
    fail "brickfall.exe is not a 64-bit Windows GUI program: $(file -b "$game_dir/brickfall.exe")"
# Section names longer than eight letters live in the string table, where strip removes them.
LC_ALL=C grep -qa '\.debug_info' "$game_dir/brickfall.exe" && fail "brickfall.exe is not stripped"

readme="$game_dir/README.txt"
lines="$(wc -l < "$readme")"
if [ "$lines" -lt 20 ] || [ "$(grep -c $'\r$' "$readme")" -ne "$lines" ] ||
    [ "$(tail -c 2 "$readme" | od -An -c | tr -d ' ')" != '\r\n' ]; then
    fail "README.txt does not end all its $lines lines with CRLF"
fi
grep -q 'start brickfall.exe' "$readme" || fail "README.txt does not say how to start the game"
# Every key of the Controls table in the source's README.md, such as "Up / Down" (as "Up,
# Down"), starts a line of README.txt's table.
keys="$(awk '/^## Controls/ { p = 1; next } /^## / { p = 0 }
             p && /^\| / && !/^\| Key / && !/^\|---/ { split($0, cell, "|"); print cell[2] }' \
    "$(dirname "$0")/../README.md" | sed 's/^ *//;s/ *$//;s| / |, |g')"
[ -n "$keys" ] || fail "no keys found in README.md's Controls table"
while IFS= read -r key; do
    grep -q "^  $key  " "$readme" || fail "README.txt's table has no line for the key '$key'"
done <<< "$keys"

# Each library's section, under its heading, holds words of its own notice.
license="$workdir/LICENSE"
tr -d '\r' < "$game_dir/LICENSE" > "$license"
notices=("brickfall|Permission is hereby granted"
    "SDL2 |This notice may not be removed or altered"
    "SDL2_mixer |This notice may not be removed or altered"
    "libmodplug|public domain"
    "stb_image|Sean Barrett"
    "MinGW-w64 runtime|mingw-w64-libraries/winpthreads"
    "GCC runtime|GCC RUNTIME LIBRARY EXCEPTION")
for notice in "${notices[@]}"; do
    heading="${notice%%|*}"
    words="${notice#*|}"
    awk -v heading="$heading" 'index($0, heading) == 1 { getline rule
            inside = rule ~ /^=+$/; next }
        /^=+$/ { inside = 0 } inside' "$license" | grep -qF "$words" ||
        fail "LICENSE has no section '$heading' holding '$words'"
done

# --- the game under Wine -----------------------------------------------------------------
use_wine_prefix
start_xvfb
(cd "$game_dir" && exec wine brickfall.exe) 2> "$workdir/stderr" &
game_pid=$!
echo "$game_pid" >> "$workdir/pids"

# The window's size and place on the screen as WxH+X+Y, read afresh for every picture, since
# the window may be placed again after it opens.
place_window() {
    placement="$(x xdotool getwindowgeometry "$window" 2> /dev/null |
        sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/+\1+\2/p;s/.*Geometry: //p' |
        tac | tr -d '\n')"
}

window=""
placement=""
start=$SECONDS
while [ $((SECONDS - start)) -lt 30 ]; do
    window="$(x xdotool search --name '^Title Here$' 2> /dev/null | head -n1)"
    if [ -n "$window" ]; then
        place_window
        [[ "$placement" == 720x960+* ]] && break
    fi
    check_game
    sleep 0.1
done
[[ "$placement" == 720x960+* ]] || fail "window '$placement' after 30 seconds, expected 720 by 960"

# Regions of the play field, as WxH+X+Y, each with the share of its pixels in the
# title text's blue-white and in any colour but that and black.
region_names=(start options exit cursor_start cursor_options cursor_exit above right below)
read_field_size
region_geometries=(40x8+80+80 56x8+80+110 32x8+80+140 8x8+70+80 8x8+70+110 8x8+70+140
    "${field_width}x72+0+0" 90x80+150+100 "${field_width}x150+0+170")
declare -A text other

# A picture of the whole screen, as a player sees it; the window's part is brought to
# play-field pixels, and each region measured twice: the share of its pixels in the text's
# blue-white, then the share in any colour but that and black, in percent.
is_text='b >= 0.7 && b >= r && b >= g'
shoot() {
    local crops=() geometry name i=0
    check_game
    place_window
    [[ "$placement" == 720x960+* ]] || fail "window '$placement', expected 720 by 960"
    x import -window root "$workdir/shot.png" 2> /dev/null || fail "no picture of the screen"
    for geometry in "${region_geometries[@]}"; do
        crops+=('(' mpr:field -crop "$geometry" +repage -fx "$is_text ? 1 : 0" ')'
            '(' mpr:field -crop "$geometry" +repage -fx "$is_text ? 0 : (r + g + b > 0.06)" ')')
    done
    while read -r t && read -r o; do
        name="${region_names[$i]}"
        text[$name]=$t
        other[$name]=$o
        i=$((i + 1))
    done < <(x convert "$workdir/shot.png" -crop "$placement" +repage \
        -sample "${field_width}x${field_height}!" \
        -write mpr:field +delete "${crops[@]}" -format '%[fx:round(100*mean)]\n' info:)
    [ "$i" -eq "${#region_names[@]}" ] || fail "could not measure the picture"
}

# The title: the three rows in the text's colour, the cursor at one row only, and black above,
# beside and below the menu; no other colour anywhere.
is_title_at() {
    local cursor="$1" name
    for name in start options exit; do
        [ "${text[$name]}" -ge 15 ] || return 1
    done
    for name in "${region_names[@]}"; do
        [ "${other[$name]}" -eq 0 ] || return 1
    done
    for name in cursor_start cursor_options cursor_exit; do
        if [ "$name" = "cursor_$cursor" ]; then
            [ "${text[$name]}" -ge 10 ] || return 1
        else
            [ "${text[$name]}" -eq 0 ] || return 1
        fi
    done
    [ "${text[above]}" -eq 0 ] && [ "${text[right]}" -eq 0 ] && [ "${text[below]}" -eq 0 ]
}

# Takes pictures until one shows the title with the cursor at ROW, for up to SECONDS.
wait_for_title_at() {
    local row="$1" seconds="$2" start=$SECONDS
    while [ $((SECONDS - start)) -lt "$seconds" ]; do
        shoot
        is_title_at "$row" && return 0
        sleep 0.2
    done
    return 1
}

# The first frames may not be drawn yet.
wait_for_title_at start 15 ||
    fail "the screen does not show the title with the cursor at \"Start\" within 15 seconds"
[ -n "${BRICKFALL_WINE_SHOTS:-}" ] && cp "$workdir/shot.png" "$BRICKFALL_WINE_SHOTS/title.png"

# There is no window manager: focus is given to the window directly, and XTEST key events
# then reach it as a keyboard's would, each held over several frames.
x xdotool windowfocus --sync "$window" || fail "could not focus the window"
for key in Down Down; do
    x xdotool keydown "$key" sleep 0.15 keyup "$key" sleep 0.15 || fail "could not press $key"
done
wait_for_title_at exit 10 ||
    fail "two presses of Down did not bring the cursor to \"Exit\" within 10 seconds"
x xdotool keydown Return sleep 0.15 keyup Return || fail "could not press Return"

expect_clean_end '"Exit"'
echo "$(basename "$zip") ($(wc -c < "$zip") bytes): one folder $top/, a stripped game, CRLF" \
    "README, LICENSE with ${#notices[@]} notices; unpacked under '${folder#"$workdir/"}'," \
    "the game showed the title under Wine and left through \"Exit\" with status 0"
