// The picture RetroArch is handed each frame, rebuilt from the board's bytes and palette.

#include "frontends/libretro/xrgb8888.h"

#include <array>
#include <bit>
#include <cstring>

namespace frontends::libretro {

void to_xrgb8888(const sim::Picture& picture, uint32_t* out) {
    std::array<uint32_t, 256> lookup;
    for (size_t i = 0; i < lookup.size(); ++i) {
        const sim::Rgb& c = picture.palette[i];
        lookup[i] = (uint32_t)c.r << 16 | (uint32_t)c.g << 8 | c.b;
    }
    // Eight indices from two word reads rather than eight byte reads: on the ARM machines this
    // loop is most of a pulse's work (make bench).
    static_assert(std::endian::native == std::endian::little && sim::kPixels % 8 == 0);
    const uint8_t* in = picture.pixels.data();
    for (size_t i = 0; i < sim::kPixels; i += 8) {
        uint32_t low, high;
        std::memcpy(&low, in + i, 4);
        std::memcpy(&high, in + i + 4, 4);
#pragma GCC unroll 4
        for (size_t k = 0; k < 4; ++k) {
            out[i + k] = lookup[low >> k * 8 & 0xFF];
        }
#pragma GCC unroll 4
        for (size_t k = 0; k < 4; ++k) {
            out[i + 4 + k] = lookup[high >> k * 8 & 0xFF];
        }
    }
}

}  // namespace frontends::libretro
