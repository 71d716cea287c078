// Only a person at a terminal wants to see how far a long run has come.

#include "frontends/desktop/headless_run.h"

#include <unistd.h>

#include <cstdio>

#include "frontends/capture/recorded_run.h"
#include "frontends/common/headless.h"
#include "frontends/desktop/progress.h"

namespace frontends::desktop {

InputTimeline make_timeline(Options& options) {
    const std::string& path = options.run_file.empty() ? options.input : options.run_file;
    if (path.empty()) {
        return InputTimeline({}, options.frames);
    }
    Run run = load_run(path);
    options.seed = options.seed ? options.seed : run.seed;
    if (!options.run_file.empty()) {
        return InputTimeline::replay(run, options.frames);
    }
    // Beside the player, a run's buttons are let go where it ends.
    if (run.end && !run.changes.empty() && run.changes.back().buttons != 0) {
        run.changes.push_back({*run.end, 0});
    }
    return InputTimeline(std::move(run.changes), options.frames);
}

namespace {

// One run of the demo to its hand-over, the pulses counted on from `done` for the progress line.
int run_once(const Options& options, const InputTimeline& timeline, Outputs& outputs,
             ProgressLine& progress, uint32_t& done) {
    HeadlessFrontend frontend(timeline);
    const uint32_t before = done;
    frontend.on_pulse = [&](const sim::Board& board, uint32_t pulse) {
        outputs.on_pulse(board, pulse);
        progress.update(before + pulse);
        done = before + pulse;
    };
    sim::Board board(frontend);
    board.set_counter(sim::counter_for_seed(options.seed.value_or(0)));
    frontend.prepare(board);
    return run_to_hand_over(board, outputs, [&progress] { progress.clear(); });
}

}  // namespace

// A recording within a size runs the demo again for each further pass, which the progress line
// counts in: two runs for a video, one for a GIF.
int run_headless(const Options& options, const InputTimeline& timeline) {
    Outputs outputs(options.outputs, timeline.last_pulse());
    const bool passes = options.outputs.record_limit && video_format_for(options.outputs.record);
    ProgressLine progress(isatty(STDERR_FILENO) ? stderr : nullptr,
                          timeline.headless_end().value_or(0) * (passes ? 2 : 1));
    uint32_t done = 0;
    int status = 0;
    do {
        status = run_once(options, timeline, outputs, progress, done);
    } while (status == 0 && outputs.wants_another_run());
    return status;
}

}  // namespace frontends::desktop
