#include "bench_console.h"

#include <cstdlib>

#include "driver/demo.h"

namespace bench {

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
