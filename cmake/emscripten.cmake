# emscripten -- cross-compiles for the browser (WebAssembly) with Debian's Emscripten, wrapping
# the toolchain file that Emscripten ships, so that neither emcmake nor its environment is needed.
#
#   cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake \
#         -DCMAKE_PREFIX_PATH="$(tools/build/web-deps.sh)"

# Emscripten's tools and the programs it builds run under node, found here as a host program.
find_program(BRICKFALL_NODE NAMES node nodejs REQUIRED)
# Where node has fetch (18 and later), Emscripten 3.1.6's output loads its .wasm through it as a
# browser would, which fails for a file; without fetch it reads the file. (emcmake would add
# --experimental-wasm-threads, which node 20 rejects.) Set before the toolchain below, which
# keeps an emulator already set.
set(CMAKE_CROSSCOMPILING_EMULATOR "${BRICKFALL_NODE};--no-experimental-fetch")

# A page's first visit downloads everything it runs, so the game and its libraries
# (tools/build/web-deps.sh builds them with this file) are optimised for size, across modules
# at link time. A cache entry set here comes before the defaults of CMake's compiler modules.
foreach(lang C CXX)
    set(CMAKE_${lang}_FLAGS_RELEASE "-Oz -flto -DNDEBUG" CACHE STRING "Flags of a release build")
endforeach()

# Where Emscripten lives, as its own configuration says (Debian: /usr/share/emscripten).
find_program(BRICKFALL_EM_CONFIG em-config REQUIRED)
execute_process(COMMAND "${BRICKFALL_EM_CONFIG}" EMSCRIPTEN_ROOT
    OUTPUT_VARIABLE BRICKFALL_EMSCRIPTEN_ROOT OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
include("${BRICKFALL_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake")

# Emscripten's JavaScript optimiser, which runs when linking with optimisation, loads acorn;
# Debian installs it for node in /usr/share/nodejs, which a node not built by Debian does not
# search. The link runs with that folder added to node's, whatever the calling shell has.
# This file is read more than once in one run, after setting NODE_PATH below: no folder twice.
set(BRICKFALL_NODE_PATH /usr/share/nodejs)
if(DEFINED ENV{NODE_PATH})
    string(REPLACE ":" ";" BRICKFALL_ENV_NODE_PATH "$ENV{NODE_PATH}")
    list(APPEND BRICKFALL_NODE_PATH ${BRICKFALL_ENV_NODE_PATH})
    list(REMOVE_DUPLICATES BRICKFALL_NODE_PATH)
endif()
list(JOIN BRICKFALL_NODE_PATH ":" BRICKFALL_NODE_PATH)
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env "NODE_PATH=${BRICKFALL_NODE_PATH}")
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_C_LINKER_LAUNCHER})
# The same for the links that CMake's checks make while configuring.
set(ENV{NODE_PATH} "${BRICKFALL_NODE_PATH}")

# Libraries, headers and packages come from the prefixes given and from Emscripten's sysroot
# (added by its toolchain), never from the host's /usr; a prefix is a root of its own, so CMake
# searches it as it is rather than re-rooted under the sysroot. CMake tries the roots in turn,
# so the prefixes come first. The sysroot's SDL2 package stands for Emscripten's own SDL2 port,
# which would be downloaded: it is never taken, so a missing prefix fails where it is sought.
list(PREPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
list(APPEND CMAKE_SYSTEM_IGNORE_PATH "${EMSCRIPTEN_SYSROOT}/lib/cmake/SDL2")
# A header-only library is the same for every target: a lookup that allows the host's folders
# (CMAKE_FIND_ROOT_PATH_BOTH) finds it in /usr/include, which Emscripten's toolchain alone
# would not search.
list(APPEND CMAKE_SYSTEM_INCLUDE_PATH /usr/include)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
