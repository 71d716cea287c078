#pragma once
// A run of the demo with its outputs: watched while it runs, finished when it hands over.

#include <functional>

#include "frontends/capture/outputs.h"
#include "platform/sim/board.h"

namespace frontends {

// Runs the demo on `board` and, when it leaves through the hand-over or its front end stops it,
// finishes the outputs; returns the exit status (the demo's own when it ended the process itself).
// `ended`, if given, is called as soon as the demo has ended, before the outputs are finished.
int run_to_hand_over(sim::Board& board, Outputs& outputs, const std::function<void()>& ended = {});

}  // namespace frontends
