// Videos as a player reads them back: the stream the recorder describes, and pictures whose every
// pixel keeps its own colour through 4:2:0 at even scales, with the palette of each frame.

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "frontends/capture/video_output.h"
#include "support/video_file.h"

namespace {

// Neighbouring pixels in eight saturated colours, the hardest case for shared chroma, with the
// palette turned by `frame` steps so every frame differs.
sim::Picture pattern(int frame) {
    static const uint8_t kColours[8][3] = {{255, 0, 0},     {0, 255, 0},   {0, 0, 255},
                                           {255, 255, 0},   {0, 255, 255}, {255, 0, 255},
                                           {255, 255, 255}, {0, 0, 0}};
    sim::Picture picture;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            picture.pixels[(size_t)y * 320 + x] = (uint8_t)((x + 3 * y + x / 7) % 8);
        }
    }
    for (int i = 0; i < 8; ++i) {
        const uint8_t* c = kColours[(i + frame) % 8];
        picture.palette[i] = {c[0], c[1], c[2]};
    }
    return picture;
}

TEST(VideoRecorder, EveryPixelKeepsItsColourAtEvenScales) {
    struct Case {
        std::string extension, codec, container;
        int scale;
    };
    const Case cases[] = {
        {".mp4", "h264", "mov,mp4,m4a,3gp,3g2,mj2", 2},
        {".webm", "vp9", "matroska,webm", 4},
    };
    constexpr int kFrames = 6;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        const std::string path = "/tmp/pbvideo-" + std::to_string(getpid()) + c.extension;
        {
            frontends::VideoRecorder recorder(path, c.scale);
            for (int frame = 0; frame < kFrames; ++frame) {
                recorder.add_frame(pattern(frame));
            }
            recorder.finish();
        }
        double worst = 1000;
        const auto stream =
            pbtest::read_video(path, [&](int frame, const std::vector<uint8_t>& rgb) {
                worst =
                    std::min(worst, pbtest::psnr(rgb, pbtest::scaled_rgb(pattern(frame), c.scale)));
            });
        unlink(path.c_str());
        ASSERT_TRUE(stream) << "the video cannot be decoded";
        EXPECT_EQ(stream->container, c.container);
        EXPECT_EQ(stream->codec, c.codec);
        EXPECT_EQ(stream->pixel_format, "yuv420p");
        EXPECT_EQ(stream->rate_num, 60 * stream->rate_den);
        EXPECT_EQ(stream->width, 320 * c.scale);
        EXPECT_EQ(stream->height, 240 * c.scale);
        EXPECT_EQ(stream->frames, kFrames);
        EXPECT_GE(worst, 40.0);
    }
}

TEST(VideoRecorder, RefusesWhatItCannotWriteAndLeavesNothing) {
    const std::string folder = "/tmp/pbvideo-" + std::to_string(getpid());
    for (const std::string name : {"run.avi", "run.mp4.txt", "run"}) {
        EXPECT_THROW(frontends::VideoRecorder(folder + name, 2), frontends::OutputError) << name;
    }
    EXPECT_THROW(frontends::VideoRecorder(folder + "/no/such/run.mp4", 2), frontends::OutputError);
    { frontends::VideoRecorder unfinished(folder + ".webm", 2); }
    EXPECT_FALSE(std::ifstream(folder + ".webm").good()) << "an unfinished video was left";
}

}  // namespace
