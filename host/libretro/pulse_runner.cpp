// Where the demo stops: at a rising edge that this call's pulse has already used. Falls happen at
// once, so one call covers one rise, the frame drawn after it, and everything up to the next rise.
// The run ends by unwinding the coroutine's own stack (DemoEnded, as in the headless front end),
// caught at its base by run_demo: nothing is ever thrown from one stack to the other.

#include "host/libretro/pulse_runner.h"

#include <array>

namespace host::libretro {

PulseRunner::PulseRunner(uint32_t counter)
    : console_(*this), coroutine_([this] {
          try {
              ended_ = run_demo(console_);
          } catch (const Cancelled&) {
          }
      }) {
    console_.set_counter(counter);
}

PulseRunner::~PulseRunner() {
    if (started_ && !coroutine_.finished()) {
        cancelled_ = true;
        attach(&console_);
        try {
            coroutine_.resume();
        } catch (...) {
        }
    }
}

void PulseRunner::run_pulse(Buttons buttons) {
    if (coroutine_.finished()) {
        return;
    }
    buttons_ = buttons;
    pulse_due_ = true;
    if (!started_) {
        console_.set_buttons(buttons);
        started_ = true;
    }
    // Others may have used the platform calls since our last pulse.
    attach(&console_);
    coroutine_.resume();
}

void PulseRunner::await_edge(Console& console) {
    if (console.sync_high()) {
        console.end_pulse();
        return;
    }
    if (!pulse_due_) {
        coroutine_.suspend();
        if (cancelled_) {
            throw Cancelled{};
        }
    }
    pulse_due_ = false;
    console.begin_pulse(console.pulse() + 1, buttons_);
}

void PulseRunner::hand_over(Console&) {
    throw DemoEnded{DemoEnded::kHandOver, 0};
}

void PulseRunner::process_exit(Console&, int status) {
    throw DemoEnded{DemoEnded::kExit, status};
}

void to_xrgb8888(const Picture& picture, uint32_t* out) {
    std::array<uint32_t, 256> lookup;
    for (size_t i = 0; i < lookup.size(); ++i) {
        const Rgb& c = picture.palette[i];
        lookup[i] = (uint32_t)c.r << 16 | (uint32_t)c.g << 8 | c.b;
    }
    for (size_t i = 0; i < kPixels; ++i) {
        out[i] = lookup[picture.pixels[i]];
    }
}

}  // namespace host::libretro
