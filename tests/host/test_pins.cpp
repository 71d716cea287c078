// The stick's contacts from four direction switches, names, and pin levels.

#include <gtest/gtest.h>

#include "host/buttons.h"

namespace {

TEST(Stick, TwoNeighbouringDirectionsCloseTheDiagonal) {
    struct Case {
        bool up, down, left, right;
        host::Buttons contact;
    };
    const Case cases[] = {
        {false, false, false, false, 0},
        {true, false, false, false, host::kUp},
        {false, true, false, false, host::kDown},
        {false, false, true, false, host::kLeft},
        {false, false, false, true, host::kRight},
        {true, false, true, false, host::kUpLeft},
        {true, false, false, true, host::kUpRight},
        {false, true, true, false, host::kDownLeft},
        {false, true, false, true, host::kDownRight},
        {true, true, false, false, 0},
        {false, false, true, true, 0},
        {true, true, true, false, host::kLeft},
        {true, false, true, true, host::kUp},
        {true, true, true, true, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(host::stick_contact(c.up, c.down, c.left, c.right), c.contact)
            << c.up << c.down << c.left << c.right;
    }
}

TEST(Pins, EachButtonClearsItsOwnBit) {
    struct Case {
        host::Button button;
        int port, bit;
    };
    const Case cases[] = {
        {host::kStart, 0, 8},    {host::kSelect, 0, 9},     {host::kUp, 10, 0},
        {host::kUpLeft, 10, 1},  {host::kLeft, 10, 2},      {host::kDownLeft, 10, 3},
        {host::kDown, 10, 4},    {host::kDownRight, 10, 5}, {host::kRight, 10, 6},
        {host::kUpRight, 10, 7},
    };
    for (const Case& c : cases) {
        for (int port : {0, 10}) {
            const uint16_t expected = port == c.port ? (uint16_t)(0xFFFF & ~(1 << c.bit)) : 0xFFFF;
            EXPECT_EQ(host::pin_levels(c.button, port), expected) << host::button_name(c.button);
        }
    }
    EXPECT_EQ(host::pin_levels(0, 0), 0xFFFF);
}

TEST(Names, RoundTripAndJoin) {
    for (int bit = 0; bit < 10; ++bit) {
        const host::Button button = (host::Button)(1 << bit);
        EXPECT_EQ(host::button_from_name(host::button_name(button)), button);
    }
    EXPECT_EQ(host::buttons_to_string(0), "none");
    EXPECT_EQ(host::buttons_to_string(host::kStart | host::kUpLeft), "start+up-left");
    EXPECT_FALSE(host::button_from_name("Start"));
}

}  // namespace
