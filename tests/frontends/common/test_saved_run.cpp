// A saved run: the levels of every pulse come back from the run file it writes, replayed as the
// front ends replay it, and its first lines say how to replay it.

#include <gtest/gtest.h>

#include <algorithm>

#include "frontends/common/saved_run.h"

namespace {

using frontends::InputRecorder;
using frontends::InputTimeline;
using sim::Buttons;

// The recorder fed as the page feeds it: every button's level at every pulse.
InputRecorder recorded(const std::vector<Buttons>& levels) {
    InputRecorder recorder;
    for (uint32_t pulse = 0; pulse < levels.size(); ++pulse) {
        if (pulse > 0) {
            recorder.rise_seen();
        }
        recorder.pins_read(sim::kAllButtons, levels[pulse]);
    }
    return recorder;
}

TEST(SavedRun, ReplaysTheLevelsOfEveryPulseThenEndsOrGivesWayToThePlayer) {
    using frontends::RunEnd;
    const std::vector<std::pair<std::vector<Buttons>, RunEnd>> runs = {
        {{sim::kStart}, RunEnd::kHandOver},           // START held through the set-up
        {{0, 0, 0, sim::kStart}, RunEnd::kHandOver},  // nothing until START
        {{sim::kRight, sim::kRight, 0, sim::kUpLeft | sim::kSelect, sim::kUpLeft | sim::kSelect,
          sim::kSelect, 0, 0, sim::kStart | sim::kDown},
         RunEnd::kHandOver},                                    // a change at almost every pulse
        {{0, sim::kStart, 0, sim::kStart}, RunEnd::kHandOver},  // START let go while it waited
        {{0, sim::kRight, sim::kRight | sim::kSelect, 0, sim::kDown}, RunEnd::kPlayer},  // mid-run
    };
    for (const auto& [levels, end] : runs) {
        const uint32_t last = (uint32_t)levels.size() - 1;
        const std::string text = frontends::saved_run(9, recorded(levels), "run.pbrun", end);
        SCOPED_TRACE(text);
        const frontends::Run run = frontends::parse_run(text);
        EXPECT_EQ(run.seed, 9);
        const InputTimeline timeline = InputTimeline::replay(run, std::nullopt);
        if (end == RunEnd::kPlayer) {
            ASSERT_EQ(timeline.player_from(), last + 1);
        } else {
            EXPECT_TRUE(timeline.ends());
        }
        for (uint32_t pulse = 0; pulse <= last + 3; ++pulse) {
            const Buttons after = end == RunEnd::kPlayer ? (Buttons)sim::kLeft : levels[last];
            EXPECT_EQ(timeline.with_player(pulse, sim::kLeft),
                      pulse <= last ? levels[pulse] : after)
                << "pulse " << pulse;
        }
    }
}

TEST(SavedRun, SaysHowToReplayAndWarnsOfChangesWithinAPulse) {
    const InputRecorder plain =
        recorded({0, 0, sim::kRight, sim::kRight, sim::kRight, 0, sim::kStart});
    EXPECT_EQ(frontends::script_lines(plain.changes()), "2 right\n5 none\n6 start\n");
    EXPECT_EQ(frontends::saved_run(65535, plain, "plasmaballs-65535-6.pbrun"),
              "# plasmaballs run: seed 65535, handed over at pulse 6.\n"
              "# Replay: plasmaballs plasmaballs-65535-6.pbrun\n"
              "format 1\nseed 65535\n2 right\n5 none\n6 start\n");
    EXPECT_EQ(frontends::saved_run(3, plain, "a.pbrun", frontends::RunEnd::kPlayer),
              "# plasmaballs run: seed 3, the player's from pulse 7.\n"
              "# Replay: plasmaballs a.pbrun\n"
              "format 1\nseed 3\n2 right\n5 none\n6 start\nend 7\n");

    InputRecorder mixed;
    for (uint32_t pulse = 1; pulse <= 3; ++pulse) {
        mixed.rise_seen();
        mixed.pins_read(sim::kRight, pulse == 1 ? 0 : sim::kRight);
        mixed.pins_read(sim::kRight, pulse == 3 ? 0 : sim::kRight);  // moved while it worked
    }
    mixed.pins_read(sim::kStart, sim::kStart);
    EXPECT_EQ(frontends::saved_run(7, mixed, "it's here.pbrun"),
              "# plasmaballs run: seed 7, handed over at pulse 3.\n"
              "# Replay: plasmaballs 'it'\\''s here.pbrun'\n"
              "# WARNING: the buttons changed while the demo was working within pulse 1 (and 1 "
              "other pulse);\n# no script can replay that, so this one holds what the demo read "
              "last there and its replay may differ\n"
              "format 1\nseed 7\n1 right\n3 start\n");
}

}  // namespace
