#!/usr/bin/env bash
# Checks the manual page and the AppStream entry as their own tools read them: the page
# renders without a warning, has its sections, every option and every key the game's bindings
# name, as its --help lists them, which README's Controls table and the web page's line of keys
# name too; README's table also names every on-screen button of the page in its Touch column.
# The entry validates, pedantic remarks included, and names this version.
# Usage: docs_test.sh man|metainfo <source dir> <build dir> <version> <game>
set -u
what="$1"
source="$2"
build="$3"
version="$4"
game="$5"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Exit status 77 tells CTest the test was skipped; the test command installs both tools.
need() {
    command -v "$1" > /dev/null || {
        echo "skipped: $1 is not installed (./test.sh installs it)"
        exit 77
    }
}

check_man() {
    need man
    need lexgrog
    local page="$build/packaging/brickfall.6"
    [ -f "$page" ] || fail "no configured manual page at $page"
    # groff's warnings go to standard error; the page itself is thrown away.
    local warnings
    warnings="$(MANWIDTH=80 man --warnings -l "$page" 2>&1 > /dev/null)"
    [ -z "$warnings" ] || fail "man --warnings:
$warnings"
    local whatis
    whatis="$(lexgrog "$page")" || fail "lexgrog cannot read the NAME section: $whatis"
    [ "$whatis" = "$page: \"brickfall - small brick-breaking arcade game\"" ] ||
        fail "lexgrog reads: $whatis"
    grep -qx "\.TH BRICKFALL 6 [0-9-]* \"brickfall $version\" \"Games\"" "$page" ||
        fail "the title line does not name section 6 and version $version: $(grep '^\.TH' "$page")"

    local section
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS KEYS "GAME CONTROLLERS" FILES \
        "EXIT STATUS" EXAMPLES; do
        grep -qx "\.SH $section" "$page" || fail "the manual page has no $section section"
    done
    # The lines of one section, from its heading to the next.
    section_of() {
        awk -v name="$1" '/^\.SH / { p = ($0 == ".SH " name); next } p' "$page"
    }
    local option
    for option in help version record demo trace; do
        section_of OPTIONS | grep -Eq "^\.BI? \\\\-\\\\-$option( |$)" ||
            fail "OPTIONS does not describe --$option"
    done
    # Each key the game's help names from its bindings table, such as "Left, Right", is named
    # in KEYS and in README's Controls table.
    local keys key controls
    keys="$("$game" --help | awk '/^Keys:/ { p = 1; next } p && !/^  / { p = 0 }
        p && /^  [^ ]/ { sub(/^  /, ""); sub(/  .*/, ""); print }' | tr ',' '\n' |
        sed 's/^ *//; s/ *$//' | grep -v '^$')"
    [ -n "$keys" ] || fail "no keys found in the game's --help"
    # One column of README's Controls table, found by its header's name: a cell a line.
    controls_column() {
        awk -v name="$1" '/^## Controls/ { p = 1; next } /^## / { p = 0 }
            !p || !/^\|/ || /^\|-/ { next }
            { n = split($0, cell, "|") }
            !header {
                header = 1
                for (i = 2; i < n; ++i) {
                    c = cell[i]
                    gsub(/^ +| +$/, "", c)
                    if (c == name) column = i
                }
                next
            }
            column { print cell[column] }' "$source/README.md"
    }
    controls="$(controls_column Key)"
    [ -n "$controls" ] || fail "README has no Controls table with a Key column"
    local page_keys
    page_keys="$(sed -n '/<p id="keys">/,/<\/p>/p' "$source/web/index.html")"
    [ -n "$page_keys" ] || fail "the web page has no line naming the keys"
    while IFS= read -r key; do
        section_of KEYS | grep -Eq "^\.BR? (.* )?\"?$key\"?( |,|$)" ||
            fail "KEYS does not name the key '$key' of the game's bindings"
        grep -Eq "(^| )$key( |$)" <<< "$controls" ||
            fail "README's Controls table does not name the key '$key' of the game's bindings"
        grep -Eq "(>| )$key( |,|$)" <<< "$page_keys" ||
            fail "the web page's line of keys does not name the key '$key' of the game's bindings"
    done <<< "$keys"
    # Each on-screen button of the page, by the name it gives the action it holds.
    local touch buttons button
    touch="$(controls_column Touch)"
    [ -n "$touch" ] || fail "README's Controls table has no Touch column"
    buttons="$(grep -o '<button data-action="[A-Za-z]*"' "$source/web/index.html" | cut -d'"' -f2)"
    [ -n "$buttons" ] || fail "the web page has no on-screen buttons"
    while IFS= read -r button; do
        grep -Eq "(^| )$button( |,|;|$)" <<< "$touch" ||
            fail "README's Controls table does not name the page's button '$button' under Touch"
    done <<< "$buttons"
    for status in 0 1 2; do
        section_of "EXIT STATUS" | grep -A1 -x '\.TP' | grep -qx "\.B $status" ||
            fail "EXIT STATUS does not describe status $status"
    done
    echo "manual page: no warning, whatis line, sections, options, $(wc -l <<< "$keys") keys" \
        "and exit statuses check out; README names $(wc -l <<< "$buttons") on-screen buttons"
}

check_metainfo() {
    need appstreamcli
    local entry="$source/packaging/io.github.brickfall.brickfall.metainfo.xml"
    local report
    report="$(appstreamcli validate --no-net --pedantic "$entry" 2>&1)" ||
        fail "appstreamcli validate failed:
$report"
    # A passing validation still lists infos and pedantic remarks; none is kept.
    if grep -E '^[EWIP]: ' <<< "$report"; then
        fail "appstreamcli has remarks on the entry"
    fi
    local newest
    newest="$(grep -o '<release version="[^"]*"' "$entry" | head -n1 | cut -d'"' -f2)"
    [ "$newest" = "$version" ] ||
        fail "the entry's newest release is '$newest', the project's version $version"
    grep -q '<launchable type="desktop-id">brickfall.desktop</launchable>' "$entry" ||
        fail "the entry does not launch brickfall.desktop"
    [ -f "$source/packaging/brickfall.desktop" ] || fail "packaging/brickfall.desktop is missing"
    grep -q '<image type="source"[^>]*>https://[^<]*/docs/stage\.png</image>' "$entry" ||
        fail "the entry's screenshot is not the stage picture"
    echo "AppStream entry: validates without remarks, release $newest, launches brickfall.desktop"
}

case "$what" in
    man) check_man ;;
    metainfo) check_metainfo ;;
    *) fail "unknown check: $what" ;;
esac
