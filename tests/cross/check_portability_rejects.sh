#!/usr/bin/env bash
# The portability check must refuse a core the players' systems could not load: each sample
# (tests/cross/rejects/, built by the 64-bit ARM and Windows cores' trees with their compilers) is
# a library with the libretro entry points and one fault, and check_portability.sh has to reject
# it for that fault (and pass the clean ones).
#
# usage: check_portability_rejects.sh CHECK_PORTABILITY_SCRIPT ARM64_SAMPLES ARM64_PREFIX
#                                     WINDOWS_SAMPLES WINDOWS_PREFIX
# (each folder of samples with the prefix of the binary tools of the machine that built them)
set -euo pipefail

usage="usage: check_portability_rejects.sh CHECK ARM64_SAMPLES ARM64_PREFIX WINDOWS_SAMPLES"
usage+=" WINDOWS_PREFIX"
if (($# != 5)); then
    echo "$usage" >&2
    exit 2
fi
check=$1 arm64_samples=$2 arm64=$3 windows_samples=$4 windows=$5

# file | binutils prefix | expected complaint
samples=(
    "$arm64_samples/clean.so|$arm64|exports the 25 entry points"
    "$windows_samples/clean-windows.dll|$windows|exports the 25 entry points"
    "$arm64_samples/new-libc.so|$arm64|needs GLIBC_2.36: arc4random"
    "$arm64_samples/new-c++-runtime.so|$arm64|needs GLIBCXX_3.4.29"
    "$arm64_samples/exception-pointer.so|$arm64|needs CXXABI_1.3.13"
    "$arm64_samples/static-c++-runtime.so|$arm64|needs GLIBC_2.3[2-9]"
    "$arm64_samples/other-library.so|$arm64|needs libresolv.so.2"
    "$arm64_samples/extra-export.so|$arm64|exports more than the entry points: helper"
    "$arm64_samples/missing-entry.so|$arm64|lacks entry points: retro_run"
    "$windows_samples/c++-runtime-dll.dll|$windows|imports libstdc\+\+-6.dll"
    "$windows_samples/other-dll.dll|$windows|imports USER32.dll"
)
failed=0
for sample in "${samples[@]}"; do
    IFS='|' read -r file tools complaint <<<"$sample"
    name=${file##*/}
    [[ -f $file ]] || { echo "sample $file is not built" >&2; exit 1; }
    status=0
    output=$(bash "$check" "$tools" "$file" 2>&1) || status=$?
    expected_status=1
    [[ $name != clean* ]] || expected_status=0
    if ((status != expected_status)) || ! grep -qE "$complaint" <<<"$output"; then
        echo "sample '$name': expected status $expected_status and '$complaint', got $status:" >&2
        echo "$output" >&2
        failed=1
    fi
done
((failed == 0)) &&
    echo "check_portability: the clean samples pass; ${#samples[@]} samples judged right"
