// The frame loop's observable behaviour on the headless console: when START is noticed, the
// slow-motion waits, which buffer is drawn first, and the hand-over.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/demo.h"
#include "hw/hw.h"
#include "scene/plasma.h"
#include "support/run_demo.h"

namespace {

struct Outcome {
    sim::DemoEnded ended;
    uint32_t pulses;
    int32_t frames;  // frames drawn, from the scroll counter (runs here stay under 256)
    uint32_t scan_address;
    std::vector<std::string> calls;
    std::vector<uint32_t> flip_pulses;  // pulses during which a flip was made
};

struct Options {
    std::string script;
    std::optional<uint32_t> frames;
    bool fail_open = false;
    bool fail_menu = false;
};

Options with(std::string script, std::optional<uint32_t> frames) {
    Options options;
    options.script = std::move(script);
    options.frames = frames;
    return options;
}

Outcome run(const Options& options) {
    frontends::HeadlessFrontend frontend(
        frontends::InputTimeline(frontends::parse_script(options.script), options.frames));
    pbtest::TestBoard board(frontend);
    board.fail_open = options.fail_open;
    board.fail_menu = options.fail_menu;
    frontend.prepare(board);
    Outcome outcome{};
    uint32_t last_scan = 0;
    frontend.on_pulse = [&](const sim::Board& c, uint32_t pulse) {
        if (c.scan_address() != last_scan && pulse > 1) {
            outcome.flip_pulses.push_back(pulse - 1);
        }
        last_scan = c.scan_address();
    };
    outcome.ended = sim::run_demo(board);
    outcome.pulses = board.pulse();
    outcome.frames = scroll_counter;
    outcome.scan_address = board.scan_address();
    outcome.calls = board.calls();
    return outcome;
}

const std::vector<std::string> kHandOver = {"munmap video 0xf00000", "munmap registers 0x10000",
                                            "close 3", "chdir /usr/gp2x",
                                            "execve /usr/gp2x/gp2xmenu null null"};

std::vector<std::string> tail(const std::vector<std::string>& calls, size_t n) {
    return std::vector<std::string>(calls.end() - (long)std::min(n, calls.size()), calls.end());
}

TEST(FrameLoop, StartHeldAtStartUpRunsSetUpThenHandsOver) {
    const Outcome o = run(with("", 0));
    EXPECT_EQ(o.ended.kind, sim::DemoEnded::kHandOver);
    EXPECT_EQ(o.pulses, 0u);
    EXPECT_EQ(o.frames, 0);
    EXPECT_EQ(o.scan_address, 0x03280000u) << "the plasma stays on screen";
    ASSERT_EQ(o.calls.size(), 8u);
    EXPECT_EQ(tail(o.calls, 5), kHandOver);
}

TEST(FrameLoop, FramesCountsPassesAndShowsBufferBFirst) {
    struct Case {
        uint32_t frames;
        uint32_t scan;
    };
    for (const Case c : {Case{1, 0x03180000}, Case{2, 0x03100000}, Case{7, 0x03180000}}) {
        const Outcome o = run(with("", c.frames));
        EXPECT_EQ(o.pulses, c.frames);
        EXPECT_EQ(o.frames, (int32_t)c.frames);
        EXPECT_EQ(o.scan_address, c.scan) << c.frames << " frames";
        EXPECT_EQ(tail(o.calls, 5), kHandOver);
    }
}

TEST(FrameLoop, SelectGivesSeventeenPulsesPerFrame) {
    const Outcome o = run(with("0 select\n", 40));
    // Passes begin at pulses 0, 17, 34 and 51; START from 40 is seen at 51.
    EXPECT_EQ(o.frames, 3);
    EXPECT_EQ(o.pulses, 51u);
    const std::vector<uint32_t> flips = {1, 18, 35};
    EXPECT_EQ(o.flip_pulses, flips);
}

TEST(FrameLoop, StartIsSeenOnlyAtTheTopOfAPass) {
    // START held only during pulses 5-9 falls inside the slow-motion waits and is missed;
    // the run ends at the first top of a pass that sees it again.
    const Outcome o = run(with("0 select\n5 start+select\n10 select\n30 start\n", std::nullopt));
    EXPECT_EQ(o.frames, 2);
    EXPECT_EQ(o.pulses, 34u);
}

TEST(FrameLoop, SelectReleasedResumesOneFramePerPulse) {
    const Outcome o = run(with("0 select\n17 none\n", 20));
    // One slow frame (pulses 1-17), then one frame per pulse from 18 to 20.
    EXPECT_EQ(o.frames, 4);
    EXPECT_EQ(o.pulses, 20u);
}

TEST(HandOver, FailedOpenGoesStraightToTheMenu) {
    Options options = with("", 5);
    options.fail_open = true;
    const Outcome o = run(options);
    EXPECT_EQ(o.ended.kind, sim::DemoEnded::kHandOver);
    const std::vector<std::string> calls = {"open /dev/mem 2", "chdir /usr/gp2x",
                                            "execve /usr/gp2x/gp2xmenu null null"};
    EXPECT_EQ(o.calls, calls);
    EXPECT_EQ(o.pulses, 0u);
}

TEST(HandOver, MissingMenuEndsTheProcessWithStatusOne) {
    Options options = with("", 1);
    options.fail_menu = true;
    const Outcome o = run(options);
    EXPECT_EQ(o.ended.kind, sim::DemoEnded::kExit);
    EXPECT_EQ(o.ended.status, 1);
    EXPECT_EQ(o.calls.back(), "exit 1");
}

TEST(Reset, RunsAreIndependentOfEachOther) {
    const pbtest::Run first = pbtest::run_headless(77, 12, "3 right\n8 up-left\n");
    pbtest::run_headless(5, 30, "0 down\n");
    const pbtest::Run again = pbtest::run_headless(77, 12, "3 right\n8 up-left\n");
    EXPECT_EQ(first.picture, again.picture);
    EXPECT_EQ(pbtest::fnv1a(first.video.data(), first.video.size()),
              pbtest::fnv1a(again.video.data(), again.video.size()));
}

}  // namespace
