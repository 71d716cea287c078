#!/usr/bin/env bash
# The ARM cores' speed (make bench): instructions per retro_run, counted under the user-mode
# emulator by a plugin of ours (tests/cross/count_runs.c) while the small frontend of
# tests/cross/host plays 1,001 pulses with thrust. The first run also does the whole set-up and is
# shown apart; average and worst are over the 1,000 runs after it, less the marks' own cost. The
# time is what the instructions take at 1.2 GHz and one instruction per cycle (a handheld's
# Cortex-A7 to A55 runs at 1.2 to 1.8 GHz; memory stalls are not modelled).
#
#   tools/bench-cross.sh HOST_TREE MACHINE...
# the desktop tree (its target libretro_cross builds every other machine's tree, and it holds the
# plugin) and the rows of cmake/Machines.cmake, MACHINE=PREFIX=CORE=RUNS=TREE_FOLDER: those run
# under qemu-user are measured. A core that cannot be says why in its row, and the status is 1.
set -euo pipefail
cd "$(dirname "$0")/.."
if (($# < 2)); then
    echo "usage: tools/bench-cross.sh HOST_TREE MACHINE..." >&2
    exit 2
fi
host=$1
shift
out=$host/bench/cross
mkdir -p "$out"
if ! cmake --build "$host" -j 2 --target libretro_cross cross_count_runs >"$out/build.log" 2>&1
then
    echo "the cores' trees or the counting plugin did not build (see $out/build.log)" >&2
    exit 1
fi
plugin=$host/tests/cross/count_runs.so

# Seed 31415; the stick crowds the balls against the walls and into each other, with coasting
# between (RetroPad ids: up 16, down 32, left 64, right 128).
echo "thrust 31415 1001 0 1:128 120:0 200:96 330:16 420:0 500:80 640:160 760:0 820:144 940:32" \
    "1000:0" >"$out/cases.txt"

# measure_core NAME QEMU ROOT TREE CORE: the core's row of the table below.
measure_core() {
    local name=$1 qemu=$2 root=$3 tree=$4 core=$5 emulator
    mkdir -p "$out/$name"
    emulator=$(command -v "$qemu") || { echo "$qemu is not installed (make deps)"; return 1; }
    if ! "$emulator" -L "$root" -plugin "$plugin,out=$out/$name/counts.txt" \
        "$tree/tests/cross/host/cross_host" "$tree/$core" "$out/cases.txt" "$out/$name" \
        >"$out/$name/run.log" 2>&1; then
        echo "$qemu stopped: $(tail -n 1 "$out/$name/run.log") (see $out/$name/run.log)"
        return 1
    fi
    # Line 1: the empty pair of marks; line 2: the first run; then the 1,000 measured.
    awk '
        NR == 1 { marks = $1; next }
        NR == 2 { setup = $1 - marks; next }
        { n = $1 - marks; sum += n; count++; if (n > worst) { worst = n; at = NR - 1 } }
        function ms(instructions) { return instructions / 1.2e6 }
        END {
            if (count != 1000) { print count " runs counted, not 1000"; exit 1 }
            printf "%12d %12.0f %12d %10.3f %10.3f  %s (worst: run %d)\n", setup,
                   sum / count, worst, ms(sum / count), ms(worst),
                   ms(worst) < 0.5 ? "met" : "MISSED", at
        }' "$out/$name/counts.txt"
}

echo "libretro cores, instructions per retro_run (emulated; seed 31415, 1,000 pulses with thrust)"
printf "  %-8s %12s %12s %12s %10s %10s  %s\n" core set-up average worst "avg ms" "worst ms" \
    "goal: under 0.5 ms"
unmeasured=()
for row in "$@"; do
    IFS='=' read -r name _ core runs tree <<<"$row"
    [[ $runs == qemu-*:* ]] || continue
    IFS=':' read -r qemu root <<<"$runs"
    if line=$(measure_core "$name" "$qemu" "$root" "$tree" "$core"); then
        printf "  %-8s %s\n" "${name#linux-}" "$line"
    else
        printf "  %-8s could not be measured: %s\n" "${name#linux-}" "$line"
        unmeasured+=("$name")
    fi
done
if ((${#unmeasured[@]} > 0)); then
    echo "the cores of ${unmeasured[*]} could not be measured" >&2
    exit 1
fi
