#pragma once
// The plasma background: a 320 x 480 midpoint-displacement image of indices 76-255 generated once,
// and its 320 x 240 window copied every frame from a corner that runs around a circle.

#include <stdint.h>

extern int32_t scroll_counter;  // 0-255, advanced before use
extern int32_t scroll_x;        // window corner of the latest frame, 0-239
extern int32_t scroll_y;

// Shows the background area, seeds the corners and generates the whole image.
void build_background();
// Fills the rectangle (x0, y0)-(x1, y1), corners inclusive and already in low..high.
void generate_plasma(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t* image, int32_t low,
                     int32_t high, int32_t stride);
// Advances the scroll and copies the window into target.
void draw_background(uint8_t* target);
void plasma_reset();
