// The core in the real client: RetroArch with null drivers, a private configuration and home,
// the seed set through its core-options file, and the screenshot it takes after N frames.

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/snapshot.h"
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

TEST(RetroArch, AStateSavedInOneProcessContinuesExactlyInAnother) {
    pbtest::Scratch scratch;
    const fs::path& dir = scratch.path();
    std::string log;
    ASSERT_EQ(pbtest::run_retroarch(dir, PLASMABALLS_CORE, 20, state_settings(dir), seed_option(17),
                                    log, "SAVE_STATE\n"),
              0)
        << log;
    const std::string file = pbtest::read_file(dir / "states" / "plasmaballs.state");
    const size_t at = file.find("PBSNAP");  // the core's data, inside RetroArch's blocks
    const bool whole = at != std::string::npos && file.size() - at >= sim::snapshot::kBytes;
    std::string error;
    const auto state = sim::snapshot::read((const uint8_t*)file.data() + (whole ? at : 0),
                                           whole ? sim::snapshot::kBytes : 0, error);
    ASSERT_TRUE(state) << error << "\n" << log;

    // Another seed: only the state brings seed 17's run back. The command is taken at the first
    // frame; the load, read by a task, lands after the second.
    constexpr int kFrames = 45;
    ASSERT_EQ(pbtest::run_retroarch(dir, PLASMABALLS_CORE, kFrames, state_settings(dir),
                                    seed_option(99), log, "LOAD_STATE\n"),
              0)
        << log;
    EXPECT_EQ(differing_from(dir, 17, (int)state->board.pulse + kFrames - 2), 0u) << log;
}

TEST(RetroArch, RewindAndRunAheadLeaveThePictureAsItWas) {
    struct Case {
        const char* name;
        const char* settings;
        int ahead;  // pulses the picture shown is ahead of the frames run
    };
    // One instance runs every frame twice, with a save between and a load after (the load also
    // puts the real frame back on show); a second instance runs one pulse ahead and is shown.
    const Case cases[] = {
        {"rewind", "rewind_enable = \"true\"\nrewind_granularity = \"1\"\n", 0},
        {"run-ahead",
         "run_ahead_enabled = \"true\"\nrun_ahead_frames = \"1\"\n"
         "run_ahead_secondary_instance = \"false\"\n",
         0},
        {"run-ahead, second instance",
         "run_ahead_enabled = \"true\"\nrun_ahead_frames = \"1\"\n"
         "run_ahead_secondary_instance = \"true\"\n",
         1},
    };
    constexpr int kFrames = 60;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pbtest::Scratch scratch;
        const fs::path& dir = scratch.path();
        std::string log;
        ASSERT_EQ(pbtest::run_retroarch(dir, PLASMABALLS_CORE, kFrames,
                                        state_settings(dir) + c.settings, seed_option(101), log),
                  0)
            << log;
        EXPECT_EQ(differing_from(dir, 101, kFrames + c.ahead), 0u) << log;
    }
}

}  // namespace
