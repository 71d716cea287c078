#pragma once
// Video of the console's display at its own rate: H.264 in MP4 or VP9 in WebM, one frame per
// pulse at exactly 60 frames per second, each picture scaled up by a whole factor first.

#include <stdint.h>

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

class VideoRecorder {
  public:
    // Creates the output's temporary and starts the encoder; throws OutputError for an
    // unwritable path, a name without a video extension or an encoder this system lacks.
    VideoRecorder(const std::string& path, int scale);
    ~VideoRecorder();
    VideoRecorder(const VideoRecorder&) = delete;
    VideoRecorder& operator=(const VideoRecorder&) = delete;

    // Adds one pulse's picture.
    void add_frame(const sim::Picture& picture);
    // Drains the encoder, ends the file and puts it in place.
    void finish();

  private:
    OutputFile output_;
    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
    int frames_ = 0;
};

}  // namespace frontends
