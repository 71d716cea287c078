#!/usr/bin/env bash
# The binary check must refuse what the console cannot run: each sample (tests/console/rejects/,
# built by the console's tree) is linked the way the console binary is, with one fault, and
# check_binary.sh has to reject it for that fault.
#
# usage: check_binary_rejects.sh CHECK_BINARY_SCRIPT SAMPLES_DIRECTORY
set -euo pipefail

check=${1:?usage: check_binary_rejects.sh CHECK SAMPLES}
samples_dir=${2:?usage: check_binary_rejects.sh CHECK SAMPLES}

# name, expected complaint
samples=(
    "clean|^check_binary: .*ARMv4T instructions"
    "clz|beyond ARMv4T"
    "float|forbidden symbols: .*__aeabi_fmul"
    "libc|from outside the demo and its runtime: strlen"
    "constructor|section .init_array"
    "entry|entry point .* is not demo_main"
)
failed=0
for sample in "${samples[@]}"; do
    IFS='|' read -r name complaint <<<"$sample"
    [[ -f $samples_dir/$name.elf ]] || { echo "sample $samples_dir/$name.elf is not built" >&2; exit 1; }
    status=0
    output=$("$check" "$samples_dir/$name.elf" 2>&1) || status=$?
    expected_status=1
    [[ $name != clean ]] || expected_status=0
    if ((status != expected_status)) || ! grep -qE "$complaint" <<<"$output"; then
        echo "sample '$name': expected status $expected_status and '$complaint', got $status:" >&2
        echo "$output" >&2
        failed=1
    fi
done
((failed == 0)) && echo "check_binary: the clean sample passes; ${#samples[@]} samples judged right"
