#pragma once
// Ball sprites (16 x 16 palette indices, 0 transparent), the 256-rotation lookup table built at
// set-up behind a progress pattern, and the rotating blitter.

#include <stdint.h>

constexpr int SPRITE_SIZE = 16;
constexpr int SPRITE_BYTES = 256;
constexpr int ROTATION_STEPS = 256;

// The table in video memory (word-aligned): entry rotation x 256 + row x 16 + col is a sprite
// pixel index or 0.
extern uint8_t* rotation_table;

// Paints ball k's disc: a ring and four inner quadrants; bytes outside the disc are untouched.
void paint_ball_sprite(uint8_t* sprite, int32_t k);
// Flips once, fills all 256 rotations and draws ball 0 after each into the visible buffer.
void build_rotation_table();
// Copies one rotation's entries of the table into the program's own memory, where the blitter
// reads them; build_rotation_table does so right after filling each rotation.
void copy_rotation(uint32_t rotation);
// Draws sprite turned by rotation with its square's top-left corner at (x, y). Squares reaching
// outside the 320 x 240 destination are clipped; inside it nothing is affected by that.
void blit_rotated(uint8_t* destination, const uint8_t* sprite, int32_t x, int32_t y,
                  uint32_t rotation);
void rotation_reset();
