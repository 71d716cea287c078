// Encoding through libavcodec and muxing through libavformat into the output's own temporary file.
// The encoder's time base is one frame (1/60, or 1/30 for every second pulse) and frame n has the
// timestamp n, so the video runs at exactly the console's rate whatever the container rounds.

#include "frontends/capture/video_encoder.h"

#include "frontends/capture/yuv_frame.h"
#include "frontends/common/text.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <stdio.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace frontends {
namespace {

using sim::kHeight;
using sim::kPulsesPerSecond;
using sim::kWidth;
constexpr int kKeyframeSeconds = 2;  // a seek never decodes more than 2 s

std::string describe(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// What each format is encoded with. At full quality the settings were chosen by measurement for
// a recording to be made faster than real time on two cores and to stay above 40 dB against the
// exact frames; within a size, for the best picture at the bit rate (docs/PERFORMANCE.md).
struct Codec {
    const char* muxer;
    const char* encoder;
    const char* label;
    std::vector<std::pair<const char*, std::string>> options;
};

Codec codec_for(VideoFormat format, const VideoPass& pass) {
    const bool quality = pass.kind == VideoPass::kQuality;
    if (format == VideoFormat::kMp4) {
        Codec codec{"mp4", "libx264", "H.264", {}};
        if (quality) {
            codec.options = {{"preset", "veryfast"},
                             {"tune", "psnr"},
                             {"crf", "11"},
                             {"x264-params", "chroma-qp-offset=-4"}};
        } else {
            codec.options = {{"preset", "slower"},
                             {"tune", "animation"},
                             {"x264-params", "chroma-qp-offset=-4"},
                             {"stats", pass.stats}};
        }
        return codec;
    }
    Codec codec{"webm", "libvpx-vp9", "VP9", {}};
    if (quality) {
        codec.options = {{"deadline", "realtime"}, {"cpu-used", "8"},    {"crf", "8"}, {"b", "0"},
                         {"row-mt", "1"},          {"tile-columns", "2"}};
    } else {
        codec.options = {
            {"deadline", "good"}, {"cpu-used", "3"}, {"row-mt", "1"}, {"tile-columns", "2"}};
    }
    return codec;
}

std::string read_stats(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
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

struct VideoEncoder::State {
    std::string path;
    int scale = 1;
    VideoPass pass;
    std::string stats_in;  // what a later pass of VP9 reads, as libvpx's wrapper takes it
    AVFormatContext* muxer = nullptr;
    AVIOContext* io = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    sim::Picture last;  // the picture in `frame`, to skip repeats
    std::unique_ptr<YuvScaler> scaler;

    ~State() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        if (codec != nullptr) {
            codec->stats_in = nullptr;  // ours
        }
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

    // A first pass (no file) encodes without a muxer: only its statistics are kept.
    void start(FILE* file, VideoFormat format) {
        const Codec chosen = codec_for(format, pass);
        const AVCodec* encoder = avcodec_find_encoder_by_name(chosen.encoder);
        if (encoder == nullptr) {
            fail(std::string("this system's libavcodec has no ") + chosen.label + " encoder (" +
                 chosen.encoder + ")");
        }
        if (file != nullptr) {
            open_container(file, chosen.muxer);
            stream = avformat_new_stream(muxer, nullptr);
        }
        codec = avcodec_alloc_context3(encoder);
        frame = av_frame_alloc();
        packet = av_packet_alloc();
        if ((file != nullptr && stream == nullptr) || codec == nullptr || frame == nullptr ||
            packet == nullptr) {
            fail("out of memory for the video encoder");
        }
        open_encoder(encoder, chosen);
        if (muxer != nullptr) {
            check(avformat_write_header(muxer, nullptr), "cannot start the video file");
        }
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

    // One frame per pulse (or per two) at the console's rate, BT.709 colours in the studio range.
    void open_encoder(const AVCodec* encoder, const Codec& chosen) {
        const int rate = kPulsesPerSecond / pass.every;
        codec->width = kWidth * scale;
        codec->height = kHeight * scale;
        codec->pix_fmt = AV_PIX_FMT_YUV420P;
        codec->time_base = {1, rate};
        codec->framerate = {rate, 1};
        codec->gop_size = kKeyframeSeconds * rate;
        codec->color_range = AVCOL_RANGE_MPEG;
        codec->colorspace = AVCOL_SPC_BT709;
        codec->color_primaries = AVCOL_PRI_BT709;
        codec->color_trc = AVCOL_TRC_BT709;
        codec->chroma_sample_location = AVCHROMA_LOC_CENTER;
        codec->thread_count = 0;  // as many as the machine has
        if (muxer == nullptr || (muxer->oformat->flags & AVFMT_GLOBALHEADER)) {
            codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        set_passes();
        AVDictionary* options = nullptr;
        for (const auto& [name, value] : chosen.options) {
            av_dict_set(&options, name, value.c_str(), 0);
        }
        const int opened = avcodec_open2(codec, encoder, &options);
        av_dict_free(&options);
        check(opened, "cannot start the video encoder");
        if (stream != nullptr) {
            check(avcodec_parameters_from_context(stream->codecpar, codec),
                  "cannot describe the video stream");
            stream->time_base = codec->time_base;
            stream->avg_frame_rate = codec->framerate;
            stream->r_frame_rate = codec->framerate;
        }
    }

    // x264 keeps its statistics in the file its "stats" option names; libvpx's wrapper hands them
    // over in memory, so they are written to that file and read back here.
    void set_passes() {
        if (pass.kind == VideoPass::kQuality) {
            return;
        }
        codec->bit_rate = pass.bit_rate;
        if (pass.kind == VideoPass::kFirst) {
            codec->flags |= AV_CODEC_FLAG_PASS1;
            return;
        }
        codec->flags |= AV_CODEC_FLAG_PASS2;
        if (std::string(codec->codec->name) == "libvpx-vp9") {
            stats_in = read_stats(pass.stats);
            codec->stats_in = stats_in.data();
        }
    }

    // The frame the pictures are converted into.
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
    }

    // Sends one frame (null: the end) and writes every packet the encoder has ready; a first pass
    // drops them.
    void send(const AVFrame* input) {
        check(avcodec_send_frame(codec, input), "cannot encode the video");
        while (true) {
            const int received = avcodec_receive_packet(codec, packet);
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
                return;
            }
            check(received, "cannot encode the video");
            if (muxer == nullptr) {
                av_packet_unref(packet);
                continue;
            }
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            check(av_interleaved_write_frame(muxer, packet), "cannot be written");
        }
    }

    void write_stats() const {
        if (codec->stats_out == nullptr) {
            return;  // x264 has written its own
        }
        std::ofstream file(pass.stats, std::ios::binary);
        if (!(file << codec->stats_out) || !file.flush()) {
            fail("cannot write the encoder's statistics in " + pass.stats);
        }
    }
};

VideoEncoder::VideoEncoder(const std::string& name, VideoFormat format, int scale,
                           const VideoPass& pass, std::FILE* file)
    : state_(std::make_unique<State>()) {
    state_->path = name;
    state_->scale = scale;
    state_->scaler = std::make_unique<YuvScaler>(scale);
    state_->pass = pass;
    // The libraries' own reports would add lines to a run that succeeds; failures are reported
    // here, in one line each.
    av_log_set_level(AV_LOG_QUIET);
    state_->start(file, format);
}

VideoEncoder::~VideoEncoder() = default;

void VideoEncoder::add_frame(const sim::Picture& picture) {
    State& e = *state_;
    if (frames_ == 0 || !(picture == e.last)) {
        // The encoder may still hold the previous frame's buffers.
        e.check(av_frame_make_writable(e.frame), "out of memory for video frames");
        e.scaler->convert(picture, e.frame->data, e.frame->linesize);
        e.last = picture;
    }
    e.frame->pts = frames_;
    e.send(e.frame);
    ++frames_;
}

void VideoEncoder::finish() {
    State& e = *state_;
    e.send(nullptr);
    if (e.muxer == nullptr) {
        if (e.pass.kind == VideoPass::kFirst) {
            e.write_stats();
        }
        return;
    }
    e.check(av_write_trailer(e.muxer), "cannot be written");
    avio_flush(e.io);
    if (e.io->error < 0) {
        e.fail("cannot be written", e.io->error);
    }
}

}  // namespace frontends
