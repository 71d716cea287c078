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

// What `parse` says refusing `text`; empty if it accepts it.
template <typename Parse>
std::string refusal(Parse parse, const std::string& text) {
    try {
        parse(text);
    } catch (const frontends::ScriptError& error) {
        return error.what();
    }
    return "";
}

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
        const std::string error = refusal(parse_script, c.text);
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.text << " got: " << error;
    }
}

TEST(Script, NulByteIsRefused) {
    const std::string text("1 up\0\n", 6);
    EXPECT_THROW(parse_script(text), frontends::ScriptError);
    EXPECT_THROW(parse_script(std::string("1 u\0p", 6)), frontends::ScriptError);
}

TEST(Script, MissingFileIsNamed) {
    try {
        frontends::load_run("/nonexistent/script.txt");
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

TEST(Run, ReadsItsLinesAndWhereThePlayerTakesOver) {
    struct Case {
        const char* text;
        std::optional<uint16_t> seed;
        size_t changes;
        std::optional<uint32_t> player_from;
    };
    const Case cases[] = {
        {"", std::nullopt, 0, 0},
        {"# old script\n3 up\n9 start", std::nullopt, 2, std::nullopt},
        {"format 1\nseed 65535\n", 65535, 0, 0},
        {"# x\n\nformat 1 # c\nseed 7\n0 none\n5 right\n", 7, 2, 6},
        {"seed 0\n5 start\nend 9", 0, 1, 9},
        {"end 4", std::nullopt, 0, 4},
        {"4294967295 none", std::nullopt, 1, std::nullopt},  // no pulse after it to take over
    };
    for (const Case& c : cases) {
        const frontends::Run run = frontends::parse_run(c.text);
        EXPECT_EQ(run.seed, c.seed) << c.text;
        EXPECT_EQ(run.changes.size(), c.changes) << c.text;
        EXPECT_EQ(run.player_from(), c.player_from) << c.text;
    }
}

TEST(Run, RefusesMisplacedOrMalformedRunLines) {
    const std::vector<Bad> cases = {
        {"1 up\nformat 1", "line 2: format must be the first line"},
        {"format 2", "line 1: format \"2\" is not one this program reads (it reads format 1)"},
        {"format", "line 1: expected \"format <number>\", found 1 field"},
        {"seed 1 2", "line 1: expected \"seed <number>\", found 3 fields"},
        {"seed 65536", "line 1: seed takes a whole number from 0 to 65535, not \"65536\""},
        {"seed 1\nseed 2", "line 2: seed is given more than once"},
        {"1 up\nseed 2", "line 2: seed must come before the first change"},
        {"5 up\nend 5", "line 2: end 5 does not come after pulse 5"},
        {"end x", "line 1: end \"x\" is not a decimal number"},
        {"end 3\nend 4", "line 2: end is given more than once"},
        {"end 3\n4 up", "line 2: nothing but comments may follow the end line"},
    };
    for (const Bad& c : cases) {
        EXPECT_EQ(refusal(frontends::parse_run, c.text), c.message) << c.text;
    }
    // A plain script knows none of these lines, as before.
    EXPECT_THROW(parse_script("seed 1"), frontends::ScriptError);
}

TEST(Timeline, AReplayIgnoresThePlayerUntilItsEnd) {
    const auto timeline = frontends::InputTimeline::replay(
        frontends::parse_run("seed 3\n2 right\n4 select\nend 6"), 7);
    const std::vector<std::pair<uint32_t, sim::Buttons>> expected = {
        {0, 0}, {2, sim::kRight}, {5, sim::kSelect}, {6, sim::kUp}, {7, sim::kUp | sim::kStart}};
    for (const auto& [pulse, buttons] : expected) {
        EXPECT_EQ(timeline.with_player(pulse, sim::kUp), buttons) << "pulse " << pulse;
    }
    EXPECT_TRUE(timeline.ends());
    // Beside a script, the player's buttons always count.
    const frontends::InputTimeline beside(parse_script("2 right"), std::nullopt);
    EXPECT_EQ(beside.with_player(3, sim::kUp), sim::kUp | sim::kRight);
}

}  // namespace
