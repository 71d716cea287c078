// Button scripts: what parses to what, every refusal with its line number, and the timeline.

#include <gtest/gtest.h>

#include "frontends/common/script.h"

namespace {

using frontends::ButtonChange;
using frontends::parse_script;

struct Good {
    const char* text;
    std::vector<ButtonChange> changes;
};

TEST(Script, ParsesValidScripts) {
    const std::vector<Good> cases = {
        {"", {}},
        {"# only a comment\n\n   \n", {}},
        {"0 none", {{0, 0}}},
        {"5 start\n", {{5, sim::kStart}}},
        {"1 up+left\n2 down-right # trailing comment\n",
         {{1, sim::kUp | sim::kLeft}, {2, sim::kDownRight}}},
        {"\t7\tselect+up-left \r\n9 none\r\n", {{7, sim::kSelect | sim::kUpLeft}, {9, 0}}},
        {"4294967295 start+select+up+down+left+right+up-left+up-right+down-left+down-right",
         {{4294967295u, sim::kAllButtons}}},
        {"007 right", {{7, sim::kRight}}},
    };
    for (const Good& c : cases) {
        EXPECT_EQ(parse_script(c.text), c.changes) << c.text;
    }
}

struct Bad {
    const char* text;
    const char* message;  // the start of what() expected
};

TEST(Script, RefusesMalformedLinesNamingThem) {
    const std::vector<Bad> cases = {
        {"5", "line 1: expected \"<pulse> <buttons>\", found 1 field"},
        {"\n\n5 up down", "line 3: expected \"<pulse> <buttons>\", found 3 fields"},
        {"-1 up", "line 1: pulse \"-1\" is not a decimal number"},
        {"+1 up", "line 1: pulse \"+1\" is not a decimal number"},
        {"1e3 up", "line 1: pulse \"1e3\" is not a decimal number"},
        {"0x10 up", "line 1: pulse \"0x10\" is not a decimal number"},
        {"4294967296 up", "line 1: pulse 4294967296 is larger than 4294967295"},
        {"1 UP", "line 1: unknown button \"UP\""},
        {"1 upleft", "line 1: unknown button \"upleft\""},
        {"1 up+", "line 1: empty button name"},
        {"1 +up", "line 1: empty button name"},
        {"1 up++down", "line 1: empty button name"},
        {"1 up+up", "line 1: button \"up\" named twice"},
        {"1 none+up", "line 1: \"none\" must stand alone"},
        {"1 up+none", "line 1: \"none\" must stand alone"},
        {"2 up\n2 down", "line 2: pulse 2 does not come after pulse 2"},
        {"2 up\n# c\n1 down", "line 3: pulse 1 does not come after pulse 2"},
    };
    for (const Bad& c : cases) {
        try {
            parse_script(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const frontends::ScriptError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u) << "got: " << error.what();
        }
    }
}

TEST(Script, NulByteIsRefused) {
    const std::string text("1 up\0\n", 6);
    EXPECT_THROW(parse_script(text), frontends::ScriptError);
    EXPECT_THROW(parse_script(std::string("1 u\0p", 6)), frontends::ScriptError);
}

TEST(Script, MissingFileIsNamed) {
    try {
        frontends::load_script("/nonexistent/script.txt");
        FAIL();
    } catch (const frontends::ScriptError& error) {
        EXPECT_STREQ(error.what(), "/nonexistent/script.txt: cannot be read");
    }
}

TEST(Timeline, HoldsTheLatestChangeAndAddsStart) {
    const frontends::InputTimeline timeline(parse_script("3 up\n6 none\n9 select"), 8);
    const std::vector<std::pair<uint32_t, sim::Buttons>> expected = {
        {0, 0},
        {2, 0},
        {3, sim::kUp},
        {5, sim::kUp},
        {6, 0},
        {7, 0},
        {8, sim::kStart},
        {9, sim::kStart | sim::kSelect},
        {100000, sim::kStart | sim::kSelect}};
    for (const auto& [pulse, buttons] : expected) {
        EXPECT_EQ(timeline.at(pulse), buttons) << "pulse " << pulse;
    }
}

TEST(Timeline, EndsOnlyWhenStartIsHeldForGood) {
    EXPECT_TRUE(frontends::InputTimeline({}, 0).ends());
    EXPECT_FALSE(frontends::InputTimeline({}, std::nullopt).ends());
    EXPECT_TRUE(frontends::InputTimeline(parse_script("4 start+up"), std::nullopt).ends());
    EXPECT_FALSE(frontends::InputTimeline(parse_script("4 start\n5 none"), std::nullopt).ends());
}

}  // namespace
