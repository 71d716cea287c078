// pb_demo_run SEED FRAMES: the run of `plasmaballs --headless --seed SEED --frames FRAMES`, with
// no output, linking nothing but the demo, the board and its headless driver, so that counting
// instructions under valgrind meets no other library's start-up code (make bench).

#include <stdint.h>

#include <cstdio>

#include "frontends/common/decimal.h"
#include "frontends/common/headless.h"
#include "platform/sim/run_demo.h"

int main(int argc, char** argv) {
    using frontends::parse_decimal;
    const auto seed = argc == 3 ? parse_decimal(argv[1], UINT16_MAX) : std::nullopt;
    const auto frames = argc == 3 ? parse_decimal(argv[2], UINT32_MAX) : std::nullopt;
    if (!seed || !frames) {
        std::fputs("usage: pb_demo_run SEED FRAMES (SEED 0-65535, FRAMES 0-4294967295)\n", stderr);
        return 2;
    }
    frontends::HeadlessFrontend frontend(frontends::InputTimeline({}, (uint32_t)*frames));
    sim::Board board(frontend);
    board.set_counter((uint32_t)*seed << 16);
    frontend.prepare(board);
    const sim::DemoEnded end = sim::run_demo(board);
    return end.kind == sim::DemoEnded::kExit ? end.status : 0;
}
