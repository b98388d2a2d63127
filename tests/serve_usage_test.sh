#!/usr/bin/env bash
# The page's server answers a bad command line with its usage on stderr and status 2: it
# neither dies with a stack trace nor starts serving. A server started by mistake is killed
# after ten seconds. Skipped (77) where node is not installed.
# Usage: serve_usage_test.sh <source dir>
set -u
serve="$1/web/serve.mjs"
if ! node="$(command -v node)"; then
    echo "SKIPPED: node is not installed"
    exit 77
fi
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
failures=0

# The arguments of each bad command line, one line each; FOLDER stands for a real folder.
while read -r -a arguments; do
    arguments=("${arguments[@]//FOLDER/$folder}")
    status=0
    error="$(timeout -s KILL 10 "$node" "$serve" "${arguments[@]}" 2>&1 > /dev/null)" ||
        status=$?
    if [ "$status" -ne 2 ] || [[ "$error" != "usage: node web/serve.mjs FOLDER [PORT]"* ]]; then
        echo "FAIL: serve.mjs ${arguments[*]}: status $status, stderr '$error'" >&2
        failures=$((failures + 1))
    fi
done <<'CASES'

FOLDER --port 8201
FOLDER 65536
FOLDER 80.5
FOLDER 8000 8001
FOLDER/missing
CASES
[ "$failures" -eq 0 ] && echo "every bad command line got the usage and status 2"
exit $((failures > 0))
