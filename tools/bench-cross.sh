#!/usr/bin/env bash
# The ARM cores' speed (make bench): instructions per retro_run, counted under the user-mode
# emulator by a plugin of ours (tests/cross/count_runs.c) while the small frontend of
# tests/cross/host plays 1,001 pulses with thrust. The first run also does the whole set-up and is
# shown apart; average and worst are over the 1,000 runs after it, less the marks' own cost. The
# time is what the instructions take at 1.2 GHz and one instruction per cycle (a handheld's
# Cortex-A7 to A55 runs at 1.2 to 1.8 GHz; memory stalls are not modelled).
#
# HOST_BUILD=DIR picks the desktop tree holding the plugin (default build/host).
set -euo pipefail
cd "$(dirname "$0")/.."

host=${HOST_BUILD:-build/host}
[[ -f $host/CMakeCache.txt ]] || cmake --preset host >/dev/null
cmake --build "$host" -j 2 --target cross_count_runs >/dev/null
plugin=$host/tests/cross/count_runs.so
out=build/bench-cross
mkdir -p "$out"

# Seed 31415; the stick crowds the balls against the walls and into each other, with coasting
# between (RetroPad ids: up 16, down 32, left 64, right 128).
echo "thrust 31415 1001 0 1:128 120:0 200:96 330:16 420:0 500:80 640:160 760:0 820:144 940:32" \
    "1000:0" >"$out/cases.txt"

echo "libretro cores, instructions per retro_run (emulated; seed 31415, 1,000 pulses with thrust)"
printf "  %-8s %12s %12s %12s %10s %10s  %s\n" core set-up average worst "avg ms" "worst ms" \
    "goal: under 0.5 ms"
for machine in linux-arm64:qemu-aarch64:aarch64-linux-gnu linux-armhf:qemu-arm:arm-linux-gnueabihf; do
    IFS=: read -r name qemu triple <<<"$machine"
    tree=build/libretro-$name
    mkdir -p "$out/$name"
    { cmake --preset "libretro-$name" && cmake --build --preset "libretro-$name" -j 2; } \
        >"$out/$name/build.log" 2>&1 || { cat "$out/$name/build.log" >&2; exit 1; }
    "$(command -v "$qemu")" -L "/usr/$triple" -plugin "$plugin,out=$out/$name/counts.txt" \
        "$tree/tests/cross/host/cross_host" "$tree/plasmaballs_libretro.so" "$out/cases.txt" \
        "$out/$name"
    # Line 1: the empty pair of marks; line 2: the first run; then the 1,000 measured.
    awk -v name="${name#linux-}" '
        NR == 1 { marks = $1; next }
        NR == 2 { setup = $1 - marks; next }
        { n = $1 - marks; sum += n; count++; if (n > worst) { worst = n; at = NR - 1 } }
        function ms(instructions) { return instructions / 1.2e6 }
        END {
            if (count != 1000) { print "bench-cross: " count " runs counted, not 1000"; exit 1 }
            printf "  %-8s %12d %12.0f %12d %10.3f %10.3f  %s (worst: run %d)\n", name, setup,
                   sum / count, worst, ms(sum / count), ms(worst),
                   ms(worst) < 0.5 ? "met" : "MISSED", at
        }' "$out/$name/counts.txt"
done
