#pragma once
// The demo run in this process on a simulated board: its state reset as at program start, the
// board attached to the platform calls, and the run until it ends.

#include "platform/sim/board.h"

namespace sim {

// Resets the demo's state and attaches `board`, as a fresh process would find them.
void prepare_demo(Board& board);

// Prepares the demo on `board` and runs it until it ends: until its front end's hand_over() or
// process_exit() throws DemoEnded, as they do unless a front end overrides them.
DemoEnded run_demo(Board& board);

}  // namespace sim
