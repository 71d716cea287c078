// Videos as a player reads them back: the stream the recorder describes, and pictures whose every
// pixel keeps its own colour through 4:2:0 at even scales, with the palette of each frame; and
// videos within a size: what a limit leaves for them, and the passes that make them fit.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "frontends/capture/record_limit.h"
#include "frontends/capture/video_output.h"
#include "frontends/common/headless.h"
#include "platform/sim/run_demo.h"
#include "support/temp_folder.h"
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

using frontends::VideoFormat;

TEST(RecordLimit, ThirtyFramesASecondUnlessSixtyLookAsGoodAsWithout) {
    struct Case {
        uint64_t limit;
        VideoFormat format;
        int scale;
        int every;
    };
    const Case cases[] = {
        {10'000'000, VideoFormat::kMp4, 2, 2},    {10'000'000, VideoFormat::kWebm, 2, 2},
        {18'000'000, VideoFormat::kMp4, 2, 2},    {25'000'000, VideoFormat::kMp4, 2, 1},
        {25'000'000, VideoFormat::kWebm, 4, 2},   {60'000'000, VideoFormat::kWebm, 4, 1},
        {4'000'000'000, VideoFormat::kMp4, 8, 1},
    };
    constexpr uint32_t kPulses = 617;  // ten seconds and the hand-over's margin
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.limit) + " at scale " + std::to_string(c.scale));
        const frontends::VideoPlan plan =
            frontends::plan_video(c.limit, c.format, c.scale, kPulses);
        EXPECT_EQ(plan.every, c.every);
        // What its bit rate spends over the run, the container aside.
        const double spent =
            (double)plan.bit_rate * frontends::frames_of(kPulses, plan.every) * plan.every / 60 / 8;
        EXPECT_LT(spent, (double)c.limit);
        if (c.limit < 100'000'000) {
            EXPECT_GT(spent, 0.9 * (double)c.limit) << "most of the limit is left unused";
        }
    }
    EXPECT_EQ(frontends::frames_of(0, 2), 0u);
    EXPECT_EQ(frontends::frames_of(5, 2), 3u) << "pulses 1, 3 and 5";
    EXPECT_EQ(frontends::frames_of(6, 2), 3u);
}

TEST(RecordLimit, ARefusalNamesTheLeastLimitThatIsTaken) {
    struct Case {
        VideoFormat format;
        int scale;
        uint32_t pulses;
    };
    const Case cases[] = {{VideoFormat::kMp4, 2, 617},
                          {VideoFormat::kWebm, 2, 617},
                          {VideoFormat::kMp4, 6, 3617},
                          {VideoFormat::kWebm, 2, 18}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.pulses) + " pulses at scale " + std::to_string(c.scale));
        std::string message;
        try {
            frontends::plan_video(100'000, c.format, c.scale, c.pulses);
        } catch (const frontends::OutputError& error) {
            message = error.what();
        }
        ASSERT_NE(message.find("--record-limit 100K is too small"), std::string::npos) << message;
        // The least limit it names, as --record-limit would take it back ("3994K").
        const std::string named = message.substr(message.rfind(' ') + 1);
        ASSERT_EQ(named.back(), 'K') << message;
        const uint64_t least = std::stoull(named.substr(0, named.size() - 1)) * 1000;
        EXPECT_NO_THROW(frontends::plan_video(least, c.format, c.scale, c.pulses));
        EXPECT_THROW(frontends::plan_video(least - 1000, c.format, c.scale, c.pulses),
                     frontends::OutputError);
    }
}

TEST(RecordLimit, AGifTakesTheShortestIntervalThatFits) {
    struct Case {
        uint64_t limit;
        uint32_t pulses;
        uint64_t frame_bytes;
        int every;  // 0: refused
    };
    const Case cases[] = {
        {1'000'000'000, 617, 57'000, 2}, {10'000'000, 617, 57'000, 4}, {1'000'000, 137, 58'000, 9},
        {628'000, 617, 57'000, 57},      {600'000, 617, 57'000, 0},    {40'000, 1, 57'000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        if (c.every == 0) {
            EXPECT_THROW(frontends::gif_interval_within(c.limit, c.pulses, c.frame_bytes),
                         frontends::OutputError);
        } else {
            EXPECT_EQ(frontends::gif_interval_within(c.limit, c.pulses, c.frame_bytes), c.every);
        }
    }
}

TEST(LimitedVideo, GivesUpWithoutAFileWhenNoRateFits) {
    // TMPDIR for the encoder's folder of statistics: a folder of the test's own, to see it emptied.
    pbtest::TempFolder scratch;
    setenv("TMPDIR", scratch.path().c_str(), 1);
    int runs = 0;
    const auto attempt = [&] {
        frontends::LimitedVideo video(scratch / "tiny.webm", 2, 3'000, {1, 1'000});
        do {  // a run of the demo for each pass the video asks for, as the headless command does
            ++runs;
            frontends::HeadlessFrontend frontend(frontends::InputTimeline({}, 20));
            frontend.on_pulse = [&video](const sim::Board& board, uint32_t pulse) {
                video.on_pulse(board, pulse);
            };
            sim::Board board(frontend);
            board.set_counter(sim::counter_for_seed(77));
            frontend.prepare(board);
            sim::run_demo(board);
        } while (video.end_run());
    };
    EXPECT_THROW(attempt(), frontends::OutputError);
    // VP9 spends a few kilobytes on a frame however low the rate.
    EXPECT_EQ(runs, 5) << "a first pass and four at ever lower rates";
    EXPECT_TRUE(scratch.entries().empty());
    unsetenv("TMPDIR");
}

}  // namespace
