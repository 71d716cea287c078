#!/usr/bin/env bash
# One emulated console case: the console binary under the user-mode emulator, in a root of our
# own where /dev/mem is a sparse regular file and /usr/gp2x/gp2xmenu a host program of ours, with
# the board plugin playing the console; then everything compared with the desktop's run.
#
# usage: run_case.sh --gpe F --board F --menu F --dump F --seed S --frames N [--script F]
#                    --work DIR [--frames-out F] [--steps F] [--no-menu]
# --no-menu leaves the menu out of the root: the hand-over fails and the program must exit(1).
# --steps gives the board the functions that begin each step of the program, for its counts.
set -euo pipefail

die() { echo "console case: $*" >&2; exit 1; }

script=- frames_out= steps= no_menu=0
while (($#)); do
    case $1 in
        --no-menu) no_menu=1; shift; continue ;;
        --gpe) gpe=$2 ;; --board) board=$2 ;; --menu) menu=$2 ;; --dump) dump=$2 ;;
        --seed) seed=$2 ;; --frames) frames=$2 ;; --script) script=$2 ;; --work) work=$2 ;;
        --frames-out) frames_out=$2 ;; --steps) steps=$2 ;;
        *) die "unknown argument $1" ;;
    esac
    shift 2
done
((no_menu)) && menu=none
for v in gpe board menu dump seed frames work; do
    [[ -n ${!v:-} ]] || die "--$v is required"
done
[[ -f $gpe ]] || die "$gpe does not exist: build the console binary first (make gp2x)"
qemu=$(command -v qemu-arm) || die "qemu-arm not found (Debian package qemu-user)"
ldd "$qemu" >/dev/null 2>&1 || die "$qemu is not dynamically linked: it could not load the board"

