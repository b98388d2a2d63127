#!/usr/bin/env bash
# Runs a Windows test program under Wine for CTest. Now and then Wine exits at once with an error
# status, having run nothing and printed nothing (seen once on a fresh machine: 0.01 s, no
# output). A run that printed nothing to standard output and failed is started again, up to
# twice, and says so. The test programs print before they test anything, so a test that ran and
# failed is not run again; a program that fails silently every time still fails, a little later.
# Usage: wine_run.sh <wine> <program> [arguments...]
set -u
output="$(mktemp)"
trap 'rm -f "$output"' EXIT
for attempt in 1 2 3; do
    status=0
    "$@" > "$output" || status=$?
    if [ "$status" -eq 0 ] || [ -s "$output" ] || [ "$attempt" -eq 3 ]; then
        cat "$output"
        exit "$status"
    fi
    echo "-- Wine ran nothing (status $status, attempt $attempt of 3); starting it again" >&2
done
