// Headless pulses: every wait consumes exactly one pulse, as if each frame fit in one refresh.

#include "frontends/cli/headless.h"

#include <unistd.h>

#include <cstdio>

#include "frontends/cli/progress.h"
#include "frontends/common/outputs.h"
#include "platform/sim/run_demo.h"

namespace frontends::cli {

void HeadlessFrontend::await_edge(sim::Board& board) {
    if (board.sync_high()) {
        board.end_pulse();
        return;
    }
    const uint32_t pulse = board.pulse() + 1;
    board.begin_pulse(pulse, timeline_.at(pulse));
    if (on_pulse) {
        on_pulse(board, pulse);
    }
}

void HeadlessFrontend::hand_over(sim::Board&) {
    throw sim::DemoEnded{sim::DemoEnded::kHandOver, 0};
}

void HeadlessFrontend::process_exit(sim::Board&, int status) {
    throw sim::DemoEnded{sim::DemoEnded::kExit, status};
}

InputTimeline make_timeline(const Options& options) {
    std::vector<ButtonChange> script;
    if (!options.input.empty()) {
        script = load_script(options.input);
    }
    return InputTimeline(std::move(script), options.frames);
}

int run_headless(const Options& options, const InputTimeline& timeline) {
    Outputs outputs(options);
    // Only a person at a terminal wants to see how far a long run has come.
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

}  // namespace frontends::cli