# A handler of ARM binaries would let the program run on this machine outside any harness.
for handler in /proc/sys/fs/binfmt_misc/*arm*; do
    if [[ -f $handler ]] && grep -q '^enabled' "$handler"; then
        echo "console case: warning: $handler runs ARM binaries on this host; remove it" >&2
    fi
done

mem_bytes=$((0xC0010000))
work=$(realpath -m "$work")
[[ $work == /*/*/* ]] || die "--work $work: give a directory of its own, in a build tree"
root=$work/root
rm -rf "$work"
mkdir -p "$work/desktop" "$root/dev" "$root/usr/gp2x" "$root/board"

# The desktop's run: what the console must hold at its hand-over, and the pins per pulse.
"$dump" "$seed" "$frames" "$script" "$work/desktop"
expected_pulses=$(sed -n 's/^pulses=//p' "$work/desktop/expected.txt")
expected_scan=$(sed -n 's/^scan_address=//p' "$work/desktop/expected.txt")

# The root: the emulator with its libraries, the board, the program, the menu, the device file.
copy_in() { mkdir -p "$root$(dirname "$1")" && cp -L "$1" "$root$1"; }
for library in $(for f in "$qemu" "$board"; do ldd "$f"; done |
    awk '$2 == "=>" && $3 ~ /^\// {print $3} $1 ~ /^\// {print $1}' | sort -u); do
    [[ -e $root$library ]] || copy_in "$library"
done
cp "$qemu" "$root/qemu-arm"
cp "$board" "$root/board/board.so"
cp "$work/desktop/pins.bin" "$root/board/pins.bin"
[[ -z $steps ]] || cp "$steps" "$root/board/steps.txt"
cp "$gpe" "$root/plasmaballs.gpe"
((no_menu)) || cp "$menu" "$root/usr/gp2x/gp2xmenu"
truncate -s "$mem_bytes" "$root/dev/mem"

# What the program will open as /dev/mem must be our regular file; the board checks it again from
# inside the root, by device and inode, before the program starts.
[[ -d $root && ! -L $root && -d $root/dev && ! -L $root/dev ]] || die "$root/dev is not ours"
[[ -f $root/dev/mem && ! -L $root/dev/mem ]] || die "$root/dev/mem is not a regular file"
(($(stat -c %s "$root/dev/mem") == mem_bytes)) || die "$root/dev/mem has the wrong size"
inode=$(stat -c %i "$root/dev/mem")
device=$(stat -c %d "$root/dev/mem")

plugin="/board/board.so,mem=/dev/mem,inode=$inode,device=$device,pins=/board/pins.bin"
plugin+=",seed=$seed,report=/board/report.txt,palette=/board/palette.bin"
[[ -z $frames_out ]] || plugin+=",frames=/board/frames.txt"
[[ -z $steps ]] || plugin+=",steps=/board/steps.txt"
# The emulator starts with an empty environment (no QEMU_* settings from outside reach it).
chroot=$(PATH=$PATH:/usr/sbin:/sbin command -v chroot) || die "chroot not found"
enter=("$chroot" "$root")
((EUID == 0)) || enter=("$(command -v unshare)" --map-root-user "$chroot" "$root")
status=0
env -i "$(command -v timeout)" 900 "${enter[@]}" /qemu-arm -cpu ti925t -plugin "$plugin" \
    -strace -D /board/strace.log /plasmaballs.gpe || status=$?
logs=$work/board
cp -r "$root/board" "$logs"
rm -f "$logs/board.so" "$logs/pins.bin" "$logs/steps.txt"
[[ -z $frames_out || ! -f $logs/frames.txt ]] || cp "$logs/frames.txt" "$frames_out"

failures=()
fail() { failures+=("$*"); }
report=$logs/report.txt
value() { sed -n "s/^$1=//p" "$report" | head -n 1; }

expected_status=0 ending=execve
((no_menu)) && expected_status=1 ending="execve exit"
((status == expected_status)) ||
    fail "the emulator (then the menu) ended with status $status, not $expected_status"
[[ -f $report ]] || die "the board wrote no report; emulator status $status"
if grep -q '^\(error\|fault\)=' "$report"; then
    fail "the board reports: $(grep '^\(error\|fault\)=' "$report" | head -n 3 | tr '\n' ' ')"
fi
[[ $(sed -n 's/^ending=//p' "$report" | xargs) == "$ending" ]] ||
    fail "the run did not end by $ending"
((no_menu)) || [[ -z $(value execve_failed) ]] || fail "the hand-over failed: $(value execve_failed)"
((!no_menu)) || [[ $(value execve_failed) == -2 ]] || fail "execve did not fail with ENOENT"
[[ $(value unaligned_accesses) == 0 ]] || fail "$(value unaligned_accesses) unaligned accesses"
[[ $(value register_width_faults) == 0 ]] || fail "register accesses that are not 16-bit"
[[ $(value pulses) == "$expected_pulses" ]] ||
    fail "$(value pulses) pulses on the console, $expected_pulses on the desktop"

# The calls as the board saw them, arguments read from the program's memory.
fd=$(sed -n 's/^call=open .* result=//p' "$report")
regs=$(sed -n 's/^call=mmap .*,0xc0000000 result=//p' "$report")
video=$(sed -n 's/^call=mmap .*,0x3000000 result=//p' "$report")
expected_calls=$(printf '%s\n' \
    "call=open path=/dev/mem flags=2 result=$fd" \
    "call=mmap block=0,0x10000,3,1,$((fd)),0xc0000000 result=$regs" \
    "call=mmap block=0,0xf00000,3,1,$((fd)),0x3000000 result=$video" \
    "call=munmap address=$video length=0xf00000 result=0" \
    "call=munmap address=$regs length=0x10000 result=0" \
    "call=close $((fd)) result=0" \
    "call=chdir path=/usr/gp2x result=0" \
    "call=execve path=/usr/gp2x/gp2xmenu argv=0 envp=0")
((!no_menu)) || expected_calls+=$'\ncall=exit 1'
[[ $(grep '^call=' "$report") == "$expected_calls" ]] ||
    fail "system calls differ: $(diff <(echo "$expected_calls") <(grep '^call=' "$report") | tr '\n' ' ')"

# The emulator's own log: exactly these calls, in this order. An execve whose argument vector
# cannot be read (a null pointer) is logged up to its opening brace.
expected_trace=$(printf '%s\n' \
    "open(\"/dev/mem\",O_RDWR) = $((fd))" \
    "mmap(<block>) = $regs" \
    "mmap(<block>) = $video" \
    "munmap($video,15728640) = 0" \
    "munmap($regs,65536) = 0" \
    "close($((fd))) = 0" \
    "chdir(\"/usr/gp2x\") = 0" \
    "execve(\"/usr/gp2x/gp2xmenu\",{")
((!no_menu)) || expected_trace+=$' = -1 errno=2 (No such file or directory)\nexit(1)'
trace=$(sed -e 's/^[0-9]* //' -e 's/^mmap(0x[0-9a-f]*,[^)]*)/mmap(<block>)/' "$logs/strace.log")
[[ $trace == "$expected_trace" ]] ||
    fail "the emulator's trace differs: $(diff <(echo "$expected_trace") <(echo "$trace") | tr '\n' ' ')"

menu_record=$logs/menu.txt
if ((no_menu)); then
    [[ ! -f $menu_record ]] || fail "a menu ran although there was none"
elif [[ ! -f $menu_record ]]; then
    fail "the menu program did not run"
else
    # Since Linux 5.18 the host kernel turns an empty argument vector into one empty string.
    grep -qx 'argc=0' "$menu_record" || grep -qx 'argv0_empty=1' "$menu_record" ||
        fail "the menu got arguments: $(tr '\n' ' ' <"$menu_record")"
    grep -qx 'environment=0' "$menu_record" && grep -qx 'cwd=/usr/gp2x' "$menu_record" ||
        fail "the menu started wrongly: $(tr '\n' ' ' <"$menu_record")"
fi

# Every byte of video memory, the registers (but the board's sync level) and the palette.
cmp -i $((0x03000000)):0 -n $((0xF00000)) "$root/dev/mem" "$work/desktop/video.bin" \
    >"$logs/video.cmp" 2>&1 || fail "video memory differs: $(head -c 300 "$logs/video.cmp")"
dd if="$root/dev/mem" of="$logs/registers.bin" bs=65536 skip=$((0xC0000000 / 65536)) count=1 \
    status=none
printf '\0\0' | dd of="$logs/registers.bin" bs=1 seek=$((0x1182)) conv=notrunc status=none
cmp "$logs/registers.bin" "$work/desktop/registers.bin" >"$logs/registers.cmp" 2>&1 ||
    fail "registers differ: $(head -c 300 "$logs/registers.cmp")"
scan=$(od -An -tx2 -j $((0x2912)) -N 4 "$logs/registers.bin" | awk '{print "0x" $2 $1}')
((scan == expected_scan)) || fail "scan address $scan, desktop $expected_scan"
cmp "$logs/palette.bin" "$work/desktop/palette.bin" >"$logs/palette.cmp" 2>&1 ||
    fail "the loaded palette differs: $(head -c 300 "$logs/palette.cmp")"

if ((${#failures[@]})); then
    printf 'console case (seed %s, frames %s, script %s): FAILED\n' "$seed" "$frames" "$script" >&2
    printf '  %s\n' "${failures[@]}" >&2
    echo "  logs and root kept in $work" >&2
    exit 1
fi
rm -rf "$root" "$work/desktop/video.bin"
printf 'console case (seed %s, frames %s): %s pulses, scan address %s; video memory, registers\n' \
    "$seed" "$frames" "$expected_pulses" "$scan"
printf '  and palette match the desktop; set-up %s instructions, frames %s average, %s worst;\n' \
    "$(value setup_instructions)" "$(value frame_average)" "$(value frame_worst)"
if ((no_menu)); then
    printf '  no unaligned access; calls and trace as expected; without a menu it exited with 1.\n'
else
    printf '  no unaligned access; calls and trace as expected; menu ran with nothing passed.\n'
fi
