// The browser side is reached through a handful of JavaScript calls (the page script defines what
// they do). The two that wait are suspensions: the call stack is put aside until the page wakes it.

#include "frontends/web/web_frontend.h"

#include <emscripten.h>

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

EM_JS(void, web_ended, (int handed_over, uint32_t pulse, int status),
      { Module.pbPage.ended(handed_over, pulse >>> 0, status); });

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
    sim::Buttons held = sim::stick_contact(controls & kControlUp, controls & kControlDown,
                                           controls & kControlLeft, controls & kControlRight);
    if (controls & kControlStart) {
        held |= sim::kStart;
    }
    if (controls & kControlSelect) {
        held |= sim::kSelect;
    }
    return held | timeline_.at(pulse);
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
        due_ = clock_.frame(web_frame_time());
    }
    --due_;
    const uint32_t pulse = board.pulse() + 1;
    board.begin_pulse(pulse, buttons_at(pulse));
}

void WebFrontend::hand_over(sim::Board& board) {
    present(board);
    web_ended(1, board.pulse(), 0);
    stay_suspended();
}

void WebFrontend::process_exit(sim::Board& board, int status) {
    present(board);
    web_ended(0, board.pulse(), status);
    stay_suspended();
}

}  // namespace frontends::web
