// The browser side is reached through a handful of JavaScript calls (the page script defines what
// they do). The two that wait are suspensions: the call stack is put aside until the page wakes it.

#include "host/web/web_frontend.h"

#include <emscripten.h>

namespace {

// Bits of the page's controls, as page.js reports them.
constexpr uint32_t kControlUp = 1, kControlDown = 2, kControlLeft = 4, kControlRight = 8;
constexpr uint32_t kControlStart = 16, kControlSelect = 32;

static_assert(sizeof(host::Rgb) == 3, "the page reads the palette as 768 bytes");

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

namespace host::web {

void present(const Console& console) {
    web_present(console.display_pixels(), &console.palette()[0].r);
}

Buttons WebFrontend::buttons_at(uint32_t pulse) const {
    const uint32_t controls = web_controls();
    Buttons held = stick_contact(controls & kControlUp, controls & kControlDown,
                                 controls & kControlLeft, controls & kControlRight);
    if (controls & kControlStart) {
        held |= kStart;
    }
    if (controls & kControlSelect) {
        held |= kSelect;
    }
    return held | timeline_.at(pulse);
}

void WebFrontend::await_edge(Console& console) {
    if (console.sync_high()) {
        console.end_pulse();
        return;
    }
    // Several pulses may be due at one frame (a display slower than 60 Hz); the picture is
    // shown once, when the demo has caught up.
    while (due_ == 0) {
        present(console);
        web_wait_frame();
        due_ = clock_.frame(web_frame_time());
    }
    --due_;
    const uint32_t pulse = console.pulse() + 1;
    console.begin_pulse(pulse, buttons_at(pulse));
}

void WebFrontend::hand_over(Console& console) {
    present(console);
    web_ended(1, console.pulse(), 0);
    stay_suspended();
}

void WebFrontend::process_exit(Console& console, int status) {
    present(console);
    web_ended(0, console.pulse(), status);
    stay_suspended();
}

}  // namespace host::web
