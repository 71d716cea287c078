// Cosine, sine and arctangent: known values at and between steps, both signs, the pole and the
// quadrants of the two-argument arctangent.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>

#include "fixed/trig.h"

namespace {

constexpr int32_t kStep = 0x1000000;

struct Case {
    int32_t in;
    int32_t out;
};

// Values given as 32-bit patterns.
constexpr int32_t bits(uint32_t v) {
    return (int32_t)v;
}

TEST(FixCos, KnownValues) {
    const Case cases[] = {
        {0, 16777216},
        {32 * kStep, 11863283},
        {64 * kStep, 0},
        {-64 * kStep, 0},
        {96 * kStep, -11863282},
        {INT32_MIN, -16777215},
        {INT32_MAX, -16777215},
        {kStep, 16772163},
        {-kStep, 16772163},
        // Between steps; negative angles interpolate with the interval nearer zero.
        {0x800000, 16774689},
        {bits(0xFF800000), 16779742},
        {16 * kStep + 0x800000, 15419010},
        {-(16 * kStep + 0x800000), 15423678},
        {63 * kStep + 0x800000, 205867},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fix_cos(c.in), c.out) << std::hex << c.in;
    }
}

TEST(FixCos, WholeStepsGiveTheTableEntry) {
    for (int32_t i = -128; i <= 127; ++i) {
        EXPECT_EQ(fix_cos(bits((uint32_t)i << 24)), cos_table[i < 0 ? -i : i]) << i;
    }
}

TEST(FixSin, KnownValues) {
    const Case cases[] = {
        {0, 0},         {32 * kStep, 11863283}, {64 * kStep, 16777216}, {-64 * kStep, -16777215},
        {INT32_MIN, 0}, {kStep, 411734},        {0x800000, 205991},     {bits(0xFF800000), -205867},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fix_sin(c.in), c.out) << std::hex << c.in;
    }
}

TEST(FixAtan, KnownValues) {
    const Case cases[] = {
        {0, 0},
        {0x1000000, 0x20000000},
        {-0x1000000, bits(0xDFF32161)},
        {0x800000, 0x12E3B7CF},
        {-0x800000, bits(0xED1B9753)},
        {41 * 0x1000000, 0x3F00C6A7},
        {100 * 0x1000000, 0x3FADDBE3},
        {INT32_MAX, 0x40000000},
        {-INT32_MAX, bits(0xC0000000)},
        {INT32_MIN, bits(0xC0000000)},
        {1, 41},
        {-1, -41},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fix_atan(c.in), c.out) << std::hex << c.in;
    }
}

TEST(FixAtan, TableEntriesGiveWholeSteps) {
    for (int k = 0; k <= 128; ++k) {
        if (k == 64) {
            continue;
        }
        // Negative tangents come back as the angle half a turn away, in -64 to 0 steps.
        const int32_t expected_steps = k < 64 ? k : k - 128;
        EXPECT_EQ(fix_atan(tan_table[k]), expected_steps * kStep) << k;
    }
}

TEST(FixAtan2, KnownValues) {
    const struct {
        int32_t y;
        int32_t x;
        int32_t angle;
    } cases[] = {
        {0, 0, 0},
        {0x1000000, 0, 0x40000000},
        {-0x1000000, 0, bits(0xC0000000)},
        {0, 0x1000000, 0},
        {0, -0x1000000, bits(0x80000000)},
        {0x1000000, 0x1000000, 0x20000000},
        {-0x1000000, -0x1000000, bits(0xA0000000)},
        {0x1000000, -0x1000000, 0x5FF32161},
        {-0x1000000, 0x1000000, bits(0xDFF32161)},
        {3 * 0x1000000, -5 * 0x1000000, 0x69F398BD},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fix_atan2(c.y, c.x), c.angle) << c.y << ", " << c.x;
    }
}

// The sprite square's pixel offsets. Where x and y have the same sign the tangent is bracketed
// by table entries and only the interpolation, linear in the tangent, is off (most near the
// pole); otherwise the search may stop on an entry below the tangent and continue with the slope
// of the interval below it, up to about half a step off.
TEST(FixAtan2, FollowsTheDirectionInEveryQuadrant) {
    for (int y = -15; y <= 15; y += 2) {
        for (int x = -15; x <= 15; x += 2) {
            const double exact = std::atan2(y, x) * 128.0 / std::numbers::pi;
            const double steps = fix_atan2(y * kStep, x * kStep) / (double)kStep;
            double error = steps - exact;
            error -= 256.0 * std::round(error / 256.0);  // -128 and +128 steps are one direction
            const double tolerance = (x < 0) == (y < 0) ? 0.1 : 0.5;
            EXPECT_LT(std::fabs(error), tolerance) << "y " << y << " x " << x;
        }
    }
}

}  // namespace
