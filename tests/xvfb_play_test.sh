#!/usr/bin/env bash
# Plays the real game on a 1920 by 1080 virtual X screen as a person would, with key presses
# sent through XTEST to the focused window: starts the stage from the title, moves the paddle,
# lets the ball fall until the title returns, applies "Aspect Fit" with "Right" rotation on the
# video page (the window becomes 1440 by 1080, centred), starts a stage in the turned picture,
# comes back to the title and leaves through "Exit" with status 0.
# Progress is read from the window's pictures: the stage shows the blue wall at the top of the
# play field, the title shows "Start" under the cursor. The title, the stage and the turned
# stage are saved as PNG files in the directory given by BRICKFALL_PLAY_SHOTS or the second
# argument. Every X client call is bounded, a watchdog kills everything with SIGKILL after
# 60 seconds, and nothing waits on a message box: the game writes an error to standard error
# before it opens one, and the test ends at once when that happens.
set -u
game="$1"
shots="${BRICKFALL_PLAY_SHOTS:-${2:-}}"
limit=60

. "$(dirname "$0")/script_support.sh"
require_tools Xvfb xdotool import convert timeout
if [ -z "$shots" ]; then
    echo "usage: $0 GAME SHOT_DIRECTORY (or set BRICKFALL_PLAY_SHOTS)" >&2
    exit 2
