// Decoding with libavformat/libavcodec and converting with libswscale: a different road back to
// RGB than the recorder's own conversion, so a wrong matrix or range there shows up here.

#include "support/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <limits>

namespace pbtest {

std::optional<VideoStream> read_video(
    const std::string& path, const std::function<void(int, const std::vector<uint8_t>&)>& each) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        return std::nullopt;
    }
    std::optional<VideoStream> result;
    AVCodecContext* codec = nullptr;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    SwsContext* convert = nullptr;
    std::vector<uint8_t> rgb;
    const int index = avformat_find_stream_info(format, nullptr) < 0
                          ? -1
                          : av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec* decoder =
        index < 0 ? nullptr : avcodec_find_decoder(format->streams[index]->codecpar->codec_id);
    if (decoder != nullptr && (codec = avcodec_alloc_context3(decoder)) != nullptr &&
        avcodec_parameters_to_context(codec, format->streams[index]->codecpar) >= 0 &&
        avcodec_open2(codec, decoder, nullptr) >= 0) {
        const AVStream* stream = format->streams[index];
        VideoStream info;
        info.container = format->iformat->name;
        info.codec = decoder->name;
        info.pixel_format =
            av_get_pix_fmt_name(codec->pix_fmt) ? av_get_pix_fmt_name(codec->pix_fmt) : "";
        info.rate_num = stream->avg_frame_rate.num;
        info.rate_den = stream->avg_frame_rate.den;
        info.width = codec->width;
        info.height = codec->height;
        bool ok = true;
        const auto drain = [&]() {
            while (avcodec_receive_frame(codec, frame) >= 0) {
                if (each) {
                    convert = sws_getCachedContext(
                        convert, frame->width, frame->height, (AVPixelFormat)frame->format,
                        frame->width, frame->height, AV_PIX_FMT_RGB24,
                        SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
                        nullptr);
                    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
                    sws_setColorspaceDetails(convert, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
                    rgb.resize((size_t)frame->width * frame->height * 3);
                    uint8_t* planes[1] = {rgb.data()};
                    const int strides[1] = {frame->width * 3};
                    sws_scale(convert, frame->data, frame->linesize, 0, frame->height, planes,
                              strides);
                    each(info.frames, rgb);
                }
                ++info.frames;
            }
        };
        while (ok && av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == index) {
                ok = avcodec_send_packet(codec, packet) >= 0;
                drain();
            }
            av_packet_unref(packet);
        }
        if (ok && avcodec_send_packet(codec, nullptr) >= 0) {
            drain();
            result = info;
        }
    }
    sws_freeContext(convert);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return result;
}

double psnr(const std::vector<uint8_t>& decoded, const std::vector<uint8_t>& exact) {
    if (decoded.size() != exact.size() || exact.empty()) {
        return 0;
    }
    double squares = 0;
    for (size_t i = 0; i < exact.size(); ++i) {
        const double d = (double)decoded[i] - exact[i];
        squares += d * d;
    }
    if (squares == 0) {
        return std::numeric_limits<double>::infinity();
    }
    return 10 * std::log10(255.0 * 255.0 * (double)exact.size() / squares);
}

std::vector<uint8_t> scaled_rgb(const sim::Picture& picture, int scale) {
    const int width = 320 * scale, height = 240 * scale;
    std::vector<uint8_t> rgb((size_t)width * height * 3);
    uint8_t* out = rgb.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const sim::Rgb& colour = picture.palette[picture.pixels[(y / scale) * 320 + x / scale]];
            *out++ = colour.r;
            *out++ = colour.g;
            *out++ = colour.b;
        }
    }
    return rgb;
}

}  // namespace pbtest
