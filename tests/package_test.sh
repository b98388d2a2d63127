#!/usr/bin/env bash
# Builds the .deb from a finished build, unpacks it into a scratch root and checks it as a user
# would meet it: the layout, the control fields, the desktop entry and icons, and the game
# itself started through the bin/ link, headless, until it is asked to end.
# Usage: package_test.sh <cpack> <build dir> <source dir> <version> <sanitized ON|OFF>
# Every wait is bounded and a game that does not end is killed with SIGKILL.
set -u
cpack="$1"
build="$2"
source="$3"
version="$4"
sanitized="$5"

# Exit status 77 tells CTest the test was skipped.
case "$sanitized" in
    ON | on | TRUE | true | 1)
        echo "skipped: a sanitized build is not packaged; its game would depend on the" \
            "sanitizer runtimes. The plain build runs this test."
        exit 77
        ;;
esac

. "$(dirname "$0")/script_support.sh"
require_tools "$cpack" dpkg dpkg-deb dpkg-shlibdeps desktop-file-validate file

workdir="$(mktemp -d)"
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill -KILL "$game_pid" 2> /dev/null
    rm -rf "$workdir"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# --- the package -----------------------------------------------------------------------------
# Packages and CPack's staging go to the scratch folder, away from the build tree.
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$workdir/out" \
    > "$workdir/cpack.log" 2>&1; then
    cat "$workdir/cpack.log" >&2
    fail "cpack did not make the package"
