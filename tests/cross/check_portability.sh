#!/usr/bin/env bash
# A libretro core asks nothing of the system that loads it beyond what the players' systems have:
# - Linux (ELF): no library but libc, libm, libstdc++, libgcc_s and the dynamic loader; no symbol
#   version newer than GLIBC_2.17, GLIBCXX_3.4.22 or CXXABI_1.3.10 (the C++ runtime of the same
#   age as GLIBCXX_3.4.22);
# - Windows (PE): no DLL but KERNEL32.dll and msvcrt.dll (the C++ runtime linked in);
# and it exports the libretro entry points, all of them and nothing else.
#
# usage: check_portability.sh BINUTILS_PREFIX CORE     e.g. aarch64-linux-gnu- build/.../x.so
set -euo pipefail

tools=${1?usage: check_portability.sh BINUTILS_PREFIX CORE}
core=${2:?usage: check_portability.sh BINUTILS_PREFIX CORE}
[[ -f $core ]] || { echo "check_portability: $core does not exist" >&2; exit 1; }
for tool in objdump readelf; do
    command -v "$tools$tool" >/dev/null || { echo "check_portability: no $tools$tool" >&2; exit 1; }
done

entry_points="api_version cheat_reset cheat_set deinit get_memory_data get_memory_size
get_region get_system_av_info get_system_info init load_game load_game_special reset run
serialize serialize_size set_audio_sample set_audio_sample_batch set_controller_port_device
set_environment set_input_poll set_input_state set_video_refresh unload_game unserialize"
expected_exports=$(for e in $entry_points; do echo "retro_$e"; done | sort)

problems=()
problem() { problems+=("$*"); }

if [[ $(head -c 4 "$core" | od -An -c | tr -d ' ') == 177ELF ]]; then
    kind=ELF
    libraries=$("${tools}readelf" -dW "$core" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    for library in $libraries; do
        case $library in
            libc.so.6 | libm.so.6 | libstdc++.so.6 | libgcc_s.so.1 | ld-linux*.so.*) ;;
            *) problem "needs $library" ;;
        esac
    done
    symbols=$("${tools}objdump" -Tw "$core")
    versions=$(grep -oE '\((GLIBC|GLIBCXX|CXXABI)_[0-9.]+\)' <<<"$symbols" | tr -d '()' | sort -uV ||
        true)
    grep -q '^GLIBC_' <<<"$versions" || problem "no GLIBC_ version found: not a dynamic C program?"
    for family in GLIBC_2.17 GLIBCXX_3.4.22 CXXABI_1.3.10; do
        # The family's versions that sort after its limit.
        above=$({ echo "$family"; grep "^${family%_*}_[0-9]" <<<"$versions" || true; } | sort -uV |
            sed -n "/^${family//./\\.}\$/,\$p" | tail -n +2)
        for version in $above; do
            problem "needs $version: $(grep -F "($version)" <<<"$symbols" | awk '{print $NF}' |
                head -n 3 | tr '\n' ' ')"
        done
    done
    # Defined dynamic symbols: a section (.text, .data, ...) in the fourth column.
    exports=$(awk '$4 ~ /^\./ && $4 != "*UND*" && $NF !~ /^\./ {print $NF}' <<<"$symbols" | sort -u)
    newest=$(awk -F_ 'NF { last[$1] = $0 } END { for (k in last) print last[k] }' <<<"$versions" |
        sort | tr '\n' ' ')
    summary="needs $(echo $libraries); newest versions ${newest% }"
else
    kind=PE
    headers=$("${tools}objdump" -p "$core")
    libraries=$(sed -n 's/^\tDLL Name: //p' <<<"$headers")
    [[ -n $libraries ]] || problem "imports nothing: not a Windows DLL?"
    for library in $libraries; do
        case ${library,,} in
            kernel32.dll | msvcrt.dll) ;;
            *) problem "imports $library" ;;
        esac
    done
    exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
        sed -n 's/^\t\[ *[0-9]*\] //p' | sort -u)
    summary="imports $(echo $libraries)"
fi

extra=$(comm -13 <(echo "$expected_exports") <(echo "$exports") | tr '\n' ' ')
missing=$(comm -23 <(echo "$expected_exports") <(echo "$exports") | tr '\n' ' ')
[[ -z ${extra// /} ]] || problem "exports more than the entry points: $(cut -d' ' -f1-5 <<<"$extra")..."
[[ -z ${missing// /} ]] || problem "lacks entry points: $missing"

if ((${#problems[@]})); then
    echo "check_portability: $core ($kind):" >&2
    printf '  %s\n' "${problems[@]}" >&2
    exit 1
fi
echo "check_portability: $core ($kind): $summary; exports the $(wc -l <<<"$exports") entry points"
