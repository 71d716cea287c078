// Sprites, the rotation table with its progress pattern, and the blitter with its clipping.

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "fixed/trig.h"
#include "hw/hw.h"
#include "platform/sim/board.h"
#include "scene/balls.h"
#include "scene/sprites.h"
#include "support/run_demo.h"

namespace {

int at(int row, int col) {
    return row * SPRITE_SIZE + col;
}

TEST(PaintBallSprite, ColoursAndDiscShape) {
    struct {
        int k, ring, top_left, bottom_left, top_right, bottom_right;
    } cases[] = {{0, 12, 12, 27, 42, 47}, {25, 37, 37, 52, 67, 12}, {47, 59, 59, 14, 29, 34}};
    for (const auto& c : cases) {
        uint8_t sprite[SPRITE_BYTES];
        std::fill(sprite, sprite + SPRITE_BYTES, 0xEE);
        paint_ball_sprite(sprite, c.k);
        EXPECT_EQ(sprite[at(0, 7)], c.ring) << c.k;
        EXPECT_EQ(sprite[at(8, 15)], c.ring) << c.k;
        const int quadrants[4][3] = {
            {7, 7, c.top_left}, {8, 7, c.bottom_left}, {7, 8, c.top_right}, {8, 8, c.bottom_right}};
        int count[256] = {};
        for (uint8_t byte : sprite) {
            ++count[byte];
        }
        for (const auto& [row, col, colour] : quadrants) {
            EXPECT_EQ(sprite[at(row, col)], colour) << c.k;
            // 20 pixels a quadrant; the ring's 108 share the top-left colour.
            EXPECT_EQ(count[colour], colour == c.ring ? 128 : 20) << c.k << " colour " << colour;
        }
        EXPECT_EQ(count[0xEE], 256 - 188) << c.k;  // outside the disc nothing is written
        for (int i = 0; i < SPRITE_SIZE; ++i) {
            const bool middle = i >= 6 && i <= 9;
            EXPECT_EQ(sprite[at(0, i)] != 0xEE, middle) << i;
            EXPECT_EQ(sprite[at(i, 15)] != 0xEE, middle) << i;
            EXPECT_NE(sprite[at(6 + i % 4, i)], 0xEE) << i;  // rows 6 to 9 are full
        }
    }
}

// A console with ball 0 painted and the rotation table built on it.
class RotationTable : public ::testing::Test {
  protected:
    void SetUp() override {
        paint_ball_sprite(balls[0].sprite, 0);
        build_rotation_table();
    }
    int entry(int l, int row, int col) const { return rotation_table[l * 256 + at(row, col)]; }
    pbtest::OpenBoard open;
};

TEST_F(RotationTable, Entries) {
    ASSERT_EQ(rotation_table, open.video() + ROTATION_TABLE_OFFSET);
    for (int row = 0; row < SPRITE_SIZE; ++row) {
        for (int col = 0; col < SPRITE_SIZE; ++col) {
            const int identity = (row == 15 || col == 15) ? 0 : at(row, col);
            EXPECT_EQ(entry(0, row, col), identity) << row << "," << col;
        }
    }
    EXPECT_EQ(entry(64, 7, 14), at(14, 8));  // the sprite's bottom is shown on the right
    EXPECT_EQ(entry(3, 0, 0), 1);  // a coordinate between -1 and 0 truncates onto column 0
    int largest = 0;
    for (int i = 0; i < ROTATION_STEPS * SPRITE_BYTES; ++i) {
        const int e = rotation_table[i];
        largest = std::max(largest, e);
        ASSERT_TRUE(e % 16 <= 14 && e / 16 <= 14) << "entry " << i << " is " << e;
    }
    EXPECT_EQ(largest, 238);
}

// Each of the 65,536 entries from its rule, every step taken afresh for the entry.
TEST_F(RotationTable, EveryEntryFollowsItsRule) {
    for (int l = 0; l < 256; ++l) {
        for (int row = 0; row < 16; ++row) {
            for (int col = 0; col < 16; ++col) {
                const int X = 2 * col - 15, Y = 2 * row - 15;
                const int d = X * X + Y * Y;
                const Angle theta = fix_atan2(Y * FIX_ONE, X * FIX_ONE);
                const Angle phi = (Angle)((uint32_t)theta + ((uint32_t)l << 24));
                const Fixed rho = fix_sqrt(d * (1 << 20)) * 4;
                const int64_t xs = fix_mul(rho, fix_cos(phi));
                const int64_t ys = fix_mul(rho, fix_sin(phi));
                const int64_t u = ((xs + 0x0F000000) / 2 + 0x00800000) / (1 << 24);
                const int64_t v = ((ys + 0x0F000000) / 2 + 0x00800000) / (1 << 24);
                const int expected = (u < 0 || u > 14 || v < 0 || v > 14) ? 0 : (int)(u + 16 * v);
                ASSERT_EQ(entry(l, row, col), expected)
                    << "rotation " << l << ", row " << row << ", column " << col;
            }
        }
    }
}

TEST_F(RotationTable, ProgressPatternOnTheBufferShownByTheFlip) {
    auto position = [](int l) {
        const int reach = 14 * (l % 8);
        const Angle a = (Angle)((uint32_t)l << 24);
        return std::pair{160 + trunc_div_pow2<24>(reach * fix_sin(a)),
                         111 + trunc_div_pow2<24>(reach * fix_cos(a))};
    };
    EXPECT_EQ(position(1), std::pair(160, 124));
    std::vector<uint8_t> expected(SCREEN_BYTES, 0);
    int low_x = 1000, high_x = 0, low_y = 1000, high_y = 0;
    for (int l = 0; l < ROTATION_STEPS; ++l) {
        const auto [x, y] = position(l);
        if (l % 8 == 0) {
            EXPECT_EQ(position(l), std::pair(160, 111)) << l;
        }
        low_x = std::min(low_x, x), high_x = std::max(high_x, x);
        low_y = std::min(low_y, y), high_y = std::max(high_y, y);
        blit_rotated(expected.data(), balls[0].sprite, x, y, (uint32_t)l);
    }
    EXPECT_EQ(std::tuple(low_x, high_x, low_y, high_y), std::tuple(63, 257, 14, 208));

    // The flip showed buffer A; the pattern accumulated there, and buffer B is still clear.
    const uint8_t* shown = open.video() + BUFFER_A_OFFSET;
    EXPECT_EQ(front_buffer(), shown);
    EXPECT_EQ(open.board().scan_address(), sim::Board::kVideoBase + BUFFER_A_OFFSET);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), shown));
    const uint8_t* other = open.video() + BUFFER_B_OFFSET;
    EXPECT_TRUE(std::all_of(other, other + SCREEN_BYTES, [](uint8_t b) { return b == 0; }));
}

