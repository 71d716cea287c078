// The recorder fed as a board feeds it: rises the demo sees and the pins it reads between them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontends/common/input_recorder.h"

namespace {

using frontends::InputRecorder;

constexpr uint16_t kStart = 1 << 0, kSelect = 1 << 1, kUp = 1 << 2, kRight = 1 << 5;
constexpr uint16_t kPort0 = kStart | kSelect;  // START and SELECT share a register
constexpr uint16_t kStick = 0x3FC;             // the eight stick contacts share another

// One step of a board's story: a rise ('r') or a read of `contacts` while `held` is held.
struct Step {
    char kind;
    uint16_t contacts = 0, held = 0;
};

TEST(InputRecorder, KeepsTheLevelsReadInEachInterval) {
    struct Case {
        std::string name;
        std::vector<Step> steps;
        std::vector<InputRecorder::Change> changes;
        std::vector<uint32_t> changed_within;
    };
    const Step rise{'r'};
    const std::vector<Case> cases = {
        {"before the first wait", {{'p', kPort0, kRight}, rise}, {}, {}},
        {"levels by the wait they follow, not by what was held unread",
         {rise, {'p', kStick, kRight}, rise, rise, {'p', kStick, kUp | kSelect}},
         {{1, kRight}, {3, kUp}},
         {}},
        {"a button not read keeps its earlier level",
         {rise, {'p', kStick, kRight}, {'p', kPort0, kSelect}, rise, {'p', kPort0, kRight}},
         {{1, kRight | kSelect}, {2, kRight}},
         {}},
        {"a change within an interval: reported, the last read kept",
         {rise,
          {'p', kStick, 0},
          {'p', kStick, kRight},
          {'p', kPort0, kRight},
          rise,
          {'p', kPort0, kStart}},
         {{1, kRight}, {2, kRight | kStart}},
         {1}},
        {"buttons that change unread do not count",
         {rise, {'p', kPort0, kUp}, {'p', kPort0, kRight}},
         {},
         {}},
        {"ends in an open interval", {rise, rise, {'p', kPort0, kStart}}, {{2, kStart}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InputRecorder recorder;
        for (const Step& step : c.steps) {
            if (step.kind == 'r') {
                recorder.rise_seen();
            } else {
                recorder.pins_read(step.contacts, step.held);
            }
        }
        EXPECT_EQ(recorder.changes(), c.changes);
        EXPECT_EQ(recorder.changed_within(), c.changed_within);
    }
}

}  // namespace
