// The long run: a million pulses of random buttons (a hundred thousand under the sanitizers),
// every frame checked; and proof that the checks catch what they guard.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "hw/hw.h"
#include "platform/sim/buttons.h"
#include "scene/balls.h"
#include "scene/palette.h"
#include "soak/soak_run.h"

#ifndef SOAK_PULSES
#define SOAK_PULSES 1000000
#endif

namespace {

// PLASMABALLS_SOAK_PULSES overrides the build's count, for longer runs by hand.
uint32_t soak_pulses() {
    if (const char* text = std::getenv("PLASMABALLS_SOAK_PULSES")) {
        return (uint32_t)std::strtoul(text, nullptr, 10);
    }
    return SOAK_PULSES;
}

std::string script_text(const std::vector<frontends::ButtonChange>& script) {
    std::string text = "# random soak script\n";
    for (const frontends::ButtonChange& change : script) {
        text += std::to_string(change.pulse) + " " + sim::buttons_to_string(change.buttons) + "\n";
    }
    return text;
}

TEST(Soak, RandomButtonScript) {
    const uint32_t pulses = soak_pulses();
    constexpr uint64_t kScriptSeed = 0x50A4;
    soak::Plan plan;
    plan.seed = 0x2F1D;
    plan.pulses = pulses;
    // Through the script format, as a user's file would come.
    plan.script = frontends::parse_script(script_text(soak::random_script(kScriptSeed, pulses)));
    const soak::Report report = soak::run(plan);
    std::printf(
        "soak: seed %u, script seed %#llx: %u pulses, %u frames (%u pulses in slow "
        "motion), %zu script lines, fastest %.2f pixels per frame\n",
        plan.seed, (unsigned long long)kScriptSeed, report.pulses, report.frames,
        report.slow_pulses, plan.script.size(), report.fastest / 2097152.0);
    ASSERT_EQ(report.failure, "");
    // START ends the run at the first pass from `pulses` on, after any slow-motion wait.
    EXPECT_GE(report.pulses, pulses);
    EXPECT_LE(report.pulses, pulses + 16);
    EXPECT_EQ(report.frames + report.slow_pulses, report.pulses);
    EXPECT_GT(report.slow_pulses, pulses / 10);
    // Play alone never leaves the speed bounds.
    EXPECT_EQ(report.escaped_axes, 0u);
}

struct Tamper {
    const char* name;
    std::function<void()> change;
    const char* found;
};

TEST(SoakChecks, CatchWhatTheyGuard) {
    const Tamper cases[] = {
        {"background", [] { video_window()[BACKGROUND_OFFSET + 1000] ^= 1; }, "background"},
        {"rotation table", [] { video_window()[ROTATION_TABLE_OFFSET + 300] ^= 1; }, "table"},
        {"palette entry never set", [] { palette_red[5] = 7; }, "palette entry 5"},
        // Beyond twice the arena the wall mirrors it outside, while its speed is 0.
        {"ball off the arena",
         [] {
             balls[3].x = 3 * ARENA_RIGHT;
             balls[3].vx = 0;
         },
         "arena"},
    };
    for (const Tamper& c : cases) {
        soak::Plan plan;
        plan.pulses = 5;
        plan.after_setup = c.change;
        const soak::Report report = soak::run(plan);
        EXPECT_NE(report.failure.find(c.found), std::string::npos)
            << c.name << ": " << report.failure;
    }
}

TEST(SoakChecksDeathTest, AStrayWriteIntoGuardedVideoMemoryStopsTheRun) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            soak::Plan plan;
            plan.pulses = 5;
            // The middle of the largest gap, pages away from every area.
            plan.after_setup = [] { video_window()[VIDEO_WINDOW_BYTES / 2] = 1; };
            soak::run(plan);
        },
        "");
}

}  // namespace
