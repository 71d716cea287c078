#pragma once
// The front end of the browser build: pulses on animation frames (the demo suspends in between),
// buttons from the keyboard, gamepads, touch controls and the page's script or replayed run, the
// display drawn onto the canvas, pause and a pulse at a time, a replay skipped to its end, and the
// levels of every pulse kept, to be shared or saved as a run at any moment.

#include <stdint.h>

#include <string>

#include "frontends/common/input_recorder.h"
#include "frontends/common/player_controls.h"
#include "frontends/common/script.h"
#include "frontends/web/pulse_clock.h"
#include "platform/sim/board.h"

namespace frontends::web {

class WebFrontend : public sim::Frontend {
  public:
    WebFrontend(InputTimeline timeline, uint16_t seed)
        : timeline_(std::move(timeline)), seed_(seed) {}

    // What is held at this pulse: the script's buttons and the page's controls, or in a replay
    // the run's alone until it ends.
    sim::Buttons buttons_at(uint32_t pulse) const;
    // Seeds the board and sets the levels the demo reads before its first sync wait.
    void start(sim::Board& board);

    void await_edge(sim::Board& board) override;
    // Both show the last picture and leave the page's line and restart button; the demo stays
    // suspended for good. Only the hand-over offers the run as a script.
    [[noreturn]] void hand_over(sim::Board& board) override;
    [[noreturn]] void process_exit(sim::Board& board, int status) override;

    // The page's own controls, pressed while the demo waits for a frame: pause or resume, one
    // pulse on while paused, and a replay run as fast as the page can to where it ends.
    enum class PageKey { kPause, kStep, kSkip };
    void press(PageKey key);

    // The run so far: every change the demo read and, unless it handed over, the end where the
    // player takes over (the pulse after the one on show). None before the run starts or after it
    // stopped without a hand-over.
    std::optional<Run> run_so_far() const;
    // The run so far as a run file, and the name to save it as.
    std::string file() const;
    std::string file_name() const;

  private:
    enum class Phase { kWaiting, kRunning, kHandedOver, kStopped };

    void wait_for_rise(sim::Board& board);
    // Pauses the run where a replay gives way to the player, before `pulse` rises.
    void reach_end(uint32_t pulse);
    bool skipping(const sim::Board& board) const;
    void tell_state(const sim::Board& board);

    InputTimeline timeline_;
    uint16_t seed_;
    PulseClock clock_;
    PlayerControls controls_;
    Phase phase_ = Phase::kWaiting;
    uint32_t due_ = 0;  // pulses due at the current animation frame and not yet begun
    bool skip_ = false;
    bool end_reached_ = false;
    bool at_end_ = false;     // paused by the replay's end, and nothing pressed since
    double skip_until_ = 0;   // when a frame's skipping gives the browser its turn
    uint32_t skip_left_ = 0;  // pulses this frame may still skip
    int told_ = -1;           // the state and pulse last told to the page
    uint32_t told_pulse_ = 0;
    InputRecorder recorder_;
};

// Draws what the display shows onto the canvas.
void present(const sim::Board& board);

}  // namespace frontends::web
