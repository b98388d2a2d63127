#!/usr/bin/env bash
# Builds the browser libraries the game links, as static WebAssembly libraries made with Debian's
# Emscripten: SDL2 (without threads) and SDL2_mixer (WAV and MOD only) with libmodplug for MOD.
# All three come from Debian's own source packages, fetched by apt through a deb-src list kept
# in this script's cache (the system's sources are left alone), so apt checks their checksums;
# Emscripten's own ports, which download their sources, are not used.
# Everything lands in one prefix named after the versions and this recipe; a run that finds the
# prefix complete builds nothing. Progress goes to standard error, the prefix alone to standard
# output, for CMAKE_PREFIX_PATH:
#   cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake \
#         -DCMAKE_PREFIX_PATH="$(tools/web-deps.sh)"
# A program linking SDL2 also needs the link options in lib/cmake/SDL2/emscripten-link.rsp,
# given as "@${SDL2_DIR}/emscripten-link.rsp".
# The cache folder is $BRICKFALL_WEB_DEPS, by default ~/.cache/brickfall/web-deps.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
toolchain="$here/cmake/emscripten.cmake"
"$here/tools/install-deps.sh" build web >&2

say() { echo "web-deps: $*" >&2; }
# The status when the Debian sources cannot be had (no archive in apt's lists, no network):
# the caller may skip the browser build then, but not when a build fails.
cannot_fetch=75
cache="${BRICKFALL_WEB_DEPS:-$HOME/.cache/brickfall/web-deps}"
apt_dir="$cache/apt"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
# One run at a time per cache: builds from two work trees would share the folders below.
exec 9> "$cache/lock"
flock 9

# Emscripten's JavaScript optimiser loads acorn, which Debian installs for node in
# /usr/share/nodejs: a node not built by Debian does not search there unless told. Where node
# has fetch (18 and later), what Emscripten 3.1.6 builds loads its .wasm through it, which fails
# for a file, and configure runs the programs it builds.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
export NODE_OPTIONS="--no-experimental-fetch${NODE_OPTIONS:+ $NODE_OPTIONS}"

# The deb-src list names the same Debian archives as the system's own list, since those are the
# mirrors this machine reaches; they are signed with Debian's archive keys.
apt_get_targets() {
    # shellcheck disable=SC2016 # the $(...) are apt's fields, not the shell's
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' \
        'Identifier: Packages' 'Origin: Debian' | sort -u
}
targets="$(apt_get_targets)"
if [ -z "$targets" ]; then
    say "no Debian archive in apt's lists: run apt-get update first"
    exit $cannot_fetch
fi
while read -r uri release component; do
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $release $component"
done <<< "$targets" > "$apt_dir/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
    -o "APT::Sandbox::User=$(id -un)")
# Without the network the lists of an earlier run still name the versions that were built.
# apt-get update fails when an archive cannot be reached, not only on its own errors.
if ! apt-get "${apt_options[@]}" update -qq --error-on=any > "$apt_dir/update.log" 2>&1; then
    if ! compgen -G "$apt_dir/lists/*Sources*" > /dev/null; then
        cat "$apt_dir/update.log" >&2
        exit $cannot_fetch
    fi
    say "could not refresh the deb-src lists; using those of the last run"
fi

# The newest version of a source package that the lists offer.
source_version() {
    local best="" version
    for version in $(apt-cache "${apt_options[@]}" showsrc --only-source "$1" |
        sed -n 's/^Version: //p'); do
        if [ -z "$best" ] || dpkg --compare-versions "$version" gt "$best"; then
            best="$version"
        fi
    done
    if [ -z "$best" ]; then
        say "no source package $1 in the deb-src lists"
        exit $cannot_fetch
    fi
    echo "$best"
}
sdl2_version="$(source_version libsdl2)"
mixer_version="$(source_version libsdl2-mixer)"
modplug_version="$(source_version libmodplug)"
emscripten_version="$(dpkg-query -W -f='${Version}' emscripten)"
# A change to this script or to the toolchain file is a change of recipe.
recipe="$(cat "$0" "$toolchain" | sha256sum | cut -c1-12)"
key="sdl2-${sdl2_version#*:}_mixer-${mixer_version#*:}_modplug-${modplug_version#*:}"
key+="_emscripten-${emscripten_version#*:}_${recipe}"
key="${key//[^A-Za-z0-9._+-]/-}"
prefix="$cache/$key"

