// Encoding through libavcodec and muxing through libavformat into the output's own temporary file.
//
// Each picture becomes a yuv420p frame without any general-purpose scaler: the palette's 256
// colours are converted once per frame (BT.709, limited range, as the streams are tagged), every
// console pixel becomes a square of `scale` x `scale` luma samples, and each chroma sample is the
// mean of the 2 x 2 luma positions it covers. The encoder's time base is 1/60 and frame n has
// the timestamp n, so the video runs at exactly the console's rate whatever the container rounds.

#include "frontends/capture/video_output.h"

#include "frontends/common/text.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <stdio.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace frontends {
namespace {

using sim::kHeight;
using sim::kPulsesPerSecond;
using sim::kWidth;
constexpr int kKeyframeEvery = 2 * kPulsesPerSecond;  // a seek never decodes more than 2 s

std::string describe(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// What each format is encoded with. The settings were chosen by measurement for a recording to
// be made faster than real time on two cores and to stay above 40 dB against the exact frames
// (docs/PERFORMANCE.md).
struct Codec {
    const char* muxer;
    const char* encoder;
    const char* label;
    std::vector<std::pair<const char*, const char*>> options;
};

Codec codec_for(VideoFormat format) {
    if (format == VideoFormat::kMp4) {
        return {"mp4",
                "libx264",
                "H.264",
                {{"preset", "veryfast"},
                 {"tune", "psnr"},
                 {"crf", "11"},
                 {"x264-params", "chroma-qp-offset=-4"}}};
    }
    return {"webm",
            "libvpx-vp9",
            "VP9",
            {{"deadline", "realtime"},
             {"cpu-used", "8"},
             {"crf", "8"},
             {"b", "0"},
             {"row-mt", "1"},
             {"tile-columns", "2"}}};
}

// The muxer writes through stdio into the output's temporary; MP4 seeks back to finish its index.
int write_bytes(void* opaque, uint8_t* data, int size) {
    return std::fwrite(data, 1, (size_t)size, (FILE*)opaque) == (size_t)size ? size : AVERROR(EIO);
}

int64_t seek_bytes(void* opaque, int64_t offset, int whence) {
    FILE* file = (FILE*)opaque;
    if (whence & AVSEEK_SIZE) {
        const off_t here = ftello(file);
        if (here < 0 || fseeko(file, 0, SEEK_END) != 0) {
            return -1;
        }
        const off_t size = ftello(file);
        return fseeko(file, here, SEEK_SET) == 0 ? size : -1;
    }
    whence &= ~AVSEEK_FORCE;
    if (fseeko(file, (off_t)offset, whence) != 0) {
        return AVERROR(EIO);
    }
    return ftello(file);
}

// BT.709 with 8-bit limited range: luma 16-235, chroma 16-240.
struct Yuv {
    int y, u, v;
};

Yuv to_yuv(int r, int g, int b) {
    const double luma = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    return {(int)std::lround(16 + 219 * luma / 255),
            (int)std::lround(128 + 224 * (b - luma) / 1.8556 / 255),
            (int)std::lround(128 + 224 * (r - luma) / 1.5748 / 255)};
}

}  // namespace

std::optional<VideoFormat> video_format_for(const std::string& path) {
    if (has_suffix(path, ".mp4")) {
        return VideoFormat::kMp4;
    }
    if (has_suffix(path, ".webm")) {
        return VideoFormat::kWebm;
    }
    return std::nullopt;
}

struct VideoRecorder::Encoder {
    std::string path;
    int scale = 1;
    AVFormatContext* muxer = nullptr;
    AVIOContext* io = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    sim::Picture last;             // the picture in `frame`, to skip repeats
    std::vector<int> left, right;  // console columns under each chroma column

    ~Encoder() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (muxer != nullptr) {
            avformat_free_context(muxer);
        }
        if (io != nullptr) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    [[noreturn]] void fail(const std::string& what, int code = 0) const {
        throw OutputError(path + ": " + what + (code ? " (" + describe(code) + ")" : ""));
    }
    void check(int code, const char* what) const {
        if (code < 0) {
            fail(what, code);
        }
    }

