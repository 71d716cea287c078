// Falls follow at once; a rise is the next pulse, numbered from the board's last.

#include "frontends/common/headless.h"

namespace frontends {

void HeadlessFrontend::await_edge(sim::Board& board) {
    if (board.sync_high()) {
        board.end_pulse();
        return;
    }
    const uint32_t pulse = board.pulse() + 1;
    // No player takes over from a replay here: the run stops on the picture the replay ends with.
    if (timeline_.player_from() && pulse >= *timeline_.player_from()) {
        throw sim::DemoEnded{sim::DemoEnded::kStopped, 0};
    }
    board.begin_pulse(pulse, timeline_.at(pulse));
    if (on_pulse) {
        on_pulse(board, pulse);
    }
}

}  // namespace frontends