if [ -f "$prefix/.complete" ]; then
    say "up to date in $prefix"
    echo "$prefix"
    exit 0
fi

started=$SECONDS
rm -rf "$prefix"
work="$cache/work"
rm -rf "$work"
mkdir -p "$work"
log="$work/build.log"
# Runs a step with its output in the log, which is shown only when the step fails.
step() {
    if ! "$@" >> "$log" 2>&1; then
        tail -n 60 "$log" >&2
        say "failed: $*; the whole log is $log"
        exit 1
    fi
}
# Static libraries alone, and no position-independent code: that is for Emscripten's dynamic
# linking, which the game does not use.
cmake_options=(-G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$toolchain"
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix"
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=OFF)
cmake_build() {
    local name="$1" source="$2" begun=$SECONDS
    shift 2
    step cmake -S "$source" -B "$work/build-$name" "${cmake_options[@]}" "$@"
    step cmake --build "$work/build-$name" -j2
    step cmake --install "$work/build-$name"
    say "built $name in $((SECONDS - begun)) s"
}

say "fetching the Debian sources of libsdl2 $sdl2_version, libsdl2-mixer $mixer_version" \
    "and libmodplug $modplug_version"
if ! (cd "$work" && apt-get "${apt_options[@]}" source "libsdl2=$sdl2_version" \
    "libsdl2-mixer=$mixer_version" "libmodplug=$modplug_version" >> "$log" 2>&1); then
    tail -n 20 "$log" >&2
    say "could not fetch the sources"
    exit $cannot_fetch
fi
source_dir() { find "$work" -mindepth 1 -maxdepth 1 -type d -name "$1-[0-9]*"; }

# A browser gives no threads without cross-origin isolation, so SDL goes without them: its
# audio is fed from the page's audio callbacks, its timers run from the page's setTimeout. Its
# video, audio, gamepads and filesystem are Emscripten's; it draws with the GLES2 (WebGL)
# renderer or the software one. HIDAPI talks to USB devices, which a page cannot reach.
cmake_build sdl2 "$(source_dir libsdl2)" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_HIDAPI=OFF -DSDL_OPENGL=OFF -DSDL_OPENGLES=ON \
    -DSDL_RENDER=ON -DSDL_AUDIO=ON -DSDL_VIDEO=ON -DSDL_JOYSTICK=ON
# SDL's JavaScript calls two functions of Emscripten's runtime that a link includes only when
# asked, as Emscripten's own SDL2 port asks. A program linking SDL2 adds this file with
# "@<file>": written in a link option, the $ would be doubled by CMake.
# shellcheck disable=SC2016 # the $ names JavaScript functions, not shell variables
echo '-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=$autoResumeAudioContext,$dynCall' \
    > "$prefix/lib/cmake/SDL2/emscripten-link.rsp"

# libmodplug's config.sub predates Emscripten, so configure runs as for the host under
# emconfigure, which points it at emcc and has the programs it builds run under node.
# Optimised as the others, without the debugging information of autoconf's default flags.
begun=$SECONDS
mkdir -p "$work/build-modplug"
(cd "$work/build-modplug" &&
    step emconfigure "$(source_dir libmodplug)/configure" --prefix="$prefix" \
        --disable-shared --enable-static CFLAGS=-O2 CXXFLAGS=-O2 &&
    step make -j2 && step make install)
say "built libmodplug in $((SECONDS - begun)) s"

# Only the two formats the game plays.
cmake_build sdl2-mixer "$(source_dir libsdl2-mixer)" \
    -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF \
    -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MP3=OFF -DSDL2MIXER_MIDI=OFF \
    -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_VORBIS= -DSDL2MIXER_WAVE=ON -DSDL2MIXER_MOD=ON \
    -DSDL2MIXER_MOD_MODPLUG=ON -DSDL2MIXER_MOD_XMP=OFF

# The notices of what the game links travel with it; SDL2 and SDL2_mixer install their own.
mkdir -p "$prefix/share/licenses/libmodplug"
cp "$(source_dir libmodplug)/COPYING" "$prefix/share/licenses/libmodplug/"

rm -rf "$work"
touch "$prefix/.complete"
say "built in $((SECONDS - started)) s into $prefix"
# Builds for other versions or recipes are of no more use.
for old in "$cache"/sdl2-*; do
    if [ "$old" != "$prefix" ] && [ -f "$old/.complete" ]; then
        rm -rf "$old"
    fi
done
echo "$prefix"
