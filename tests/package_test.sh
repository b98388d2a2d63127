#!/usr/bin/env bash
# Builds the .deb from a finished build, unpacks it into a scratch root and checks it as a user
# and Debian would meet it: lintian, the layout and modes, the control fields, the licence,
# changelog, desktop and AppStream entries and icons, and the game itself started through
# /usr/games/brickfall and through the desktop entry's Exec line, headless, until asked to end.
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
require_tools "$cpack" dpkg dpkg-deb dpkg-shlibdeps dpkg-parsechangelog desktop-file-validate \
    file gzip appstreamcli

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
# Packages and CPack's staging go to the scratch folder, away from the build tree. A strict
# umask must not leak into the package's modes.
if ! (umask 077 && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$workdir/out" \
    > "$workdir/cpack.log" 2>&1); then
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
# dpkg shows the long text indented by one space; lintian wants those lines under 80 columns.
long_line="$(printf '%s\n' "$description" | awk 'NR > 1 && length($0) > 79')"
[ -z "$long_line" ] || fail "Description lines of 80 columns or more: '$long_line'"

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
# Modes as Debian wants them: folders 0755, files 0644, the game alone executable, and the
# command a link to it.
awk '{ mode = $1; path = $6; sub(/^\.\//, "", path); sub(/\/$/, "", path)
       if (path == "") next
       if (path == "usr/games/brickfall")
           ok = mode == "lrwxrwxrwx" && $7 == "->" && $8 == "../lib/games/brickfall/brickfall"
       else if (path == "usr/lib/games/brickfall/brickfall") ok = mode == "-rwxr-xr-x"
       else if (mode ~ /^d/) ok = mode == "drwxr-xr-x"
       else ok = mode == "-rw-r--r--"
       if (!ok) print }' "$workdir/contents" > "$workdir/modes"
[ -s "$workdir/modes" ] && {
    cat "$workdir/modes" >&2
    fail "package entries with unexpected modes or links"
}

# lintian, Debian's own checker, when installed (the test command installs it): no error and
# no warning. The informational and pedantic tags that remain are listed here with the reason
# each is kept, and any other tag fails too, so the list stays true:
#   image-file-in-usr-lib (pedantic): the sheet lives in Resources/ beside the real executable
#     in /usr/lib/games/brickfall, the one place the game looks for it.
#   executable-in-usr-lib (experimental): that real executable, which players reach through
#     the /usr/games/brickfall link; it stays with its Resources/ for the same reason.
kept_tags=(image-file-in-usr-lib executable-in-usr-lib)
if command -v lintian > /dev/null; then
    lintian --pedantic --display-experimental --fail-on none "$deb" \
        > "$workdir/lintian" 2> "$workdir/lintian.err" || {
        cat "$workdir/lintian" "$workdir/lintian.err" >&2
        fail "lintian did not run"
    }
    grep -E '^[EW]: ' "$workdir/lintian" > "$workdir/lintian.bad" && {
        cat "$workdir/lintian" >&2
        fail "lintian reports errors or warnings"
    }
    # Every tag line but the N: notes, which only explain.
    grep -E '^[A-MO-Z]: ' "$workdir/lintian" | awk '{ print $3 }' | sort -u |
        grep -vxF -f <(printf '%s\n' "${kept_tags[@]}") > "$workdir/lintian.new" && {
        cat "$workdir/lintian" >&2
        fail "lintian tags not listed as kept: $(tr '\n' ' ' < "$workdir/lintian.new")"
    }
    echo "lintian: no error or warning; tags kept: $(grep -cE '^[A-MO-Z]: ' "$workdir/lintian")"
else
    echo "lintian is not installed: the package was not checked by it (./test.sh installs it)"
fi

# --- the unpacked layout ---------------------------------------------------------------------
root="$workdir/root"
dpkg -x "$deb" "$root" || fail "dpkg -x could not unpack the package"
game_dir="$root/usr/lib/games/brickfall"
link="$root/usr/games/brickfall"

[ -L "$link" ] || fail "usr/games/brickfall is not a symbolic link"
[ "$(readlink "$link")" = ../lib/games/brickfall/brickfall ] ||
    fail "usr/games/brickfall points at '$(readlink "$link")'"
[ -f "$game_dir/brickfall" ] && [ ! -L "$game_dir/brickfall" ] && [ -x "$game_dir/brickfall" ] ||
    fail "usr/lib/games/brickfall/brickfall is not an executable file"
