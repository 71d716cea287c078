#pragma once
// The window's pixel work: where the picture goes in a window of any size (a whole scale factor,
// centred, black bars around it), and the console's 8-bit picture expanded through its palette.

#include <stddef.h>
#include <stdint.h>

#include <array>

#include "platform/sim/board.h"

namespace frontends::window {

// The picture's place in an output of w x h pixels: the largest whole scale that fits (at least 1;
// an output smaller than 320 x 240 shows the top-left part), centred.
struct Placement {
    int scale = 1;
    int x = 0, y = 0;  // top-left corner
    int width() const { return sim::kWidth * scale; }
    int height() const { return sim::kHeight * scale; }
    bool covers(int w, int h) const {
        return x <= 0 && y <= 0 && x + width() >= w && y + height() >= h;
    }
};
Placement place(int w, int h);

// The default window scale: the largest factor up to 4 whose window (with room for the window's
// frame) fits in a usable screen area of w x h; at least 1.
int fitting_scale(int w, int h);

// 32-bit pixel values for the 256 palette entries, as (r, g, b) -> value packs them.
using Lut = std::array<uint32_t, 256>;
template <typename Pack>
Lut make_lut(const std::array<sim::Rgb, 256>& palette, Pack pack) {
    Lut lut;
    for (size_t i = 0; i < lut.size(); ++i) {
        lut[i] = pack(palette[i].r, palette[i].g, palette[i].b);
    }
    return lut;
}

// Writes the picture scaled by `placement` into an output of w x h 32-bit pixels (`pitch` bytes
// per row), nearest neighbour: each source pixel becomes a scale x scale block. Only the part
// inside the output is written.
void expand(const sim::Picture& picture, const Lut& lut, const Placement& placement,
            uint8_t* output, int w, int h, size_t pitch);

}  // namespace frontends::window
