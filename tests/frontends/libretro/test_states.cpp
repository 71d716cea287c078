// Save states through the core's entry points, against a plain run: a run continued from a loaded
// state shows what the plain run showed and saves the states it saved; a state that cannot be is
// refused with one line, and the run goes on untouched.

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "fake_frontend.h"
#include "platform/sim/snapshot.h"
#include "support/run_demo.h"

namespace {

using pbtest::FakeFrontend;
using namespace pbtest::joypad;
using State = std::vector<uint8_t>;

// Seed 12: the stick from run 2, SELECT at run 5 (slow motion's sixteen waits follow runs 5 to
// 20), up-left from run 24, START from run 40 (the hand-over), then the last picture.
constexpr int kRuns = 44;
uint32_t held_at(int run) {
    return run >= 40   ? kStart
           : run >= 24 ? kUp | kLeft
           : run == 5  ? kRight | kSelect
           : run >= 2  ? kRight
                       : 0;
}

void start(FakeFrontend& frontend) {
    frontend.seed_value = "12";
    ASSERT_TRUE(frontend.load());
}

State save(FakeFrontend& frontend) {
    State state(frontend.api.serialize_size());
    EXPECT_TRUE(frontend.api.serialize(state.data(), state.size()));
    return state;
}

// The state after a run, followed by the frame it showed.
State after_run(FakeFrontend& frontend, int run) {
    frontend.run(held_at(run));
    State state = save(frontend);
    const uint64_t shown = pbtest::fnv1a(frontend.frame.data(), frontend.frame.size() * 4);
    state.insert(state.end(), (const uint8_t*)&shown, (const uint8_t*)&shown + 8);
    return state;
}

// plain[k]: the state after k runs, and for k > 0 the frame of run k.
std::vector<State> plain_run() {
    FakeFrontend frontend;
    start(frontend);
    std::vector<State> plain = {save(frontend)};
    for (int run = 1; run <= kRuns; ++run) {
        plain.push_back(after_run(frontend, run));
    }
    return plain;
}

State bare(State state) {
    state.resize(sim::snapshot::kBytes);
    return state;
}

TEST(States, ARunContinuesExactlyFromAStateSavedAtAnyMoment) {
    const std::vector<State> plain = plain_run();
    for (int wait = 1; wait <= 16; ++wait) {
        ASSERT_EQ(plain[4 + wait][21], wait) << "the states after runs 5 to 20 are in slow motion";
    }
    // Where the run goes between the save and the load: nowhere; one run on with the same buttons
    // (run-ahead); on with others, into slow motion; to its end; to a reset with another seed.
    const std::function<void(FakeFrontend&, int)> aways[] = {
        [](FakeFrontend&, int) {},
        [](FakeFrontend& f, int run) { f.run(held_at(run + 1)); },
        [](FakeFrontend& f, int) { f.run(kUp | kSelect), f.run(kDown); },
        [](FakeFrontend& f, int) { f.run(kStart); },
        [](FakeFrontend& f, int) {
            f.seed_value = "64", f.api.reset(), f.run(), f.seed_value = "12";
        },
    };
    for (size_t way = 0; way < std::size(aways); ++way) {
        FakeFrontend frontend;
        start(frontend);
        for (int run = 0; run < kRuns; ++run) {
            SCOPED_TRACE("way " + std::to_string(way) + ", saved after run " + std::to_string(run));
            const State state = save(frontend);
            ASSERT_EQ(state, bare(plain[run]));
            aways[way](frontend, run);
            ASSERT_TRUE(frontend.api.unserialize(state.data(), state.size()));
            ASSERT_EQ(after_run(frontend, run + 1), plain[run + 1]);
        }
        EXPECT_TRUE(frontend.log_lines.empty());
    }
}

TEST(States, AStateLoadsInAFreshProcessBeforeItsFirstRun) {
    const std::vector<State> plain = plain_run();
    for (int run = 0; run < kRuns; run += 3) {
        SCOPED_TRACE("saved after run " + std::to_string(run));
        const State state = bare(plain[run]);
        EXPECT_EXIT(  // in a child process, whose core is loaded with the seed option at "random"
            {
                FakeFrontend frontend;
                const bool loaded =
                    frontend.load() && frontend.api.unserialize(state.data(), state.size());
                _exit(loaded && after_run(frontend, run + 1) == plain[run + 1] ? 0 : 1);
            },
            testing::ExitedWithCode(0), "");
    }
}

TEST(States, AStateThatCannotBeIsRefusedWithOneLineAndTheRunGoesOn) {
    const std::vector<State> plain = plain_run();
    const State good = bare(plain[8]);  // slow motion's fourth wait, buffer B on display
    struct Case {
        const char* name;
        size_t at;
        uint8_t flip;  // the bits changed at `at`
        long size_change = 0;
    };
    const Case cases[] = {
        {"one byte short", 0, 0, -1},
        {"one byte more", 0, 0, 1},
        {"not a state", 0, 0x20},
        {"another format version", 8, 3},
        {"another size in the header", 13, 1},
        {"a stage past the end", 20, 2},
        {"a slow-motion wait past the sixteenth", 21, 0x10},
        {"before set-up, with a state", 20, 1},
        {"buttons the console lacks", 23, 0x80},
        {"a display address between the buffers", 28, 1},
        {"the plasma on display in slow motion", 30, 0x30},
        {"a scroll counter past 255", 33, 1},
        {"a background colour no run shows", 36 + 3 * 100, 1},
        {"a fixed colour changed", 36 + 3 * 12, 1},
        {"a rotation index off its angle", 804 + 24, 1},
    };
    FakeFrontend frontend;
    start(frontend);
    for (int run = 1; run <= 10; ++run) {
        frontend.run(held_at(run));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        State bad = good;
        bad[c.at] ^= c.flip;
        bad.push_back(0);
        const size_t lines = frontend.log_lines.size();
        EXPECT_FALSE(frontend.api.unserialize(bad.data(), good.size() + c.size_change));
        ASSERT_EQ(frontend.log_lines.size(), lines + 1);
        EXPECT_EQ(frontend.log_lines.back().find('\n'), frontend.log_lines.back().size() - 1);
    }
    for (int run = 11; run <= kRuns; ++run) {
        ASSERT_EQ(after_run(frontend, run), plain[run]) << "run " << run;
    }
}

}  // namespace
