// The browser side is reached through a handful of JavaScript calls (the page script defines what
// they do). The two that wait are suspensions: the call stack is put aside until the page wakes it.

#include "frontends/web/web_frontend.h"

#include <emscripten.h>

#include <string>

#include "frontends/common/controls.h"
#include "frontends/common/saved_run.h"

namespace {

// A frame of skipping runs pulses for this long before the browser has its turn, and at most
// this many (a page clock that stands still does not hold it up).
constexpr double kSkipMsPerFrame = 12;
constexpr uint32_t kSkipPulsesPerFrame = 3600;

// What page.js shows for each state.
enum PageState { kStateRunning, kStateReplaying, kStatePaused, kStateAtEnd };

// Bits of the page's controls, as page.js reports them.
constexpr uint32_t kControlUp = 1, kControlDown = 2, kControlLeft = 4, kControlRight = 8;
constexpr uint32_t kControlStart = 16, kControlSelect = 32;

static_assert(sizeof(sim::Rgb) == 3, "the page reads the palette as 768 bytes");

}  // namespace

EM_JS(uint32_t, web_controls, (), { return Module.pbPage.controls(); });

// `pulse` tells a new picture from the same one shown again.
EM_JS(void, web_present, (const uint8_t* pixels, const uint8_t* palette, uint32_t pulse),
      { Module.pbPage.present(HEAPU8, pixels, palette, pulse >>> 0); });

// Suspends until the next animation frame; its timestamp is web_frame_time().
EM_JS(void, web_wait_frame, (),
      { Asyncify.handleSleep(function(wakeUp) { Module.pbPage.nextFrame(wakeUp); }); });

EM_JS(double, web_frame_time, (), { return Module.pbPage.frameTime; });

// True once after the page was hidden: the clock stood still meanwhile.
EM_JS(int, web_clock_stopped, (), { return Module.pbPage.takeStop() ? 1 : 0; });

// `lines` (the saved script's change lines) is null when the run did not hand over.
EM_JS(void, web_ended,
      (int handed_over, uint32_t pulse, int status, uint32_t seed, const char* lines), {
          Module.pbPage.ended(handed_over, pulse >>> 0, status, seed >>> 0,
                              lines ? UTF8ToString(lines) : null);
      });

// What the run does now (a PageState) and the pulse on show.
EM_JS(void, web_state, (int state, uint32_t pulse), { Module.pbPage.state(state, pulse >>> 0); });

// Suspends for good: nothing ever wakes it.
EM_JS(void, web_suspend_forever, (), { Asyncify.handleSleep(function(){}); });

namespace {

[[noreturn]] void stay_suspended() {
    for (;;) {
        web_suspend_forever();
    }
}

}  // namespace

