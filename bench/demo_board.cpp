#include "demo_board.h"

#include <cstdlib>

#include "driver/demo.h"
#include "platform/sim/run_demo.h"

namespace bench {

DemoBoard::DemoBoard(uint16_t seed) : board_(pulses_) {
    board_.set_counter(sim::counter_for_seed(seed));
    sim::prepare_demo(board_);
    if (!hw_open()) {
        std::abort();  // the simulated board always opens
    }
    init_scene(&palette_);
}

DemoBoard::~DemoBoard() {
    demo_reset();
    sim::attach(nullptr);
}

}  // namespace bench
