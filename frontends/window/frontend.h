#pragma once
// The window's side of the simulated board: sync pulses from the console's clock, the buttons of
// the keyboard, gamepads and the input timeline sampled at each rising edge, the picture shown;
// SDL's events turned into the player's controls (PlayerControls), and the rewinds and slot loads
// they ask for carried out.

#include <stdint.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "frontends/capture/outputs.h"
#include "frontends/common/player_controls.h"
#include "frontends/common/script.h"
#include "frontends/window/controls.h"
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

    // Runs the demo on `board` until it hands over, again from set-up whenever a slot of another
    // seed is loaded; returns the exit status as run_to_hand_over() does.
    int run(sim::Board& board);

    void await_edge(sim::Board& board) override;
    // Shows the last picture before the run ends; keeps it, until the window is closed, when the
    // run file replayed ended the run.
    [[noreturn]] void hand_over(sim::Board& board) override;

  private:
    // A loaded slot needs a fresh run with its counter: thrown on the demo's stack from
    // await_edge, the one way out of a demo blocked in its wait; run() begins the run again on
    // the same board with that counter, and the load goes on at its first wait.
    struct FreshRun {
        uint32_t counter;
    };
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
    bool hold(sim::Board& board, int64_t real);
    void rise(sim::Board& board, uint32_t pulse);
    void show_display(const sim::Board& board);
    void handle_events(sim::Board& board);
    void obey(sim::Board& board, const Command& command);
    sim::Buttons live_buttons() const;
    void save_screenshot(const sim::Board& board) const;

    void keep_for_rewind(const sim::Board& board);
    bool step_back(sim::Board& board);
    void save_to_slot(const sim::Board& board, int number);
    void load_from_slot(sim::Board& board, int number);
    void begin_load(sim::Board& board, Loading loading);
    bool drive(sim::Board& board);
    void update_title(const sim::Board& board, int64_t real);
    void set_title(const sim::Board& board, const std::string& state);
    bool closing();

    Video& video_;
    Outputs& outputs_;
    InputTimeline timeline_;
    ConsoleClock clock_;
    bool started_ = false;  // the clock starts at the demo's first look at the sync
    uint32_t last_rise_ = 0;
    struct Gamepads;
    std::unique_ptr<Gamepads> gamepads_;
    sim::Picture scratch_;

    PlayerControls controls_;
    // The window shows what the display holds now (paused, loaded), not what it held at the last
    // rise, which is the newest rewind entry's.
    bool showing_now_ = false;
    RewindRing ring_;
    std::optional<Loading> loading_;  // holds the run, as the controls may
    std::string title_;
};

}  // namespace frontends::window
