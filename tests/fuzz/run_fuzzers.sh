#!/usr/bin/env bash
# Runs every fuzzer for a bounded time: run_fuzzers.sh FUZZER_DIR WORK_DIR SECONDS_EACH.
# Each starts from the checked-in corpus plus what earlier runs found (kept in WORK_DIR) and
# fails on the first fault; the input that caused it is left in WORK_DIR/<target>/artifacts.
set -uo pipefail
fuzzers=$1 work=$2 seconds=$3
here="$(cd "$(dirname "$0")" && pwd)"
status=0
for target in script command_line; do
    binary="$fuzzers/fuzz_$target"
    if [[ ! -x "$binary" ]]; then
        echo "fuzz: $binary is not built (make fuzz, or cmake --build build/host --target fuzzers)"
        exit 1
    fi
    mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
    log="$work/$target/last.log"
    "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -print_final_stats=1 -dict="$here/$target.dict" \
        -artifact_prefix="$work/$target/artifacts/" \
        "$work/$target/corpus" "$here/corpus/$target" >"$log" 2>&1
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
exit $status
