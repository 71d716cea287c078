// A full-quality video: one pass of the encoder into the output's temporary, put in place when
// it is complete.

#include "frontends/capture/video_output.h"

namespace frontends {

void check_video(const std::string& path, int scale) {
    if (!video_format_for(path)) {
        throw OutputError(path + ": a video's name must end in .mp4 or .webm");
    }
    if (scale < kMinVideoScale || scale > kMaxVideoScale) {
        throw OutputError(path + ": a video's scale must be from " +
                          std::to_string(kMinVideoScale) + " to " + std::to_string(kMaxVideoScale));
    }
}

namespace {

// Checked before the output's temporary is made, so a refusal leaves nothing behind.
const std::string& checked(const std::string& path, int scale) {
    check_video(path, scale);
    return path;
}

}  // namespace

VideoRecorder::VideoRecorder(const std::string& path, int scale) : output_(checked(path, scale)) {
    encoder_ = std::make_unique<VideoEncoder>(path, *video_format_for(path), scale, VideoPass{},
                                              output_.file());
}

VideoRecorder::~VideoRecorder() = default;

void VideoRecorder::add_frame(const sim::Picture& picture) {
    encoder_->add_frame(picture);
}

void VideoRecorder::finish() {
    encoder_->finish();
    output_.commit();
}

}  // namespace frontends
