// Each picture becomes a yuv420p frame without any general-purpose scaler: the palette's 256
// colours are converted once per frame (BT.709, limited range, as the streams are tagged), every
// console pixel becomes a square of `scale` x `scale` luma samples, and each chroma sample is the
// mean of the 2 x 2 luma positions it covers.

#include "frontends/capture/yuv_frame.h"

#include <cmath>
#include <cstring>

namespace frontends {
namespace {

using sim::kHeight;
using sim::kWidth;

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

YuvScaler::YuvScaler(int scale) : scale_(scale) {
    for (int x = 0; x < kWidth * scale / 2; ++x) {
        left_.push_back(2 * x / scale);
        right_.push_back((2 * x + 1) / scale);
    }
}

void YuvScaler::convert(const sim::Picture& picture, uint8_t* const planes[3],
                        const int strides[3]) const {
    Yuv table[256];
    for (int i = 0; i < 256; ++i) {
        const sim::Rgb& c = picture.palette[i];
        table[i] = to_yuv(c.r, c.g, c.b);
    }
    const uint8_t* pixels = picture.pixels.data();
    const int width = kWidth * scale_;
    for (int row = 0; row < kHeight; ++row) {
        const uint8_t* source = pixels + row * kWidth;
        uint8_t* first = planes[0] + (ptrdiff_t)row * scale_ * strides[0];
        uint8_t* out = first;
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t luma = (uint8_t)table[source[x]].y;
            for (int k = 0; k < scale_; ++k) {
                *out++ = luma;
            }
        }
        for (int k = 1; k < scale_; ++k) {
            std::memcpy(first + (ptrdiff_t)k * strides[0], first, (size_t)width);
        }
    }
    for (int y = 0; y < kHeight * scale_ / 2; ++y) {
        const uint8_t* top = pixels + (2 * y / scale_) * kWidth;
        const uint8_t* bottom = pixels + ((2 * y + 1) / scale_) * kWidth;
        uint8_t* u = planes[1] + (ptrdiff_t)y * strides[1];
        uint8_t* v = planes[2] + (ptrdiff_t)y * strides[2];
        for (int x = 0; x < width / 2; ++x) {
            const Yuv& a = table[top[left_[x]]];
            const Yuv& b = table[top[right_[x]]];
            const Yuv& c = table[bottom[left_[x]]];
            const Yuv& d = table[bottom[right_[x]]];
            u[x] = (uint8_t)((a.u + b.u + c.u + d.u + 2) / 4);
            v[x] = (uint8_t)((a.v + b.v + c.v + d.v + 2) / 4);
        }
    }
}

}  // namespace frontends
