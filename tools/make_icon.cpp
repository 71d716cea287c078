// Draws the program's icon from the demo's own code: ball 0's sprite in its palette colours,
// transparent outside the disc, scaled to SIZE x SIZE with nearest neighbour.
//
//   make_icon SIZE OUT.png      SIZE 16 to 1024
//
// The PNG is written beside OUT.png and renamed onto it only when complete.

#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frontends/common/decimal.h"
#include "hw/hw.h"
#include "scene/palette.h"
#include "scene/sprites.h"

namespace {

constexpr int kBall = 0;  // ring and quadrants in four colours of the ball wheel
constexpr uint64_t kSmallest = 16;
constexpr uint64_t kLargest = 1024;

int refuse(const std::string& message) {
    std::fprintf(stderr, "make_icon: %s\n", message.c_str());
    return 2;
}

// RGBA rows of the sprite at `size` pixels a side; a pixel shows the sprite pixel its centre
// falls on.
std::vector<uint8_t> draw(int size) {
    PaletteStore store{};
    build_palette(&store);
    uint8_t sprite[SPRITE_BYTES] = {};
    paint_ball_sprite(sprite, kBall);
    std::vector<uint8_t> rgba((size_t)size * size * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int row = (2 * y + 1) * SPRITE_SIZE / (2 * size);
            const int col = (2 * x + 1) * SPRITE_SIZE / (2 * size);
            const uint8_t index = sprite[row * SPRITE_SIZE + col];
            uint8_t* pixel = &rgba[((size_t)y * size + x) * 4];
            pixel[0] = (uint8_t)store.red[index];
            pixel[1] = (uint8_t)store.green[index];
            pixel[2] = (uint8_t)store.blue[index];
            pixel[3] = index == 0 ? 0 : 255;
        }
    }
    return rgba;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return refuse("usage: make_icon SIZE OUT.png");
    }
    const auto size = frontends::parse_decimal(argv[1], kLargest);
    if (!size || *size < kSmallest) {
        return refuse("SIZE takes a whole number from 16 to 1024, not \"" + std::string(argv[1]) +
                      "\"");
    }
    const std::string path = argv[2];
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    const std::vector<uint8_t> rgba = draw((int)*size);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = (png_uint_32)*size;
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, temporary.c_str(), 0, rgba.data(), 0, nullptr) ||
        std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return refuse(path + ": cannot be written");
    }
    return 0;
}