file -b "$game_dir/brickfall" | grep -q '^ELF .*, stripped$' ||
    fail "the game is not a stripped ELF program: $(file -b "$game_dir/brickfall")"
diff -r "$source/Resources" "$game_dir/Resources" > "$workdir/resources.diff" || {
    cat "$workdir/resources.diff" >&2
    fail "usr/lib/games/brickfall/Resources differs from the source tree's Resources"
}

# Everything outside Resources/ is listed, so a stray file or a missing one both show.
expected="usr/games/brickfall
usr/lib/games/brickfall/brickfall
usr/share/applications/brickfall.desktop
usr/share/doc/brickfall/changelog.gz
usr/share/doc/brickfall/copyright
usr/share/icons/hicolor/128x128/apps/brickfall.png
usr/share/icons/hicolor/256x256/apps/brickfall.png
usr/share/icons/hicolor/32x32/apps/brickfall.png
usr/share/icons/hicolor/64x64/apps/brickfall.png
usr/share/man/man6/brickfall.6.gz
usr/share/metainfo/io.github.brickfall.brickfall.metainfo.xml"
actual="$(cd "$root" && find . ! -type d ! -path './usr/lib/games/brickfall/Resources/*' |
    sed 's|^\./||' | LC_ALL=C sort)"
[ "$actual" = "$(printf '%s\n' "$expected" | LC_ALL=C sort)" ] ||
    fail "unexpected package files:
$actual"

# The copyright file in the machine-readable format: the game under the licence in LICENSE,
# word for word, and stb_image, which is compiled in, under its own.
copyright="$root/usr/share/doc/brickfall/copyright"
head -n1 "$copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not in the machine-readable format"
grep -A2 -x 'Files: \*' "$copyright" | grep -qx 'License: MIT' ||
    fail "the copyright file does not put Files: * under License: MIT"
grep -A2 -x 'Files: stb_image.h' "$copyright" | grep -qx 'License: MIT or public-domain' ||
    fail "the copyright file does not name stb_image's licence"
for name in MIT public-domain; do
    grep -qx "License: $name" "$copyright" || fail "the copyright file lacks the $name text"
done
# The stand-alone MIT paragraph's text and LICENSE's, compared word for word, since the two
# wrap their lines differently.
words() {
    tr -s ' ' '\n' | grep -vx '[.]' | grep -v '^$'
}
awk -v RS= '/^License: MIT\n/' "$copyright" | tail -n +2 | words > "$workdir/mit"
[ -s "$workdir/mit" ] || fail "the copyright file has no stand-alone MIT paragraph"
sed -n '/^Permission is hereby granted/,$p' "$source/LICENSE" | words |
    diff - "$workdir/mit" > "$workdir/mit.diff" || {
    cat "$workdir/mit.diff" >&2
    fail "the copyright file's MIT text differs from LICENSE"
}

# The changelog of a native package, compressed without a name or time stamp, whose newest
# entry is this version.
changelog="$root/usr/share/doc/brickfall/changelog.gz"
gzip -t "$changelog" || fail "changelog.gz is not a valid gzip file"
[ "$(od -An -tx1 -j3 -N5 "$changelog" | tr -d ' ')" = 0000000000 ] ||
    fail "changelog.gz keeps a file name or a time stamp"
changelog_version="$(gzip -dc "$changelog" | dpkg-parsechangelog -l - -S Version)"
[ "$changelog_version" = "$version" ] ||
    fail "the changelog's newest entry is '$changelog_version', the package $version"

# The manual page is where man looks for section 6, and names the game.
gzip -dc "$root/usr/share/man/man6/brickfall.6.gz" | grep -q '^brickfall \\- ' ||
    fail "usr/share/man/man6/brickfall.6.gz has no NAME line for brickfall"

# The AppStream entry validates against the installed tree, which also checks that its
# launchable names the installed desktop entry.
appstreamcli validate-tree --no-net --pedantic "$root" > "$workdir/appstream" 2>&1 || {
    cat "$workdir/appstream" >&2
    fail "the AppStream metadata does not validate in the installed tree"
}

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

