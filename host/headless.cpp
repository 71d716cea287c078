// Headless pulses: every wait consumes exactly one pulse, as if each frame fit in one refresh.

#include "host/headless.h"

#include "driver/demo.h"

namespace host {

DemoEnded run_demo(Console& console) {
    demo_reset();
    attach(&console);
    try {
        demo_main();
    } catch (const DemoEnded& ended) {
        attach(nullptr);
        return ended;
    } catch (...) {
        attach(nullptr);
        throw;
    }
}

void HeadlessFrontend::await_edge(Console& console) {
    if (console.sync_high()) {
        console.end_pulse();
        return;
    }
    const uint32_t pulse = console.pulse() + 1;
    console.begin_pulse(pulse, timeline_.at(pulse));
    if (on_pulse) {
        on_pulse(console, pulse);
    }
}

void HeadlessFrontend::hand_over(Console&) {
    throw DemoEnded{DemoEnded::kHandOver, 0};
}

void HeadlessFrontend::process_exit(Console&, int status) {
    throw DemoEnded{DemoEnded::kExit, status};
}

}  // namespace host