    void start(FILE* file, VideoFormat format) {
        const Codec chosen = codec_for(format);
        const AVCodec* encoder = avcodec_find_encoder_by_name(chosen.encoder);
        if (encoder == nullptr) {
            fail(std::string("this system's libavcodec has no ") + chosen.label + " encoder (" +
                 chosen.encoder + ")");
        }
        open_container(file, chosen.muxer);
        stream = avformat_new_stream(muxer, nullptr);
        codec = avcodec_alloc_context3(encoder);
        frame = av_frame_alloc();
        packet = av_packet_alloc();
        if (stream == nullptr || codec == nullptr || frame == nullptr || packet == nullptr) {
            fail("out of memory for the video encoder");
        }
        open_encoder(encoder, chosen);
        check(avformat_write_header(muxer, nullptr), "cannot start the video file");
        prepare_frame();
    }

    // The muxer, writing through our own I/O into the output's temporary file.
    void open_container(FILE* file, const char* format) {
        check(avformat_alloc_output_context2(&muxer, nullptr, format, nullptr),
              "cannot start the video file");
        constexpr int kBufferBytes = 1 << 16;
        uint8_t* buffer = (uint8_t*)av_malloc(kBufferBytes);
        io = buffer ? avio_alloc_context(buffer, kBufferBytes, 1, file, nullptr, write_bytes,
                                         seek_bytes)
                    : nullptr;
        if (io == nullptr) {
            av_free(buffer);
            fail("out of memory for the video file");
        }
        io->seekable = AVIO_SEEKABLE_NORMAL;
        muxer->pb = io;
        muxer->flags |= AVFMT_FLAG_CUSTOM_IO;
    }

    // One frame per pulse at the console's rate, BT.709 colours in the studio range.
    void open_encoder(const AVCodec* encoder, const Codec& chosen) {
        codec->width = kWidth * scale;
        codec->height = kHeight * scale;
        codec->pix_fmt = AV_PIX_FMT_YUV420P;
        codec->time_base = {1, kPulsesPerSecond};
        codec->framerate = {kPulsesPerSecond, 1};
        codec->gop_size = kKeyframeEvery;
        codec->color_range = AVCOL_RANGE_MPEG;
        codec->colorspace = AVCOL_SPC_BT709;
        codec->color_primaries = AVCOL_PRI_BT709;
        codec->color_trc = AVCOL_TRC_BT709;
        codec->chroma_sample_location = AVCHROMA_LOC_CENTER;
        codec->thread_count = 0;  // as many as the machine has
        if (muxer->oformat->flags & AVFMT_GLOBALHEADER) {
            codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        AVDictionary* options = nullptr;
        for (const auto& [name, value] : chosen.options) {
            av_dict_set(&options, name, value, 0);
        }
        const int opened = avcodec_open2(codec, encoder, &options);
        av_dict_free(&options);
        check(opened, "cannot start the video encoder");
        check(avcodec_parameters_from_context(stream->codecpar, codec),
              "cannot describe the video stream");
        stream->time_base = codec->time_base;
        stream->avg_frame_rate = codec->framerate;
        stream->r_frame_rate = codec->framerate;
    }

    // The frame the pictures are converted into, and the console columns under each chroma one.
    void prepare_frame() {
        frame->format = codec->pix_fmt;
        frame->width = codec->width;
        frame->height = codec->height;
        frame->color_range = codec->color_range;
        frame->colorspace = codec->colorspace;
        frame->color_primaries = codec->color_primaries;
        frame->color_trc = codec->color_trc;
        frame->chroma_location = codec->chroma_sample_location;
        check(av_frame_get_buffer(frame, 0), "out of memory for video frames");
        for (int x = 0; x < codec->width / 2; ++x) {
            left.push_back(2 * x / scale);
            right.push_back((2 * x + 1) / scale);
        }
    }

    // Fills `frame` with the picture, scaled.
    void convert(const sim::Picture& picture) {
        Yuv table[256];
        for (int i = 0; i < 256; ++i) {
            const sim::Rgb& c = picture.palette[i];
            table[i] = to_yuv(c.r, c.g, c.b);
        }
        const uint8_t* pixels = picture.pixels.data();
        const int width = codec->width;
        for (int row = 0; row < kHeight; ++row) {
            const uint8_t* source = pixels + row * kWidth;
            uint8_t* first = frame->data[0] + (ptrdiff_t)row * scale * frame->linesize[0];
            uint8_t* out = first;
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t luma = (uint8_t)table[source[x]].y;
                for (int k = 0; k < scale; ++k) {
                    *out++ = luma;
                }
            }
            for (int k = 1; k < scale; ++k) {
                std::memcpy(first + (ptrdiff_t)k * frame->linesize[0], first, (size_t)width);
            }
        }
        for (int y = 0; y < codec->height / 2; ++y) {
            const uint8_t* top = pixels + (2 * y / scale) * kWidth;
            const uint8_t* bottom = pixels + ((2 * y + 1) / scale) * kWidth;
            uint8_t* u = frame->data[1] + (ptrdiff_t)y * frame->linesize[1];
            uint8_t* v = frame->data[2] + (ptrdiff_t)y * frame->linesize[2];
            for (int x = 0; x < width / 2; ++x) {
                const Yuv& a = table[top[left[x]]];
                const Yuv& b = table[top[right[x]]];
                const Yuv& c = table[bottom[left[x]]];
                const Yuv& d = table[bottom[right[x]]];
                u[x] = (uint8_t)((a.u + b.u + c.u + d.u + 2) / 4);
                v[x] = (uint8_t)((a.v + b.v + c.v + d.v + 2) / 4);
            }
        }
    }

