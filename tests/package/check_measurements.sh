#!/usr/bin/env bash
# The bench goes on when a measurement cannot run (tools/measurements.sh): a failing one stops at
# its first failing command, command substitutions included, and leaves exactly one line saying
# which and why in place of what it wrote on standard error; the ones after it still run; the
# status at the end is 1 and names them, or 0 with nothing said when all ran.
#   check_measurements.sh SOURCE_DIR WORK
set -euo pipefail
source_dir=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
failed=0

# run NAME SCRIPT EXPECTED_STATUS: SCRIPT after sourcing the library, in a bash of its own; its
# output is left in WORK/NAME.out and WORK/NAME.err.
run() {
    local status=0
    bash -c "source '$source_dir/tools/measurements.sh'; $2" >"$work/$1.out" 2>"$work/$1.err" ||
        status=$?
    if ((status != $3)); then
        echo "case $1: status $status, not $3" >&2
        failed=1
    fi
}
# expect NAME STREAM TEXT: the case's output on that stream is TEXT, line for line.
expect() {
    if [[ $(cat "$work/$1.$2") != "$3" ]]; then
        echo "case $1: its std$2 is not what was expected:" >&2
        diff <(echo "$3") "$work/$1.$2" >&2 || true
        failed=1
    fi
}

# Four measurements, two of which cannot run, and the last one after them.
run mixed '
    fine() { echo "fine: a figure"; echo "fine: a note" >&2; }
    stops() { echo "stops: before"; false; echo "stops: after"; }
    reasons() { echo "first try" >&2; echo "the real reason" >&2; echo >&2; return 3; }
    substituted() { local v; v=$(false; echo "not reached"); echo "substituted: $v"; }
    measure "the first" fine
    measure "the second" stops
    measure "the third" reasons
    measure "the fourth" substituted
    measure "the fifth" printf "%s\n" "fifth: ran"
    measured' 1
expect mixed out "fine: a figure
stops: before
fifth: ran"
expect mixed err "fine: a note
bench: the second could not run: it stopped with status 1
bench: the third could not run: the real reason
bench: the fourth could not run: it stopped with status 1
bench: 3 of 5 measurements could not run: the second, the third, the fourth"

# A program that is not there is a measurement that cannot run, and says so.
run missing 'measure "a program" no-such-program-here; measured' 1
grep -q "^bench: a program could not run: .*no-such-program-here: command not found$" \
    "$work/missing.err" || { echo "case missing: $(cat "$work/missing.err")" >&2; failed=1; }

# Under a caller that stops at its first failing command, a failure still lets the next run, and
# the caller's options are left as they were.
run errexit '
    set -e
    measure "one" false
    measure "two" echo "two: ran"
    [[ $- == *e* ]] || echo "errexit was turned off" >&2
    measured' 1
expect errexit out "two: ran"
expect errexit err "bench: one could not run: it stopped with status 1
bench: 1 of 2 measurements could not run: one"

# All of them ran: status 0 and nothing added.
run all_ran 'measure "one" echo "one: ran"; measure "two" echo "two: ran"; measured' 0
expect all_ran out "one: ran
two: ran"
expect all_ran err ""

((failed == 0)) || exit 1
rm -rf "$work"
echo "measurements: 4 runs of 10 measurements judged right"
