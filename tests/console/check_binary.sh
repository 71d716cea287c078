#!/usr/bin/env bash
# The console binary holds nothing its CPU or its runtime lacks: a static ARM executable entered
# at demo_main, ARMv4T instructions only (the ARM920T has no clz, blx, ldrd/strd, pld, saturating
# or halfword multiplies, ...), no undefined symbol, no floating-point or C-library routine and no
# constructor or unwind tables.
#
# usage: check_binary.sh BINARY
set -euo pipefail

binary=${1:?usage: check_binary.sh BINARY}
tools=${CROSS_PREFIX:-arm-linux-gnueabi-}
[[ -f $binary ]] || { echo "check_binary: $binary does not exist (make gp2x)" >&2; exit 1; }
for tool in objdump readelf nm; do
    command -v "$tools$tool" >/dev/null ||
        { echo "check_binary: $tools$tool not found (binutils-arm-linux-gnueabi)" >&2; exit 1; }
done

problems=()
problem() { problems+=("$*"); }

header=$("${tools}readelf" -h "$binary")
grep -q 'Machine: *ARM$' <<<"$header" || problem "not an ARM binary"
grep -q 'Type: *EXEC' <<<"$header" || problem "not a fixed-address executable"
if "${tools}readelf" -lW "$binary" | grep -qE '^ *(INTERP|DYNAMIC) '; then
    problem "dynamically linked"
fi
entry=$(sed -n 's/.*Entry point address: *0x0*//p' <<<"$header")
main=$("${tools}nm" "$binary" | sed -n 's/^0*\([0-9a-f]*\) T demo_main$/\1/p')
[[ -n $main && $entry == "$main" ]] || problem "entry point 0x$entry is not demo_main"

sections=$("${tools}readelf" -SW "$binary" | sed -n 's/^ *\[ *[0-9]*\] \([^ ]*\) .*/\1/p')
for section in $sections; do
    case $section in
        .init_array | .fini_array | .preinit_array | .ctors | .dtors | .init | .fini | .eh_frame* | \
            .ARM.exidx* | .ARM.extab* | .gcc_except_table | .tdata | .tbss | .dynamic | .interp)
            problem "section $section (constructors, unwinding, thread-local data or dynamic linking)" ;;
    esac
done

undefined=$("${tools}nm" -u "$binary" | awk '{print $NF}' | tr '\n' ' ')
[[ -z $undefined ]] || problem "undefined symbols: $undefined"
# Soft-float routines (__aeabi_f*, __aeabi_d*, __addsf3, __floatsidf, ...) and C-library,
# C++-runtime or unwinder symbols.
forbidden='^(__aeabi_[fd][a-z0-9]+|__aeabi_[lu]*[il]2[fd]|__[a-z]+[sdtx]f[23i]|__(fix|float)[a-z]*[sdtx]f[a-z]*'
forbidden+='|_start|_init|_fini|printf|puts|malloc|calloc|realloc|free|abort|exit|_exit|atexit'
forbidden+='|__libc_[a-z_]*|__cxa_[a-z_]*|__gxx_personality_v0|_Unwind_[A-Za-z_]*|__aeabi_unwind_cpp_pr[0-9]'
forbidden+='|__stack_chk_[a-z]*|__clz[sd]i2|__aeabi_atexit|__dso_handle)$'
symbols=$("${tools}nm" "$binary" | awk 'NF == 3 {print $3}' | grep -E "$forbidden" | tr '\n' ' ' || true)
[[ -z $symbols ]] || problem "forbidden symbols: $symbols"
# Every function is the demo's (C++ names) or the console runtime's; a C library's or libgcc's
# would come with C names.
runtime='^(_Z.*|demo_main|memcpy|memset|__aeabi_(u?idiv|u?idivmod|u?ldivmod|idiv0|ldiv0)|pb_u?ldivmod)$'
foreign=$("${tools}readelf" -sW "$binary" | awk '$4 == "FUNC" {print $8}' | grep -Ev "$runtime" |
    sort -u | tr '\n' ' ' || true)
[[ -z $foreign ]] || problem "functions from outside the demo and its runtime: $foreign"

# Every instruction must be one of ARMv4T's, in ARM state, with or without a condition and S.
cond='(eq|ne|cs|hs|cc|lo|mi|pl|vs|vc|hi|ls|ge|lt|gt|le|al)?'
allowed="^((and|eor|sub|rsb|add|adc|sbc|rsc|orr|bic|mov|mvn|lsl|lsr|asr|ror|rrx|mul|mla"
allowed+="|umull|umlal|smull|smlal)s?$cond|(tst|teq|cmp|cmn|b|bl|bx|swp|swpb|mrs|msr|svc|nop)$cond"
allowed+="|(ldr|str)(b|h|sb|sh|t|bt)?$cond|(ldm|stm)(ia|ib|da|db|fd|fa|ed|ea)?$cond|(push|pop)$cond"
allowed+="|\\.word|\\.short|\\.byte)"
listing=$("${tools}objdump" -d --no-show-raw-insn "$binary")
if grep -q '^Disassembly of section' <<<"$listing" && ! grep -q '>:$' <<<"$listing"; then
    problem "nothing disassembled"
fi
strange=$(awk -F'\t' '$1 ~ /^ *[0-9a-f]+:$/ && NF >= 2 {print $2 "\t" $1 " " $2 " " $3}' <<<"$listing" |
    grep -Ev "$allowed"$'\t' | head -n 10 || true)
[[ -z $strange ]] || problem "instructions beyond ARMv4T:"$'\n'"$(cut -f2 <<<"$strange")"
# Thumb code would be marked by $t mapping symbols.
if "${tools}nm" --special-syms "$binary" | grep -qE ' \$t(\.|$)'; then
    problem "Thumb code"
fi

if ((${#problems[@]})); then
    echo "check_binary: $binary:" >&2
    printf '  %s\n' "${problems[@]}" >&2
    exit 1
fi
count=$(grep -cE '^ *[0-9a-f]+:'$'\t' <<<"$listing")
echo "check_binary: $binary: $count ARMv4T instructions and words, static, entered at demo_main"
