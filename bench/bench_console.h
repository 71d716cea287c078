#pragma once
// The demo set up on a headless simulated console, for timing its pieces: pulses advance one
// per wait and no button is held.

#include "host/console.h"
#include "host/headless.h"
#include "hw/hw.h"

namespace bench {

class DemoConsole {
  public:
    // Resets the demo, attaches a fresh console, opens the hardware and runs the whole set-up.
    explicit DemoConsole(uint16_t seed = 0);
    ~DemoConsole();
    DemoConsole(const DemoConsole&) = delete;
    DemoConsole& operator=(const DemoConsole&) = delete;

    host::Console& console() { return console_; }
    PaletteStore& palette() { return palette_; }

  private:
    host::HeadlessFrontend pulses_{host::InputTimeline()};  // no button, ever
    host::Console console_;
    PaletteStore palette_{};
};

}  // namespace bench
