# Writes the Windows zip's LICENSE, with CRLF line ends: the game's licence, then each linked
# library's notice under its name. NOTICES is a list of NAME=FILE; a GCC runtime notice is the
# whole GCC copyright file, of which only the runtime exception applies to a program, so that
# part alone is kept.
cmake_minimum_required(VERSION 3.25)

set(exception_start "GCC RUNTIME LIBRARY EXCEPTION")
set(exception_end "requirements of the license of GCC.")

set(text "")
set(first TRUE)
foreach(notice IN LISTS NOTICES)
    string(REGEX MATCH "^[^=]*" name "${notice}")
    string(REGEX REPLACE "^[^=]*=" "" file "${notice}")
    file(READ "${file}" body)
    if(name MATCHES "^GCC runtime")
        string(FIND "${body}" "${exception_start}" begin)
        string(FIND "${body}" "${exception_end}" end)
        if(begin EQUAL -1 OR end LESS begin)
            message(FATAL_ERROR "${file} holds no GCC Runtime Library Exception")
        endif()
        string(LENGTH "${exception_end}" end_length)
        math(EXPR length "${end} + ${end_length} - ${begin}")
        string(SUBSTRING "${body}" ${begin} ${length} body)
        set(body "Copyright (C) Free Software Foundation, Inc.\n\nLicensed under the GNU General \
Public License, version 3 or later,\nwith version 3.1 of the GCC Runtime Library Exception, \
which lets the\ncompiled program be conveyed under terms of its own choice:\n\n${body}\n")
    endif()
    if(first)
        set(heading "${name}")
        set(first FALSE)
    else()
        string(APPEND text "\n\n")
        set(heading "${name} (linked into brickfall.exe)")
    endif()
    string(LENGTH "${heading}" width)
    string(REPEAT "=" ${width} rule)
    string(REGEX REPLACE "\n+$" "" body "${body}")
    string(APPEND text "${heading}\n${rule}\n\n${body}\n")
endforeach()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUTPUT}" "${text}")
