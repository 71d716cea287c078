// A saved run: the levels of every pulse come back from the script it writes, read as the command
// line reads a script, and its first lines say how to replay it.

#include <gtest/gtest.h>

#include <algorithm>

#include "frontends/web/saved_run.h"

namespace {

using frontends::InputTimeline;
using frontends::web::LevelRecorder;
using sim::Buttons;

TEST(SavedRun, ReplaysTheLevelsOfEveryPulse) {
    const std::vector<std::vector<Buttons>> runs = {
        {sim::kStart},           // START held through the set-up
        {0, 0, 0, sim::kStart},  // nothing until START
        {sim::kRight, sim::kRight, 0, sim::kUpLeft | sim::kSelect, sim::kUpLeft | sim::kSelect,
         sim::kSelect, 0, 0, sim::kStart | sim::kDown},  // a change at almost every pulse
        {0, sim::kStart, 0, sim::kStart},                // START let go while the demo waited
    };
    for (const std::vector<Buttons>& levels : runs) {
        LevelRecorder recorder;
        for (uint32_t pulse = 0; pulse < levels.size(); ++pulse) {
            recorder.record(pulse, levels[pulse]);
        }
        const uint32_t last = (uint32_t)levels.size() - 1;
        const std::string text =
            frontends::web::saved_script(9, last, "run.txt", recorder.changes());
        const InputTimeline timeline(frontends::parse_script(text), std::nullopt);
        for (uint32_t pulse = 0; pulse <= last + 2; ++pulse) {
            EXPECT_EQ(timeline.at(pulse), levels[std::min(pulse, last)]) << text << pulse;
        }
        EXPECT_TRUE(timeline.ends()) << text;
    }
}

TEST(SavedRun, KeepsOnlyChangesAndSaysHowToReplay) {
    LevelRecorder recorder;
    const Buttons levels[] = {0, 0, sim::kRight, sim::kRight, sim::kRight, 0, sim::kStart};
    for (uint32_t pulse = 0; pulse < 7; ++pulse) {
        recorder.record(pulse, levels[pulse]);
    }
    EXPECT_EQ(frontends::web::script_lines(recorder.changes()), "2 right\n5 none\n6 start\n");
    EXPECT_EQ(frontends::web::saved_script(65535, 6, "plasmaballs-65535-6.txt", recorder.changes()),
              "# plasmaballs button script: seed 65535, handed over at pulse 6.\n"
              "# Replay: plasmaballs --headless --seed 65535 --input plasmaballs-65535-6.txt\n"
              "2 right\n5 none\n6 start\n");
}

}  // namespace
