// Placement and palette expansion. Expansion converts each source row once, at the output's
// scale, and copies that row for the block's other lines: the lookup runs once per source pixel.

#include "frontends/window/pixels.h"

#include <algorithm>
#include <cstring>

namespace frontends::window {
namespace {

// Room left for a title bar and borders when the window's size is chosen.
constexpr int kFrameAllowance = 64;
constexpr int kLargestDefaultScale = 4;

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
        uint32_t* line = (uint32_t*)(output + (size_t)top * pitch) + left;
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
        for (int i = 1; i < scale && top + i < h; ++i) {
            std::memcpy(output + (size_t)(top + i) * pitch + (size_t)left * sizeof(uint32_t), line,
                        bytes);
        }
    }
}

}  // namespace frontends::window
