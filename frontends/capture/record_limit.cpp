// The figures behind the plans were measured on the demo's own pictures (docs/PERFORMANCE.md):
// its plasma is noise at the scale of single pixels, recoloured every frame, so what a bit rate
// buys hardly depends on the seed or the buttons.

#include "frontends/capture/record_limit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace frontends {
namespace {

using sim::kPulsesPerSecond;

// Bits per second at scale 2 (640 x 480): below the first a 30-frame video's mean PSNR falls
// under 30 dB, where the plasma's pixels have blurred into patches; from the second a 60-frame
// video reaches the 40 dB of a full-quality recording, and the motion is worth more than the
// picture gained at 30.
constexpr double kLeastBitsPerSecond = 3.0e6;
constexpr double kSixtyBitsPerSecond = 15.0e6;
// Larger scales draw each pixel as a larger square, which costs somewhat more to keep as sharp:
// at scale 4 the floor's picture took 1.4 times the bits.
double for_scale(double bits_per_second, int scale) {
    return bits_per_second * std::sqrt(scale / 2.0);
}

// Rate control lands within about 2% of its aim; the rest of the margin is for the container.
constexpr double kAim = 0.97;
// The least and the most asked of an encoder (which count in kbit/s), whatever the limit: the
// most is far beyond any picture's need.
constexpr int64_t kLeastBitRate = 1'000;
constexpr int64_t kMostBitRate = 1'000'000'000;
// Passes at a bit rate before a video that still comes out too large is given up.
constexpr int kMostTries = 4;
// A GIF's own bytes besides its frames: the screen, the loop, the end.
constexpr uint64_t kGifFileBytes = 100;

// What a container adds to the encoded frames: its header and index, and a few bytes a frame.
uint64_t container_bytes(VideoFormat format, uint32_t frames) {
    return format == VideoFormat::kMp4 ? 4'000 + 24 * (uint64_t)frames
                                       : 2'000 + 16 * (uint64_t)frames;
}

std::string seconds_text(uint32_t pulses) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", (double)pulses / kPulsesPerSecond);
    return text;
}

// The least limit that holds `bytes`, as --record-limit takes it: whole K, rounded up.
std::string least_text(uint64_t bytes) {
    return limit_text((bytes + 999) / 1'000 * 1'000);
}

// The least limit at which a video of `frames` frames of `every` pulses reaches `bits_per_second`.
uint64_t least_limit(VideoFormat format, uint32_t frames, int every, double bits_per_second) {
    const double seconds = (double)frames * every / kPulsesPerSecond;
    return container_bytes(format, frames) +
           (uint64_t)std::ceil(bits_per_second * seconds / 8 / kAim);
}

}  // namespace

std::string limit_text(uint64_t bytes) {
    if (bytes % 1'000'000 == 0) {
        return std::to_string(bytes / 1'000'000) + "M";
    }
    return bytes % 1'000 == 0 ? std::to_string(bytes / 1'000) + "K" : std::to_string(bytes);
}

uint32_t frames_of(uint32_t pulses, int every) {
    return pulses == 0 ? 0 : (pulses - 1) / (uint32_t)every + 1;
}

int64_t bit_rate_within(uint64_t limit, VideoFormat format, uint32_t frames, int every) {
    const uint64_t container = container_bytes(format, frames);
    if (frames == 0 || limit <= container) {
        return kLeastBitRate;
    }
    const double seconds = (double)frames * every / kPulsesPerSecond;
    const double rate = (double)(limit - container) * 8 / seconds * kAim;
    return std::clamp((int64_t)rate, kLeastBitRate, kMostBitRate);
}

