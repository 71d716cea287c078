// The core in the real client: RetroArch with null drivers, a private configuration and home,
// the seed set through its core-options file, and the screenshot it takes after N frames.

#include <gtest/gtest.h>

#include <string>

#include "retroarch_client.h"
#include "support/run_demo.h"

namespace {

namespace fs = std::filesystem;

std::string seed_option(int seed) {
    return "plasmaballs_seed = \"" + std::to_string(seed) + "\"\n";
}

// RetroArch lets a core keep states as its information file says, found beside the core here.
// States go uncompressed into dir/states.
std::string state_settings(const fs::path& dir) {
    const std::string cores = fs::path(PLASMABALLS_CORE).parent_path().string();
    fs::create_directories(dir / "states");
    return "libretro_directory = \"" + cores + "\"\nlibretro_info_path = \"" + cores +
           "\"\nsavestate_directory = \"" + (dir / "states").string() +
           "\"\nsavestate_file_compression = \"false\"\n";
}

// The screenshot against the headless picture of `pulse`.
size_t differing_from(const fs::path& dir, uint16_t seed, int pulse) {
    png_uint_32 width = 0, height = 0;
    const std::vector<uint8_t> shot = pbtest::read_rgb(dir / "shot.png", width, height);
    return pbtest::differing_pixels(shot, pbtest::rgb(pbtest::run_headless(seed, pulse).picture));
}

TEST(RetroArch, ScreenshotAfterNFramesIsTheHeadlessPictureOfPulseN) {
    struct Case {
        uint16_t seed;
        int frames;
    };
    for (const Case& c : {Case{17, 45}, Case{101, 120}}) {
        SCOPED_TRACE("seed " + std::to_string(c.seed) + ", " + std::to_string(c.frames) +
                     " frames");
        const std::vector<uint8_t> expected =
            pbtest::rgb(pbtest::run_headless(c.seed, (uint32_t)c.frames).picture);
        pbtest::Scratch scratch;
        const auto& dir = scratch.path();

        std::string log;
        const int status =
            pbtest::run_retroarch(dir, PLASMABALLS_CORE, c.frames, "",
                                  "plasmaballs_seed = \"" + std::to_string(c.seed) + "\"\n", log);
        ASSERT_EQ(status, 0) << log;
        png_uint_32 width = 0, height = 0;
        const std::vector<uint8_t> shot = pbtest::read_rgb(dir / "shot.png", width, height);
        ASSERT_FALSE(shot.empty()) << "no readable screenshot\n" << log;
        ASSERT_EQ(width, 320u);
        ASSERT_EQ(height, 240u);
        EXPECT_EQ(pbtest::differing_pixels(shot, expected), 0u) << log;
    }
}

// States: saved by one RetroArch (SAVE_STATE on its standard input) and loaded by another started
// with another seed (at start; read by a task in a thread, it lands within the next frames, so
// the picture must be one of the saved run's); rewind; run-ahead in one instance, which runs each
// frame twice with a save between and a load after (which puts the real frame back on show), or
// in a second instance, one pulse ahead, whose picture is shown.
TEST(RetroArch, StatesLoadInAnotherProcessAndRewindAndRunAheadKeepThePicture) {
    struct Case {
        const char* name;
        const char* settings;
        int ahead;  // pulses the picture is ahead of the frames run
        bool load = false;
    };
    const Case cases[] = {
        {"loaded in another process", "savestate_auto_load = \"true\"\n", 0, true},
        {"rewind", "rewind_enable = \"true\"\nrewind_granularity = \"1\"\n", 0},
        {"run-ahead", "run_ahead_enabled = \"true\"\nrun_ahead_secondary_instance = \"false\"\n",
         0},
        {"run-ahead, second instance", "run_ahead_enabled = \"true\"\n", 1},
    };
    constexpr int kFrames = 60;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pbtest::Scratch scratch;
        const fs::path& dir = scratch.path();
        const fs::path saved = dir / "states" / "plasmaballs.state";
        std::string log;
        if (c.load) {
            ASSERT_EQ(pbtest::run_retroarch(dir, PLASMABALLS_CORE, 20, state_settings(dir),
                                            seed_option(17), log, "SAVE_STATE\n"),
                      0)
                << log;
            fs::rename(saved, saved.string() + ".auto");
        }
        ASSERT_EQ(
            pbtest::run_retroarch(dir, PLASMABALLS_CORE, kFrames, state_settings(dir) + c.settings,
                                  seed_option(c.load ? 99 : 17), log),
            0)
            << log;
        // A loaded state was saved within 20 frames.
        int pulse = kFrames + (c.load ? 20 : c.ahead);
        while (c.load && pulse > 0 && differing_from(dir, 17, pulse) != 0) {
            --pulse;
        }
        EXPECT_EQ(differing_from(dir, 17, pulse), 0u) << log;
    }
}

}  // namespace
