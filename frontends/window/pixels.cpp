// Placement and palette expansion. Expansion converts each source row once, at the output's
// scale, and copies that row to each line of its block: the lookup runs once per source pixel.

#include "frontends/window/pixels.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace frontends::window {
namespace {

// Room left for a title bar and borders when the window's size is chosen.
constexpr int kFrameAllowance = 64;
constexpr int kLargestDefaultScale = 4;
// Rows up to this scale are expanded into a buffer of their own, then put on the output's lines.
constexpr int kBufferedScale = 8;

// One source row into `columns` blocks of `scale` pixels; the fixed scales let the compiler
// unroll the block, which matters at the sizes windows usually have.
template <int kScale>
void expand_row(const uint8_t* source, const Lut& lut, int columns, uint32_t* out) {
    for (int column = 0; column < columns; ++column) {
        const uint32_t value = lut[source[column]];
        for (int i = 0; i < kScale; ++i) {
            out[i] = value;
        }
        out += kScale;
    }
}

void expand_row(const uint8_t* source, const Lut& lut, int columns, int scale, uint32_t* out) {
    for (int column = 0; column < columns; ++column) {
        const uint32_t value = lut[source[column]];
        for (int i = 0; i < scale; ++i) {
            *out++ = value;
        }
    }
}

// One line of the output from an expanded row. Where the processor can, the stores bypass the
// caches: at scale 4 the output is 4.9 MB a pulse that only the display server reads, and each
// cached store would first fetch its line (measured: 3.7% of a core at scale 4 before, 3.0 to
// 3.3% after).
void put_line(uint8_t* to, const uint32_t* row, size_t bytes) {
#if defined(__SSE2__)
    if (((uintptr_t)to & 15) == 0) {
        __m128i* out = (__m128i*)to;
        const __m128i* in = (const __m128i*)row;
        size_t i = 0;
        for (; i < bytes / 16; ++i) {
            _mm_stream_si128(out + i, _mm_loadu_si128(in + i));
        }
        std::memcpy(to + 16 * i, (const uint8_t*)row + 16 * i, bytes - 16 * i);
        return;
    }
#endif
    std::memcpy(to, row, bytes);
}

}  // namespace

Placement place(int w, int h) {
    Placement placement;
    placement.scale = std::max(1, std::min(w / sim::kWidth, h / sim::kHeight));
    placement.x = (w - placement.width()) / 2;
    placement.y = (h - placement.height()) / 2;
    if (placement.x < 0) {
        placement.x = 0;
    }
    if (placement.y < 0) {
        placement.y = 0;
    }
    return placement;
}

int fitting_scale(int w, int h) {
    for (int scale = kLargestDefaultScale; scale > 1; --scale) {
        if (sim::kWidth * scale <= w && sim::kHeight * scale + kFrameAllowance <= h) {
            return scale;
        }
    }
    return 1;
}

void expand(const sim::Picture& picture, const Lut& lut, const Placement& placement,
            uint8_t* output, int w, int h, size_t pitch) {
    const int scale = placement.scale;
    const int left = placement.x;
    if (placement.y >= h || left >= w) {
        return;
    }
    const int columns = std::min(sim::kWidth, (w - left) / scale);  // whole blocks that fit
    const int spare = columns < sim::kWidth ? w - left - columns * scale : 0;  // part of one more
    for (int row = 0; row < sim::kHeight; ++row) {
        const int top = placement.y + row * scale;
        if (top >= h) {
            break;
        }
        const uint8_t* source = picture.pixels.data() + (size_t)row * sim::kWidth;
        alignas(16) uint32_t expanded[sim::kWidth * kBufferedScale];
        const bool buffered = scale <= kBufferedScale;
        uint32_t* line = buffered ? expanded : (uint32_t*)(output + (size_t)top * pitch) + left;
        switch (scale) {
            case 1:
                expand_row<1>(source, lut, columns, line);
                break;
            case 2:
                expand_row<2>(source, lut, columns, line);
                break;
            case 3:
                expand_row<3>(source, lut, columns, line);
                break;
            case 4:
                expand_row<4>(source, lut, columns, line);
                break;
            default:
                expand_row(source, lut, columns, scale, line);
                break;
        }
        for (int i = 0; i < spare; ++i) {
            line[columns * scale + i] = lut[source[columns]];
        }
        const size_t bytes = (size_t)(columns * scale + spare) * sizeof(uint32_t);
        for (int i = buffered ? 0 : 1; i < scale && top + i < h; ++i) {
            put_line(output + (size_t)(top + i) * pitch + (size_t)left * sizeof(uint32_t), line,
                     bytes);
        }
    }
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

}  // namespace frontends::window