# `cmake --install` into /usr lays out the same tree as the package; into any other prefix,
# such as a per-user ~/.local, the same tree but for the command's link, in bin/ instead of
# games/.
packaged="$(cd "$root/usr" && find . | sed 's|^\./||' | LC_ALL=C sort)"
DESTDIR="$workdir/staged" cmake --install "$build" --prefix /usr > "$workdir/install.log" 2>&1 || {
    cat "$workdir/install.log" >&2
    fail "cmake --install --prefix /usr failed"
}
installed="$(cd "$workdir/staged/usr" && find . | sed 's|^\./||' | LC_ALL=C sort)"
[ "$installed" = "$packaged" ] || fail "cmake --install --prefix /usr and the package differ:
$(diff <(echo "$installed") <(echo "$packaged"))"
cmake --install "$build" --prefix "$workdir/prefix" > "$workdir/install.log" 2>&1 || {
    cat "$workdir/install.log" >&2
    fail "cmake --install failed"
}
installed="$(cd "$workdir/prefix" && find . | sed 's|^\./||' | LC_ALL=C sort)"
expected="$(printf '%s\n' "$packaged" | sed 's|^games|bin|' | LC_ALL=C sort)"
[ "$installed" = "$expected" ] || fail "cmake --install to a user's prefix differs from the package:
$(diff <(echo "$installed") <(echo "$expected"))"
[ "$(readlink "$workdir/prefix/bin/brickfall")" = ../lib/games/brickfall/brickfall ] ||
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

# Starts the game with the given command from an empty working directory, so the sheet can
# only be found beside the real executable, checks that its frame loop runs and ends it with
# SIGTERM, as closing the window would.
run_until_term() {
    local how="$1"
    shift
    "$@" 2> "$workdir/stderr" &
    game_pid=$!
    sleep 1
    kill -0 "$game_pid" 2> /dev/null || {
        show_stderr
        fail "the game started $how ended during start-up"
    }
    [ "$(readlink "/proc/$game_pid/exe")" = "$(readlink -f "$game_dir/brickfall")" ] ||
        fail "the game started $how runs '$(readlink "/proc/$game_pid/exe")'"
    local before after
    before="$(sleeps "$game_pid")"
    sleep 1
    after="$(sleeps "$game_pid")"
    kill -0 "$game_pid" 2> /dev/null || {
        show_stderr
        fail "the game started $how ended on its own"
    }
    # At 120 frames a second the loop sleeps at least once a frame; half that allows for a
    # busy machine, and a game stuck anywhere else sleeps far less.
    [ $((after - before)) -ge 60 ] ||
        fail "the frame loop of the game started $how is not running:" \
            "$((after - before)) sleeps in one second"
    kill -TERM "$game_pid"
    await_end "the game started $how did not end within 10 seconds of SIGTERM"
    [ "$status" -eq 0 ] || {
        show_stderr
        fail "the game started $how ended with status $status after SIGTERM"
    }
    if grep -q "ERROR" "$workdir/stderr"; then
        show_stderr
        fail "the game started $how reported an error"
    fi
    echo "the game started $how ran $((after - before)) loop sleeps in one second;" \
        "SIGTERM ended it with status 0"
}

mkdir "$workdir/cwd"
cd "$workdir/cwd" || fail "no working directory"
run_until_term "through usr/games/brickfall" "$link"

# The desktop entry's Exec line as a menu would run it, with the package's folders for the
# PATH that Debian gives a session (/usr/games is on it): field codes dropped, an absolute
# command taken inside the unpacked tree.
exec_line="$(sed -n 's/^Exec=//p' "$desktop")"
read -ra exec_words <<< "$(printf '%s\n' "$exec_line" | sed 's/%[fFuUdDnNickvm]//g')"
[ "${#exec_words[@]}" -ge 1 ] || fail "the desktop entry has no Exec command"
case "${exec_words[0]}" in
    /*) exec_command="$root${exec_words[0]}" ;;
    *) exec_command="$(PATH="$root/usr/games:$root/usr/bin" command -v "${exec_words[0]}")" ;;
esac
if [ -z "$exec_command" ] || [ ! -x "$exec_command" ]; then
    fail "the desktop entry's Exec command '${exec_words[0]}' is not in the package"
fi
run_until_term "through the desktop entry's Exec line ($exec_line)" \
    "$exec_command" "${exec_words[@]:1}"

# The same start without the sheet in lib/games/brickfall must fail, even with copies of it in
# the working directory and beside the link: the game looks nowhere but beside its real
# executable.
mv "$game_dir/Resources/IMG/Main.png" "$workdir/Main.png"
for decoy in "$workdir/cwd" "$root/usr/games"; do
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
echo "package $(basename "$deb"): lintian, layout, control fields, copyright, changelog," \
    "manual page, desktop and AppStream entries, icons and the game check out"
