#pragma once
// The demo set up on a headless simulated board, for timing its pieces: pulses advance one per
// wait and no button is held.

#include "frontends/common/headless.h"
#include "hw/hw.h"
#include "platform/sim/board.h"

namespace bench {

class DemoBoard {
  public:
    // Resets the demo, attaches a fresh board, opens the hardware and runs the whole set-up.
    explicit DemoBoard(uint16_t seed = 0);
    ~DemoBoard();
    DemoBoard(const DemoBoard&) = delete;
    DemoBoard& operator=(const DemoBoard&) = delete;

    sim::Board& board() { return board_; }
    PaletteStore& palette() { return palette_; }

  private:
    frontends::HeadlessFrontend pulses_{frontends::InputTimeline()};  // no button, ever
    sim::Board board_;
    PaletteStore palette_{};
};

}  // namespace bench
