#!/usr/bin/env bash
# The binary check must refuse what the console cannot run: each sample here is linked the way
# the console binary is, with one fault, and check_binary.sh has to reject it for that fault.
#
# usage: check_binary_rejects.sh CHECK_BINARY_SCRIPT SCRATCH_DIRECTORY
set -euo pipefail

check=${1:?usage: check_binary_rejects.sh CHECK SCRATCH}
scratch=${2:?usage: check_binary_rejects.sh CHECK SCRATCH}
cxx=${CROSS_PREFIX:-arm-linux-gnueabi-}g++
command -v "$cxx" >/dev/null || { echo "$cxx not found (g++-arm-linux-gnueabi)" >&2; exit 1; }
rm -rf "$scratch"
mkdir -p "$scratch"
flags=(-std=c++20 -O2 -march=armv4t -marm -ffreestanding -fno-exceptions -fno-rtti -fno-pie
       -no-pie -nostdlib -static -Wl,-e,demo_main)

# name, expected complaint, source, extra link arguments
samples=(
    "clean|^check_binary: .*ARMv4T instructions|extern \"C\" void demo_main() { for (;;) {} }|"
    "clz|beyond ARMv4T|extern \"C\" int demo_main(int x) { asm(\".arch armv5te\n clz %0, %0\" : \"+r\"(x)); return x; }|"
    "float|forbidden symbols: .*__aeabi_fmul|extern \"C\" float demo_main(float a, float b) { return a * b; }|-lgcc"
    "libc|from outside the demo and its runtime: strlen|extern \"C\" unsigned long strlen(const char*); extern \"C\" unsigned long demo_main(const char* s) { return strlen(s); }|-lc"
    "constructor|section .init_array|int f(); int g = f(); extern \"C\" int demo_main() { return g; }|-Wl,--unresolved-symbols=ignore-all"
    "entry|entry point .* is not demo_main|extern \"C\" void demo_main() {} extern \"C\" void other() {}|-Wl,-e,other"
)
failed=0
for sample in "${samples[@]}"; do
    IFS='|' read -r name complaint source extra <<<"$sample"
    printf '%s\n' "$source" >"$scratch/$name.cpp"
    # shellcheck disable=SC2086
    "$cxx" "${flags[@]}" "$scratch/$name.cpp" -o "$scratch/$name.elf" $extra
    status=0
    output=$("$check" "$scratch/$name.elf" 2>&1) || status=$?
    expected_status=1
    [[ $name != clean ]] || expected_status=0
    if ((status != expected_status)) || ! grep -qE "$complaint" <<<"$output"; then
        echo "sample '$name': expected status $expected_status and '$complaint', got $status:" >&2
        echo "$output" >&2
        failed=1
    fi
done
((failed == 0)) && echo "check_binary: the clean sample passes; ${#samples[@]} samples judged right"
