// Ball sprites, the rotation lookup table with its set-up progress pattern, and the blitter that
// draws a sprite at any of 256 rotations with lookups only.

#include "scene/sprites.h"

#include "fixed/fixed.h"
#include "fixed/trig.h"
#include "hw/hw.h"
#include "scene/balls.h"
#include "scene/palette.h"

uint8_t* rotation_table = nullptr;

namespace {

typedef uint32_t __attribute__((may_alias)) Word;

// The table again, in the program's own memory: on the console video memory is uncached, and
// every lookup there would wait the memory's full latency. Only the blitter reads it.
alignas(4) uint8_t rotation_copy[ROTATION_STEPS * SPRITE_BYTES];

constexpr int32_t DISC_LIMIT = 239;  // squared half-pixel distance of the disc's edge
constexpr int32_t INNER_LIMIT = 99;  // and of the inner disc inside the ring
constexpr int32_t PROGRESS_X = 160;
constexpr int32_t PROGRESS_Y = 111;
constexpr int32_t PROGRESS_SPACING = 14;

// Offset of a pixel centre from the square's centre, in half pixels: odd, -15 to 15.
constexpr int32_t centre_offset(int32_t index) {
    return 2 * index - 15;
}

int32_t squared_distance(int32_t row, int32_t col) {
    const int32_t X = centre_offset(col);
    const int32_t Y = centre_offset(row);
    return X * X + Y * Y;
}

uint8_t wheel_colour(int32_t n) {
    return (uint8_t)(int_mod(n, BALL_WHEEL_STEPS) + BALL_WHEEL_START);
}

// Source coordinate 0..14 nearest to a turned half-pixel offset, or -1 for none. The divisions
// truncate toward zero, so a coordinate between -1 and 0 still lands on 0.
int32_t source_coordinate(Fixed offset) {
    const int32_t c = trunc_div_pow2<24>(trunc_div_pow2<1>(offset + 15 * FIX_ONE) + FIX_ONE / 2);
    return (c < 0 || c > SPRITE_SIZE - 2) ? -1 : c;
}

// Stores a pixel that shows. ARM makes a store conditional without a branch; elsewhere a store
// that depends on the looked-up byte becomes a branch, mispredicted wherever the turned disc's rim
// passes, so a transparent byte goes to a scratch byte instead, by a conditional move of the
// address.
inline void show(uint8_t* at, uint8_t p, uint8_t* scratch) {
#if defined(__arm__)
    (void)scratch;
    if (p != 0) {
        *at = p;
    }
#else
    *(__builtin_expect_with_probability(p != 0, 1, 0.5) ? at : scratch) = p;
#endif
}

// Off ARM a row's own sprite bytes are held in two 64-bit registers, read before the row's
// stores, so that the tests of them need not wait behind those stores. (On ARM a byte load and
// test costs no more, and a ball's sprite rows are not word-aligned: the sprite follows a byte of
// its record.)
#if defined(__arm__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
constexpr bool ROW_IN_REGISTERS = false;
#else
constexpr bool ROW_IN_REGISTERS = true;
#endif

// A square wholly on the buffer, drawn from a sprite whose first byte is 0, as every ball's is
// (that corner lies outside the disc): an entry of 0 then shows a transparent pixel by itself and
// needs no test of its own. The test of the pixel's own sprite byte has the same outcome for every
// ball; the rows are unrolled, so it is always foreseen.
void draw_square(uint8_t* __restrict line, const uint8_t* __restrict sprite,
                 const uint8_t* __restrict entries) {
    uint8_t scratch;
    for (int32_t row = 0; row < SPRITE_SIZE; ++row, line += SCREEN_WIDTH) {
        const uint8_t* own = sprite + row * SPRITE_SIZE;
        const uint8_t* shown = entries + row * SPRITE_SIZE;
        uint64_t own_bytes[2] = {0, 0};
        if constexpr (ROW_IN_REGISTERS) {
            __builtin_memcpy(own_bytes, own, sizeof own_bytes);
        }
#pragma GCC unroll 16
        for (int32_t col = 0; col < SPRITE_SIZE; ++col) {
            const uint8_t p = sprite[shown[col]];
            const bool opaque = ROW_IN_REGISTERS
                                    ? (own_bytes[col / 8] >> (8 * (col % 8)) & 0xFF) != 0
                                    : own[col] != 0;
            if (opaque) {
                show(line + col, p, &scratch);
            }
        }
    }
}

}  // namespace

