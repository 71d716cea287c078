// The core through its entry points, in this process: each retro_run is one pulse, so N runs show
// the headless picture of pulse N; reset, unload and reload start afresh; START ends the run.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_frontend.h"
#include "support/run_demo.h"

namespace {

using pbtest::Change;
using pbtest::FakeFrontend;
using pbtest::headless_frame;
using pbtest::held_at;
using namespace pbtest::joypad;

// Run k begins pulse k; the buttons of run 1 also hold from the start (pulse 0).
std::string headless_script(const std::vector<Change>& changes) {
    std::string script;
    for (const Change& c : changes) {
        script += std::to_string(c.run == 1 ? 0 : c.run) + " " + c.contacts + "\n";
    }
    return script;
}

size_t differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.size() != b.size()) {
        return std::max(a.size(), b.size());
    }
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        count += a[i] != b[i];
    }
    return count;
}

// Runs the core `runs` times with the script; returns the hash of each frame shown.
std::vector<uint64_t> run_script(FakeFrontend& frontend, int runs,
                                 const std::vector<Change>& changes = {}) {
    std::vector<uint64_t> hashes;
    for (int run = 1; run <= runs; ++run) {
        frontend.run(held_at(changes, run));
        hashes.push_back(pbtest::fnv1a(frontend.frame.data(), frontend.frame.size() * 4));
    }
    return hashes;
}

