// The core in the real client: RetroArch with null drivers, a private configuration and home,
// the seed set through its core-options file, and the screenshot it takes after N frames; a run
// file as content; states, rewind and run-ahead; a movie.

#include <gtest/gtest.h>
#include <libretro.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "retroarch_client.h"
#include "retroarch_network.h"
#include "support/run_demo.h"

namespace {

namespace fs = std::filesystem;

std::string seed_option(int seed) {
    return "plasmaballs_seed = \"" + std::to_string(seed) + "\"\n";
}

std::string state_settings(const fs::path& dir) {
    return pbtest::core_folder_settings(dir, PLASMABALLS_CORE);
}

// The screenshot (none: all of it) against the headless picture of `pulse` with this script.
size_t differing_from(const fs::path& dir, uint16_t seed, int pulse,
                      const std::string& script = "") {
    png_uint_32 width = 0, height = 0;
    const std::vector<uint8_t> shot = pbtest::read_rgb(dir / "shot.png", width, height);
    return pbtest::differing_pixels(
        shot, pbtest::rgb(pbtest::run_headless(seed, (uint32_t)pulse, script).picture));
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

// A run file as content: RetroArch shows the picture the desktop's headless run of the file ends
// on, its hand-over's, for as long as it runs on (the core asks nothing of it), with the file's
// seed over the option's.
TEST(RetroArch, ARunFileAsContentShowsTheHeadlessRunsPictureAndKeepsIt) {
    const std::string text =
        "format 1\nseed 4242\n10 right\n30 up-left+select\n31 none\n70 start\n";
    pbtest::Scratch scratch;
    const fs::path& dir = scratch.path();
    pbtest::write_file(dir / "run.pbrun", text);
    pbtest::ClientOptions options;
    options.frames = 120;
    options.core_options = seed_option(7);
    options.arguments = {(dir / "run.pbrun").string()};
    std::string log;
    ASSERT_EQ(pbtest::Client(dir, PLASMABALLS_CORE, options).wait(log), 0) << log;
    // The file's seed and changes, START from its pulse 70 as the file's last line holds it.
    EXPECT_EQ(differing_from(dir, 4242, 70, text), 0u) << log;
}

// The input a movie holds, as 16-bit values after its header ("BSV1", three 32-bit words, the
// last the size of the state that follows).
std::vector<int16_t> movie_input(const std::string& movie, size_t& header) {
    uint32_t state_size = 0;
    if (movie.size() < 16 || movie.compare(0, 4, "BSV1") != 0) {
        return {};
    }
    std::memcpy(&state_size, movie.data() + 12, 4);
    header = 16 + (size_t)state_size;
    std::vector<int16_t> input(movie.size() > header ? (movie.size() - header) / 2 : 0);
    std::memcpy(input.data(), movie.data() + header, input.size() * 2);
    return input;
}

// A movie recorded while the player pushed the balls (through the remote pad), played back with
// another seed option: the same picture after as many frames. RetroArch 1.14 writes each of the
// core's input queries twice when it records, and reads it once when it plays back; the test
// writes each once before playing, and leaves a movie that holds each once as it is.
TEST(RetroArch, AMovieRecordedWithThePlayersButtonsPlaysBackToTheSamePicture) {
    constexpr int kFrames = 300;
    constexpr size_t kQueries = 12;  // six buttons on each of two ports, every frame
    pbtest::Scratch scratch;
    const fs::path record = scratch.path() / "record", play = scratch.path() / "play";
    fs::create_directories(record);
    fs::create_directories(play);
    const fs::path movie = scratch.path() / "run.bsv", repaired = scratch.path() / "once.bsv";
    pbtest::Remote remote;
    pbtest::ClientOptions options;
    options.frames = kFrames;
    options.settings = remote.settings() + "vrr_runloop_enable = \"true\"\n";  // 60 frames a second
    options.core_options = seed_option(5);
    options.arguments = {"--bsvrecord", movie.string()};
    std::string log;
    {
        pbtest::Client client(record, PLASMABALLS_CORE, options);
        ASSERT_NE(remote.ask("GET_STATUS", 20).find("PLAYING"), std::string::npos);
        const auto hold = [&remote](unsigned id, bool held, int milliseconds) {
            remote.set(id, held);
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        };
        hold(RETRO_DEVICE_ID_JOYPAD_RIGHT, true, 500);
        hold(RETRO_DEVICE_ID_JOYPAD_UP, true, 300);
        hold(RETRO_DEVICE_ID_JOYPAD_RIGHT, false, 0);
        hold(RETRO_DEVICE_ID_JOYPAD_SELECT, true, 300);
        hold(RETRO_DEVICE_ID_JOYPAD_SELECT, false, 0);
        hold(RETRO_DEVICE_ID_JOYPAD_UP, false, 0);
        ASSERT_EQ(client.wait(log), 0) << log;
    }

    const std::string recorded = pbtest::read_file(movie);
    size_t header = 0;
    std::vector<int16_t> input = movie_input(recorded, header);
    ASSERT_FALSE(input.empty()) << "no movie was recorded\n" << log;
    ASSERT_TRUE(std::any_of(input.begin(), input.end(), [](int16_t v) { return v != 0; }))
        << "the movie holds no button pressed";
    const size_t per_frame = input.size() / kFrames;
    ASSERT_EQ(input.size() % kFrames, 0u);
    ASSERT_TRUE(per_frame == kQueries || per_frame == 2 * kQueries) << per_frame;
    if (per_frame == 2 * kQueries) {
        std::vector<int16_t> once;
        for (size_t i = 0; i < input.size(); i += 2) {
            ASSERT_EQ(input[i], input[i + 1]) << "value " << i << " not written twice";
            once.push_back(input[i]);
        }
        input = once;
    }
    std::string fixed = recorded.substr(0, header);
    fixed.append((const char*)input.data(), input.size() * 2);
    pbtest::write_file(repaired, fixed);

    options.settings = "vrr_runloop_enable = \"true\"\n";
    options.core_options = seed_option(77);
    options.arguments = {"--bsvplay", repaired.string()};
    ASSERT_EQ(pbtest::Client(play, PLASMABALLS_CORE, options).wait(log), 0) << log;

    png_uint_32 width = 0, height = 0;
    const std::vector<uint8_t> recorded_shot = pbtest::read_rgb(record / "shot.png", width, height);
    const std::vector<uint8_t> played_shot = pbtest::read_rgb(play / "shot.png", width, height);
    ASSERT_FALSE(recorded_shot.empty() || played_shot.empty()) << log;
    EXPECT_EQ(pbtest::differing_pixels(played_shot, recorded_shot), 0u) << log;
    EXPECT_NE(differing_from(record, 5, kFrames), 0u)
        << "the buttons held while recording did nothing";
}

}  // namespace
