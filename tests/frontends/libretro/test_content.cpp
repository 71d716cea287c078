// A run file as the core's content: it replays from its seed (or the seed option's), the player's
// buttons ignored, then the player's alone; its hand-over keeps the picture without asking to be
// closed; a state saved in it continues it; a file that is no run is refused with one line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_frontend.h"
#include "frontends/common/headless.h"
#include "support/run_demo.h"

namespace {

using pbtest::Change;
using pbtest::FakeFrontend;
using pbtest::headless_frame;
using pbtest::held_at;
using namespace pbtest::joypad;

// The picture the desktop's headless run of this run file ends on (at the hand-over, or where the
// player would take over).
std::vector<uint32_t> replayed(const std::string& text) {
    const frontends::Run run = frontends::parse_run(text);
    frontends::HeadlessFrontend frontend(frontends::InputTimeline::replay(run, std::nullopt));
    sim::Board board(frontend);
    board.set_counter(sim::counter_for_seed(*run.seed));
    frontend.prepare(board);
    sim::run_demo(board);
    return pbtest::xrgb(board.picture());
}

TEST(Content, ARunReplaysFromItsSeedThenThePlayerAlone) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<Change> player;
        int runs;
        std::vector<uint32_t> expected;
    };
    const std::string to_hand_over =
        "format 1\nseed 4242\n10 right\n30 up-left+select\n31 none\n50 start\n";
    const std::string start_at_set_up = "seed 5\n0 start\n1 none\n";
    const Case cases[] = {
        {"to the hand-over, the player ignored (START too)",
         to_hand_over,
         {{1, kLeft | kSelect}, {20, kStart}, {45, kUp}},
         70,
         replayed(to_hand_over)},
        {"START from the start: set-up's picture",
         start_at_set_up,
         {{1, kRight}},
         3,
         replayed(start_at_set_up)},
        // The player's up from run 15 is ignored until the end line's pulse 20.
        {"to its end line, then the player's",
         "seed 7\n0 right\n12 up-left\nend 20\n",
         {{15, kUp}, {25, kLeft}},
         30,
         headless_frame(7, 30, "0 right\n12 up-left\n20 up\n25 left\n")},
        {"a seed alone, any seed: the player's from the start",
         "seed 40000\n",
         {{1, kRight}, {9, 0}},
         16,
         headless_frame(40000, 16, "0 right\n9 none\n")},
        {"no seed: the seed option's",
         "3 down\nend 8\n",
         {},
         12,
         headless_frame(99, 12, "3 down\n8 none\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFrontend frontend;
        frontend.seed_value = "99";
        ASSERT_TRUE(frontend.load_content(c.text));
        for (int run = 1; run <= c.runs; ++run) {
            frontend.run(held_at(c.player, run));
        }
        EXPECT_EQ(frontend.frame, c.expected);
        EXPECT_EQ(frontend.presented, c.runs);
        EXPECT_TRUE(frontend.shutdown_runs.empty()) << "a content run asked to be closed";
        EXPECT_TRUE(frontend.log_lines.empty());
    }
}

// Every moment of a replay and of the player's part after it, saved and loaded back after the
// run was led elsewhere; and loaded into a fresh content run, as a netplay client does.
TEST(Content, AStateSavedInARunContinuesItsReplay) {
    const std::string text = "seed 12\n2 right\n5 right+select\n6 up\nend 30\n";
    const std::vector<Change> player = {{1, kLeft}, {33, kRight | kSelect}, {34, kUp}};
    constexpr int kRuns = 44;
    using State = std::vector<uint8_t>;
    const auto save = [](FakeFrontend& frontend) {
        State state(frontend.api.serialize_size());
        EXPECT_TRUE(frontend.api.serialize(state.data(), state.size()));
        return state;
    };
    std::vector<State> states;
    std::vector<std::vector<uint32_t>> frames;
    {
        FakeFrontend frontend;
        ASSERT_TRUE(frontend.load_content(text));
        for (int run = 0; run < kRuns; ++run) {
            states.push_back(save(frontend));
            frontend.run(held_at(player, run + 1));
            frames.push_back(frontend.frame);
        }
        states.push_back(save(frontend));
    }
    FakeFrontend frontend;
    frontend.seed_value = "64";
    ASSERT_TRUE(frontend.load_content(text));
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE("saved after run " + std::to_string(run));
        frontend.run(kUp);
        frontend.run(kRight | kSelect);
        if (run % 4 == 0) {
            frontend.api.reset();
        }
        ASSERT_TRUE(frontend.api.unserialize(states[run].data(), states[run].size()));
        frontend.run(held_at(player, run + 1));
        ASSERT_EQ(frontend.frame, frames[run]);
        ASSERT_EQ(save(frontend), states[run + 1]);
    }
    EXPECT_TRUE(frontend.log_lines.empty());
}

TEST(Content, ResetReplaysAgainAndUnloadingForgetsTheFilesSeed) {
    const std::string text = "seed 4242\n3 down\n8 none\n";
    FakeFrontend frontend;
    frontend.seed_value = "9";
    ASSERT_TRUE(frontend.load_content(text));
    std::vector<std::vector<uint32_t>> first;
    for (int run = 1; run <= 14; ++run) {
        frontend.run(kRight);
        first.push_back(frontend.frame);
    }
    frontend.seed_value = "10";
    frontend.api.reset();
    for (int run = 1; run <= 14; ++run) {
        frontend.run(kRight);
        EXPECT_EQ(frontend.frame, first[run - 1]) << "run " << run;
    }
    frontend.api.unload_game();
    ASSERT_TRUE(frontend.load());
    for (int run = 1; run <= 6; ++run) {
        frontend.run();
    }
    EXPECT_EQ(frontend.frame, headless_frame(10, 6));
}

TEST(Content, AFileThatIsNoRunIsRefusedWithOneLineNamingTheLine) {
    struct Case {
        std::string text;
        const char* path;
        const char* says;  // how the line begins, after "plasmaballs: cannot load the run: "
    };
    const Case cases[] = {
        {"seed 1\n10 rihgt\n", "/a/b/bad.pbrun", "bad.pbrun: line 2: unknown button \"rihgt\""},
        {"format 2\n", "C:\\runs\\old.pbrun", "old.pbrun: line 1: format \"2\""},
        {std::string("1 up\0\n", 6), nullptr, "line 1: contains a NUL byte"},
    };
    FakeFrontend frontend;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        frontend.log_lines.clear();
        EXPECT_FALSE(frontend.load_content(c.text, c.path));
        ASSERT_EQ(frontend.log_lines.size(), 1u);
        const std::string& line = frontend.log_lines[0];
        EXPECT_EQ(line.rfind(std::string("plasmaballs: cannot load the run: ") + c.says, 0), 0u)
            << line;
        EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
    }
    // The core reads no file itself: the frontend must give the contents (need_fullpath false).
    frontend.log_lines.clear();
    const retro_game_info named{"/a/b/run.pbrun", nullptr, 0, nullptr};
    EXPECT_FALSE(frontend.api.load_game(&named));
    EXPECT_EQ(frontend.log_lines,
              std::vector<std::string>{"plasmaballs: cannot load the run: run.pbrun: the frontend "
                                       "gave the file's name without its contents\n"});
    // Refused content leaves nothing behind: the core starts without content as before.
    frontend.seed_value = "3";
    ASSERT_TRUE(frontend.load());
    frontend.run(kStart);
    EXPECT_EQ(frontend.shutdown_runs, std::vector<unsigned>{(unsigned)frontend.runs});
}

}  // namespace
