// Save states through the core's entry points: a run continued from a loaded state shows, frame
// by frame, what the run that saved it showed; a state that cannot be is refused, the run
// untouched.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "fake_frontend.h"
#include "support/run_demo.h"

namespace {

using pbtest::FakeFrontend;
using pbtest::pad;
using State = std::vector<uint8_t>;

constexpr uint32_t kUp = pad(RETRO_DEVICE_ID_JOYPAD_UP);
constexpr uint32_t kDown = pad(RETRO_DEVICE_ID_JOYPAD_DOWN);
constexpr uint32_t kLeft = pad(RETRO_DEVICE_ID_JOYPAD_LEFT);
constexpr uint32_t kRight = pad(RETRO_DEVICE_ID_JOYPAD_RIGHT);
constexpr uint32_t kStart = pad(RETRO_DEVICE_ID_JOYPAD_START);
constexpr uint32_t kSelect = pad(RETRO_DEVICE_ID_JOYPAD_SELECT);
constexpr size_t kSlowWaitByte = 21;

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

void start(FakeFrontend& frontend, const char* seed = "12") {
    frontend.seed_value = seed;
    ASSERT_TRUE(frontend.load());
}

uint64_t shown(const FakeFrontend& frontend) {
    return pbtest::fnv1a(frontend.frame.data(), frontend.frame.size() * 4);
}

State save(FakeFrontend& frontend) {
    State state(frontend.api.serialize_size());
    EXPECT_TRUE(frontend.api.serialize(state.data(), state.size()));
    return state;
}

// The frames of runs from + 1 to kRuns, and the states after each if asked for.
std::vector<uint64_t> play(FakeFrontend& frontend, int from, std::vector<State>* states = nullptr) {
    std::vector<uint64_t> frames;
    for (int run = from + 1; run <= kRuns; ++run) {
        frontend.run(held_at(run));
        frames.push_back(shown(frontend));
        if (states != nullptr) {
            states->push_back(save(frontend));
        }
    }
    return frames;
}

struct Plain {
    std::vector<uint64_t> frames;  // of runs 1 to kRuns
    std::vector<State> states;     // after runs 0 to kRuns
};

Plain plain_run() {
    FakeFrontend frontend;
    start(frontend);
    Plain plain;
    plain.states.push_back(save(frontend));
    plain.frames = play(frontend, 0, &plain.states);
    return plain;
}

// What `body` returns, computed in a child process.
std::vector<uint64_t> in_child(const std::function<std::vector<uint64_t>()>& body) {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        const std::vector<uint64_t> frames = body();
        _exit(write(fds[1], frames.data(), frames.size() * 8) < 0 ? 1 : 0);
    }
    close(fds[1]);
    std::vector<uint64_t> frames;
    uint64_t frame;
    while (read(fds[0], &frame, 8) == 8) {
        frames.push_back(frame);
    }
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return frames;
}

TEST(States, ARunContinuesExactlyFromAStateSavedAtAnyMoment) {
    const Plain plain = plain_run();
    FakeFrontend frontend;
    start(frontend);
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE("saved after run " + std::to_string(run));
        const State state = save(frontend);
        EXPECT_EQ(state, plain.states[run]);
        if (run >= 5 && run <= 20) {
            EXPECT_EQ(state[kSlowWaitByte], run - 4);
        }
        // Lead the run elsewhere: on with other buttons, to its end, to another seed; or nowhere.
        switch (run % 4) {
            case 0:
                frontend.run(kUp | kSelect), frontend.run(kDown);
                break;
            case 1:
                frontend.run(kStart);
                break;
            case 2:
                frontend.seed_value = "64";
                frontend.api.reset();
                frontend.run();
                frontend.seed_value = "12";
                break;
        }
        ASSERT_TRUE(frontend.api.unserialize(state.data(), state.size()));
        EXPECT_EQ(save(frontend), state);
        frontend.run(held_at(run + 1));
        EXPECT_EQ(shown(frontend), plain.frames[run]);
    }
    EXPECT_TRUE(frontend.log_lines.empty());
}

