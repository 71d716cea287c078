#pragma once
// The headless front end: one pulse per wait, buttons from a timeline, as fast as the host can
// go; and the headless run of the command line.

#include <stdint.h>

#include <functional>

#include "frontends/common/options.h"
#include "frontends/common/script.h"
#include "platform/sim/board.h"

namespace frontends::cli {

class HeadlessFrontend : public sim::Frontend {
  public:
    explicit HeadlessFrontend(InputTimeline timeline) : timeline_(std::move(timeline)) {}

    // Puts the pulse-0 buttons on the pins, before the demo starts.
    void prepare(sim::Board& board) const { board.set_buttons(timeline_.at(0)); }
    // Called at each rising edge, after the pins change.
    std::function<void(const sim::Board&, uint32_t pulse)> on_pulse;

    void await_edge(sim::Board& board) override;
    [[noreturn]] void hand_over(sim::Board& board) override;
    [[noreturn]] void process_exit(sim::Board& board, int status) override;

  private:
    InputTimeline timeline_;
};

// The script and --frames as one timeline; throws ScriptError for a bad script.
InputTimeline make_timeline(const Options& options);

// Runs headless to the hand-over, writing the outputs the options ask for; returns the exit
// status.
int run_headless(const Options& options, const InputTimeline& timeline);

}  // namespace frontends::cli
