#pragma once
// The window's side of the simulated board: sync pulses from a monotonic clock, the buttons of
// the keyboard, gamepads and the input timeline sampled at each rising edge, the picture shown.

#include <stdint.h>
#include <time.h>

#include <memory>
#include <optional>
#include <vector>

#include "frontends/capture/outputs.h"
#include "frontends/common/script.h"
#include "frontends/window/video.h"
#include "platform/sim/board.h"

namespace frontends::window {

class WindowFrontend : public sim::Frontend {
  public:
    WindowFrontend(Video& video, Outputs& outputs, InputTimeline timeline);
    ~WindowFrontend() override;

    void await_edge(sim::Board& board) override;
    // Shows the last picture before the run ends.
    [[noreturn]] void hand_over(sim::Board& board) override;

  private:
    int64_t now();
    void sleep_until(int64_t at) const;
    void rise(sim::Board& board, uint32_t pulse);
    void handle_events(sim::Board& board);
    sim::Buttons live_buttons() const;
    void save_screenshot(const sim::Board& board) const;

    Video& video_;
    Outputs& outputs_;
    InputTimeline timeline_;
    std::optional<timespec> start_;  // the clock starts at the demo's first look at the sync
    uint32_t last_rise_ = 0;
    bool leaving_ = false;  // Escape or a close: START stays pressed until the demo leaves
    struct Gamepads;
    std::unique_ptr<Gamepads> gamepads_;
    sim::Picture scratch_;
};

}  // namespace frontends::window
