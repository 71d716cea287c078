// The palette store's fixed entries and hue wheels, and the per-frame rotation of the background
// wheel that makes the plasma's colours flow.

#include "scene/palette.h"

#include "fixed/fixed.h"

uint16_t* palette_red = nullptr;
uint16_t* palette_green = nullptr;
uint16_t* palette_blue = nullptr;

namespace {

// A wheel is six segments, one per run between two of its six corner hues.
constexpr int32_t BALL_WHEEL_SEGMENT = BALL_WHEEL_STEPS / 6;
constexpr int32_t BACKGROUND_WHEEL_SEGMENT = BACKGROUND_WHEEL_STEPS / 6;

void set_entry(int index, int32_t red, int32_t green, int32_t blue) {
    palette_red[index] = (uint16_t)red;
    palette_green[index] = (uint16_t)green;
    palette_blue[index] = (uint16_t)blue;
}

// Level 0..segment of a wheel component, scaled to 0..255.
int32_t component(int32_t level, int32_t segment) {
    return int_div(level * 255, segment);
}

// Step n of a wheel of six segments: red, yellow, green, cyan, blue, magenta and back to red,
// with the neighbouring runs meeting on equal levels at every segment boundary.
void set_wheel_entry(int index, int32_t n, int32_t segment) {
    const int32_t L = segment;
    int32_t r, g, b;
    if (n <= L) {
        r = L, g = n, b = 0;
    } else if (n <= 2 * L) {
        r = 2 * L - n, g = L, b = 0;
    } else if (n <= 3 * L) {
        r = 0, g = L, b = n - 2 * L;
    } else if (n <= 4 * L) {
        r = 0, g = 4 * L - n, b = L;
    } else if (n <= 5 * L) {
        r = n - 4 * L, g = 0, b = L;
    } else {
        r = L, g = 0, b = 6 * L - n;
    }
    set_entry(index, component(r, L), component(g, L), component(b, L));
}

}  // namespace

void build_palette(PaletteStore* store) {
    palette_red = store->red;
    palette_green = store->green;
    palette_blue = store->blue;

    set_entry(0, 0, 0, 0);
    set_entry(1, 255, 255, 255);
    set_entry(2, 0, 0, 0);
    for (int32_t n = 0; n < BALL_WHEEL_STEPS; ++n) {
        set_wheel_entry(BALL_WHEEL_START + n, n, BALL_WHEEL_SEGMENT);
    }
    for (int32_t n = 0; n < BACKGROUND_WHEEL_STEPS; ++n) {
        set_wheel_entry(BACKGROUND_WHEEL_START + n, n, BACKGROUND_WHEEL_SEGMENT);
    }
}

void cycle_palette() {
    const uint16_t red = palette_red[BACKGROUND_WHEEL_LAST];
    const uint16_t green = palette_green[BACKGROUND_WHEEL_LAST];
    const uint16_t blue = palette_blue[BACKGROUND_WHEEL_LAST];
    for (int k = BACKGROUND_WHEEL_LAST; k > BACKGROUND_WHEEL_START; --k) {
        palette_red[k] = palette_red[k - 1];
        palette_green[k] = palette_green[k - 1];
        palette_blue[k] = palette_blue[k - 1];
    }
    set_entry(BACKGROUND_WHEEL_START, red, green, blue);
    write_palette(palette_red, palette_green, palette_blue);
}

void palette_reset() {
    palette_red = nullptr;
    palette_green = nullptr;
    palette_blue = nullptr;
}