fi
shopt -s nullglob
debs=("$workdir"/out/*.deb)
shopt -u nullglob
[ "${#debs[@]}" -eq 1 ] || fail "expected one .deb, found ${#debs[@]}"
deb="${debs[0]}"
arch="$(dpkg --print-architecture)"
[ "$(basename "$deb")" = "brickfall_${version}_${arch}.deb" ] ||
    fail "package file named $(basename "$deb")"

field() {
    dpkg-deb -f "$deb" "$1"
}
[ "$(field Package)" = brickfall ] || fail "Package: '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version: '$(field Version)', expected $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: '$(field Architecture)'"
[ "$(field Section)" = games ] || fail "Section: '$(field Section)'"
field Maintainer | grep -Eq '^[^<]*[^< ] <[^@> ]+@[^> ]+>$' ||
    fail "Maintainer: '$(field Maintainer)' is not a name and an address"
description="$(field Description)"
[ "$(printf '%s\n' "$description" | wc -l)" -ge 2 ] ||
    fail "Description has no long text: '$description'"

# The libraries come from dpkg-shlibdeps, which also writes their minimum versions; none of
# these is ever named by hand.
depends="$(field Depends)"
for package in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libc6; do
    printf '%s\n' "$depends" | grep -Eq "(^|, )${package//./\\.} \(>= [^)]+\)(,|$)" ||
        fail "Depends lacks a versioned $package: '$depends'"
done
if printf '%s\n' "$depends" | grep -q -- '-dev'; then
    fail "Depends names a development package: '$depends'"
fi

dpkg-deb -c "$deb" > "$workdir/contents"
if awk '$2 != "root/root"' "$workdir/contents" | grep -q .; then
    awk '$2 != "root/root"' "$workdir/contents" >&2
    fail "package entries not owned by root"
fi

# --- the unpacked layout ---------------------------------------------------------------------
root="$workdir/root"
dpkg -x "$deb" "$root" || fail "dpkg -x could not unpack the package"
game_dir="$root/usr/lib/brickfall"
link="$root/usr/bin/brickfall"

[ -L "$link" ] || fail "usr/bin/brickfall is not a symbolic link"
[ "$(readlink "$link")" = ../lib/brickfall/brickfall ] ||
    fail "usr/bin/brickfall points at '$(readlink "$link")'"
[ -f "$game_dir/brickfall" ] && [ ! -L "$game_dir/brickfall" ] && [ -x "$game_dir/brickfall" ] ||
    fail "usr/lib/brickfall/brickfall is not an executable file"
file -b "$game_dir/brickfall" | grep -q '^ELF .*, stripped$' ||
    fail "the game is not a stripped ELF program: $(file -b "$game_dir/brickfall")"
diff -r "$source/Resources" "$game_dir/Resources" > "$workdir/resources.diff" || {
    cat "$workdir/resources.diff" >&2
    fail "usr/lib/brickfall/Resources differs from the source tree's Resources"
}

# Everything outside Resources/ is listed, so a stray file or a missing one both show.
expected="usr/bin/brickfall
usr/lib/brickfall/brickfall
usr/share/applications/brickfall.desktop
usr/share/icons/hicolor/128x128/apps/brickfall.png
usr/share/icons/hicolor/256x256/apps/brickfall.png
usr/share/icons/hicolor/32x32/apps/brickfall.png
usr/share/icons/hicolor/64x64/apps/brickfall.png"
actual="$(cd "$root" && find . ! -type d ! -path './usr/lib/brickfall/Resources/*' |
    sed 's|^\./||' | LC_ALL=C sort)"
[ "$actual" = "$(printf '%s\n' "$expected" | LC_ALL=C sort)" ] ||
    fail "unexpected package files:
$actual"

desktop="$root/usr/share/applications/brickfall.desktop"
desktop-file-validate "$desktop" > "$workdir/validate" 2>&1 || {
    cat "$workdir/validate" >&2
    fail "the desktop entry does not validate"
}
# Warnings and hints are printed with a zero status; a clean entry prints nothing.
[ -s "$workdir/validate" ] && {
    cat "$workdir/validate" >&2
    fail "desktop-file-validate has remarks on the entry"
}
for line in Type=Application Exec=brickfall Icon=brickfall Categories=Game\;ArcadeGame\; \
    Terminal=false; do
    grep -qx "$line" "$desktop" || fail "the desktop entry lacks '$line'"
done

for size in 32 64 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/brickfall.png"
    file -b "$icon" | grep -q "^PNG image data, $size x $size, 8-bit/color RGBA" ||
        fail "icon ${size}x${size}: $(file -b "$icon" 2>&1)"
done

# `cmake --install` lays out the same tree as the package.
cmake --install "$build" --prefix "$workdir/prefix" > "$workdir/install.log" 2>&1 || {
    cat "$workdir/install.log" >&2
    fail "cmake --install failed"
}
installed="$(cd "$workdir/prefix" && find . | sed 's|^\./||' | LC_ALL=C sort)"
packaged="$(cd "$root/usr" && find . | sed 's|^\./||' | LC_ALL=C sort)"
[ "$installed" = "$packaged" ] || fail "cmake --install and the package differ:
$(diff <(echo "$installed") <(echo "$packaged"))"
[ "$(readlink "$workdir/prefix/bin/brickfall")" = ../lib/brickfall/brickfall ] ||
    fail "the installed bin/brickfall points at '$(readlink "$workdir/prefix/bin/brickfall")'"

# --- the installed game ----------------------------------------------------------------------
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy DISPLAY= WAYLAND_DISPLAY=
unset SDL_RENDER_DRIVER

# Voluntary context switches of the main thread: the frame loop sleeps between frames.
sleeps() {
    awk '/^voluntary_ctxt_switches:/ { print $2 }' "/proc/$1/status" 2> /dev/null
}

# Waits up to ten seconds for the game to end and leaves its status in $status.
await_end() {
    for _ in $(seq 100); do
        kill -0 "$game_pid" 2> /dev/null || break
        sleep 0.1
    done
    if kill -0 "$game_pid" 2> /dev/null; then
        kill -KILL "$game_pid"
        wait "$game_pid"
        game_pid=""
        fail "$1"
    fi
    wait "$game_pid"
    status=$?
    game_pid=""
}

show_stderr() {
    [ -s "$workdir/stderr" ] && sed 's/^/game: /' "$workdir/stderr" >&2
}

# Started from an empty working directory, so the sheet can only be found beside the real
# executable.
mkdir "$workdir/cwd"
cd "$workdir/cwd" || fail "no working directory"
"$link" 2> "$workdir/stderr" &
game_pid=$!
sleep 1
kill -0 "$game_pid" 2> /dev/null || {
    show_stderr
    fail "the installed game ended during start-up"
}
[ "$(readlink "/proc/$game_pid/exe")" = "$(readlink -f "$game_dir/brickfall")" ] ||
    fail "the process runs '$(readlink "/proc/$game_pid/exe")'"
before="$(sleeps "$game_pid")"
sleep 1
after="$(sleeps "$game_pid")"
kill -0 "$game_pid" 2> /dev/null || {
    show_stderr
    fail "the installed game ended on its own"
}
# At 120 frames a second the loop sleeps at least once a frame; half that allows for a busy
# machine, and a game stuck anywhere else sleeps far less.
[ $((after - before)) -ge 60 ] ||
    fail "the frame loop is not running: $((after - before)) sleeps in one second"
kill -TERM "$game_pid"
await_end "the installed game did not end within 10 seconds of SIGTERM"
[ "$status" -eq 0 ] || {
    show_stderr
    fail "the installed game ended with status $status after SIGTERM"
}
if grep -q "ERROR" "$workdir/stderr"; then
    show_stderr
    fail "the installed game reported an error"
fi
echo "installed game ran $((after - before)) loop sleeps in one second; SIGTERM ended it with status 0"

# The same start without the sheet in lib/brickfall must fail, even with copies of it in the
# working directory and beside the link: the game looks nowhere but beside its real executable.
mv "$game_dir/Resources/IMG/Main.png" "$workdir/Main.png"
for decoy in "$workdir/cwd" "$root/usr/bin"; do
    mkdir -p "$decoy/Resources/IMG"
    cp "$workdir/Main.png" "$decoy/Resources/IMG/Main.png"
done
"$link" 2> "$workdir/stderr" &
game_pid=$!
await_end "the game without its sheet did not end within 10 seconds"
[ "$status" -ne 0 ] || fail "the game without its sheet ended with status 0"
grep -q "FILE LOADING ERROR" "$workdir/stderr" || {
    show_stderr
    fail "the game without its sheet did not report FILE LOADING ERROR"
}
echo "without its sheet the installed game reported FILE LOADING ERROR and ended with status $status"
echo "package $(basename "$deb"): layout, control fields, desktop entry, icons and the game check out"
