// The watcher is taken off before the outputs are finished: nothing the finishing reads may count
// as the demo's input.

#include "frontends/capture/recorded_run.h"

#include "platform/sim/run_demo.h"

namespace frontends {

int run_to_hand_over(sim::Board& board, Outputs& outputs, const std::function<void()>& ended) {
    outputs.watch(board);
    const sim::DemoEnded end = sim::run_demo(board);
    board.watch_reads(nullptr);
    if (ended) {
        ended();
    }
    if (end.kind == sim::DemoEnded::kExit) {
        return end.status;
    }
    outputs.finish(board,
                   end.kind == sim::DemoEnded::kStopped ? RunEnd::kPlayer : RunEnd::kHandOver);
    return 0;
}

}  // namespace frontends
