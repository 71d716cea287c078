// Plasma: the exact steps of one cell, the fold into range, the invariants of the whole image,
// and the scrolled window.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "fixed/fixed.h"
#include "hw/hw.h"
#include "platform/sim/board.h"
#include "scene/plasma.h"
#include "support/run_demo.h"

namespace {

constexpr int W = 320;
constexpr int H = 480;

// A seed whose first draw leaves remainder r by n.
uint32_t seed_with_first_remainder(int32_t n, int32_t r) {
    for (uint32_t seed = 0; seed < 65536; ++seed) {
        seed_random(seed);
        if (int_mod(rand16(), n) == r) {
            return seed;
        }
    }
    ADD_FAILURE() << "no seed gives remainder " << r << " by " << n;
    return 0;
}

// The number of draws that took the generator from one seed to another (modulo its period).
int32_t draws_between(int32_t from, int32_t to) {
    seed_random((uint32_t)from);
    int32_t n = 0;
    while (random_state != to) {
        rand16();
        ++n;
    }
    return n;
}

TEST(GeneratePlasma, OnePixelCellAveragesWhatItHasJustStored) {
    // A 2 x 2 cell at (2, 1) inside a 7 x 4 image: every midpoint falls on a corner, and each
    // average reads the corners as the earlier stores left them.
    std::vector<uint8_t> image(7 * 4, 0xEE);
    auto p = [&](int x, int y) -> uint8_t& { return image[y * 7 + x]; };
    p(2, 1) = 100;
    p(3, 1) = 200;
    p(2, 2) = 50;
    p(3, 2) = 150;
    seed_random(0);  // first draw 74: r = 74 mod 3 = 2
    generate_plasma(2, 1, 3, 2, image.data(), 76, 255, 7);
    EXPECT_EQ(p(2, 1), 132);  // ((150 + 100) / 2 * 2 + 100 + 175) / 4 + 2 - 1
    EXPECT_EQ(p(3, 1), 175);
    EXPECT_EQ(p(2, 2), 100);
    EXPECT_EQ(p(3, 2), 150);
    EXPECT_EQ(std::count(image.begin(), image.end(), 0xEE), 7 * 4 - 4);
    EXPECT_EQ(random_state, 74);  // one draw
}

TEST(GeneratePlasma, QuartersInTheirOrderOnSharedBorders) {
    // Expected values from a separate model of the fill, for seed 0: in a 7 x 5 image with
    // distinct corners every pixel depends on the order of the quarters and of the 21 draws.
    constexpr int kW = 7, kH = 5;
    uint8_t image[kW * kH] = {};
    image[0] = 80;
    image[kW - 1] = 200;
    image[(kH - 1) * kW] = 120;
    image[kH * kW - 1] = 250;
    seed_random(0);
    generate_plasma(0, 0, kW - 1, kH - 1, image, 76, 255, kW);
    const uint8_t expected[kW * kH] = {
        106, 119, 132, 167, 178, 191, 206,  //
        117, 128, 141, 176, 189, 203, 218,  //
        134, 146, 162, 197, 207, 220, 231,  //
        139, 150, 167, 205, 215, 228, 243,  //
        136, 152, 168, 201, 217, 233, 250,
    };
    for (int i = 0; i < kW * kH; ++i) {
        EXPECT_EQ(image[i], expected[i]) << "pixel (" << i % kW << ", " << i / kW << ")";
    }
    EXPECT_EQ(draws_between(0, random_state), 21);
}

TEST(GeneratePlasma, CentreFoldsBackIntoRange) {
    struct {
        int width;  // of a cell one pixel high, so only its own pass runs
        uint8_t corners;
        int32_t low, high, r;
        int expected;
    } cases[] = {
        {1, 100, 100, 110, 0, 109},  // 99 is below low: up by high - low
        {1, 110, 100, 110, 2, 101},  // 111 is above high: down by high - low
        {1, 100, 100, 110, 1, 100}, {40, 76, 76, 255, 0, 249},  // 76 - 6 = 70, up by 179
        {40, 0, 0, 255, 0, 250},  // -6 is stored as 250, which is in range
        {40, 0, 0, 200, 0, 50},   // and above 200 it comes down by 200
    };
    for (const auto& c : cases) {
        const int stride = c.width + 1;
        std::vector<uint8_t> image(stride * 2, c.corners);
        const int32_t s = isqrt(c.width);
        seed_random(seed_with_first_remainder(2 * s + 1, c.r));
        generate_plasma(0, 0, c.width, 1, image.data(), c.low, c.high, stride);
        EXPECT_EQ(image[c.width / 2], c.expected)
            << "width " << c.width << ", corners " << int(c.corners) << ", r " << c.r;
    }
}

TEST(BuildBackground, WholeImageInvariants) {
    bool saw_b_below_a = false, saw_b_not_below_a = false;
    for (uint16_t seed : {0, 1, 3, 4321, 50000, 65535}) {
        pbtest::OpenBoard open(seed);
        seed_random(seed);
        const int a = int_mod(rand16(), 180) + 76;
        const int b = int_mod(rand16(), 180) + 76;
        const int32_t after_corners = random_state;
        seed_random(seed);

        build_background();
        EXPECT_EQ(open.board().scan_address(), sim::Board::kVideoBase + BACKGROUND_OFFSET);
        EXPECT_EQ(draws_between(after_corners, random_state), 143577 % 65536) << seed;

        const uint8_t* image = open.video() + BACKGROUND_OFFSET;
        auto p = [&](int x, int y) { return int(image[y * W + x]); };
        EXPECT_TRUE(std::all_of(image, image + BACKGROUND_BYTES, [](uint8_t v) { return v >= 76; }))
            << seed;
        for (int x = 0; x < W; ++x) {
            ASSERT_EQ(p(x, H - 1), b) << "bottom row, column " << x << ", seed " << seed;
        }
        // The top of column 319 is averaged with the pixel below it, so it moves towards b.
        EXPECT_EQ(p(W - 1, 0), b < a ? a - 1 : a) << "a " << a << ", b " << b;
        for (int y = 1; y < H; ++y) {
            const int step = p(W - 1, y) - p(W - 1, y - 1);
            ASSERT_TRUE(b < a ? step <= 0 : step >= 0) << "column 319, row " << y;
        }
        (b < a ? saw_b_below_a : saw_b_not_below_a) = true;
    }
    EXPECT_TRUE(saw_b_below_a && saw_b_not_below_a);
}

TEST(DrawBackground, WindowCornerAroundTheCircle) {
    pbtest::OpenBoard open;
    struct {
        int32_t counter, x, y;
    } cases[] = {{0, 239, 119}, {1, 239, 122}, {64, 119, 239}, {128, 0, 119}, {192, 119, 0}};
    for (const auto& c : cases) {
        scroll_counter = (c.counter + 255) % 256;
        draw_background(back_buffer());
        EXPECT_EQ(scroll_counter, c.counter);
        EXPECT_EQ(scroll_x, c.x) << "counter " << c.counter;
        EXPECT_EQ(scroll_y, c.y) << "counter " << c.counter;
    }
    plasma_reset();
    for (int frame = 1; frame <= 256; ++frame) {
        draw_background(back_buffer());
        ASSERT_EQ(scroll_counter, frame % 256);
        ASSERT_TRUE(scroll_x >= 0 && scroll_x <= 239 && scroll_y >= 0 && scroll_y <= 239)
            << "frame " << frame;
    }
}

TEST(DrawBackground, CopiesOneContiguousRunFromAnUnalignedStart) {
    pbtest::OpenBoard open;
    uint8_t* image = open.video() + BACKGROUND_OFFSET;
    for (uint32_t i = 0; i < BACKGROUND_BYTES; ++i) {
        image[i] = (uint8_t)(i % 251);
    }
    uint8_t* target = back_buffer();
    draw_background(target);  // the first frame: column 239, row 122
    ASSERT_EQ(scroll_x, 239);
    ASSERT_EQ(scroll_y, 122);
    EXPECT_EQ(target[81], image[(scroll_y + 1) * W + 0]);
    EXPECT_EQ(target[80], image[scroll_y * W + 319]);
    EXPECT_EQ(target[0], image[scroll_y * W + 239]);
    EXPECT_TRUE(std::equal(target, target + SCREEN_BYTES, image + scroll_y * W + scroll_x));
}

}  // namespace
