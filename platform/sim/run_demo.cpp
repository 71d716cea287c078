#include "platform/sim/run_demo.h"

#include "driver/demo.h"

namespace sim {

void prepare_demo(Board& board) {
    demo_reset();
    attach(&board);
}

DemoEnded run_demo(Board& board) {
    prepare_demo(board);
    try {
        demo_main();
    } catch (const DemoEnded& ended) {
        attach(nullptr);
        return ended;
    } catch (...) {
        attach(nullptr);
        throw;
    }
}

}  // namespace sim
