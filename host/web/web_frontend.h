#pragma once
// The front end of the browser build: pulses on animation frames (the demo suspends in between),
// buttons from the keyboard, gamepads and the page's script, the display drawn onto the canvas.

#include <stdint.h>

#include "host/console.h"
#include "host/script.h"
#include "host/web/pulse_clock.h"

namespace host::web {

class WebFrontend : public Frontend {
  public:
    explicit WebFrontend(InputTimeline timeline) : timeline_(std::move(timeline)) {}

    // What is held at this pulse: the script's buttons and the page's controls.
    Buttons buttons_at(uint32_t pulse) const;

    void await_edge(Console& console) override;
    // Both show the last picture and leave the page's line and restart button; the demo stays
    // suspended for good.
    [[noreturn]] void hand_over(Console& console) override;
    [[noreturn]] void process_exit(Console& console, int status) override;

  private:
    InputTimeline timeline_;
    PulseClock clock_;
    uint32_t due_ = 0;  // pulses due at the current animation frame and not yet begun
};

// Draws what the display shows onto the canvas.
void present(const Console& console);

}  // namespace host::web
