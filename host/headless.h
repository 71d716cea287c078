#pragma once
// Running the demo in this process on a simulated console, and the headless front end: one pulse
// per wait, buttons from a timeline, as fast as the host can go.

#include <stdint.h>

#include <functional>

#include "host/console.h"
#include "host/script.h"

namespace host {

// How a run ended: through the hand-over to the menu, or by the demo ending the process.
struct DemoEnded {
    enum Kind { kHandOver, kExit } kind;
    int status;
};

// Resets the demo's state, attaches `console` and runs the demo until it ends. The console's
// front end must end the run by throwing DemoEnded from hand_over() and process_exit().
DemoEnded run_demo(Console& console);

class HeadlessFrontend : public Frontend {
  public:
    explicit HeadlessFrontend(InputTimeline timeline) : timeline_(std::move(timeline)) {}

    // Puts the pulse-0 buttons on the pins, before the demo starts.
    void prepare(Console& console) const { console.set_buttons(timeline_.at(0)); }
    // Called at each rising edge, after the pins change.
    std::function<void(const Console&, uint32_t pulse)> on_pulse;

    void await_edge(Console& console) override;
    [[noreturn]] void hand_over(Console& console) override;
    [[noreturn]] void process_exit(Console& console, int status) override;

  private:
    InputTimeline timeline_;
};

}  // namespace host