fi
mkdir -p "$shots" || exit 1
rm -f "$shots"/*.png

workdir="$(mktemp -d)"
game_pid=""
guard_test "$limit"

fail() {
    echo "FAIL: $*" >&2
    if [ -s "$workdir/shot.png" ]; then
        cp "$workdir/shot.png" "$shots/failure.png" &&
            echo "last picture of the window: $shots/failure.png" >&2
        for name in "${region_names[@]}"; do
            echo "  $name: light ${light[$name]:-?}%," \
                "red ${red[$name]:-?}%, blue ${blue[$name]:-?}%"
        done >&2
    fi
    [ -s "$workdir/stderr" ] && sed 's/^/game: /' "$workdir/stderr" >&2
    exit 1
}

start_xvfb

"$game" 2> "$workdir/stderr" &
game_pid=$!
echo "$game_pid" >> "$workdir/pids"

window=""
geometry=""
for _ in $(seq 150); do
    window="$(x xdotool search --name '^Title Here$' 2> /dev/null | head -n1)"
    if [ -n "$window" ]; then
        geometry="$(x xdotool getwindowgeometry "$window" 2> /dev/null |
            sed -n 's/.*Geometry: //p')"
        [ "$geometry" = "720x960" ] && break
    fi
    check_game
    sleep 0.1
done
[ "$geometry" = "720x960" ] || fail "window geometry '${geometry}', expected 720x960"

# There is no window manager: focus is given to the window directly, and XTEST key events
# then reach it as a keyboard's would. Each key is held over several frames (120 a second)
# and released for as long, so the game sees one press per call.
press() {
    press_keys "$window" 0.15 0.15 "$@"
}

hold() {
    x xdotool windowfocus --sync "$window" || fail "could not focus the window"
    x xdotool keydown "$1" sleep "$2" keyup "$1" || fail "could not hold $1"
}

# Regions of the upright play field, as WxH+X+Y.
read_field_size
region_names=(wall floor start empty row3 row4 paddle_left paddle_right
    cursor0 cursor1 cursor2 cursor3 cursor4)
region_geometries=(224x40+8+60 "${field_width}x60+0+200" 40x8+80+80 90x80+150+100 32x8+80+170
    32x8+80+200 120x10+0+286 120x10+120+286 8x8+70+80 8x8+70+110 8x8+70+140 8x8+70+170 8x8+70+200)
rotation=0 # clockwise degrees in force on the window
declare -A red blue light

# Takes a picture of the window, turns it back upright, brings it to play-field pixels and
# measures the mean colour of every region, in percent.
shoot() {
    local crops=() geometry name r g b i=0
    check_game
    x import -window "$window" "$workdir/shot.png" 2> /dev/null || fail "no picture of the window"
    for geometry in "${region_geometries[@]}"; do
        crops+=('(' mpr:field -crop "$geometry" +repage ')')
    done
    while read -r r g b; do
        name="${region_names[$i]}"
        red[$name]=$r
        blue[$name]=$b
        light[$name]=$(((r + g + b) / 3))
        i=$((i + 1))
    done < <(x convert "$workdir/shot.png" -rotate "-$rotation" \
        -sample "${field_width}x${field_height}!" \
        -write mpr:field +delete "${crops[@]}" \
        -format '%[fx:round(100*mean.r)] %[fx:round(100*mean.g)] %[fx:round(100*mean.b)]\n' info:)
    [ "$i" -eq "${#region_names[@]}" ] || fail "could not measure the picture"
}

# The stage: the top of the play field is the blue wall and the floor under it is dark, which
# also tells a picture turned the wrong way from the right one.
is_stage() {
    [ "${blue[wall]}" -ge 40 ] && [ $((blue[wall] - red[wall])) -ge 20 ] &&
        [ "${light[floor]}" -le 5 ]
}

# The title: "Start" under the cursor, three rows only, nothing where the wall would be.
is_title() {
    [ "${light[start]}" -ge 10 ] && [ "${light[cursor0]}" -ge 10 ] &&
        [ "${light[row3]}" -le 1 ] && [ "${light[empty]}" -le 1 ]
}

# Polls the window's picture until the named state shows or the given seconds have passed.
wait_for() {
    local state="$1" seconds="$2" start=$SECONDS
    while [ $((SECONDS - start)) -lt "$seconds" ]; do
        shoot
        "is_$state" && return 0
        sleep 0.1
    done
    fail "no $state within $seconds seconds"
}

keep() {
    cp "$workdir/shot.png" "$shots/$1.png" || fail "could not save $shots/$1.png"
}

wait_for title 10
keep title

press Return
wait_for stage 5
keep stage
difference=$((light[paddle_left] - light[paddle_right]))
{ [ "${light[paddle_left]}" -ge 5 ] && [ "${difference#-}" -le 2 ]; } ||
    fail "the paddle is not at the centre when the stage starts"
hold Left 0.3
shoot
is_stage || fail "the stage ended while the paddle moved"
{ [ "${light[paddle_left]}" -ge 5 ] && [ "${light[paddle_right]}" -le 1 ]; } ||
    fail "holding Left did not move the paddle to the left half"

# Nobody catches the ball: the stage ends when it is lost and the title comes back.
wait_for title 20

press Down Return Return Down Right Down Right Down
shoot
{ [ "${light[row4]}" -ge 10 ] && [ "${light[cursor3]}" -ge 10 ]; } ||
    fail "the cursor is not on \"Apply\" of the video page"
press Return

# Aspect Fit with a quarter turn on 1920 by 1080: a 1440 by 1080 window, centred again.
expected="1440x1080 at 240,0"
for _ in $(seq 50); do
    check_game
    placement="$(x xdotool getwindowgeometry "$window" 2> /dev/null |
        sed -n 's/.*Position: \([0-9-]*,[0-9-]*\).*/\1/p;s/.*Geometry: //p' | tr '\n' ' ')"
    read -r position geometry <<< "$placement"
    [ "$geometry at $position" = "$expected" ] && break
    sleep 0.1
done
[ "$geometry at $position" = "$expected" ] ||
    fail "window '$geometry at $position' after applying, expected $expected"
rotation=90

press P P
wait_for title 5
press Return
wait_for stage 5
keep rotated-stage
wait_for title 20

press Down Down
shoot
{ [ "${light[cursor2]}" -ge 10 ] && [ "${light[cursor0]}" -le 1 ]; } ||
    fail "the cursor is not on \"Exit\""
press Return

expect_clean_end '"Exit"'
echo "played a stage to the end, applied Aspect Fit turned right (window $expected)," \
    "played the turned stage and left through Exit with status 0; pictures in $shots"
