#!/usr/bin/env bash
# Builds the Windows libraries the cross-built game links, as static libraries: SDL2 with
# SDL2main, SDL2_mixer (WAV and MOD only) with libmodplug for MOD, and GoogleTest. The first
# three come from Debian's own source packages, fetched by apt through a deb-src list kept in
# this script's cache (the system's sources are left alone), so apt checks their checksums;
# GoogleTest comes from the sources Debian's googletest package installs.
# Everything lands in one prefix named after the versions and this recipe; a run that finds the
# prefix complete builds nothing. Progress goes to standard error, the prefix alone to standard
# output, for CMAKE_PREFIX_PATH:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH="$(tools/build/windows-deps.sh)"
# The cache folder is $BRICKFALL_WINDOWS_DEPS, by default ~/.cache/brickfall/windows-deps.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
"$here/tools/build/install-deps.sh" build windows >&2
# shellcheck source=tools/build/deps-support.sh
source "$here/tools/build/deps-support.sh"

deps_open windows-deps "${BRICKFALL_WINDOWS_DEPS:-$HOME/.cache/brickfall/windows-deps}" \
    "$here/cmake/mingw-w64-x86_64.cmake"
deps_prefix "gtest-$(dpkg-query -W -f='${Version}' googletest)" \
    "mingw-$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)"
deps_fetch
triple=x86_64-w64-mingw32

cmake_build sdl2 "$(source_dir libsdl2)" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF

modplug_build env --host=$triple CC=$triple-gcc-posix CXX=$triple-g++-posix

# Only the two formats the game plays; modplug.h declares its functions for a DLL unless told
# that the library is static.
cmake_build sdl2-mixer "$(source_dir libsdl2-mixer)" -DBUILD_SHARED_LIBS=OFF \
    -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF \
    -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MP3=OFF -DSDL2MIXER_MIDI=OFF \
    -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_VORBIS= -DSDL2MIXER_WAVE=ON -DSDL2MIXER_MOD=ON \
    -DSDL2MIXER_MOD_MODPLUG=ON -DSDL2MIXER_MOD_XMP=OFF -Dmodplug_COMPILE_OPTIONS=-DMODPLUG_STATIC

cmake_build googletest /usr/src/googletest -DBUILD_GMOCK=OFF

deps_close
