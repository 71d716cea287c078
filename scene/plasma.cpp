// The plasma: midpoint displacement over 320 x 480 into the background area, and the per-frame
// copy of a 320 x 240 window whose corner runs around a circle.

#include "scene/plasma.h"

#include "fixed/fixed.h"
#include "fixed/trig.h"
#include "hw/hw.h"
#include "scene/palette.h"

int32_t scroll_counter = 0;
int32_t scroll_x = 0;
int32_t scroll_y = 0;

namespace {

constexpr int32_t IMAGE_WIDTH = 320;
constexpr int32_t IMAGE_HEIGHT = 480;
constexpr int32_t SCROLL_RADIUS = 120;
constexpr int32_t SCROLL_CENTRE = 119;
constexpr int32_t SCROLL_STEPS = 256;  // frames per turn of the circle

uint8_t* background_image() {
    return video_window() + BACKGROUND_OFFSET;
}

// Corner of the window along the circle; the rounding adds one half before truncating.
int32_t scroll_offset(Fixed unit) {
    return trunc_div_pow2<24>(SCROLL_RADIUS * unit + FIX_ONE / 2) + SCROLL_CENTRE;
}

}  // namespace

void build_background() {
    set_display_address(DISPLAY_BACKGROUND);
    uint8_t* image = background_image();
    const int32_t bottom = (IMAGE_HEIGHT - 1) * IMAGE_WIDTH;
    const uint8_t a = (uint8_t)(int_mod(rand16(), BACKGROUND_WHEEL_STEPS) + BACKGROUND_WHEEL_START);
    image[0] = a;
    image[IMAGE_WIDTH - 1] = a;
    const uint8_t b = (uint8_t)(int_mod(rand16(), BACKGROUND_WHEEL_STEPS) + BACKGROUND_WHEEL_START);
    image[bottom] = b;
    image[bottom + IMAGE_WIDTH - 1] = b;
    generate_plasma(0, 0, IMAGE_WIDTH - 1, IMAGE_HEIGHT - 1, image, BACKGROUND_WHEEL_START,
                    BACKGROUND_WHEEL_LAST, IMAGE_WIDTH);
}

void generate_plasma(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t* image, int32_t low,
                     int32_t high, int32_t stride) {
    // Every access goes to the image itself: in cells one pixel wide or high the midpoints fall
    // on the corners, and later reads must see those stores.
    auto pixel = [image, stride](int32_t x, int32_t y) -> uint8_t& {
        return image[y * stride + x];
    };
    auto average = [&pixel](int32_t xa, int32_t ya, int32_t xb, int32_t yb) {
        return (uint8_t)trunc_div_pow2<1>(pixel(xa, ya) + pixel(xb, yb));
    };

    // The bottom-right quarter is taken by this loop rather than a call, to bound the depth.
    for (;;) {
        const int32_t w = x1 - x0;
        const int32_t h = y1 - y0;
        const int32_t xm = trunc_div_pow2<1>(x0 + x1);
        const int32_t ym = trunc_div_pow2<1>(y0 + y1);
        const int32_t s = isqrt(w * h);

        pixel(xm, y0) = average(x0, y0, x1, y0);
        pixel(xm, y1) = average(x0, y1, x1, y1);
        pixel(x0, ym) = average(x0, y0, x0, y1);
        pixel(x1, ym) = average(x1, y0, x1, y1);

        const int32_t t = pixel(xm, y0) + pixel(xm, y1) + pixel(x0, ym) + pixel(x1, ym);
        const int32_t r = int_mod(rand16(), 2 * s + 1);
        uint8_t& centre = pixel(xm, ym);
        centre = (uint8_t)(trunc_div_pow2<2>(t) + r - s);
        // Fold back into low..high; the step is high - low, not the range's size.
        if (centre < low) {
            centre = (uint8_t)(centre + (high - low));
        }
        if (centre > high) {
            centre = (uint8_t)(centre - (high - low));
        }

        if (w <= 1 || h <= 1) {
            return;
        }
        generate_plasma(x0, y0, xm, ym, image, low, high, stride);
        generate_plasma(xm, y0, x1, ym, image, low, high, stride);
        generate_plasma(x0, ym, xm, y1, image, low, high, stride);
        x0 = xm;
        y0 = ym;
    }
}

void draw_background(uint8_t* target) {
    scroll_counter = (scroll_counter + 1) & (SCROLL_STEPS - 1);
    const Angle angle = (Angle)((uint32_t)scroll_counter << 24);
    scroll_x = scroll_offset(fix_cos(angle));
    scroll_y = scroll_offset(fix_sin(angle));
    // One contiguous run: the last scroll_x columns of a row show the next image row.
    copy_screen(target, background_image() + scroll_y * IMAGE_WIDTH + scroll_x);
}

void plasma_reset() {
    scroll_counter = 0;
    scroll_x = 0;
    scroll_y = 0;
}
