#pragma once
// The board driven headless: every wait takes exactly one pulse, as if each frame fit in one
// refresh, with the buttons of a timeline; as fast as the host can go. A replay stops where it
// would give way to the player.

#include <stdint.h>

#include <functional>

#include "frontends/common/script.h"
#include "platform/sim/board.h"

namespace frontends {

class HeadlessFrontend : public sim::Frontend {
  public:
    explicit HeadlessFrontend(InputTimeline timeline) : timeline_(std::move(timeline)) {}

    // Puts the pulse-0 buttons on the pins, before the demo starts.
    void prepare(sim::Board& board) const { board.set_buttons(timeline_.at(0)); }
    // Called at each rising edge, after the pins change.
    std::function<void(const sim::Board&, uint32_t pulse)> on_pulse;

    void await_edge(sim::Board& board) override;

  private:
    InputTimeline timeline_;
};

}  // namespace frontends