TEST(States, AStateLoadsInAFreshProcessBeforeItsFirstRun) {
    const std::vector<uint64_t> expected = plain_run().frames;
    std::vector<std::pair<int, State>> states;
    {
        FakeFrontend frontend;
        start(frontend);
        for (int run = 0; run <= 41; ++run) {
            if (run == 0 || run == 12 || run == 30 || run == 41) {
                states.emplace_back(run, save(frontend));
            }
            frontend.run(held_at(run + 1));
        }
    }
    for (const auto& [run, state] : states) {
        SCOPED_TRACE("saved after run " + std::to_string(run));
        const std::vector<uint64_t> frames = in_child([&, run = run, &state = state] {
            FakeFrontend frontend;  // the seed option says "random"
            const bool loaded =
                frontend.load() && frontend.api.unserialize(state.data(), state.size());
            return loaded ? play(frontend, run) : std::vector<uint64_t>{};
        });
        EXPECT_EQ(frames, std::vector<uint64_t>(expected.begin() + run, expected.end()));
    }
}

TEST(States, OneFrameOfRunAheadShowsWhatAPlainRunShows) {
    const std::vector<uint64_t> expected = plain_run().frames;
    FakeFrontend frontend;
    start(frontend);
    for (int run = 1; run <= kRuns; ++run) {
        const State state = save(frontend);
        frontend.run(held_at(run));
        ASSERT_TRUE(frontend.api.unserialize(state.data(), state.size()));
        frontend.run(held_at(run));
        EXPECT_EQ(shown(frontend), expected[run - 1]) << "run " << run;
    }
}

TEST(States, AStateSavedAfterTheEndLoadsAsTheEnd) {
    FakeFrontend frontend;
    start(frontend, "3");
    for (uint32_t held : {0u, 0u, kRight, kRight, 0u, kStart}) {
        frontend.run(held);
    }
    const State ended = save(frontend);
    const std::vector<uint32_t> last = frontend.frame;
    frontend.api.reset();
    frontend.run(), frontend.run(), frontend.run();
    ASSERT_TRUE(frontend.api.unserialize(ended.data(), ended.size()));
    frontend.run(kRight);
    EXPECT_EQ(frontend.frame, last);
    // Asked to be closed when the run ended, and again when the loaded run is the ended one.
    EXPECT_EQ(frontend.shutdown_runs, (std::vector<unsigned>{6, 10}));
}

TEST(States, AStateThatCannotBeIsRefusedWithOneLineAndTheRunGoesOn) {
    const std::vector<uint64_t> expected = plain_run().frames;
    FakeFrontend frontend;
    start(frontend);
    for (int run = 1; run <= 8; ++run) {
        frontend.run(held_at(run));
    }
    const State good = save(frontend);  // at slow motion's fourth wait, buffer B on show
    frontend.run(held_at(9)), frontend.run(held_at(10));
    struct Case {
        const char* name;
        size_t at;
        uint8_t flip;  // the bits changed at `at`
        long size_change = 0;
    };
    const Case cases[] = {
        {"one byte short", 0, 0, -1},
        {"one byte more", 0, 0, 1},
        {"not a snapshot", 0, 0x20},
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        State bad = good;
        bad[c.at] ^= c.flip;
        bad.push_back(0);
        const size_t lines = frontend.log_lines.size();
        EXPECT_FALSE(frontend.api.unserialize(bad.data(), good.size() + c.size_change));
        ASSERT_EQ(frontend.log_lines.size(), lines + 1);
        EXPECT_EQ(frontend.log_lines.back().find('\n'), frontend.log_lines.back().size() - 1)
            << frontend.log_lines.back();
    }
    EXPECT_EQ(play(frontend, 10), std::vector<uint64_t>(expected.begin() + 10, expected.end()));
}

}  // namespace
