#pragma once
// The board's picture in the pixel format the core declares to its frontend: 0x00RRGGBB words,
// row by row, through a lookup built from the picture's palette.

#include <stdint.h>

#include "platform/sim/board.h"

namespace frontends::libretro {

// Writes sim::kPixels words to `out`.
void to_xrgb8888(const sim::Picture& picture, uint32_t* out);

}  // namespace frontends::libretro
