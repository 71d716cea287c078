#pragma once
// The encoder of the videos: the console's pictures scaled up and converted to 4:2:0, H.264 in
// MP4 or VP9 in WebM, in one pass at a constant quality or in passes at a bit rate.

#include <stdint.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "frontends/capture/output_file.h"
#include "frontends/common/number_options.h"
#include "platform/sim/board.h"

namespace frontends {

enum class VideoFormat { kMp4, kWebm };

// The format a file name asks for by its extension (.mp4 or .webm, in any case), or none.
std::optional<VideoFormat> video_format_for(const std::string& path);

// Scale factors the recorder takes (the --record-scale range): 1 keeps 320 x 240. With an even
// factor each 4:2:0 colour sample covers a single console pixel, so no pixel takes on its
// neighbour's colour; 2 is the smallest.
constexpr int kMinVideoScale = (int)kRecordScaleOption.least;
constexpr int kMaxVideoScale = (int)kRecordScaleOption.largest;

// One run of the encoder. A full-quality video is one pass at a constant quality; a video made to
// fit a size is a first pass, which only measures the run, then passes at a bit rate that read
// what it measured.
struct VideoPass {
    enum Kind { kQuality, kFirst, kRate } kind = kQuality;
    int every = 1;         // pulses per frame: 1 for 60 frames a second, 2 for 30
    int64_t bit_rate = 0;  // bits per second, for the two-pass kinds
    std::string stats;     // the first pass's statistics file, which the later passes read
};

class VideoEncoder {
  public:
    // Starts the encoder for one pass writing `format` into `file` (a first pass writes no video
    // and takes null); `name` is the output's path, for messages. Throws OutputError for an
    // encoder this system lacks or one that cannot start.
    VideoEncoder(const std::string& name, VideoFormat format, int scale, const VideoPass& pass,
                 std::FILE* file);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Adds the next frame.
    void add_frame(const sim::Picture& picture);
    // Drains the encoder and ends the file; a first pass writes its statistics.
    void finish();
    int frames() const { return frames_; }

  private:
    struct State;
    std::unique_ptr<State> state_;
    int frames_ = 0;
};

}  // namespace frontends
