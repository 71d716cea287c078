#!/usr/bin/env bash
# The console's speed, from the board's instruction counts in the emulated test: set-up as a
# whole (to the first sync wait) and 1,000 frames with thrust and collisions, each counted from
# the read that sees one pulse fall to the read that sees the next one rise, so the sync polling
# is left out. Milliseconds at 200 MHz and one instruction per cycle: a lower bound for the
# ARM920T.
#
# HOST_BUILD=DIR picks the desktop tree holding the harness (default build/host).
set -euo pipefail
cd "$(dirname "$0")/.."

host=${HOST_BUILD:-build/host}
seed=31415
frames=1001  # START from pulse 1001: frames 2 to 1001 are each measured up to the next pulse
script=tests/console/scripts/long_run.txt
out=build/gp2x/bench

cmake --preset gp2x >/dev/null
cmake --build --preset gp2x -j 2 >/dev/null
[[ -f $host/CMakeCache.txt ]] || cmake --preset host >/dev/null
cmake --build "$host" -j 2 --target console_board console_menu console_desktop_dump >/dev/null
mkdir -p "$out"
harness=$host/tests/console
bash tests/console/run_case.sh --gpe build/gp2x/plasmaballs.gpe --board "$harness/board.so" \
    --menu "$harness/console_menu" --dump "$harness/console_desktop_dump" --seed "$seed" \
    --frames "$frames" --script "$script" --work "$out/case" --frames-out "$out/frames.txt" \
    >"$out/case.log"

setup=$(sed -n 's/^setup_instructions=//p' "$out/case/board/report.txt")
awk -v setup="$setup" -v seed="$seed" -v script="$script" '
    { n++; sum += $2; if ($2 > worst) { worst = $2; at = $1 } }
    END {
        frame_budget = 200e6 / 60
        printf "console (emulated, seed %d, %s, matching the desktop byte for byte)\n", seed, script
        printf "  set-up:        %11d instructions  %7.1f ms   goal < 400,000,000: %s\n",
               setup, setup / 2e5, setup < 4e8 ? "met" : "MISSED"
        printf "  frame average: %11d instructions  %7.3f ms  %5.1f%% of a 60 Hz frame (%d frames)\n",
               sum / n, sum / n / 2e5, 100 * sum / n / frame_budget, n
        printf "  frame worst:   %11d instructions  %7.3f ms  %5.1f%% of a 60 Hz frame (pulse %d)\n",
               worst, worst / 2e5, 100 * worst / frame_budget, at
        printf "                                                  goal < 500,000: %s\n",
               worst < 5e5 ? "met" : "MISSED"
    }' "$out/frames.txt"
