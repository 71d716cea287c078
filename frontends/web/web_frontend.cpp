// The browser side is reached through a handful of JavaScript calls (the page script defines what
// they do). The two that wait are suspensions: the call stack is put aside until the page wakes it.

#include "frontends/web/web_frontend.h"

#include <emscripten.h>

#include <string>

#include "frontends/common/controls.h"
#include "frontends/common/saved_run.h"

namespace {

// Bits of the page's controls, as page.js reports them.
constexpr uint32_t kControlUp = 1, kControlDown = 2, kControlLeft = 4, kControlRight = 8;
constexpr uint32_t kControlStart = 16, kControlSelect = 32;

static_assert(sizeof(sim::Rgb) == 3, "the page reads the palette as 768 bytes");

}  // namespace

EM_JS(uint32_t, web_controls, (), { return Module.pbPage.controls(); });

EM_JS(void, web_present, (const uint8_t* pixels, const uint8_t* palette),
      { Module.pbPage.present(HEAPU8, pixels, palette); });

// Suspends until the next animation frame; its timestamp is web_frame_time().
EM_JS(void, web_wait_frame, (),
      { Asyncify.handleSleep(function(wakeUp) { Module.pbPage.nextFrame(wakeUp); }); });

EM_JS(double, web_frame_time, (), { return Module.pbPage.frameTime; });

// True once after the page was hidden: the clock stood still meanwhile.
EM_JS(int, web_clock_stopped, (), { return Module.pbPage.takeStop() ? 1 : 0; });

// `lines` and `file` (the saved script's change lines and whole text) are null when the run
// did not hand over.
EM_JS(void, web_ended,
      (int handed_over, uint32_t pulse, int status, uint32_t seed, const char* lines,
       const char* file, const char* file_name),
      {
          Module.pbPage.ended(handed_over, pulse >>> 0, status, seed >>> 0,
                              lines ? UTF8ToString(lines) : null, file ? UTF8ToString(file) : null,
                              file_name ? UTF8ToString(file_name) : null);
      });

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
    web_present(board.display_pixels(), &board.palette()[0].r);
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
}

void WebFrontend::await_edge(sim::Board& board) {
    if (board.sync_high()) {
        board.end_pulse();
        return;
    }
    // Several pulses may be due at one frame (a display slower than 60 Hz); the picture is
    // shown once, when the demo has caught up.
    while (due_ == 0) {
        present(board);
        web_wait_frame();
        if (web_clock_stopped()) {
            clock_.pause();
        }
        due_ = clock_.frame(web_frame_time());
    }
    --due_;
    // Pulses follow one another without gaps, so pulse k is the demo's k-th wait, as headless;
    // and the levels change only where a pulse begins, so the script keeps what was held, pulse
    // by pulse, as if the demo read every button in every interval.
    const uint32_t pulse = board.pulse() + 1;
    const sim::Buttons levels = buttons_at(pulse);
    recorder_.rise_seen();
    recorder_.pins_read(sim::kAllButtons, levels);
    board.begin_pulse(pulse, levels);
}

void WebFrontend::hand_over(sim::Board& board) {
    present(board);
    const std::string file_name =
        "plasmaballs-" + std::to_string(seed_) + "-" + std::to_string(board.pulse()) + ".pbrun";
    const std::string lines = script_lines(recorder_.changes());
    const std::string file = saved_run(seed_, recorder_, file_name);
    web_ended(1, board.pulse(), 0, seed_, lines.c_str(), file.c_str(), file_name.c_str());
    stay_suspended();
}

void WebFrontend::process_exit(sim::Board& board, int status) {
    present(board);
    web_ended(0, board.pulse(), status, seed_, nullptr, nullptr, nullptr);
    stay_suspended();
}

}  // namespace frontends::web
