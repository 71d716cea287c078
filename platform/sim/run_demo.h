#pragma once
// The demo run in this process on a simulated board: its state reset as at program start, the
// board attached to the platform calls, and the signal by which a front end ends the run.

#include "platform/sim/board.h"

namespace sim {

// How a run ended: through the hand-over to the menu, or by the demo ending the process.
struct DemoEnded {
    enum Kind { kHandOver, kExit } kind;
    int status;
};

// Resets the demo's state and attaches `board`, as a fresh process would find them.
void prepare_demo(Board& board);

// Prepares the demo on `board` and runs it until it ends. The board's front end must end the run
// by throwing DemoEnded from hand_over() and process_exit().
DemoEnded run_demo(Board& board);

}  // namespace sim
