#!/usr/bin/env bash
# The console's speed, from the board's counts in the emulated test: set-up as a whole (to the
# first sync wait) and 1,000 frames with thrust and collisions, each counted from the read that
# sees one pulse fall to the read that sees the next one rise, so the sync polling is left out.
# Beside the instructions, the board's estimates in cycles (tests/console/memory_model.h): the
# instructions plus the waits its cost table charges for branches, loads and every kind of memory
# access, once with optimistic and once with pessimistic figures; milliseconds at 200 MHz.
#
#   tools/bench-console.sh HOST_TREE CONSOLE_BINARY
# the desktop tree, whose tree_gp2x builds CONSOLE_BINARY and which holds the harness.
set -euo pipefail
cd "$(dirname "$0")/.."
if (($# != 2)); then
    echo "usage: tools/bench-console.sh HOST_TREE CONSOLE_BINARY" >&2
    exit 2
fi
host=$1 gpe=$2
seed=31415
frames=1001  # START from pulse 1001: frames 2 to 1001 are each measured up to the next pulse
script=tests/console/scripts/long_run.txt
out=$(dirname "$gpe")/bench

mkdir -p "$out"
if ! cmake --build "$host" -j 2 --target tree_gp2x console_board console_menu \
    console_desktop_dump >"$out/build.log" 2>&1; then
    echo "the console binary or its harness did not build (see $out/build.log)" >&2
    exit 1
fi

# The functions that begin each step, from the binary's symbols: "start end phases step", phases
# s (set-up) and f (frames). A function not listed counts for the step that called it.
arm-linux-gnueabi-nm --print-size --defined-only --radix=d -C "$gpe" | awk '
    BEGIN {
        split("hw_open:s:hw_open build_palette:s:palette cycle_palette:sf:palette " \
              "place_balls:s:balls build_rotation_table:s:rotation build_background:s:plasma " \
              "init_scene:s:other draw_background:f:background collide_balls:f:collisions " \
              "move_balls:f:motion blit_rotated:f:blits demo_main:f:loop run_frame:f:loop " \
              "wait_vsync:f:loop flip_screen:f:loop", list, " ")
        for (i in list) { split(list[i], f, ":"); phases[f[1]] = f[2]; step[f[1]] = f[3] }
    }
    NF >= 4 && ($3 == "T" || $3 == "t") {
        name = $4; sub(/\(.*/, "", name)
        if (name in step) {
            printf "%x %x %s %s\n", $1, $1 + $2, phases[name], step[name]
        }
    }' >"$out/steps.txt"

harness=$host/tests/console
bash tests/console/run_case.sh --gpe "$gpe" --board "$harness/board.so" \
    --menu "$harness/console_menu" --dump "$harness/console_desktop_dump" --seed "$seed" \
    --frames "$frames" --script "$script" --work "$out/case" --frames-out "$out/frames.txt" \
    --steps "$out/steps.txt" >"$out/case.log"

report=$out/case/board/report.txt
awk -F= -v seed="$seed" -v script="$script" '
    { value[$1] = $2 }
    function part(key, i,   f) { split(value[key], f, ","); return f[i] + 0 }
    function ms(cycles) { return cycles / 2e5 }
    function cost(name) { return part("cost." name, 1) " / " part("cost." name, 2) }
    function row(label, key, count) {
        if (!(key in value)) return
        printf "    %-24s %12.0f %9.3f %9.3f\n", label, part(key, 1) / count,
               ms(part(key, 2) / count), ms(part(key, 3) / count)
    }
    function steps(phase, list, count,   i, n, s) {
        n = split(list, s, " ")
        for (i = 1; i <= n; i++) row(label[s[i]], phase "." s[i], count)
        row("whole", phase ".all", count)
    }
    END {
        split("hw_open:hw_open palette:palette balls:balls and sprites rotation:rotation table " \
              "plasma:plasma other:other background:background copy collisions:collisions " \
              "motion:thrust and motion blits:blits loop:sync, flip, buttons", pairs, " ")
        for (i in pairs) { split(pairs[i], f, ":"); label[f[1]] = f[2] }
        # (labels with spaces were split above; set them whole)
        label["balls"] = "balls and sprites"; label["rotation"] = "rotation table"
        label["background"] = "background copy"; label["motion"] = "thrust and motion"
        label["loop"] = "sync, flip, buttons"
        setup_steps = "hw_open palette balls rotation plasma other"
        frame_steps = "background palette collisions motion blits loop other"
        frames = value["frames_measured"]

        printf "console (emulated, seed %d, %s, matching the desktop byte for byte)\n", seed, script
        printf "  cost table in cycles, optimistic / pessimistic (tests/console/memory_model.h):\n"
        printf "    each instruction 1, a taken branch +%s, a load-multiple +%s per register " \
               "after the first;\n", cost("taken_branch"), cost("multiple_register")
        printf "    a load whose result the next instruction uses +%s (word), +%s (byte, half);" \
               " the one after next +%s;\n", cost("load_use_word"), cost("load_use_narrow"),
               cost("load_use_narrow_late")
        printf "    memory: read latency %s, uncached single write %s, burst beat %s, register " \
               "access %s;\n", cost("read_latency"), cost("uncached_write"), cost("burst_beat"),
               cost("register_access")
        printf "    the core waits for write-buffer entries: %s (0 no, 1 yes)\n",
               cost("write_buffer_waits")
        printf "  calibration: 320 x 240 pixels, 32 to 16 bits, into uncached memory " \
               "(published: 7.3 to 7.7 ms)\n"
        printf "    storing words %.2f / %.2f ms; storing halfwords %.2f / %.2f ms\n",
               ms(part("calibration_words", 1)), ms(part("calibration_words", 2)),
               ms(part("calibration_halfwords", 1)), ms(part("calibration_halfwords", 2))

        printf "  %-28s %12s %9s %9s\n", "set-up", "instructions", "opt. ms", "pess. ms"
        steps("setup", setup_steps, 1)
        printf "    goal: pessimistic under 1 s: %s\n", ms(part("setup.all", 3)) < 1000 ? "met" : "MISSED"
        printf "  %-28s %12s %9s %9s\n", "frame, average of " frames, "instructions", "opt. ms",
               "pess. ms"
        steps("frames", frame_steps, frames)
        printf "  %-28s %12s %9s %9s\n", "worst frame (pulse " part("frame_cycles_pessimistic", 3) ")",
               "instructions", "opt. ms", "pess. ms"
        steps("worst", frame_steps, 1)
        worst_opt = ms(part("frame_cycles_optimistic", 2))
        worst_pess = ms(part("frame_cycles_pessimistic", 2))
        printf "    worst optimistic %.3f ms (pulse %d): goal under 2 ms: %s\n", worst_opt,
               part("frame_cycles_optimistic", 3), worst_opt < 2 ? "met" : "MISSED"
        printf "    worst pessimistic %.3f ms (pulse %d): goal under 4 ms: %s\n", worst_pess,
               part("frame_cycles_pessimistic", 3), worst_pess < 4 ? "met" : "MISSED"
        printf "    most instructions %d (pulse %d): goal under 500,000: %s\n", value["frame_worst"],
               value["frame_worst_pulse"], value["frame_worst"] < 5e5 ? "met" : "MISSED"

        for (k in value) {
            if (k ~ /^events\.setup\..*\.icache_fills$/) setup_fills += value[k]
            if (k ~ /^events\.frames\..*\.icache_fills$/) frame_fills += value[k]
            if (k ~ /^events\.worst\..*\.icache_fills$/) worst_fills += value[k]
        }
        printf "  instruction cache: %d line fills in set-up, %.2f per frame, %d in the worst frame\n",
               setup_fills, frame_fills / frames, worst_fills
        printf "  events per average frame, by step\n"
        for (k in value) {
            if (k !~ /^events\.frames\./) continue
            split(k, f, ".")
            seen[f[4]] = 1
            count[f[3], f[4]] = value[k] / frames
        }
        n = split(frame_steps, s, " ")
        printf "    %-24s", ""
        for (i = 1; i < n; i++) printf " %10s", s[i]
        printf "\n"
        n_events = split("instructions taken_branches multiple_extra_registers load_use_word " \
                         "load_use_narrow load_use_narrow_late icache_fills cached_reads " \
                         "dcache_fills cached_writes buffered_writes buffered_words castouts " \
                         "castout_words video_read_byte video_read_half video_read_word " \
                         "video_write_byte video_write_half video_write_word video_read_bursts " \
                         "video_read_burst_words video_write_bursts video_write_burst_words " \
                         "register_reads register_writes", event, " ")
        for (j = 1; j <= n_events; j++) {
            if (!(event[j] in seen)) continue
            printf "    %-24s", event[j]
            for (i = 1; i < n; i++) printf " %10.0f", count[s[i], event[j]]
            printf "\n"
        }
    }' "$report"
