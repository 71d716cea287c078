#pragma once
// The front end of the browser build: pulses on animation frames (the demo suspends in between),
// buttons from the keyboard, gamepads, touch controls and the page's script, the display drawn
// onto the canvas, and the levels of every pulse kept to be saved as a script after the hand-over.

#include <stdint.h>

#include "frontends/common/input_recorder.h"
#include "frontends/common/script.h"
#include "frontends/web/pulse_clock.h"
#include "platform/sim/board.h"

namespace frontends::web {

class WebFrontend : public sim::Frontend {
  public:
    WebFrontend(InputTimeline timeline, uint16_t seed)
        : timeline_(std::move(timeline)), seed_(seed) {}

    // What is held at this pulse: the script's buttons and the page's controls.
    sim::Buttons buttons_at(uint32_t pulse) const;
    // Seeds the board and sets the levels the demo reads before its first sync wait.
    void start(sim::Board& board);

    void await_edge(sim::Board& board) override;
    // Both show the last picture and leave the page's line and restart button; the demo stays
    // suspended for good. Only the hand-over offers the run as a script.
    [[noreturn]] void hand_over(sim::Board& board) override;
    [[noreturn]] void process_exit(sim::Board& board, int status) override;

  private:
    InputTimeline timeline_;
    uint16_t seed_;
    PulseClock clock_;
    uint32_t due_ = 0;  // pulses due at the current animation frame and not yet begun
    InputRecorder recorder_;
};

// Draws what the display shows onto the canvas.
void present(const sim::Board& board);

}  // namespace frontends::web
