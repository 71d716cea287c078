// The core in the real client: RetroArch with null drivers, a private configuration and home,
// the seed set through its core-options file, and the screenshot it takes after N frames.

#include <gtest/gtest.h>

#include <string>

#include "retroarch_client.h"
#include "support/run_demo.h"

namespace {

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

}  // namespace
