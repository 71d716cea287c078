#include "bench_console.h"

#include <cstdlib>

#include "driver/demo.h"
#include "host/headless.h"

namespace bench {

void DemoConsole::Pulses::await_edge(host::Console& console) {
    if (console.sync_high()) {
        console.end_pulse();
    } else {
        console.begin_pulse(console.pulse() + 1, 0);
    }
}

void DemoConsole::Pulses::hand_over(host::Console&) {
    throw host::DemoEnded{host::DemoEnded::kHandOver, 0};
}

void DemoConsole::Pulses::process_exit(host::Console&, int status) {
    throw host::DemoEnded{host::DemoEnded::kExit, status};
}

DemoConsole::DemoConsole(uint16_t seed) : console_(pulses_) {
    console_.set_counter((uint32_t)seed << 16);
    demo_reset();
    host::attach(&console_);
    if (!hw_open()) {
        std::abort();  // the simulated console always opens
    }
    init_scene(&palette_);
}

DemoConsole::~DemoConsole() {
    demo_reset();
    host::attach(nullptr);
}

}  // namespace bench
