#!/usr/bin/env bash
# Runs every fuzzer for a bounded time: run_fuzzers.sh FUZZER_DIR WORK_DIR SECONDS_EACH.
# Each starts from the checked-in corpus plus what earlier runs found (kept in WORK_DIR) and
# fails on the first fault; the input that caused it is left in WORK_DIR/<target>/artifacts.
set -uo pipefail
if (($# != 3)); then
    echo "usage: run_fuzzers.sh FUZZER_DIR WORK_DIR SECONDS_EACH" >&2
    exit 2
fi
# A fuzzer may change its working directory (the command line's works in a scratch folder of its
# own), so every path it is given is absolute.
mkdir -p "$2"
fuzzers=$(cd "$1" 2>/dev/null && pwd) || { echo "fuzz: $1 does not exist (make fuzz builds it)"; exit 1; }
work=$(cd "$2" && pwd)
seconds=$3
here="$(cd "$(dirname "$0")" && pwd)"
status=0
found_any=0
for binary in "$fuzzers"/fuzz_*; do
    [[ -x $binary ]] || continue
    found_any=1
    target=${binary##*/fuzz_}
    mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
    extra=()
    [[ -f $here/$target.dict ]] && extra+=(-dict="$here/$target.dict")
    seeds=()
    [[ -d $here/corpus/$target ]] && seeds+=("$here/corpus/$target")
    log="$work/$target/last.log"
    "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -print_final_stats=1 "${extra[@]}" -artifact_prefix="$work/$target/artifacts/" \
        "$work/$target/corpus" "${seeds[@]}" >"$log" 2>&1
    result=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    found=$(ls "$work/$target/corpus" | wc -l)
    if [[ $result -ne 0 ]]; then
        echo "fuzz_$target: FAULT after ${runs:-?} inputs (log: $log)"
        grep -m5 -E "fault:|ERROR|runtime error|Test unit written" "$log"
        status=1
    else
        echo "fuzz_$target: ${runs:-?} inputs in ${seconds}s, no fault; $found inputs kept"
    fi
done
if ((!found_any)); then
    echo "fuzz: no fuzzer in $fuzzers (make fuzz builds them)"
    exit 1
fi
exit $status
