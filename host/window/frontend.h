#pragma once
// The window's side of the simulated console: sync pulses from a monotonic clock, the buttons of
// the keyboard, gamepads and the input timeline sampled at each rising edge, the picture shown.

#include <stdint.h>
#include <time.h>

#include <memory>
#include <optional>
#include <vector>

#include "host/console.h"
#include "host/script.h"
#include "host/session.h"
#include "host/window/video.h"

namespace host::window {

class WindowFrontend : public Frontend {
  public:
    WindowFrontend(Video& video, Outputs& outputs, InputTimeline timeline);
    ~WindowFrontend() override;

    void await_edge(Console& console) override;
    [[noreturn]] void hand_over(Console& console) override;
    [[noreturn]] void process_exit(Console& console, int status) override;

    // Rising edges the demo has seen, each ending one of its waits.
    uint32_t rises_seen() const { return rises_seen_; }

  private:
    int64_t now();
    void sleep_until(int64_t at) const;
    void rise(Console& console, uint32_t pulse);
    void handle_events(Console& console);
    Buttons live_buttons() const;
    void save_screenshot(const Console& console) const;

    Video& video_;
    Outputs& outputs_;
    InputTimeline timeline_;
    std::optional<timespec> start_;  // the clock starts at the demo's first look at the sync
    uint32_t rises_seen_ = 0;
    uint32_t last_rise_ = 0;
    bool leaving_ = false;  // Escape or a close: START stays pressed until the demo leaves
    struct Gamepads;
    std::unique_ptr<Gamepads> gamepads_;
    Picture scratch_;
};

}  // namespace host::window