void paint_ball_sprite(uint8_t* sprite, int32_t k) {
    for (int32_t row = 0; row < SPRITE_SIZE; ++row) {
        for (int32_t col = 0; col < SPRITE_SIZE; ++col) {
            const int32_t d = squared_distance(row, col);
            if (d > DISC_LIMIT) {
                continue;
            }
            int32_t n = k;
            if (d <= INNER_LIMIT) {
                // The inner quadrants sit 0, 15, 30 and 35 wheel steps from the ring's colour.
                const bool right = col >= SPRITE_SIZE / 2;
                const bool bottom = row >= SPRITE_SIZE / 2;
                n = k + (right ? (bottom ? 35 : 30) : (bottom ? 15 : 0));
            }
            sprite[row * SPRITE_SIZE + col] = wheel_colour(n);
        }
    }
}

void build_rotation_table() {
    rotation_table = video_window() + ROTATION_TABLE_OFFSET;
    flip_screen();

    // A pixel's direction and distance from the centre do not depend on the rotation.
    Angle direction[SPRITE_BYTES];
    Fixed distance[SPRITE_BYTES];
    for (int32_t row = 0; row < SPRITE_SIZE; ++row) {
        for (int32_t col = 0; col < SPRITE_SIZE; ++col) {
            const int32_t i = row * SPRITE_SIZE + col;
            direction[i] = fix_atan2(centre_offset(row) * FIX_ONE, centre_offset(col) * FIX_ONE);
            // d / 16 as a Fixed; four times its root is the distance in half pixels.
            distance[i] = fix_sqrt(squared_distance(row, col) * (1 << 20)) * 4;
        }
    }

    for (int32_t l = 0; l < ROTATION_STEPS; ++l) {
        const Angle turn = (Angle)((uint32_t)l << 24);
        uint8_t* entries = rotation_table + l * SPRITE_BYTES;
        for (int32_t i = 0; i < SPRITE_BYTES; ++i) {
            const Angle phi = wrap_add(direction[i], turn);
            const int32_t u = source_coordinate(fix_mul(distance[i], fix_cos(phi)));
            const int32_t v = source_coordinate(fix_mul(distance[i], fix_sin(phi)));
            entries[i] = (u < 0 || v < 0) ? 0 : (uint8_t)(u + SPRITE_SIZE * v);
        }
        copy_rotation((uint32_t)l);

        // Progress: ball 0 at this rotation, on 32 spiral arms of 8 balls around the centre.
        const int32_t reach = PROGRESS_SPACING * (l & 7);
        const int32_t x = PROGRESS_X + trunc_div_pow2<24>(reach * fix_sin(turn));
        const int32_t y = PROGRESS_Y + trunc_div_pow2<24>(reach * fix_cos(turn));
        blit_rotated(front_buffer(), balls[0].sprite, x, y, (uint32_t)l);
    }
}

void copy_rotation(uint32_t rotation) {
    const uint32_t start = (rotation & (ROTATION_STEPS - 1)) * SPRITE_BYTES;
    const Word* in = (const Word*)(rotation_table + start);
    Word* out = (Word*)(rotation_copy + start);
    for (int32_t i = 0; i < SPRITE_BYTES / 4; ++i) {
        out[i] = in[i];
    }
}

void blit_rotated(uint8_t* destination, const uint8_t* sprite, int32_t x, int32_t y,
                  uint32_t rotation) {
    if (x <= -SPRITE_SIZE || x >= SCREEN_WIDTH || y <= -SPRITE_SIZE || y >= SCREEN_HEIGHT) {
        return;
    }
    const uint8_t* entries = rotation_copy + (rotation & (ROTATION_STEPS - 1)) * SPRITE_BYTES;
    if (sprite[0] == 0 && x >= 0 && x <= SCREEN_WIDTH - SPRITE_SIZE && y >= 0 &&
        y <= SCREEN_HEIGHT - SPRITE_SIZE) {
        draw_square(destination + y * SCREEN_WIDTH + x, sprite, entries);
        return;
    }
    // The part of the square on the buffer: all of it whenever 0 <= x <= 304 and 0 <= y <= 224.
    const int32_t col_begin = x < 0 ? -x : 0;
    const int32_t col_end = x > SCREEN_WIDTH - SPRITE_SIZE ? SCREEN_WIDTH - x : SPRITE_SIZE;
    const int32_t row_begin = y < 0 ? -y : 0;
    const int32_t row_end = y > SCREEN_HEIGHT - SPRITE_SIZE ? SCREEN_HEIGHT - y : SPRITE_SIZE;
    for (int32_t row = row_begin; row < row_end; ++row) {
        const int32_t line = (y + row) * SCREEN_WIDTH + x;
        for (int32_t col = col_begin; col < col_end; ++col) {
            const int32_t i = row * SPRITE_SIZE + col;
            // The sprite's own zero bytes keep every rotation inside the unrotated disc.
            if (sprite[i] == 0 || entries[i] == 0) {
                continue;
            }
            const uint8_t p = sprite[entries[i]];
            if (p != 0) {
                destination[line + col] = p;
            }
        }
    }
}

void rotation_reset() {
    rotation_table = nullptr;
}
