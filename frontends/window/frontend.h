#pragma once
// The window's side of the simulated board: sync pulses from the console's clock, the buttons of
// the keyboard, gamepads and the input timeline sampled at each rising edge, the picture shown;
// and the player's controls over the run: pause, a pulse at a time, fast-forward, rewind, slots.

#include <stdint.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "frontends/capture/outputs.h"
#include "frontends/common/script.h"
#include "frontends/window/pulses.h"
#include "frontends/window/rewind.h"
#include "frontends/window/video.h"
#include "platform/sim/board.h"
#include "platform/sim/snapshot.h"

namespace frontends::window {

// "plasmaballs (seed 42)", and what the run is doing after a dash when it is anything to tell.
std::string window_title(uint16_t seed, const std::string& state = "");

class WindowFrontend : public sim::Frontend {
  public:
    WindowFrontend(Video& video, Outputs& outputs, InputTimeline timeline);
    ~WindowFrontend() override;

    // A loaded slot needs a fresh run with its counter: thrown on the demo's stack from
    // await_edge; the run is begun again on the same board with that counter, and the load goes
    // on at its first wait.
    struct FreshRun {
        uint32_t counter;
    };

    void await_edge(sim::Board& board) override;
    // Shows the last picture before the run ends.
    [[noreturn]] void hand_over(sim::Board& board) override;

  private:
    // A load under way: the snapshot, the pulses that bring the run there, and where the input
    // recorder goes back to (a mark for a rewind, a whole record for a slot).
    struct Loading {
        sim::snapshot::Load load;
        std::variant<InputRecorder::Mark, InputRecorder::State> recorder;
        std::string notice;  // for the title once loaded
    };

    static int64_t real_now();
    static void sleep_until_real(int64_t real);
    void sleep_until(int64_t at) const;  // console time, on the running clock
    void fall(sim::Board& board);
    void wait_for_rise(sim::Board& board);
    // Paused with no pulse to advance, rewinding or loading: no pulse may rise.
    bool held() const;
    bool hold(sim::Board& board, int64_t real);
    void rise(sim::Board& board, uint32_t pulse);
    void show_display(const sim::Board& board);
    void handle_events(sim::Board& board);
    void press(sim::Board& board, int scancode, uint16_t modifiers);
    sim::Buttons live_buttons() const;
    void save_screenshot(const sim::Board& board) const;

    void keep_for_rewind(const sim::Board& board);
    bool step_back(sim::Board& board);
    void save_to_slot(const sim::Board& board, int number);
    void load_from_slot(sim::Board& board, int number);
    void begin_load(sim::Board& board, Loading loading);
    bool drive(sim::Board& board);
    void tell(const std::string& notice);
    void update_title(const sim::Board& board, int64_t real);

    Video& video_;
    Outputs& outputs_;
    InputTimeline timeline_;
    ConsoleClock clock_;
    bool started_ = false;  // the clock starts at the demo's first look at the sync
    uint32_t last_rise_ = 0;
    bool leaving_ = false;  // Escape or a close: START stays pressed until the demo leaves
    struct Gamepads;
    std::unique_ptr<Gamepads> gamepads_;
    sim::Picture scratch_;

    bool paused_ = false;
    int advances_ = 0;         // N while paused: a pulse each
    bool fast_ = false;        // Tab held
    bool rewinding_ = false;   // Backspace held
    bool step_asked_ = false;  // Backspace pressed: at least one step back, however short
    int64_t next_step_ = 0;    // real time of the next step back while Backspace is held
    int64_t next_show_ = 0;    // real time from which fast-forward shows a picture again
    // The window shows what the display holds now (paused, loaded), not what it held at the last
    // rise, which is the newest rewind entry's.
    bool showing_now_ = false;
    RewindRing ring_;
    std::optional<Loading> loading_;
    std::string notice_;  // a slot saved or loaded, in the title until notice_until_
    int64_t notice_until_ = 0;
    std::string title_;
};

}  // namespace frontends::window
