// The recorder fed as a board feeds it (rises the demo sees and the pins it reads between them),
// and on a board that runs the demo as a window would.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frontends/common/input_recorder.h"
#include "frontends/common/saved_run.h"
#include "frontends/common/script.h"
#include "platform/sim/run_demo.h"
#include "support/run_demo.h"

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

void feed(InputRecorder& recorder, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (step.kind == 'r') {
            recorder.rise_seen();
        } else {
            recorder.pins_read(step.contacts, step.held);
        }
    }
}

TEST(InputRecorder, KeepsTheLevelsReadInEachInterval) {
    struct Case {
        std::string name;
        std::vector<Step> steps;
        std::vector<frontends::ButtonChange> changes;
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
        feed(recorder, c.steps);
        EXPECT_EQ(recorder.changes(), c.changes);
        EXPECT_EQ(recorder.changed_within(), c.changed_within);
    }
}

const Step kRise{'r'};
// Two changes, a change within interval 2, and an open interval that has read a change within.
const std::vector<Step> kBefore = {kRise,
                                   {'p', kStick, kRight},
                                   kRise,
                                   {'p', kStick, 0},
                                   {'p', kStick, kUp},
                                   kRise,
                                   {'p', kPort0, 0},
                                   {'p', kPort0, kSelect}};

TEST(InputRecorder, ComesBackToAMarkAsIfNothingHadHappenedSince) {
    const std::vector<Step> astray = {
        {'p', kStick, 0}, kRise, {'p', kPort0, kStart}, kRise, {'p', kStick, kRight}};
    const std::vector<Step> after = {
        kRise, {'p', kStick, kRight}, kRise, {'p', kPort0, kStart}, kRise};
    InputRecorder straight;
    feed(straight, kBefore);
    feed(straight, after);
    ASSERT_EQ(straight.changed_within(), (std::vector<uint32_t>{2, 3}));

    InputRecorder rewound;
    feed(rewound, kBefore);
    const InputRecorder::Mark mark = rewound.mark();
    feed(rewound, astray);
    rewound.rewind_to(mark);
    feed(rewound, after);
    EXPECT_EQ(rewound.changes(), straight.changes());
    EXPECT_EQ(rewound.changed_within(), straight.changed_within());
    EXPECT_EQ(rewound.interval(), straight.interval());
}

}  // namespace

namespace {

// A board driven as the window drives it: the clock runs on while the demo works, so every wait
// here sees the pulse after next, and the buttons follow the clock's pulses.
struct LateFrontend : sim::Frontend {
    explicit LateFrontend(frontends::InputTimeline by_clock) : timeline(std::move(by_clock)) {}
    frontends::InputTimeline timeline;
    void await_edge(sim::Board& board) override {
        if (board.sync_high()) {
            board.end_pulse();
            return;
        }
        const uint32_t pulse = board.pulse() + 2;
        board.begin_pulse(pulse, timeline.at(pulse));
    }
};

TEST(InputRecorder, ALateDemosRunReplaysHeadlessByItsWaits) {
    LateFrontend frontend(frontends::InputTimeline(
        frontends::parse_script("20 right\n61 up-left+select\n130 down\n201 none\n"), 300));
    sim::Board board(frontend);
    board.set_counter(sim::counter_for_seed(555));
    InputRecorder recorder;
    board.watch_reads(&recorder);
    ASSERT_EQ(sim::run_demo(board).kind, sim::DemoEnded::kHandOver);

    const std::string script = frontends::script_lines(recorder.changes());
    const pbtest::Run replay = pbtest::run_headless(555, UINT32_MAX, script);
    EXPECT_EQ(replay.pulses, recorder.interval()) << "one replayed pulse per wait";
    EXPECT_TRUE(std::equal(replay.video.begin(), replay.video.end(), board.video()))
        << "the replay of\n"
        << script << "ends with other video memory";
    EXPECT_TRUE(replay.picture == board.picture());
    EXPECT_TRUE(recorder.changed_within().empty());
}

// Hands each read on to the recorder and, at one read of the stick in one interval, moves the
// stick as a front end whose pins follow a clock could, while the demo is still drawing.
struct Meddler : sim::ReadWatcher {
    Meddler(sim::Board& board, InputRecorder& recorder) : board(board), recorder(recorder) {}
    sim::Board& board;
    InputRecorder& recorder;
    uint32_t rises = 0;
    int stick_reads = 0;
    void rise_seen() override {
        ++rises;
        stick_reads = 0;
        recorder.rise_seen();
    }
    void pins_read(sim::Buttons contacts, sim::Buttons held) override {
        recorder.pins_read(contacts, held);
        if (rises == 30 && (contacts & sim::kRight) && ++stick_reads == 5) {
            board.set_buttons(sim::kLeft);
        }
    }
};

TEST(InputRecorder, ReportsLevelsThatChangedWhileTheDemoWorked) {
    LateFrontend frontend(frontends::InputTimeline(frontends::parse_script("10 right\n"), 200));
    sim::Board board(frontend);
    InputRecorder recorder;
    Meddler meddler(board, recorder);
    board.watch_reads(&meddler);
    ASSERT_EQ(sim::run_demo(board).kind, sim::DemoEnded::kHandOver);
    EXPECT_EQ(recorder.changed_within(), std::vector<uint32_t>{30});
}

}  // namespace