// The blitter over a table and sprite made for the test: rotation 0 shows every pixel itself,
// rotation 1 the pixel opposite.
class Blit : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < SPRITE_BYTES; ++i) {
            table[i] = (uint8_t)i;
            table[SPRITE_BYTES + i] = (uint8_t)(255 - i);
            sprite[i] = (uint8_t)(i % 200 + 1);
        }
        rotation_table = table.data();
        copy_rotation(0);
        copy_rotation(1);
    }
    void TearDown() override { rotation_reset(); }
    std::vector<uint8_t> table = std::vector<uint8_t>(ROTATION_STEPS * SPRITE_BYTES, 0);
    uint8_t sprite[SPRITE_BYTES];
};

TEST_F(Blit, DrawsOnlyWhereSpriteEntryAndSourceAreNonZero) {
    sprite[at(2, 3)] = 0;                 // the pixel's own sprite byte is 0
    table[at(4, 5)] = 0;                  // nothing to show there
    table[at(6, 7)] = (uint8_t)at(2, 3);  // shows a transparent source pixel
    copy_rotation(0);
    // A first sprite byte of 0 (as every ball has) and one that is not.
    for (const uint8_t first : {0, 1}) {
        sprite[0] = first;
        std::vector<uint8_t> screen(SCREEN_BYTES, 0xAA);
        auto pixel = [&](int row, int col) {
            return screen[(50 + row) * SCREEN_WIDTH + 100 + col];
        };
        blit_rotated(screen.data(), sprite, 100, 50, 0);
        const int untouched[][2] = {{2, 3}, {4, 5}, {6, 7}, {0, 0}, {0, -1}, {16, 0}};
        for (const auto& [row, col] : untouched) {
            EXPECT_EQ(pixel(row, col), 0xAA) << row << "," << col << " first " << (int)first;
        }
        EXPECT_EQ(pixel(1, 1), sprite[at(1, 1)]);
        EXPECT_EQ(pixel(15, 15), sprite[at(15, 15)]);
        blit_rotated(screen.data(), sprite, 100, 50, 1);
        EXPECT_EQ(pixel(1, 1), sprite[at(14, 14)]);
        EXPECT_EQ(pixel(15, 15), sprite[at(15, 15)]) << "entry 0 of rotation 1 leaves it";
    }
}

TEST_F(Blit, ClipsPixelByPixelAndNeverWritesOutsideTheScreen) {
    // The square as drawn where it fits, untouched bytes included.
    std::vector<uint8_t> screen(SCREEN_BYTES, 0xCD);
    blit_rotated(screen.data(), sprite, 0, 0, 0);
    const int32_t positions[][2] = {
        {0, 0},
        {304, 224},
        {304, 0},
        {0, 224},
        {-1, 0},
        {-5, 3},
        {-15, -15},
        {310, 100},
        {319, 239},
        {100, -7},
        {100, 230},
        {-16, 0},
        {320, 0},
        {0, 240},
        {0, -16},
        {305, 225},
        {-3, 236},
        {INT32_MIN, 0},
        {INT32_MAX, 5},
        {5, INT32_MIN},
        {5, INT32_MAX},
        {-100000, 3},
        {INT32_MAX - 8, INT32_MAX - 8},
    };
    constexpr size_t kGuard = 4096;
    for (const auto& [x, y] : positions) {
        std::vector<uint8_t> memory(kGuard + SCREEN_BYTES + kGuard, 0xCD);
        uint8_t* target = memory.data() + kGuard;
        blit_rotated(target, sprite, x, y, 0);
        EXPECT_TRUE(
            std::all_of(memory.begin(), memory.begin() + kGuard,
                        [](uint8_t b) { return b == 0xCD; }) &&
            std::all_of(memory.end() - kGuard, memory.end(), [](uint8_t b) { return b == 0xCD; }))
            << "outside the screen for (" << x << ", " << y << ")";
        for (int64_t row = 0; row < SCREEN_HEIGHT; ++row) {
            for (int64_t col = 0; col < SCREEN_WIDTH; ++col) {
                const int64_t r = row - y, c = col - x;
                const bool covered = r >= 0 && r < 16 && c >= 0 && c < 16;
                const uint8_t want = covered ? screen[r * SCREEN_WIDTH + c] : 0xCD;
                ASSERT_EQ(target[row * SCREEN_WIDTH + col], want)
                    << "screen (" << col << ", " << row << ") for (" << x << ", " << y << ")";
            }
        }
    }
}

}  // namespace
