#!/usr/bin/env bash
# The window's CPU use: the real window on a private Xvfb server, the processor time (user +
# system, from /proc) it takes over 10 seconds of running, after two seconds to settle. Each
# scale is measured with the road to the screen the window picks on this display.
#
#   tools/bench-window.sh HOST_TREE     (the desktop tree, whose program it runs)
set -euo pipefail
cd "$(dirname "$0")/.."
if (($# != 1)); then
    echo "usage: tools/bench-window.sh HOST_TREE" >&2
    exit 2
fi
host=$1
binary=$host/plasmaballs
[[ -x $binary ]] || { echo "bench-window: $binary is not built (make build)" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "bench-window: xvfb-run is missing (make deps)" >&2; exit 1; }

settle=2
span=10
ticks=$(getconf CLK_TCK)

# cpu_ticks PID: user + system time of a running process, in clock ticks.
cpu_ticks() {
    # Fields after the command name, which is in parentheses: utime is the 14th field overall.
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

# measure SCALE: prints one line for a window of that scale.
measure() {
    local scale=$1 work
    work=$(mktemp -d)
    # START from pulse 60 * (settle + span + 2), so the run outlasts the measurement.
    xvfb-run -a -s "-screen 0 1920x1200x24 -nolisten tcp" \
        "$binary" --seed 12061 --scale "$scale" \
        --frames $((60 * (settle + span + 2))) >"$work/out" 2>&1 &
    local runner=$!
    local pid=
    for _ in $(seq 100); do
        pid=$(pgrep -n -f "^$binary --seed 12061 --scale $scale" || true)
        [[ -n $pid ]] && break
        sleep 0.1
    done
    if [[ -z $pid ]]; then
        echo "bench-window: the window did not start: $(cat "$work/out")" >&2
        wait "$runner" || true
        rm -rf "$work"
        return 1
    fi
    sleep "$settle"
    local before start
    before=$(cpu_ticks "$pid")
    start=$(date +%s%N)
    sleep "$span"
    local after end
    after=$(cpu_ticks "$pid")
    end=$(date +%s%N)
    wait "$runner"
    awk -v t=$((after - before)) -v hz="$ticks" -v ns=$((end - start)) -v s="$scale" 'BEGIN {
            cpu = t / hz; wall = ns / 1e9
            printf "  scale %d (%4d x %4d) %6.2f s CPU in %5.2f s: %5.1f%% of one core\n",
                   s, 320 * s, 240 * s, cpu, wall, 100 * cpu / wall }'
    rm -rf "$work"
}

echo "The window's CPU use (Xvfb, seed 12061, ${span} s after ${settle} s; clock ticks of 1/${ticks} s)"
for scale in 1 2 3 4; do
    measure "$scale"
done
