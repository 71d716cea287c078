#pragma once
// Recordings made to fit within a size, for runs whose length is known before they start: what a
// limit leaves for a video (its frame rate and bit rate) or a GIF (its frame interval), the least
// a picture worth posting takes, and a video made in passes over runs of the demo until it fits.

#include <stdint.h>

#include <memory>
#include <string>

#include "frontends/capture/output_file.h"
#include "frontends/capture/video_encoder.h"
#include "platform/sim/board.h"

namespace frontends {

struct VideoPlan {
    int every = 1;         // pulses per frame: 1 (60 frames a second) or 2 (30)
    int64_t bit_rate = 0;  // bits per second
};

// The video of a run of at most `pulses` pulses within `limit` bytes: 30 frames a second unless
// the limit leaves 60 frames a picture as good as a full-quality recording's. Throws OutputError
// when the limit is too small for a picture worth posting, or the scale is odd.
VideoPlan plan_video(uint64_t limit, VideoFormat format, int scale, uint32_t pulses);

// The bit rate at which `frames` frames of `every` pulses each fit within `limit` bytes, the
// container's own bytes counted (at least 1 kbit/s).
int64_t bit_rate_within(uint64_t limit, VideoFormat format, uint32_t frames, int every);

// The bytes a GIF takes for each frame of the demo, as planned before the run, and once measured.
constexpr uint64_t kGifFrameBytes = 57'000;

// The interval, from 2 to 60 pulses (the --record-every range), of the GIF of a run of at most
// `pulses` pulses within `limit` bytes, at `frame_bytes` a frame: the smallest that fits. Throws
// OutputError when not even every 60th pulse fits.
int gif_interval_within(uint64_t limit, uint32_t pulses, uint64_t frame_bytes = kGifFrameBytes);

// A limit as --record-limit takes it: "10M", "2500K", "1234".
std::string limit_text(uint64_t bytes);

// The frames a recording of `pulses` pulses holds at one frame every `every` pulses, the first at
// pulse 1.
uint32_t frames_of(uint32_t pulses, int every);

// A video within a size, written in passes: a first pass that measures the run (how many frames,
// how hard each is to encode), then a pass at the bit rate that fits them, again at a lower rate
// if the file came out too large. Each pass is a run of the demo; a headless run gives the same
// pictures every time.
class LimitedVideo {
  public:
    // Creates the output's temporary and a folder for the encoder's statistics, and starts the
    // first pass; throws OutputError.
    LimitedVideo(const std::string& path, int scale, uint64_t limit, const VideoPlan& plan);
    ~LimitedVideo();
    LimitedVideo(const LimitedVideo&) = delete;
    LimitedVideo& operator=(const LimitedVideo&) = delete;

    // The display at `pulse` of the current run, counted from 1.
    void on_pulse(const sim::Board& board, uint32_t pulse);
    // Ends the run's pass: true when the demo is to run again for another; false when the video
    // is in place.
    bool end_run();

  private:
    void start();

    OutputFile output_;
    TemporaryFolder folder_;
    VideoFormat format_;
    int scale_;
    uint64_t limit_;
    VideoPass pass_;
    int tries_ = 0;
    std::unique_ptr<VideoEncoder> encoder_;
    sim::Picture scratch_;
};

}  // namespace frontends
