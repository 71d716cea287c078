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

int run_headless(const Options& options, const InputTimeline& timeline) {
    Outputs outputs(options);
    const std::optional<uint32_t> start = timeline.start_held_from();
    const std::optional<uint32_t> stop = timeline.player_from();
    ProgressLine progress(isatty(STDERR_FILENO) ? stderr : nullptr,
                          stop && (!start || *stop < *start) ? *stop : start.value_or(0));
    HeadlessFrontend frontend(timeline);
    frontend.on_pulse = [&outputs, &progress](const sim::Board& board, uint32_t pulse) {
        outputs.on_pulse(board, pulse);
        progress.update(pulse);
    };
    sim::Board board(frontend);
    board.set_counter(sim::counter_for_seed(options.seed.value_or(0)));
    frontend.prepare(board);
    return run_to_hand_over(board, outputs, [&progress] { progress.clear(); });
}

}  // namespace frontends::desktop