TEST(Core, NRunsShowTheHeadlessPictureOfPulseN) {
    struct Case {
        const char* name;
        const char* seed_value;
        uint16_t seed;
        int runs;
        std::vector<Change> changes;
    };
    const std::vector<Case> cases = {
        {"first run", "0", 0, 1, {}},
        {"still", "7", 7, 12, {}},
        {"stick",
         "99",
         99,
         40,
         {{3, kRight, "right"}, {21, kUp | kLeft, "up-left"}, {31, kDown | kRight, "down-right"}}},
        {"held from the start", "125", 125, 9, {{1, kLeft, "left"}, {4, 0, "none"}}},
        {"opposites cancel",
         "31",
         31,
         14,
         {{2, kUp | kDown | kLeft, "left"}, {9, kLeft | kRight, "none"}}},
        {"slow motion", "12", 12, 30, {{5, kSelect, "select"}, {6, 0, "none"}}},
        {"slow motion, mid-wait", "12", 12, 13, {{5, kSelect, "select"}, {6, 0, "none"}}},
        {"seed past the listed ones", "1000", 1000, 5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint32_t> expected =
            headless_frame(c.seed, c.runs, headless_script(c.changes));
        FakeFrontend frontend;
        frontend.seed_value = c.seed_value;
        ASSERT_TRUE(frontend.load());
        run_script(frontend, c.runs, c.changes);
        EXPECT_EQ(frontend.presented, c.runs);
        EXPECT_EQ(frontend.polls, c.runs);
        EXPECT_FALSE(frontend.foreign_input_query);
        EXPECT_TRUE(frontend.shutdown_runs.empty());
        EXPECT_EQ(frontend.width, 320u);
        EXPECT_EQ(frontend.height, 240u);
        EXPECT_EQ(frontend.pitch, 320u * 4);
        EXPECT_EQ(differing(frontend.frame, expected), 0u);
    }
}

TEST(Core, EveryRunIsOnePulse) {
    // Run by run, the frame is that of the headless run ending at the same pulse.
    const int kRuns = 6;
    std::vector<std::vector<uint32_t>> expected;
    for (int n = 1; n <= kRuns; ++n) {
        expected.push_back(headless_frame(40, n));
    }
    FakeFrontend frontend;
    frontend.seed_value = "40";
    ASSERT_TRUE(frontend.load());
    for (int n = 1; n <= kRuns; ++n) {
        frontend.run();
        EXPECT_EQ(differing(frontend.frame, expected[n - 1]), 0u) << "run " << n;
    }
}

TEST(Core, StartEndsThroughTheHandOverAndAsksForShutdownOnce) {
    struct Case {
        int start_run;
        int pulses;  // the headless run whose hand-over picture it shows
    };
    // START held at the very first run is seen before the first frame: set-up's picture.
    for (const Case& c : {Case{1, 0}, Case{6, 6}, Case{25, 25}}) {
        SCOPED_TRACE("START at run " + std::to_string(c.start_run));
        const std::vector<uint32_t> expected = headless_frame(3, c.pulses);
        FakeFrontend frontend;
        frontend.seed_value = "3";
        ASSERT_TRUE(frontend.load());
        run_script(frontend, c.start_run - 1);
        ASSERT_TRUE(frontend.shutdown_runs.empty());
        frontend.run(kStart);
        EXPECT_EQ(frontend.shutdown_runs, std::vector<unsigned>{(unsigned)c.start_run});
        EXPECT_EQ(differing(frontend.frame, expected), 0u);
        // The frontend may go on calling: the last picture stays, nothing more is asked.
        for (uint32_t held : {0u, kStart, kRight | kSelect}) {
            frontend.run(held);
        }
        EXPECT_EQ(frontend.shutdown_runs.size(), 1u);
        EXPECT_EQ(frontend.presented, c.start_run + 3);
        EXPECT_EQ(differing(frontend.frame, expected), 0u);
    }
}

TEST(Core, ResetStartsAfreshAndRereadsTheSeed) {
    const std::vector<Change> script = {{4, kRight, "right"}, {12, kUp, "up"}};
    FakeFrontend frontend;
    frontend.seed_value = "21";
    ASSERT_TRUE(frontend.load());
    const std::vector<uint64_t> first = run_script(frontend, 20, script);

    frontend.api.reset();  // after a whole run, suspended at a wait
    EXPECT_EQ(run_script(frontend, 20, script), first);

    run_script(frontend, 7, script);
    frontend.api.reset();  // in the middle
    EXPECT_EQ(run_script(frontend, 20, script), first);

    frontend.run(kStart);  // after the hand-over
    ASSERT_EQ(frontend.shutdown_runs.size(), 1u);
    frontend.api.reset();
    EXPECT_EQ(run_script(frontend, 20, script), first);
    EXPECT_EQ(frontend.shutdown_runs.size(), 1u);

    const std::vector<uint32_t> other = headless_frame(64, 10);
    frontend.seed_value = "64";
    frontend.api.reset();
    run_script(frontend, 10);
    EXPECT_EQ(differing(frontend.frame, other), 0u);
}

TEST(Core, LoadsAgainInOneProcess) {
    const std::vector<uint32_t> expected = headless_frame(9, 15);
    for (int library = 0; library < 2; ++library) {  // dlopen, then dlclose and dlopen again
        FakeFrontend frontend;
        frontend.seed_value = "9";
        for (int load = 0; load < 2; ++load) {
            ASSERT_TRUE(frontend.load());
            run_script(frontend, 15);
            EXPECT_EQ(differing(frontend.frame, expected), 0u) << library << " " << load;
            frontend.api.unload_game();
        }
        // Unloading a run still in progress, then deinit and init without unloading the library.
        ASSERT_TRUE(frontend.load());
        run_script(frontend, 4);
        frontend.api.unload_game();
        frontend.api.deinit();
        frontend.api.init();
        ASSERT_TRUE(frontend.load());
        run_script(frontend, 15);
        EXPECT_EQ(differing(frontend.frame, expected), 0u) << library << " after deinit";
        frontend.api.unload_game();
    }
}

TEST(Core, OffersTheSeedAsCoreOptionsV2OrAsVariables) {
    std::vector<std::string> seeds = {"random"};
    for (int i = 0; i <= 125; ++i) {
        seeds.push_back(std::to_string(i));
    }
    const std::vector<uint32_t> expected = headless_frame(17, 2);
    {
        FakeFrontend frontend;
        ASSERT_NE(frontend.options_v2, nullptr);
        EXPECT_EQ(frontend.variables, nullptr);
        const retro_core_option_v2_definition* definitions = frontend.options_v2->definitions;
        ASSERT_STREQ(definitions[0].key, "plasmaballs_seed");
        EXPECT_EQ(definitions[1].key, nullptr);
        EXPECT_STREQ(definitions[0].default_value, "random");
        std::vector<std::string> values;
        for (const retro_core_option_value* v = definitions[0].values; v->value != nullptr; ++v) {
            ASSERT_LT(v - definitions[0].values, RETRO_NUM_CORE_OPTION_VALUES_MAX - 1);
            values.push_back(v->value);
        }
        EXPECT_EQ(values, seeds);
        frontend.seed_value = "17";
        ASSERT_TRUE(frontend.load());
        run_script(frontend, 2);
        EXPECT_EQ(differing(frontend.frame, expected), 0u);
    }
    for (std::optional<unsigned> version :
         {std::optional<unsigned>{}, std::optional<unsigned>{1}}) {
        FakeFrontend frontend({.options_version = version});
        EXPECT_EQ(frontend.options_v2, nullptr);
        ASSERT_NE(frontend.variables, nullptr);
        ASSERT_STREQ(frontend.variables[0].key, "plasmaballs_seed");
        EXPECT_EQ(frontend.variables[1].key, nullptr);
        std::string list;
        for (const std::string& s : seeds) {
            list += (list.empty() ? "" : "|") + s;
        }
        EXPECT_EQ(std::string(frontend.variables[0].value), "Seed; " + list);
        frontend.seed_value = "17";
        ASSERT_TRUE(frontend.load());
        run_script(frontend, 2);
        EXPECT_EQ(differing(frontend.frame, expected), 0u);
    }
}

TEST(Core, DescribesItselfToTheFrontend) {
    FakeFrontend frontend;
    EXPECT_EQ(frontend.api.api_version(), (unsigned)RETRO_API_VERSION);
    EXPECT_TRUE(frontend.no_game);
    retro_system_info info{};
    frontend.api.get_system_info(&info);
    EXPECT_STREQ(info.library_name, "plasmaballs");
    EXPECT_STREQ(info.valid_extensions, "pbrun");
    EXPECT_FALSE(info.need_fullpath);

    ASSERT_TRUE(frontend.load());
    EXPECT_EQ(frontend.pixel_format, RETRO_PIXEL_FORMAT_XRGB8888);
    retro_system_av_info av{};
    frontend.api.get_system_av_info(&av);
    EXPECT_EQ(av.geometry.base_width, 320u);
    EXPECT_EQ(av.geometry.base_height, 240u);
    EXPECT_EQ(av.geometry.max_width, 320u);
    EXPECT_EQ(av.geometry.max_height, 240u);
    EXPECT_FLOAT_EQ(av.geometry.aspect_ratio, 4.0f / 3.0f);
    EXPECT_DOUBLE_EQ(av.timing.fps, 60.0);
    EXPECT_LE(frontend.api.serialize_size(), 512u * 1024);
    char state[16];
    EXPECT_FALSE(frontend.api.serialize(state, sizeof state));

    // Every button the demo reads is named for the frontend's remapping menu, on both ports.
    std::vector<unsigned> ids[2];
    for (const retro_input_descriptor& d : frontend.descriptors) {
        ASSERT_LE(d.port, 1u);
        EXPECT_EQ(d.device, (unsigned)RETRO_DEVICE_JOYPAD);
        ids[d.port].push_back(d.id);
    }
    for (std::vector<unsigned>& port : ids) {
        std::sort(port.begin(), port.end());
        EXPECT_EQ(port, (std::vector<unsigned>{
                            RETRO_DEVICE_ID_JOYPAD_SELECT, RETRO_DEVICE_ID_JOYPAD_START,
                            RETRO_DEVICE_ID_JOYPAD_UP, RETRO_DEVICE_ID_JOYPAD_DOWN,
                            RETRO_DEVICE_ID_JOYPAD_LEFT, RETRO_DEVICE_ID_JOYPAD_RIGHT}));
    }
    for (const std::string& text : frontend.descriptor_texts) {
        EXPECT_FALSE(text.empty());
    }
}

// The frontend paces the core by its sound: every run, whatever the demo does, sends a pulse of
// silence at the declared rate in one batch.
TEST(Core, EveryRunSendsOnePulseOfSilence) {
    FakeFrontend frontend;
    frontend.seed_value = "12";
    ASSERT_TRUE(frontend.load());
    retro_system_av_info av{};
    frontend.api.get_system_av_info(&av);
    ASSERT_EQ(av.timing.sample_rate, 48000.0);
    const size_t frames = (size_t)(av.timing.sample_rate / av.timing.fps);
    // The stick, slow motion from run 5 (its sixteen waits), START at run 40, then the picture
    // kept after the hand-over, and a reset.
    std::vector<Change> script = {{2, kRight}, {5, kSelect}, {6, 0}, {40, kStart}};
    run_script(frontend, 45, script);
    ASSERT_EQ(frontend.shutdown_runs.size(), 1u);
    frontend.api.reset();
    run_script(frontend, 5);
    EXPECT_EQ(frontend.audio_batches, std::vector<size_t>(50, frames));
    EXPECT_EQ(frontend.single_samples, 0u);
    EXPECT_FALSE(frontend.audible);
}

// Ports 0 and 1 are one stick, merged switch by switch before they become contacts; each port
// alone plays as port 0 did.
TEST(Core, BothPortsHoldTheOneStick) {
    struct Case {
        const char* name;
        std::vector<Change> port0, port1;
        const char* script;  // the contacts they make together, START from the last run on
        int runs;
        std::vector<unsigned> shutdown_runs = {};
    };
    const Case cases[] = {
        {"port 1 alone",
         {},
         {{3, kRight}, {21, kUp | kLeft}, {31, 0}},
         "3 right\n21 up-left\n31 none\n",
         36},
        {"up on one, left on the other: up-left",
         {{2, kUp}, {12, 0}},
         {{6, kLeft}, {16, 0}},
         "2 up\n6 up-left\n12 left\n16 none\n",
         20},
        {"opposites on the two cancel",
         {{1, kRight}},
         {{4, kLeft}, {9, 0}},
         "0 right\n4 none\n9 right\n",
         14},
        {"SELECT on port 1",
         {{2, kDown}},
         {{5, kSelect}, {6, 0}},
         "2 down\n5 down+select\n6 down\n",
         30},
        {"START on port 1 ends the demo as on port 0", {}, {{10, kStart}}, "", 10, {10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFrontend frontend;
        frontend.seed_value = "77";
        ASSERT_TRUE(frontend.load());
        for (int run = 1; run <= c.runs; ++run) {
            frontend.run(held_at(c.port0, run), held_at(c.port1, run));
        }
        EXPECT_FALSE(frontend.foreign_input_query);
        EXPECT_EQ(differing(frontend.frame, headless_frame(77, c.runs, c.script)), 0u);
        EXPECT_EQ(frontend.shutdown_runs, c.shutdown_runs);
    }
}

TEST(Core, RefusesAFrontendWithoutXrgb8888) {
    FakeFrontend frontend({.accepts_xrgb8888 = false});
    EXPECT_FALSE(frontend.load());
}

}  // namespace