    // Sends one frame (null: the end) and writes every packet the encoder has ready.
    void send(const AVFrame* input) {
        check(avcodec_send_frame(codec, input), "cannot encode the video");
        while (true) {
            const int received = avcodec_receive_packet(codec, packet);
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
                return;
            }
            check(received, "cannot encode the video");
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            check(av_interleaved_write_frame(muxer, packet), "cannot be written");
        }
    }
};

namespace {

// Checked before the output's temporary is made, so a refusal leaves nothing behind.
const std::string& checked(const std::string& path, int scale) {
    if (!video_format_for(path)) {
        throw OutputError(path + ": a video's name must end in .mp4 or .webm");
    }
    if (scale < kMinVideoScale || scale > kMaxVideoScale) {
        throw OutputError(path + ": a video's scale must be from 1 to 8");
    }
    return path;
}

}  // namespace

VideoRecorder::VideoRecorder(const std::string& path, int scale)
    : output_(checked(path, scale)), encoder_(std::make_unique<Encoder>()) {
    encoder_->path = path;
    encoder_->scale = scale;
    // The libraries' own reports would add lines to a run that succeeds; failures are reported
    // here, in one line each.
    av_log_set_level(AV_LOG_QUIET);
    encoder_->start(output_.file(), *video_format_for(path));
}

VideoRecorder::~VideoRecorder() = default;

void VideoRecorder::add_frame(const sim::Picture& picture) {
    Encoder& e = *encoder_;
    if (frames_ == 0 || !(picture == e.last)) {
        // The encoder may still hold the previous frame's buffers.
        e.check(av_frame_make_writable(e.frame), "out of memory for video frames");
        e.convert(picture);
        e.last = picture;
    }
    e.frame->pts = frames_;
    e.send(e.frame);
    ++frames_;
}

void VideoRecorder::finish() {
    Encoder& e = *encoder_;
    e.send(nullptr);
    e.check(av_write_trailer(e.muxer), "cannot be written");
    avio_flush(e.io);
    if (e.io->error < 0) {
        e.fail("cannot be written", e.io->error);
    }
    output_.commit();
}

}  // namespace frontends
