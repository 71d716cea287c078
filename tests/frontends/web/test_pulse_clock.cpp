// Pulses on animation frames: 60 per second of frame time at any display rate, and no rush after
// a gap.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "frontends/web/pulse_clock.h"

namespace {

using frontends::web::PulseClock;

// A display at `hertz` whose frame timestamps are off their beat by up to `jitter` ms.
struct Display {
    double hertz;
    double jitter;
};

// Feeds `frames` frames from `start` on; returns the pulses they brought, the most at one in *most.
uint32_t run(PulseClock& clock, Display display, double start, int frames, uint32_t* most) {
    uint32_t total = 0;
    for (int i = 0; i < frames; ++i) {
        const double wobble = display.jitter * std::sin(i * 2.39996);  // spread over the range
        const uint32_t due = clock.frame(start + i * 1000.0 / display.hertz + wobble);
        total += due;
        *most = std::max(*most, due);
    }
    return total;
}

TEST(PulseClock, SixtyPulsesPerSecondAtAnyDisplayRate) {
    const struct {
        Display display;
        uint32_t most;  // pulses at one frame, at most
    } cases[] = {
        {{60, 0}, 1},    {{60, 3}, 1}, {{59.94, 1}, 2}, {{120, 1}, 1},
        {{144, 0.5}, 1}, {{50, 1}, 2}, {{30, 2}, 2},    {{75, 0}, 1},
    };
    for (const auto& c : cases) {
        PulseClock clock;
        const int frames = (int)std::lround(c.display.hertz * 10);  // ten seconds
        uint32_t most = 0;
        const uint32_t total = run(clock, c.display, 12345.678, frames, &most);
        // Ten seconds of frames span 600 pulse periods less one frame; the first frame brings one.
        EXPECT_NEAR(total, 600.0 - 60.0 / c.display.hertz + 1, 1.0) << c.display.hertz;
        EXPECT_LE(most, c.most) << c.display.hertz;
        EXPECT_EQ(clock.pulses(), total);
    }
}

TEST(PulseClock, EveryFrameOfASixtyHertzDisplayBringsOnePulse) {
    PulseClock clock;
    for (int i = 0; i < 1000; ++i) {
        const double jitter = (i % 3 - 1) * 4.0;  // up to a quarter of a frame either way
        ASSERT_EQ(clock.frame(500 + i * 1000.0 / 60 + jitter), 1u) << i;
    }
}

TEST(PulseClock, GapsAreLetGoAfterAShortCatchUp) {
    PulseClock clock;
    EXPECT_EQ(clock.frame(1000), 1u);
    EXPECT_EQ(clock.frame(1000 + 1000.0 / 60), 1u);
    // A tab hidden for a minute: the next frame catches up a little and no more.
    EXPECT_EQ(clock.frame(61000), PulseClock::kMaxCatchUp);
    EXPECT_EQ(clock.pulses(), 2 + PulseClock::kMaxCatchUp);
    // From there the beat goes on from the new frame.
    for (int i = 1; i <= 60; ++i) {
        ASSERT_EQ(clock.frame(61000 + i * 1000.0 / 60), 1u) << i;
    }
    // A stall of three pulses is caught up whole.
    EXPECT_EQ(clock.frame(62000 + 3 * 1000.0 / 60), 3u);
}

TEST(PulseClock, APauseLetsNoTimePass) {
    PulseClock clock;
    EXPECT_EQ(clock.frame(1000), 1u);
    EXPECT_EQ(clock.frame(1000 + 1000.0 / 60), 1u);
    // Hidden for a minute: the first frame shown again brings the next pulse only, and the beat
    // goes on from that frame.
    clock.pause();
    EXPECT_EQ(clock.frame(61000), 1u);
    for (int i = 1; i <= 60; ++i) {
        ASSERT_EQ(clock.frame(61000 + i * 1000.0 / 60), 1u) << i;
    }
    EXPECT_EQ(clock.pulses(), 63u);
    // A pause before the very first frame changes nothing.
    PulseClock fresh;
    fresh.pause();
    EXPECT_EQ(fresh.frame(5), 1u);
    EXPECT_EQ(fresh.frame(5 + 1000.0 / 60), 1u);
}

TEST(PulseClock, TimeGoingBackBringsNothing) {
    PulseClock clock;
    EXPECT_EQ(clock.frame(5000), 1u);
    EXPECT_EQ(clock.frame(4000), 0u);
    EXPECT_EQ(clock.frame(5000), 0u);
    EXPECT_EQ(clock.frame(5000 + 1000.0 / 60), 1u);
}

}  // namespace
