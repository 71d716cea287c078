// The player's controls as timelines: at each look at the keys, what was pressed and held, and
// what the run may do then, asked in the order a front end asks it.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frontends/common/player_controls.h"

namespace {

using frontends::PlayerControls;

// One look at the keys at real time `ns`, and what the run does then: the title's state, whether
// a step back is taken, and whether a pulse may rise (at once or at its time, its picture shown
// or not).
struct Look {
    int64_t ns;
    const char* pressed;  // since the last look, in order: P pause, N advance, B step back, L leave
    const char* held;     // now: F fast-forward, B step back
    const char* state;
    bool step, rises, at_once, shown;
    const char* told = nullptr;  // a notice told just before the look
};

struct Timeline {
    const char* name;
    std::vector<Look> looks;
};

PlayerControls::Key key_for(char c) {
    switch (c) {
        case 'P':
            return PlayerControls::Key::kPause;
        case 'N':
            return PlayerControls::Key::kAdvance;
        case 'B':
            return PlayerControls::Key::kStepBack;
        default:
            EXPECT_EQ(c, 'L') << "no key of that letter in the table";
            return PlayerControls::Key::kLeave;
    }
}

bool says(const char* state, const char* word) {
    return std::strstr(state, word) != nullptr;
}

// Plays `timeline` on fresh controls, checking every look; the controls as they end.
PlayerControls play(const Timeline& timeline) {
    SCOPED_TRACE(timeline.name);
    PlayerControls controls;
    for (const Look& look : timeline.looks) {
        SCOPED_TRACE("the look at " + std::to_string(look.ns) + " ns");
        const int64_t real = look.ns;
        if (look.told) {
            controls.tell(look.told, real);
        }
        for (const char* c = look.pressed; *c; ++c) {
            controls.press(key_for(*c));
        }
        controls.holding(says(look.held, "F"), says(look.held, "B"));
        EXPECT_EQ(controls.state_text(real), look.state);
        // The title tells fast-forward unless the run is stepping back.
        EXPECT_EQ(controls.rewinding(), says(look.state, "rewinding"));
        EXPECT_EQ(controls.fast() && !controls.rewinding(), says(look.state, "fast"));
        if (look.step) {
            EXPECT_TRUE(controls.held()) << "a step back due lets a pulse rise before it";
        }
        const bool step = controls.take_step_back(real);
        EXPECT_EQ(step, look.step);
        if (step) {
            EXPECT_EQ(controls.next_step(), real + PlayerControls::kPulseTime);
        }
        EXPECT_EQ(!controls.held(), look.rises);
        if (!controls.held()) {
            EXPECT_EQ(controls.rise_at_once(), look.at_once);
            controls.rising();
            EXPECT_EQ(controls.picture_due(real), look.shown);
        }
    }
    return controls;
}

// A pulse of real time is 16 666 666 ns.
const Timeline kTimelines[] = {
    {"pausing and advancing",
     {
         // ns, pressed, held, state, step, rises, at once, shown
         {0, "", "", "", false, true, false, true},
         {16'666'666, "P", "", "paused", false, false, false, false},
         {33'333'333, "N", "", "paused", false, true, true, true},  // one pulse, at once
         {50'000'000, "", "", "paused", false, false, false, false},
         // Three owed: a pulse at each of the next three looks, then held again.
         {60'000'000, "NNN", "", "paused", false, true, true, true},
         {70'000'000, "", "", "paused", false, true, true, true},
         {80'000'000, "", "", "paused", false, true, true, true},
         {90'000'000, "", "", "paused", false, false, false, false},
         // Resumed with one owed: it is let go, and pulses rise at their time.
         {100'000'000, "NN", "", "paused", false, true, true, true},
         {110'000'000, "P", "", "", false, true, false, true},
         {120'000'000, "P", "", "paused", false, false, false, false},
         // N while running: nothing owed.
         {130'000'000, "P", "", "", false, true, false, true},
         {140'000'000, "N", "", "", false, true, false, true},
         {150'000'000, "P", "", "paused", false, false, false, false},
         // Presses of one look count in their order.
         {160'000'000, "PP", "", "paused", false, false, false, false},
         {170'000'000, "PN", "", "", false, true, false, true},
         {180'000'000, "NP", "", "paused", false, false, false, false},
         {190'000'000, "NP", "", "", false, true, false, true},
         {200'000'000, "PN", "", "paused", false, true, true, true},
         {210'000'000, "", "", "paused", false, false, false, false},
     }},
    {"fast-forward",
     {
         {0, "", "F", "fast", false, true, true, true},
         {5'000'000, "", "F", "fast", false, true, true, false},  // a picture a pulse at most
         {16'666'665, "", "F", "fast", false, true, true, false},
         {16'666'666, "", "F", "fast", false, true, true, true},
         {20'000'000, "P", "F", "paused", false, false, false, false},  // Tab held, yet paused
         {30'000'000, "N", "F", "paused", false, true, true, true},     // an advance is shown
         {31'000'000, "P", "F", "fast", false, true, true, false},
         {40'000'000, "", "", "", false, true, false, true},  // let go: at its time, all shown
         {41'000'000, "", "", "", false, true, false, true},
         // A pulse of real time after the last picture shown.
         {45'000'000, "", "F", "fast", false, true, true, false},
         {57'666'666, "", "F", "fast", false, true, true, true},
     }},
    {"stepping back",
     {
         {0, "B", "B", "rewinding", true, false, false, false},
         {10'000'000, "", "B", "rewinding", false, false, false, false},
         {16'666'666, "", "B", "rewinding", true, false, false, false},   // a pulse on: again
         {20'000'000, "B", "B", "rewinding", true, false, false, false},  // pressed: at once
         {36'666'000, "", "B", "rewinding", false, false, false, false},
         {40'000'000, "", "", "", false, true, false, true},  // let go: the run goes on
         {50'000'000, "B", "", "", true, true, false, true},  // tapped between looks: one step
         {60'000'000, "PB", "", "paused", true, false, false, false},
         {70'000'000, "", "BF", "paused, rewinding", false, false, false, false},
         {80'000'000, "P", "BF", "rewinding", true, false, false, false},  // over fast-forward
         {90'000'000, "", "F", "fast", false, true, true, true},
     }},
    {"leaving",
     {
         {0, "P", "", "paused", false, false, false, false},
         {10'000'000, "BNL", "FB", "", false, true, false, true},  // everything let go
         {20'000'000, "PNB", "FB", "", false, true, false, true},  // and nothing takes hold
     }},
    {"notices",
     {
         {0, "", "", "slot 1 saved", false, true, false, true, "slot 1 saved"},
         {1'000'000'000, "P", "", "paused, slot 1 saved", false, false, false, false},
         {1'999'999'999, "", "B", "paused, rewinding, slot 1 saved", true, false, false, false},
         {2'000'000'000, "", "", "paused", false, false, false, false},  // two seconds: gone
         {2'500'000'000, "P", "F", "fast, slot 2 loaded", false, true, true, true, "slot 2 loaded"},
         {2'600'000'000, "", "F", "fast, slot 3 loaded", false, true, true, true, "slot 3 loaded"},
     }},
};

TEST(PlayerControls, FollowTheKeysPressedAndHeldOverTime) {
    for (const Timeline& timeline : kTimelines) {
        play(timeline);
    }
}

TEST(PlayerControls, SayWhenTheRunIsLeaving) {
    EXPECT_TRUE(play(kTimelines[3]).leaving());
    EXPECT_FALSE(play(kTimelines[0]).leaving());
}

}  // namespace
