// The stick's contacts from four direction switches, names, and pin levels.

#include <gtest/gtest.h>

#include "platform/sim/buttons.h"

namespace {

TEST(Stick, TwoNeighbouringDirectionsCloseTheDiagonal) {
    struct Case {
        bool up, down, left, right;
        sim::Buttons contact;
    };
    const Case cases[] = {
        {false, false, false, false, 0},
        {true, false, false, false, sim::kUp},
        {false, true, false, false, sim::kDown},
        {false, false, true, false, sim::kLeft},
        {false, false, false, true, sim::kRight},
        {true, false, true, false, sim::kUpLeft},
        {true, false, false, true, sim::kUpRight},
        {false, true, true, false, sim::kDownLeft},
        {false, true, false, true, sim::kDownRight},
        {true, true, false, false, 0},
        {false, false, true, true, 0},
        {true, true, true, false, sim::kLeft},
        {true, false, true, true, sim::kUp},
        {true, true, true, true, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sim::stick_contact(c.up, c.down, c.left, c.right), c.contact)
            << c.up << c.down << c.left << c.right;
    }
}

TEST(Pins, EachButtonClearsItsOwnBit) {
    struct Case {
        sim::Button button;
        int port, bit;
    };
    const Case cases[] = {
        {sim::kStart, 0, 8},    {sim::kSelect, 0, 9},     {sim::kUp, 10, 0},
        {sim::kUpLeft, 10, 1},  {sim::kLeft, 10, 2},      {sim::kDownLeft, 10, 3},
        {sim::kDown, 10, 4},    {sim::kDownRight, 10, 5}, {sim::kRight, 10, 6},
        {sim::kUpRight, 10, 7},
    };
    for (const Case& c : cases) {
        for (int port : {0, 10}) {
            const uint16_t expected = port == c.port ? (uint16_t)(0xFFFF & ~(1 << c.bit)) : 0xFFFF;
            EXPECT_EQ(sim::pin_levels(c.button, port), expected) << sim::button_name(c.button);
        }
    }
    EXPECT_EQ(sim::pin_levels(0, 0), 0xFFFF);
}

TEST(Names, RoundTripAndJoin) {
    for (int bit = 0; bit < 10; ++bit) {
        const sim::Button button = (sim::Button)(1 << bit);
        EXPECT_EQ(sim::button_from_name(sim::button_name(button)), button);
    }
    EXPECT_EQ(sim::buttons_to_string(0), "none");
    EXPECT_EQ(sim::buttons_to_string(sim::kStart | sim::kUpLeft), "start+up-left");
    EXPECT_FALSE(sim::button_from_name("Start"));
}

}  // namespace
