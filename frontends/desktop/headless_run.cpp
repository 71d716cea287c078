// Only a person at a terminal wants to see how far a long run has come.

#include "frontends/desktop/headless_run.h"

#include <unistd.h>

#include <cstdio>

#include "frontends/capture/recorded_run.h"
#include "frontends/common/headless.h"
#include "frontends/desktop/progress.h"

namespace frontends::desktop {

InputTimeline make_timeline(const Options& options) {
    std::vector<ButtonChange> script;
    if (!options.input.empty()) {
        script = load_script(options.input);
    }
    return InputTimeline(std::move(script), options.frames);
}

int run_headless(const Options& options, const InputTimeline& timeline) {
    Outputs outputs(options);
    ProgressLine progress(isatty(STDERR_FILENO) ? stderr : nullptr,
                          timeline.start_held_from().value_or(0));
    HeadlessFrontend frontend(timeline);
    frontend.on_pulse = [&outputs, &progress](const sim::Board& board, uint32_t pulse) {
        outputs.on_pulse(board, pulse);
        progress.update(pulse);
    };
    sim::Board board(frontend);
    board.set_counter((uint32_t)options.seed.value_or(0) << 16);
    frontend.prepare(board);
    return run_to_hand_over(board, outputs, [&progress] { progress.clear(); });
}

}  // namespace frontends::desktop
