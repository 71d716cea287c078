// The page's query parameters: what each asks for, and the one line shown for each bad one.

#include <gtest/gtest.h>

#include "frontends/web/page_options.h"

namespace {

using frontends::web::PageOptions;
using frontends::web::parse_page_options;
using Parameters = std::vector<std::pair<std::string, std::string>>;

TEST(PageOptions, ReadsWhatTheAddressAsksFor) {
    const auto request = parse_page_options({{"seed", "65535"},
                                             {"frames", "4294967295"},
                                             {"script", "3 right\n# later\n9 up-left+select\n"},
                                             {"wait", ""},
                                             {"utm_source", "anything"}});
    ASSERT_TRUE(request.options) << request.error;
    const PageOptions& options = *request.options;
    EXPECT_EQ(options.seed, 65535);
    EXPECT_EQ(options.frames, 4294967295u);
    const std::vector<frontends::ButtonChange> script = {{3, sim::kRight},
                                                         {9, sim::kUpLeft | sim::kSelect}};
    EXPECT_EQ(options.script, script);
    EXPECT_TRUE(options.wait);
}

TEST(PageOptions, LeavesWhatIsNotGivenOpen) {
    for (const Parameters& parameters :
         {Parameters{}, Parameters{{"wait", "0"}}, Parameters{{"other", "1"}, {"x", ""}}}) {
        const auto request = parse_page_options(parameters);
        ASSERT_TRUE(request.options) << request.error;
        EXPECT_FALSE(request.options->seed);
        EXPECT_FALSE(request.options->frames);
        EXPECT_TRUE(request.options->script.empty());
        EXPECT_FALSE(request.options->wait);
    }
    EXPECT_EQ(parse_page_options({{"seed", "007"}}).options->seed, 7);
    EXPECT_EQ(parse_page_options({{"frames", "0"}}).options->frames, 0u);
    EXPECT_TRUE(parse_page_options({{"wait", "1"}}).options->wait);
}

TEST(PageOptions, RefusesBadValuesWithOneLine) {
    const std::vector<std::pair<Parameters, std::string>> cases = {
        {{{"seed", ""}}, "seed takes a whole number from 0 to 65535, not \"\""},
        {{{"seed", "abc"}}, "seed takes a whole number from 0 to 65535, not \"abc\""},
        {{{"seed", "65536"}}, "seed takes a whole number from 0 to 65535, not \"65536\""},
        {{{"seed", "-1"}}, "seed takes a whole number from 0 to 65535, not \"-1\""},
        {{{"seed", " 7"}}, "seed takes a whole number from 0 to 65535, not \" 7\""},
        {{{"seed", "0x10"}}, "seed takes a whole number from 0 to 65535, not \"0x10\""},
        {{{"seed", "1\n2"}}, "seed takes a whole number from 0 to 65535, not \"1?2\""},
        {{{"frames", "1e3"}}, "frames takes a whole number from 0 to 4294967295, not \"1e3\""},
        {{{"frames", "4294967296"}},
         "frames takes a whole number from 0 to 4294967295, not \"4294967296\""},
        {{{"frames", std::string(50, '9')}},
         "frames takes a whole number from 0 to 4294967295, not \"" + std::string(40, '9') +
             "...\""},
        {{{"script", "5 jump"}},
         "script: line 1: unknown button \"jump\" (expected none, start, select, up, down, "
         "left, right, up-left, up-right, down-left or down-right)"},
        {{{"script", "2 up\n1 down"}}, "script: line 2: pulse 1 does not come after pulse 2"},
        {{{"script", std::string((1 << 20) + 1, ' ')}}, "script is longer than 1 MiB"},
        {{{"wait", "yes"}}, "wait takes 1 or 0, not \"yes\""},
        {{{"seed", "1"}, {"frames", "2"}, {"seed", "1"}}, "seed is given more than once"},
        {{{"script", ""}, {"script", ""}}, "script is given more than once"},
        {{{"run", "x"}, {"run", "x"}}, "run is given more than once"},
        {{{"script", ""}, {"run", "x"}}, "run replays on its own: it does not go with script"},
    };
    for (const auto& [parameters, message] : cases) {
        const auto request = parse_page_options(parameters);
        EXPECT_FALSE(request.options) << message;
        EXPECT_EQ(request.error, message);
    }
}

TEST(PageOptions, TimelineHoldsStartFromFrames) {
    PageOptions options;
    options.script = {{2, sim::kDown}, {5, 0}};
    options.frames = 4;
    const frontends::InputTimeline timeline = frontends::web::page_timeline(options);
    const sim::Buttons expected[] = {
        0, 0, sim::kDown, sim::kDown, sim::kDown | sim::kStart, sim::kStart};
    for (uint32_t pulse = 0; pulse < 6; ++pulse) {
        EXPECT_EQ(timeline.at(pulse), expected[pulse]) << pulse;
    }
    EXPECT_TRUE(timeline.ends());
    EXPECT_FALSE(frontends::web::page_timeline(PageOptions{}).ends());
}

TEST(PageOptions, ARunFromTheAddressReplaysAndABadOneIsLeftOut) {
    const frontends::Run run{7, {{0, sim::kRight}, {40, 0}}, 60};
    const std::string link = frontends::web::run_link(run);
    auto request = parse_page_options({{"run", link}, {"wait", "1"}});
    ASSERT_TRUE(request.options) << request.error;
    EXPECT_EQ(request.options->run, run);
    EXPECT_EQ(request.options->run_refused, "");
    EXPECT_EQ(frontends::web::page_seed(*request.options, 99), 7);
    // The run's buttons alone until pulse 60, the player's from there.
    const frontends::InputTimeline timeline = frontends::web::page_timeline(*request.options);
    EXPECT_EQ(timeline.with_player(10, sim::kUp), sim::kRight);
    EXPECT_EQ(timeline.with_player(60, sim::kUp), sim::kUp);

    // A seed beside it replaces the run's; a damaged run is named, and the rest still runs.
    request = parse_page_options({{"seed", "5"}, {"run", link}});
    EXPECT_EQ(frontends::web::page_seed(*request.options, 99), 5);
    std::string damaged = link;
    damaged[4] = damaged[4] == 'A' ? 'B' : 'A';
    request = parse_page_options({{"run", damaged}, {"frames", "30"}});
    ASSERT_TRUE(request.options) << request.error;
    EXPECT_FALSE(request.options->run);
    EXPECT_EQ(request.options->run_refused,
              "run: the checksum does not match (the link is damaged or incomplete)");
    EXPECT_EQ(request.options->frames, 30u);
    EXPECT_EQ(frontends::web::page_seed(*request.options, 99), 99);
    EXPECT_FALSE(frontends::web::page_timeline(*request.options).replaying(0));
}

TEST(PageOptions, RunFilesAreReadAsTheCommandLineReadsThem) {
    const auto read = frontends::web::read_run_file(
        "a.pbrun", "# comment\nformat 1\nseed 12\n0 up\n9 none\nend 20\n");
    ASSERT_TRUE(read.run) << read.error;
    EXPECT_EQ(*read.run, (frontends::Run{12, {{0, sim::kUp}, {9, 0}}, 20}));
    // A plain script is a run of seed 0.
    const auto script = frontends::web::read_run_file("b.txt", "3 down\n");
    ASSERT_TRUE(script.run) << script.error;
    EXPECT_EQ(frontends::web::page_seed(PageOptions{{}, {}, {}, false, script.run, ""}, 99), 0);

    // The file's name, whatever it holds, stays on the message's one line.
    const auto refused = frontends::web::read_run_file("x\ny.pbrun", "5 up\nend 5\n");
    EXPECT_FALSE(refused.run);
    EXPECT_EQ(refused.error, "x?y.pbrun: line 2: end 5 does not come after pulse 5");
}

}  // namespace
