// Play outside what the simulation promises: speeds beyond the arena's bounds, and balls stacked
// on one point. The demo must go on drawing every frame, only ever into its frame buffers.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/sim/buttons.h"
#include "scene/balls.h"
#include "soak/soak_run.h"

namespace {

struct Runaway {
    const char* name;
    uint32_t pulses;
    std::vector<frontends::ButtonChange> script;
    std::function<void()> speeds;
    bool clips;  // squares must have reached off the buffer
};

// Holding a direction alone never gets there: the thrust acts like gravity and the balls bounce
// at a few pixels per frame. So the speeds are set at the start, and the held direction then
// sweeps them through the whole 32-bit range, wrapping.
void spread_over_the_whole_range() {
    for (int k = 0; k < BALL_COUNT; ++k) {
        balls[k].vx = (int32_t)(0x80000000u + (uint32_t)k * 0x5555555u);
        balls[k].vy = (int32_t)(0x7FFFFFFFu - (uint32_t)k * 0x3333333u);
    }
}

// Exactly at the bounds every step lands on a wall or stays inside; collisions can push a part
// beyond them, after which that axis is no longer bound to the arena.
void at_the_bounds() {
    for (int k = 0; k < BALL_COUNT; ++k) {
        balls[k].vx = k % 2 ? ARENA_RIGHT : -ARENA_RIGHT;
        balls[k].vy = k % 3 ? ARENA_BOTTOM : -ARENA_BOTTOM;
    }
}

TEST(BeyondTheBounds, EveryFrameIsDrawnAndOnlyIntoTheFrameBuffers) {
    const Runaway cases[] = {
        {"down-right held for 200,000 pulses, runaway speeds",
         200000,
         {{1, sim::kDownRight}},
         spread_over_the_whole_range,
         true},
        {"speeds at the bounds, nothing held", 20000, {}, at_the_bounds, false},
    };
    for (const Runaway& c : cases) {
        soak::Plan plan;
        plan.seed = 0xB0B;
        plan.pulses = c.pulses;
        plan.script = c.script;
        plan.after_setup = c.speeds;
        const soak::Report report = soak::run(plan);
        std::printf("%s: %u frames, %u ball axes beyond the bounds, %llu squares clipped\n", c.name,
                    report.frames, report.escaped_axes, (unsigned long long)report.clipped_squares);
        ASSERT_EQ(report.failure, "") << c.name;
        EXPECT_EQ(report.frames, c.pulses) << c.name;
        if (c.clips) {
            EXPECT_GT(report.escaped_axes, 0u) << c.name;
            EXPECT_GT(report.clipped_squares, 0u) << c.name;
        }
    }
}

struct Stack {
    const char* name;
    int32_t step;  // position units between neighbours, on both axes
    bool stays_together;
};

// All 48 balls on one point (or within 1/512 pixel of it, where the squared distance is 0)
// moving alike, through random thrust and slow motion; walls mirror every one of them alike.
TEST(CoincidentBalls, StacksNeverDivideByZeroOrHang) {
    const Stack cases[] = {
        {"one point", 0, true},
        {"47 steps of 85 units, under 1/512 pixel", 85, true},
        {"steps of 1/512 pixel, just apart", 4096, false},
    };
    for (const Stack& c : cases) {
        soak::Plan plan;
        plan.seed = 0xC01;
        plan.pulses = 3000;
        plan.script = soak::random_script(0xC01, plan.pulses);
        plan.after_setup = [&c] {
            for (int k = 0; k < BALL_COUNT; ++k) {
                balls[k].x = 0x10000000 + k * c.step;
                balls[k].y = 0x0C000000 + k * c.step;
                balls[k].vx = 0x30000;
                balls[k].vy = -0x50000;
            }
        };
        const soak::Report report = soak::run(plan);
        ASSERT_EQ(report.failure, "") << c.name;
        if (c.stays_together) {
            // No pair was resolved: they still lie within 1/512 pixel of each other.
            const auto [left, right] =
                std::minmax_element(std::begin(balls), std::end(balls),
                                    [](const Ball& a, const Ball& b) { return a.x < b.x; });
            const auto [top, bottom] =
                std::minmax_element(std::begin(balls), std::end(balls),
                                    [](const Ball& a, const Ball& b) { return a.y < b.y; });
            EXPECT_LT(right->x - left->x, 4096) << c.name;
            EXPECT_LT(bottom->y - top->y, 4096) << c.name;
        }
    }
}

}  // namespace