namespace frontends::web {

void present(const sim::Board& board) {
    web_present(board.display_pixels(), &board.palette()[0].r, board.pulse());
}

sim::Buttons WebFrontend::buttons_at(uint32_t pulse) const {
    const uint32_t controls = web_controls();
    Held page;
    page.up = controls & kControlUp;
    page.down = controls & kControlDown;
    page.left = controls & kControlLeft;
    page.right = controls & kControlRight;
    page.start = controls & kControlStart;
    page.select = controls & kControlSelect;
    return timeline_.with_player(pulse, console_buttons(page));
}

void WebFrontend::start(sim::Board& board) {
    board.set_counter(sim::counter_for_seed(seed_));
    const sim::Buttons levels = buttons_at(0);
    recorder_.pins_read(sim::kAllButtons, levels);
    board.set_buttons(levels);
    phase_ = Phase::kRunning;
}

void WebFrontend::await_edge(sim::Board& board) {
    if (board.sync_high()) {
        board.end_pulse();
        return;
    }
    const uint32_t pulse = board.pulse() + 1;
    reach_end(pulse);
    wait_for_rise(board);
    // Pulses follow one another without gaps, so pulse k is the demo's k-th wait, as headless;
    // and the levels change only where a pulse begins, so the script keeps what was held, pulse
    // by pulse, as if the demo read every button in every interval.
    const sim::Buttons levels = buttons_at(pulse);
    recorder_.rise_seen();
    recorder_.pins_read(sim::kAllButtons, levels);
    board.begin_pulse(pulse, levels);
}

// Several pulses may be due at one frame (a display slower than 60 Hz); the picture is shown
// once, when the demo has caught up. Held, the clock stands still; a pulse asked for while paused
// rises at the next frame, and a skipping replay runs its pulses frame after frame.
void WebFrontend::wait_for_rise(sim::Board& board) {
    for (;;) {
        controls_.holding(false, false);
        tell_state(board);
        if (controls_.held()) {
            due_ = 0;
        } else if (controls_.rise_at_once()) {
            controls_.rising();
            return;
        } else if (skipping(board)) {
            if (skip_left_ > 0 && emscripten_get_now() < skip_until_) {
                --skip_left_;
                return;
            }
        } else if (due_ > 0) {
            --due_;
            return;
        }
        present(board);
        web_wait_frame();
        if (web_clock_stopped()) {
            clock_.pause();
        }
        if (controls_.held() || skipping(board)) {
            clock_.pause();
            skip_until_ = emscripten_get_now() + kSkipMsPerFrame;
            skip_left_ = kSkipPulsesPerFrame;
        } else {
            due_ = clock_.frame(web_frame_time());
        }
    }
}

void WebFrontend::reach_end(uint32_t pulse) {
    const std::optional<uint32_t> end = timeline_.player_from();
    if (end_reached_ || !end || pulse < *end) {
        return;
    }
    end_reached_ = true;
    skip_ = false;
    if (!controls_.paused()) {
        controls_.press(PlayerControls::Key::kPause);
    }
    at_end_ = true;
}

bool WebFrontend::skipping(const sim::Board& board) const {
    return skip_ && timeline_.replaying(board.pulse() + 1);
}

void WebFrontend::tell_state(const sim::Board& board) {
    const int state = controls_.paused() ? (at_end_ ? kStateAtEnd : kStatePaused)
                      : timeline_.replaying(board.pulse() + 1) ? kStateReplaying
                                                               : kStateRunning;
    if (state != told_ ||
        ((state == kStatePaused || state == kStateAtEnd) && board.pulse() != told_pulse_)) {
        told_ = state;
        told_pulse_ = board.pulse();
        web_state(state, board.pulse());
    }
}

void WebFrontend::press(PageKey key) {
    if (phase_ != Phase::kRunning) {
        return;
    }
    at_end_ = false;
    switch (key) {
        case PageKey::kPause:
            controls_.press(PlayerControls::Key::kPause);
            break;
        case PageKey::kStep:
            controls_.press(PlayerControls::Key::kAdvance);
            break;
        case PageKey::kSkip:
            skip_ = true;
            skip_until_ = 0;
            if (controls_.paused()) {
                controls_.press(PlayerControls::Key::kPause);
            }
            break;
    }
}

std::optional<Run> WebFrontend::run_so_far() const {
    if (phase_ != Phase::kRunning && phase_ != Phase::kHandedOver) {
        return std::nullopt;
    }
    Run run{seed_, recorder_.changes(), std::nullopt};
    if (phase_ == Phase::kRunning) {
        run.end = recorder_.interval() + 1;
    }
    return run;
}

std::string WebFrontend::file_name() const {
    return "plasmaballs-" + std::to_string(seed_) + "-" + std::to_string(recorder_.interval()) +
           ".pbrun";
}

std::string WebFrontend::file() const {
    return saved_run(seed_, recorder_, file_name(),
                     phase_ == Phase::kHandedOver ? RunEnd::kHandOver : RunEnd::kPlayer);
}

void WebFrontend::hand_over(sim::Board& board) {
    phase_ = Phase::kHandedOver;
    present(board);
    const std::string lines = script_lines(recorder_.changes());
    web_ended(1, board.pulse(), 0, seed_, lines.c_str());
    stay_suspended();
}

void WebFrontend::process_exit(sim::Board& board, int status) {
    phase_ = Phase::kStopped;
    present(board);
    web_ended(0, board.pulse(), status, seed_, nullptr);
    stay_suspended();
}

}  // namespace frontends::web
