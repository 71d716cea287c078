#!/usr/bin/env bash
# The portability check must refuse a core the players' systems could not load: each sample here
# is a library with the libretro entry points and one fault, built with the cores' own compilers,
# and check_portability.sh has to reject it for that fault (and pass the clean ones).
#
# usage: check_portability_rejects.sh CHECK_PORTABILITY_SCRIPT SCRATCH_DIRECTORY
set -euo pipefail

check=${1:?usage: check_portability_rejects.sh CHECK SCRATCH}
scratch=${2:?usage: check_portability_rejects.sh CHECK SCRATCH}
rm -rf "$scratch"
mkdir -p "$scratch"

entry_points="api_version cheat_reset cheat_set deinit get_memory_data get_memory_size
get_region get_system_av_info get_system_info init load_game load_game_special reset run
serialize serialize_size set_audio_sample set_audio_sample_batch set_controller_port_device
set_environment set_input_poll set_input_state set_video_refresh unload_game unserialize"
api='#ifdef _WIN32
#define API extern "C" __declspec(dllexport)
#else
#define API extern "C" __attribute__((visibility("default")))
#endif'
entry_points=$(for e in $entry_points; do echo "API void retro_$e() {}"; done)

arm64=aarch64-linux-gnu- windows=x86_64-w64-mingw32-
static="-static-libgcc -static-libstdc++"  # as the Windows core is linked
message_box='extern "C" __declspec(dllimport) int MessageBoxA(void*, const char*, const char*,
                                                          unsigned);'
clean='#include <string.h>
size_t f(const char* s) { return strlen(s); }'
# name | binutils prefix | expected complaint | source | extra compiler arguments
samples=(
    "clean|$arm64|exports the 25 entry points|$clean|"
    "clean-windows|$windows|exports the 25 entry points|$clean|$static"
    "new-libc|$arm64|needs GLIBC_2.36: arc4random|#include <stdlib.h>
unsigned f() { return arc4random(); }|"
    "new-c++-runtime|$arm64|needs GLIBCXX_3.4.29|namespace std {
void __throw_bad_array_new_length(); }
void f() { std::__throw_bad_array_new_length(); }|"
    "exception-pointer|$arm64|needs CXXABI_1.3.13|#include <exception>
bool f() { std::exception_ptr p = std::current_exception(); return !p; }|"
    "static-c++-runtime|$arm64|needs GLIBC_2.3[2-9]|#include <random>
unsigned f() { std::random_device r; return r(); }|-static-libstdc++"
    "other-library|$arm64|needs libresolv.so.2|$clean|-Wl,--no-as-needed -lresolv"
    "extra-export|$arm64|exports more than the entry points: helper|$clean
API void helper() {}|"
    "missing-entry|$arm64|lacks entry points: retro_run|$clean
#define retro_run retro_walk|"
    "c++-runtime-dll|$windows|imports libstdc\+\+-6.dll|#include <string>
int f(const char* s) { return (int)std::string(s).size(); }|"
    "other-dll|$windows|imports USER32.dll|$message_box
int f() { return MessageBoxA(0, \"\", \"\", 0); }|$static -luser32"
)
# Each sample built and judged in the background, two at a time; the verdicts read in order.
judge() {  # judge NAME PREFIX EXTRA SOURCE: writes NAME.status and NAME.out
    local compiler=${2}g++ output=$scratch/$1.so extra=$3 status=0
    if [[ $2 == "$windows" ]]; then
        compiler=${2}g++-win32 output=$scratch/$1.dll
    else
        extra="-fPIC -fvisibility=hidden $extra"
    fi
    # The source comes before the entry points, so a sample may rename one of them.
    printf '%s\n' "$api" "$4" "$entry_points" >"$scratch/$1.cpp"
    # shellcheck disable=SC2086
    "$compiler" -std=c++20 -O2 -shared -o "$output" "$scratch/$1.cpp" $extra \
        >"$scratch/$1.out" 2>&1 &&
        bash "$check" "$2" "$output" >"$scratch/$1.out" 2>&1 || status=$?
    echo "$status" >"$scratch/$1.status"
}
for sample in "${samples[@]}"; do
    IFS='|' read -r -d '' name tools complaint source extra <<<"$sample" || true
    judge "$name" "$tools" "${extra%$'\n'}" "$source" &
    (($(jobs -r | wc -l) < 2)) || wait -n || true
done
wait

failed=0
for sample in "${samples[@]}"; do
    IFS='|' read -r -d '' name tools complaint source extra <<<"$sample" || true
    status=$(cat "$scratch/$name.status")
    expected_status=1
    [[ $name != clean* ]] || expected_status=0
    if ((status != expected_status)) || ! grep -qE "$complaint" "$scratch/$name.out"; then
        echo "sample '$name': expected status $expected_status and '$complaint', got $status:" >&2
        cat "$scratch/$name.out" >&2
        failed=1
    fi
done
((failed == 0)) &&
    echo "check_portability: the clean samples pass; ${#samples[@]} samples judged right"
