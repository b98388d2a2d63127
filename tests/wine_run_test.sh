#!/usr/bin/env bash
# The Windows tests' runner starts a program again only when it failed without printing
# anything: each case is a fake program that behaves as told on each attempt, and the runner's
# status, output and number of attempts are checked.
# Usage: wine_run_test.sh <source dir>
set -u
runner="$1/tests/wine_run.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

# A fake program: attempt N does what the Nth word of $behaviour says: "silent:S" exits with
# status S printing nothing, "print:S" prints a line then exits with S.
cat > "$work/fake" <<'FAKE'
#!/usr/bin/env bash
count=$(( $(cat "$COUNTER" 2> /dev/null || echo 0) + 1 ))
echo "$count" > "$COUNTER"
read -r -a steps <<< "$BEHAVIOUR"
step="${steps[count - 1]}"
[ "${step%%:*}" = print ] && echo "attempt $count ran"
exit "${step##*:}"
FAKE
chmod +x "$work/fake"

# name | behaviour per attempt | status wanted | attempts wanted | output wanted
cases=(
    "PassingAtOnceRunsOnce|silent:0|0|1|"
    "PrintedAndFailedIsNeverRunAgain|print:1 print:0|1|1|attempt 1 ran"
    "SilentFailureThenAPassRunsTwice|silent:1 print:0|0|2|attempt 2 ran"
    "TwoSilentFailuresThenAFailureThatPrints|silent:1 silent:3 print:2|2|3|attempt 3 ran"
    "ThreeSilentFailuresGiveUpWithTheLastStatus|silent:1 silent:1 silent:5 print:0|5|3|"
)
for row in "${cases[@]}"; do
    IFS='|' read -r name behaviour want_status want_attempts want_output <<< "$row"
    export COUNTER="$work/$name.count" BEHAVIOUR="$behaviour"
    status=0
    output="$("$runner" "$work/fake" 2> /dev/null)" || status=$?
    attempts="$(cat "$COUNTER")"
    if [ "$status" != "$want_status" ] || [ "$attempts" != "$want_attempts" ] ||
        [ "$output" != "$want_output" ]; then
        echo "FAIL: $name: status $status, $attempts attempts, output '$output';" \
            "wanted $want_status, $want_attempts, '$want_output'" >&2
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] && echo "every case passed"
exit $((failures > 0))
