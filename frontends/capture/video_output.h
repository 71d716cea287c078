#pragma once
// Video of the console's display at its own rate: H.264 in MP4 or VP9 in WebM, one frame per
// pulse at exactly 60 frames per second, each picture scaled up by a whole factor first.

#include <memory>
#include <string>

#include "frontends/capture/output_file.h"
#include "frontends/capture/video_encoder.h"
#include "platform/sim/board.h"

namespace frontends {

// Checks a video's name and scale, before any file is made.
void check_video(const std::string& path, int scale);

class VideoRecorder {
  public:
    // Creates the output's temporary and starts the encoder for a full-quality video of every
    // pulse; throws OutputError for an unwritable path, a name without a video extension or an
    // encoder this system lacks.
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
    std::unique_ptr<VideoEncoder> encoder_;
};

}  // namespace frontends
