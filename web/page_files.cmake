# page_files -- the page's own files, made once the game is linked and its icons cut: the page
# and its service worker, which name the build's version, the touch controls, which name the
# game's actions by their numbers in src/engine_input.hpp, and the zip of everything the page
# needs, to host anywhere.
#   cmake -DVERSION=<the game's version> -DSOURCE=<web/> -DFOLDER=<the web build> \
#         -P page_files.cmake
# The tests run it again on a copy of the build to make another version of the page.
foreach(variable VERSION SOURCE FOLDER)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "page_files.cmake needs -D${variable}=...")
    endif()
endforeach()

# The files the game runs, which the page asks for under its version; and the rest of the page.
set(run_files loader.js touch.js brickfall.js brickfall.wasm brickfall.data)
set(other_files index.html brickfall.webmanifest brickfall-180.png brickfall-192.png
    brickfall-512.png title.png)

configure_file(${SOURCE}/loader.js ${FOLDER}/loader.js COPYONLY)

# The touch controls send the game its actions by number, so they take the numbers from the
# enum the game is built with. Each @BRICKFALL_ACTION_<name>@ in touch.js needs a member
# `<name> = <number>,` of InputAction; anything else stops the build rather than leave a
# button without an action.
get_filename_component(input_header ${SOURCE}/../src/engine_input.hpp ABSOLUTE)
file(READ ${input_header} header)
if(NOT header MATCHES "enum class InputAction[^{]*{([^}]*)}")
    message(FATAL_ERROR "page_files.cmake: no enum class InputAction in ${input_header}")
endif()
string(REGEX REPLACE "//[^\n]*" "" members "${CMAKE_MATCH_1}")
string(REGEX REPLACE "[ \t\r\n]" "" members "${members}")
string(REPLACE "," ";" members "${members}")
set(action_names "")
foreach(member IN LISTS members)
    # The comma after the last member leaves an empty one.
    if(member STREQUAL "")
        continue()
    elseif(NOT member MATCHES "^([A-Za-z]+)=([0-9]+)$")
        message(FATAL_ERROR "page_files.cmake: InputAction's member \"${member}\" in "
                            "${input_header} is not of the form Name = number")
    endif()
    set(BRICKFALL_ACTION_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
    list(APPEND action_names ${CMAKE_MATCH_1})
endforeach()
file(READ ${SOURCE}/touch.js touch_source)
string(REGEX MATCHALL "@BRICKFALL_ACTION_[A-Za-z]*@" wanted "${touch_source}")
foreach(placeholder IN LISTS wanted)
    string(REGEX REPLACE "^@BRICKFALL_ACTION_(.*)@$" "\\1" name "${placeholder}")
    if(NOT DEFINED BRICKFALL_ACTION_${name})
        list(JOIN action_names ", " known)
        message(FATAL_ERROR "page_files.cmake: touch.js names the action \"${name}\", which "
                            "InputAction in ${input_header} does not have (it has ${known})")
    endif()
endforeach()
configure_file(${SOURCE}/touch.js ${FOLDER}/touch.js @ONLY)
configure_file(${SOURCE}/brickfall.webmanifest ${FOLDER}/brickfall.webmanifest COPYONLY)

# The page's version: the game's, and a digest of everything that makes the page, the sources
# of the page and of the worker included, so that a rebuild never shares a version's name, nor
# the worker's cache, with other files.
set(digests "")
foreach(file IN ITEMS ${SOURCE}/index.html ${SOURCE}/service-worker.js)
    file(SHA256 ${file} digest)
    string(APPEND digests "${digest}\n")
endforeach()
foreach(name IN LISTS run_files other_files)
    if(NOT name STREQUAL "index.html")
        file(SHA256 ${FOLDER}/${name} digest)
        string(APPEND digests "${digest}\n")
    endif()
endforeach()
string(SHA256 digest "${digests}")
string(SUBSTRING "${digest}" 0 12 digest)
set(BRICKFALL_PAGE_VERSION "${VERSION}-${digest}")

# The page shows the title's picture (title.png, the simulator's first pass) in its own bytes,
# before any file or script has come, at the size PNG's header gives; and its bar counts the
# bytes of the files the game runs.
file(READ ${FOLDER}/title.png picture HEX)
string(SUBSTRING "${picture}" 32 8 width)
string(SUBSTRING "${picture}" 40 8 height)
math(EXPR BRICKFALL_FIELD_WIDTH "0x${width}")
math(EXPR BRICKFALL_FIELD_HEIGHT "0x${height}")
set(kBase64 "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
string(LENGTH "${picture}" digits)
set(BRICKFALL_TITLE_PICTURE "")
foreach(at RANGE 0 ${digits} 6)
    string(SUBSTRING "${picture}" ${at} 6 group)
    string(LENGTH "${group}" groupDigits)
    if(groupDigits EQUAL 0)
        break()
    endif()
    # Three bytes make four characters; one or two bytes fewer, "=" for each lacking.
    string(APPEND group "0000")
    string(SUBSTRING "${group}" 0 6 group)
    math(EXPR bits "0x${group}")
    math(EXPR characters "${groupDigits} / 2 + 1")
    foreach(shift 18 12 6 0)
        if(characters GREATER 0)
            math(EXPR index "(${bits} >> ${shift}) & 63")
            string(SUBSTRING "${kBase64}" ${index} 1 character)
        else()
            set(character "=")
        endif()
        string(APPEND BRICKFALL_TITLE_PICTURE "${character}")
        math(EXPR characters "${characters} - 1")
    endforeach()
endforeach()
set(BRICKFALL_LOAD_BYTES 0)
foreach(name brickfall.js brickfall.wasm brickfall.data)
    file(SIZE ${FOLDER}/${name} size)
    math(EXPR BRICKFALL_LOAD_BYTES "${BRICKFALL_LOAD_BYTES} + ${size}")
endforeach()
configure_file(${SOURCE}/index.html ${FOLDER}/index.html @ONLY)

# What the worker checks each file against before it keeps any.
set(BRICKFALL_FILE_DIGESTS "")
foreach(name IN LISTS run_files other_files)
    file(SHA256 ${FOLDER}/${name} digest)
    string(APPEND BRICKFALL_FILE_DIGESTS "  \"${name}\": \"${digest}\",\n")
endforeach()
list(TRANSFORM run_files PREPEND "\"" OUTPUT_VARIABLE quoted)
list(TRANSFORM quoted APPEND "\"")
list(JOIN quoted ", " BRICKFALL_RUN_FILES)
configure_file(${SOURCE}/service-worker.js ${FOLDER}/service-worker.js @ONLY)

# Hosting sites expect index.html at the zip's root. Made anew each time: an archive is not
# updated in place, and a file left from an earlier build must not stay in it.
set(zip brickfall-${VERSION}-web.zip)
file(REMOVE ${FOLDER}/${zip})
execute_process(
    COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip --
            ${run_files} ${other_files} service-worker.js
    WORKING_DIRECTORY ${FOLDER}
    COMMAND_ERROR_IS_FATAL ANY)