VideoPlan plan_video(uint64_t limit, VideoFormat format, int scale, uint32_t pulses) {
    const uint32_t half = frames_of(pulses, 2);
    const double least = for_scale(kLeastBitsPerSecond, scale);
    if (bit_rate_within(limit, format, half, 2) < least) {
        throw OutputError("--record-limit " + limit_text(limit) +
                          " is too small for a video of up to " + std::to_string(pulses) +
                          " pulses (" + seconds_text(pulses) + ") at scale " +
                          std::to_string(scale) + ": a picture worth posting needs at least " +
                          least_text(least_limit(format, half, 2, least)));
    }
    const int64_t sixty = bit_rate_within(limit, format, frames_of(pulses, 1), 1);
    if (sixty >= for_scale(kSixtyBitsPerSecond, scale)) {
        return {1, sixty};
    }
    return {2, bit_rate_within(limit, format, half, 2)};
}

int gif_interval_within(uint64_t limit, uint32_t pulses, uint64_t frame_bytes) {
    const int least = (int)kRecordEveryOption.least, most = (int)kRecordEveryOption.largest;
    for (int every = least; every <= most; ++every) {
        if (kGifFileBytes + frames_of(pulses, every) * frame_bytes <= limit) {
            return every;
        }
    }
    throw OutputError("--record-limit " + limit_text(limit) + " is too small for a GIF of up to " +
                      std::to_string(pulses) + " pulses (" + seconds_text(pulses) +
                      "): even a frame every " + std::to_string(most) + " pulses needs about " +
                      least_text(kGifFileBytes + frames_of(pulses, most) * frame_bytes));
}

LimitedVideo::LimitedVideo(const std::string& path, int scale, uint64_t limit,
                           const VideoPlan& plan)
    : output_(path), format_(*video_format_for(path)), scale_(scale), limit_(limit) {
    pass_.kind = VideoPass::kFirst;
    pass_.every = plan.every;
    pass_.bit_rate = plan.bit_rate;
    pass_.stats = folder_.file("statistics");
    // So that an interrupt removes them too: x264 writes each file under a temporary name first,
    // and its macroblock tree beside the statistics.
    for (const char* beside : {".temp", ".mbtree", ".mbtree.temp"}) {
        folder_.file(std::string("statistics") + beside);
    }
    start();
}

LimitedVideo::~LimitedVideo() = default;

void LimitedVideo::start() {
    encoder_.reset();
    std::FILE* file = pass_.kind == VideoPass::kFirst ? nullptr : output_.file();
    encoder_ = std::make_unique<VideoEncoder>(output_.path(), format_, scale_, pass_, file);
}

void LimitedVideo::on_pulse(const sim::Board& board, uint32_t pulse) {
    if ((pulse - 1) % (uint32_t)pass_.every == 0) {
        board.capture(scratch_);
        encoder_->add_frame(scratch_);
    }
}

bool LimitedVideo::end_run() {
    encoder_->finish();
    const uint32_t frames = (uint32_t)encoder_->frames();
    if (pass_.kind == VideoPass::kFirst) {
        // The rate for the run as it was, not as planned; a run of no frames has nothing to
        // measure and makes the same empty video as without a limit.
        pass_.kind = frames == 0 ? VideoPass::kQuality : VideoPass::kRate;
        pass_.bit_rate = bit_rate_within(limit_, format_, frames, pass_.every);
        start();
        return true;
    }
    const uint64_t size = output_.size();
    if (size <= limit_) {
        encoder_.reset();
        output_.commit();
        return false;
    }
    if (++tries_ == kMostTries) {
        throw OutputError(output_.path() + ": cannot be made to fit within --record-limit " +
                          limit_text(limit_));
    }
    // Aimed lower by as much as it overshot, the container's bytes aside.
    const double container = (double)container_bytes(format_, frames);
    const double aim =
        std::max(1.0, (double)limit_ - container) / std::max(1.0, (double)size - container) * kAim;
    pass_.bit_rate =
        std::max(kLeastBitRate, (int64_t)((double)pass_.bit_rate * std::min(aim, kAim)));
    output_.rewind();
    start();
    return true;
}

}  // namespace frontends
