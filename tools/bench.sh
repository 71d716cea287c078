#!/usr/bin/env bash
# make bench: the desktop benchmarks, then the window's, the console's and the ARM cores' figures.
# Never part of make test. Each measurement builds what it needs through the desktop tree's
# targets; one that cannot run says why in one line and the others go on, and the status at the
# end is then 1 (tools/measurements.sh).
#
#   tools/bench.sh HOST_TREE CONSOLE_BINARY MACHINE...
# as build/host/bench/run-bench gives them: the desktop tree, the console binary its tree_gp2x
# builds, and the rows of cmake/Machines.cmake (MACHINE=PREFIX=CORE=RUNS=TREE_FOLDER).
set -uo pipefail
cd "$(dirname "$0")/.."
if (($# < 3)); then
    echo "usage: tools/bench.sh HOST_TREE CONSOLE_BINARY MACHINE... (make bench gives them)" >&2
    exit 2
fi
host=$1 gpe=$2
shift 2
machines=("$@")
source tools/measurements.sh

# build TARGET...: builds them in the desktop tree, its output kept in a log that a failure names.
build() {
    local log=$host/bench/build.log
    mkdir -p "$host/bench"
    cmake --build "$host" -j 2 --target "$@" >"$log" 2>&1 ||
        { echo "$* did not build (see $log)" >&2; return 1; }
}

# --- the desktop benchmarks (bench/) ---
# Times are medians of five repetitions in one run of one binary, so their ratios are fair even
# on a shared machine; instruction counts (callgrind) do not depend on the load at all.
desktop_benchmarks() {
    build pb_bench
    echo "desktop: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
    "$host/bench/pb_bench" --benchmark_repetitions=5 --benchmark_display_aggregates_only=true \
        --benchmark_color=false 2>&1
}

# Whole recordings as a user makes them: the binary, best of three. best_of_three FILE prints the
# best wall time in ms of making FILE (its suffix picks the format).
best_of_three() {
    local best= start ms
    for _ in 1 2 3; do
        start=$(date +%s%N)
        "$host/plasmaballs" --headless --seed 12061 --frames 600 --record "$1"
        ms=$((($(date +%s%N) - start) / 1000000))
        [[ -z $best || $ms -lt $best ]] && best=$ms
    done
    echo "$best"
}

# The 10-second recording as a GIF, then ten seconds of video the same way: wall time against
# the 10 s they show, and the size.
recordings() {
    build plasmaballs
    local extension recording best
    for extension in gif mp4 webm; do
        recording=$(mktemp --suffix=".$extension")
        best=$(best_of_three "$recording")
        echo "  plasmaballs --headless --frames 600 --record x.$extension: ${best} ms wall," \
            "best of 3, $(stat -c %s "$recording") bytes"
        rm -f "$recording"
    done
}

# Instruction counts: set-up (hw_open and every step of init_scene, with --frames 0) and 100
# frames (the four steps of run_frame), each function inclusive of what it calls, in the demo's
# run alone (bench/demo_run.cpp: no other library's start-up code to run under valgrind).
setup_steps=(hw_open build_palette cycle_palette place_balls build_rotation_table build_background)
frame_steps=(draw_background cycle_palette collide_balls move_balls)
instruction_counts() {
    if ! command -v valgrind >/dev/null; then
        echo "valgrind is not installed (make deps installs it)" >&2
        return 1
    fi
    build pb_demo_run
    local out
    out=$(mktemp -d)
    count "$out" setup 0 "${setup_steps[@]}"
    count "$out" frames 100 "${frame_steps[@]}"
    print_counts "$out"
    rm -rf "$out"
}

# count FOLDER NAME FRAMES FUNCTION...: callgrind's counts of the run, collected in FUNCTIONs.
count() {
    local out=$1 name=$2 frames=$3
    shift 3
    local toggles=() f
    for f in "$@"; do toggles+=("--toggle-collect=$f(*"); done
    if ! valgrind --tool=callgrind --callgrind-out-file="$out/$name" --collect-atstart=no \
        "${toggles[@]}" "$host/bench/pb_demo_run" 12061 "$frames" >"$out/$name.log" 2>&1; then
        echo "valgrind stopped on pb_demo_run 12061 $frames:" \
            "$(valgrind_reason "$out/$name.log")" >&2
        return 1
    fi
    # (Its warnings about source lines it cannot show are no failure.)
    if ! callgrind_annotate --inclusive=yes --threshold=100 "$out/$name" >"$out/$name.txt" \
        2>"$out/$name.annotate.log"; then
        echo "callgrind_annotate failed: $(tail -n 1 "$out/$name.annotate.log")" >&2
        return 1
    fi
}

# valgrind_reason LOG: what valgrind said of the run it could not finish, on one line.
valgrind_reason() {
    local said
    said=$(grep -m 1 -A 1 -e 'Unrecognised instruction' -e 'Process terminating' "$1" |
        sed 's/^==[0-9]*== *//' | paste -sd ' ' || true)
    echo "${said:-$(tail -n 1 "$1")}"
}

inclusive() { # inclusive FILE FUNCTION
    awk -v f="$2(" 'index($0, ":" f) { gsub(",", "", $1); print $1; exit }' "$1"
}
total() { awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1; exit }' "$1"; }
share() { awk -v part="$1" -v whole="$2" 'BEGIN { printf "%.1f", 100 * part / whole }'; }

print_counts() {
    local out=$1 all n f pair reads writes
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
        printf "  %-34s %14d %8s%%\n" "$f" "$((${n:-0} / 100))" "$(share "${n:-0}" "$all")"
    done
    # The callees that dominate, each under the step that calls it.
    for pair in copy_screen:draw_background blit_rotated:move_balls thrust:move_balls \
        write_palette:cycle_palette; do
        f=${pair%%:*}
        n=$(inclusive "$out/frames.txt" "$f")
        if [[ -n $n ]]; then
            printf "  %-34s %14d %8s%%\n" "  $f (in ${pair#*:})" "$((n / 100))" \
                "$(share "$n" "$all")"
        fi
    done
    # Every register access of the demo, through the simulated board (goal: at most 10%).
    reads=$(inclusive "$out/frames.txt" "platform::reg_read")
    writes=$(inclusive "$out/frames.txt" "platform::reg_write")
    n=$((${reads:-0} + ${writes:-0}))
    printf "  %-34s %14d %8s%%   (goal: at most 10%%)\n" "the board's register paths" \
        "$((n / 100))" "$(share "$n" "$all")"
    printf "  %-34s %14d\n" "run_frame" "$((all / 100))"
}

measure "the desktop benchmarks" desktop_benchmarks
measure "the recordings" recordings
measure "the instruction counts" instruction_counts
echo
measure "the window's CPU use" tools/bench-window.sh "$host"
echo
measure "the console's figures" tools/bench-console.sh "$host" "$gpe"
echo
measure "the ARM cores' figures" tools/bench-cross.sh "$host" "${machines[@]}"
measured
