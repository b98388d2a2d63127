# mingw-w64-x86_64 -- cross-compiles for 64-bit Windows with Debian's MinGW-w64 GCC.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH="$(tools/build/windows-deps.sh)"
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model: GCC's std::thread and std::mutex exist only there, not in the win32
# model (Debian: g++-mingw-w64-x86-64-posix).
set(BRICKFALL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BRICKFALL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRICKFALL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BRICKFALL_MINGW_TRIPLE}-windres)

# Libraries, headers and packages come from the MinGW sysroot and from the prefixes given, never
# from the host's /usr; the build's own tools are host programs. A prefix is a root of its own,
# so CMake searches it as it is rather than re-rooted under the sysroot.
set(CMAKE_FIND_ROOT_PATH /usr/${BRICKFALL_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
