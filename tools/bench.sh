#!/usr/bin/env bash
# make bench: the desktop benchmarks, then the console's figures under emulation. Never part of
# make test.
set -euo pipefail
cd "$(dirname "$0")/.."

# --- the desktop benchmarks (bench/) ---
# Times are medians of five repetitions in one run of one binary, so their ratios are fair even
# on a shared machine; instruction counts (callgrind) do not depend on the load at all.
host=${HOST_BUILD:-build/host}
[[ -f $host/CMakeCache.txt ]] || cmake --preset host >/dev/null
cmake --build "$host" -j 2 --target pb_bench plasmaballs >/dev/null
echo "desktop: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
"$host/bench/pb_bench" --benchmark_repetitions=5 --benchmark_display_aggregates_only=true \
    --benchmark_color=false

# Whole recordings as a user makes them: the binary, best of three. best_of_three FILE prints the
# best wall time in ms of making FILE (its suffix picks the format).
best_of_three() {
    local best= start ms
    for _ in 1 2 3; do
        start=$(date +%s%N)
        "$host/plasmaballs" --headless --seed 12061 --frames 600 --record "$1"
        ms=$(( ($(date +%s%N) - start) / 1000000 ))
        [[ -z $best || $ms -lt $best ]] && best=$ms
    done
    echo "$best"
}

# The 10-second recording as a GIF, then ten seconds of video the same way: wall time against
# the 10 s they show, and the size.
for extension in gif mp4 webm; do
    recording=$(mktemp --suffix=".$extension")
    best=$(best_of_three "$recording")
    echo "  plasmaballs --headless --frames 600 --record x.$extension: ${best} ms wall, best of 3," \
         "$(stat -c %s "$recording") bytes"
    rm -f "$recording"
done

# Instruction counts: set-up (hw_open and every step of init_scene, with --frames 0) and 100
# frames (the four steps of run_frame), each function inclusive of what it calls.
if command -v valgrind >/dev/null; then
    out=$(mktemp -d)
    count() {  # count NAME FRAMES FUNCTION...
        local name=$1 frames=$2
        shift 2
        local toggles=()
        for f in "$@"; do toggles+=("--toggle-collect=$f(*"); done
        valgrind --tool=callgrind --callgrind-out-file="$out/$name" --collect-atstart=no \
            "${toggles[@]}" "$host/plasmaballs" --headless --seed 12061 --frames "$frames" \
            >/dev/null 2>&1
        callgrind_annotate --inclusive=yes --threshold=100 "$out/$name" >"$out/$name.txt" 2>/dev/null
    }
    inclusive() {  # inclusive FILE FUNCTION
        awk -v f="$2(" 'index($0, ":" f) { gsub(",", "", $1); print $1; exit }' "$1"
    }
    total() { awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1; exit }' "$1"; }
    share() { awk -v part="$1" -v whole="$2" 'BEGIN { printf "%.1f", 100 * part / whole }'; }
    setup_steps=(hw_open build_palette cycle_palette place_balls build_rotation_table
                 build_background)
    frame_steps=(draw_background cycle_palette collide_balls move_balls)
    count setup 0 "${setup_steps[@]}"
    count frames 100 "${frame_steps[@]}"
    echo
    echo "Instruction counts (valgrind --tool=callgrind, seed 12061, no buttons)"
    printf "  %-34s %14s %9s\n" "set-up" "instructions" "share"
    all=$(total "$out/setup.txt")
    for f in "${setup_steps[@]}"; do
        n=$(inclusive "$out/setup.txt" "$f")
        printf "  %-34s %14d %8s%%\n" "$f" "${n:-0}" "$(share "${n:-0}" "$all")"
    done
    printf "  %-34s %14d\n" "whole set-up" "$all"
    printf "  %-34s %14s %9s\n" "per frame (100 frames)" "instructions" "share"
    all=$(total "$out/frames.txt")
    for f in "${frame_steps[@]}"; do
        n=$(inclusive "$out/frames.txt" "$f")
        printf "  %-34s %14d %8s%%\n" "$f" "$(( ${n:-0} / 100 ))" \
            "$(share "${n:-0}" "$all")"
    done
    # The callees that dominate, each under the step that calls it.
    for pair in copy_screen:draw_background blit_rotated:move_balls thrust:move_balls \
                write_palette:cycle_palette; do
        f=${pair%%:*}
        n=$(inclusive "$out/frames.txt" "$f")
        [[ -n $n ]] && printf "  %-34s %14d %8s%%\n" "  $f (in ${pair#*:})" "$(( n / 100 ))" \
            "$(share "$n" "$all")"
    done
    # Every register access of the demo, through the simulated board (goal: at most 10%).
    reads=$(inclusive "$out/frames.txt" "platform::reg_read")
    writes=$(inclusive "$out/frames.txt" "platform::reg_write")
    n=$(( ${reads:-0} + ${writes:-0} ))
    printf "  %-34s %14d %8s%%   (goal: at most 10%%)\n" "the board's register paths" \
        "$(( n / 100 ))" "$(share "$n" "$all")"
    printf "  %-34s %14d\n" "run_frame" "$(( all / 100 ))"
    rm -rf "$out"
else
    echo "Instruction counts: valgrind is not installed (make deps installs it)"
fi

# --- the window's CPU use ---
echo
tools/bench-window.sh

# --- the console ---
echo
tools/bench-console.sh

# --- the libretro cores on ARM ---
echo
tools/bench-cross.sh
