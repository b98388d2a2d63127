#!/usr/bin/env bash
# Builds the browser libraries the game links, as static WebAssembly libraries made with Debian's
# Emscripten: SDL2 (without threads) and SDL2_mixer (sound effects from WAV only; the page plays
# the tune with the game's own module player, src/music_module.cpp, far smaller than libmodplug).
# All three come from Debian's own source packages, fetched by apt through a deb-src list kept
# in this script's cache (the system's sources are left alone), so apt checks their checksums;
# Emscripten's own ports, which download their sources, are not used. Everything is built for
# size, as the game is (cmake/emscripten.cmake): a page's first visit downloads it all.
# Everything lands in one prefix named after the versions and this recipe; a run that finds the
# prefix complete builds nothing. Progress goes to standard error, the prefix alone to standard
# output, for CMAKE_PREFIX_PATH:
#   cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake \
#         -DCMAKE_PREFIX_PATH="$(tools/build/web-deps.sh)"
# A program linking SDL2 also needs the link options in lib/cmake/SDL2/emscripten-link.rsp,
# given as "@${SDL2_DIR}/emscripten-link.rsp".
# The cache folder is $BRICKFALL_WEB_DEPS, by default ~/.cache/brickfall/web-deps.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
"$here/tools/build/install-deps.sh" build web >&2
# shellcheck source=tools/build/deps-support.sh
source "$here/tools/build/deps-support.sh"

# Emscripten's JavaScript optimiser loads acorn, which Debian installs for node in
# /usr/share/nodejs: a node not built by Debian does not search there unless told. Where node
# has fetch (18 and later), what Emscripten 3.1.6 builds loads its .wasm through it, which fails
# for a file, and configure runs the programs it builds.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
export NODE_OPTIONS="--no-experimental-fetch${NODE_OPTIONS:+ $NODE_OPTIONS}"

deps_open web-deps "${BRICKFALL_WEB_DEPS:-$HOME/.cache/brickfall/web-deps}" \
    "$here/cmake/emscripten.cmake"
deps_prefix "emscripten-$(dpkg-query -W -f='${Version}' emscripten)"
deps_fetch
# Static libraries alone, and no position-independent code: that is for Emscripten's dynamic
# linking, which the game does not use.
cmake_options+=(-DBUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=OFF)

# A browser gives no threads without cross-origin isolation, so SDL goes without them: its
# audio is fed from the page's audio callbacks, its timers run from the page's setTimeout. Its
# video, audio, gamepads and filesystem are Emscripten's; it draws with the GLES2 (WebGL)
# renderer or the software one; the simulator under node uses the dummy video and audio. HIDAPI
# talks to USB devices, which a page cannot reach; the game uses no haptics, sensors, power
# state, locales, URLs, disk audio or offscreen video, whose dummies stand in, and no YUV
# pixels or run-length-encoded surfaces (13 KB less of the page's download).
cmake_build sdl2 "$(source_dir libsdl2)" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_HIDAPI=OFF -DSDL_OPENGL=OFF -DSDL_OPENGLES=ON \
    -DSDL_RENDER=ON -DSDL_AUDIO=ON -DSDL_VIDEO=ON -DSDL_JOYSTICK=ON -DSDL_HAPTIC=OFF \
    -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_DISKAUDIO=OFF \
    -DSDL_OFFSCREEN=OFF "-DCMAKE_C_FLAGS=-DSDL_HAVE_YUV=0 -DSDL_HAVE_RLE=0"
# SDL's JavaScript calls two functions of Emscripten's runtime that a link includes only when
# asked, as Emscripten's own SDL2 port asks. A program linking SDL2 adds this file with
# "@<file>": written in a link option, the $ would be doubled by CMake.
# shellcheck disable=SC2016 # the $ names JavaScript functions, not shell variables
echo '-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=$autoResumeAudioContext,$dynCall' \
    > "$prefix/lib/cmake/SDL2/emscripten-link.rsp"

# Effects are loaded by SDL's own WAV reader, through Mix_LoadWAV; no music decoder at all.
cmake_build sdl2-mixer "$(source_dir libsdl2-mixer)" \
    -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF \
    -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MP3=OFF -DSDL2MIXER_MIDI=OFF \
    -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_VORBIS= -DSDL2MIXER_WAVE=OFF -DSDL2MIXER_MOD=OFF

deps_close
