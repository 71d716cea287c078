// The player's controls as timelines: at each look at the keys, what was pressed and held, and
// what the run may do then, asked in the order a front end asks it.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frontends/common/player_controls.h"

namespace {

using frontends::PlayerControls;

// One look at the keys at real time `ns`, and what the run does then: the title's state, and
// whether a step back is taken and a pulse may rise (at once or at its time, shown or not).
struct Look {
    int64_t ns;
    const char* pressed;  // since the last look, in order: P pause, N advance, B step back, L leave
    const char* held;     // now: F fast-forward, B step back
    const char* state;
    const char* does;            // S a step back, R a pulse rises: A at once, V its picture shown
    const char* told = nullptr;  // a notice told just before the look
};

bool has(const char* text, const char* word) {
    return std::strstr(text, word) != nullptr;
}

// The keys of the tables' letters.
constexpr char kLetters[] = "PNBL";
using Key = PlayerControls::Key;
constexpr Key kKeys[] = {Key::kPause, Key::kAdvance, Key::kStepBack, Key::kLeave};

// Plays the looks on `controls`, checking each.
void play(PlayerControls& controls, const std::vector<Look>& looks) {
    for (const Look& look : looks) {
        SCOPED_TRACE("the look at " + std::to_string(look.ns) + " ns");
        if (look.told) {
            controls.tell(look.told, look.ns);
        }
        for (const char* c = look.pressed; *c; ++c) {
            controls.press(kKeys[std::strchr(kLetters, *c) - kLetters]);
        }
        controls.holding(has(look.held, "F"), has(look.held, "B"));
        EXPECT_EQ(controls.state_text(look.ns), look.state);
        // The title tells fast-forward unless the run is stepping back.
        EXPECT_EQ(controls.rewinding(), has(look.state, "rewinding"));
        EXPECT_EQ(controls.fast() && !controls.rewinding(), has(look.state, "fast"));
        const bool step = has(look.does, "S"), rises = has(look.does, "R");
        EXPECT_TRUE(controls.held() || !step) << "a pulse may rise before a step back due";
        ASSERT_EQ(controls.take_step_back(look.ns), step);
        if (step) {
            EXPECT_EQ(controls.next_step(), look.ns + PlayerControls::kPulseTime);
        }
        ASSERT_EQ(!controls.held(), rises);
        if (rises) {
            EXPECT_EQ(controls.rise_at_once(), has(look.does, "A"));
            controls.rising();
            EXPECT_EQ(controls.picture_due(look.ns), has(look.does, "V"));
        }
    }
}

// A pulse of real time is 16 666 666 ns. Columns: ns, pressed, held, state, does.
const std::vector<Look> kTimelines[] = {
    {
        // Pausing and advancing: the pulses owed rise one a look; resuming lets go of them.
        {0, "", "", "", "RV"},
        {16'666'666, "P", "", "paused", ""},
        {33'333'333, "N", "", "paused", "RAV"},
        {50'000'000, "", "", "paused", ""},
        {60'000'000, "NN", "", "paused", "RAV"},
        {70'000'000, "", "", "paused", "RAV"},
        {80'000'000, "", "", "paused", ""},
        {90'000'000, "NN", "", "paused", "RAV"},
        {100'000'000, "P", "", "", "RV"},
        {110'000'000, "NP", "", "paused", ""},      // N while running: nothing
        {120'000'000, "PPN", "", "paused", "RAV"},  // presses count in order
        {130'000'000, "", "", "paused", ""},
    },
    {
        // Fast-forward: every pulse at once, a picture a pulse of real time apart; not paused.
        {0, "", "F", "fast", "RAV"},
        {16'666'665, "", "F", "fast", "RA"},
        {16'666'666, "", "F", "fast", "RAV"},
        {20'000'000, "P", "F", "paused", ""},
        {30'000'000, "N", "F", "paused", "RAV"},
        {31'000'000, "P", "F", "fast", "RA"},
        {40'000'000, "", "", "", "RV"},
        {41'000'000, "", "", "", "RV"},
    },
    {
        // Stepping back: at once when pressed, then a pulse of real time apart while held.
        {0, "B", "B", "rewinding", "S"},
        {10'000'000, "", "B", "rewinding", ""},
        {16'666'666, "", "B", "rewinding", "S"},
        {20'000'000, "B", "B", "rewinding", "S"},
        {36'666'000, "", "B", "rewinding", ""},
        {40'000'000, "", "", "", "RV"},
        {50'000'000, "B", "", "", "SRV"},  // let go before the look: one step
        {60'000'000, "PB", "", "paused", "S"},
        {80'000'000, "P", "BF", "rewinding", "S"},
    },
    {
        // Leaving lets go of everything, for good.
        {0, "P", "", "paused", ""},
        {10'000'000, "BNL", "FB", "", "RV"},
        {20'000'000, "PNB", "FB", "", "RV"},
    },
    {
        // A notice stays two seconds from when it was told.
        {0, "", "", "slot 1 saved", "RV", "slot 1 saved"},
        {1'000'000'000, "P", "", "paused, slot 2 loaded", "", "slot 2 loaded"},
        {2'999'999'999, "", "B", "paused, rewinding, slot 2 loaded", "S"},
        {3'000'000'000, "", "", "paused", ""},
    },
};

TEST(PlayerControls, FollowTheKeysPressedAndHeldOverTime) {
    for (const std::vector<Look>& looks : kTimelines) {
        SCOPED_TRACE("timeline " + std::to_string(&looks - kTimelines));
        PlayerControls controls;
        play(controls, looks);
        EXPECT_EQ(controls.leaving(), &looks == &kTimelines[3]);
    }
}

}  // namespace
