#pragma once
// Test support: a recorded video as a player sees it (its stream, its frames decoded to RGB),
// and how close a frame is to the exact picture it shows.

#include <stdint.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/board.h"

namespace pbtest {

struct VideoStream {
    std::string container;  // libavformat's name of the format it found
    std::string codec;      // libavcodec's name: "h264", "vp9"
    std::string pixel_format;
    int rate_num = 0, rate_den = 0;  // the stream's frame rate as the container gives it
    int width = 0, height = 0;
    int frames = 0;  // frames decoded
};

// Decodes every frame of a video file; `each` receives each frame's index and its pixels as RGB
// triples, row by row (BT.709 limited range to full-range RGB, as the streams are tagged).
// Nothing when the file cannot be opened or decoded.
std::optional<VideoStream> read_video(
    const std::string& path,
    const std::function<void(int index, const std::vector<uint8_t>& rgb)>& each = {});

// Peak signal-to-noise ratio of `decoded` against `exact` (same size, 8-bit samples), in dB;
// identical buffers give infinity.
double psnr(const std::vector<uint8_t>& decoded, const std::vector<uint8_t>& exact);

// A picture as RGB triples, each pixel a `scale` x `scale` square.
std::vector<uint8_t> scaled_rgb(const sim::Picture& picture, int scale);

}  // namespace pbtest
