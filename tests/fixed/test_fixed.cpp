// Fixed-point multiply, divide and square root, truncating division, integer square root and
// the random generator: known values, edge cases, and exact models over random operands.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "fixed/fixed.h"

namespace {

constexpr Fixed kHalf = 0x800000;

struct Case2 {
    int32_t a;
    int32_t b;
    int32_t expected;
};

// A random 32-bit value of random magnitude (bit length 0 to max_bits), so small operands are
// common.
int32_t random_of_any_magnitude(std::mt19937& rng, int max_bits = 32) {
    const int bits = (int)(rng() % (max_bits + 1));
    const uint32_t magnitude = bits == 32 ? rng() : rng() & ((1u << bits) - 1);
    return (int32_t)((rng() & 1) ? 0u - magnitude : magnitude);
}

// The quotient as defined: nearest integer to A * 2^24 / B, halves away from zero, with -2^31
// read as -(2^31 - 1); quotients beyond the range saturate.
Fixed exact_fix_div(int32_t a, int32_t b) {
    const bool negative = (a < 0) != (b < 0);
    auto magnitude = [](int32_t v) -> uint64_t {
        return v == INT32_MIN ? 0x7FFFFFFFu : (uint64_t)(v < 0 ? -(int64_t)v : v);
    };
    const uint64_t A = magnitude(a);
    const uint64_t B = magnitude(b);
    if (B == 0) {
        return 0x7FFFFFFF;
    }
    uint64_t r = ((A << 25) + B) / (2 * B);
    if (r > 0x7FFFFFFF) {
        r = 0x7FFFFFFF;
    }
    return negative ? (Fixed) - (int64_t)r : (Fixed)r;
}

TEST(FixMul, KnownProducts) {
    const Case2 cases[] = {
        {FIX_ONE, FIX_ONE, FIX_ONE},
        {-FIX_ONE, kHalf, -0x800000},
        {1, 1, 0},
        {-1, 1, -1},  // rounds toward minus infinity, not toward zero
        {-3, kHalf, -2},
        {3, kHalf, 1},
        {16 * FIX_ONE, 16 * FIX_ONE, 0},  // 256.0 wraps
        {INT32_MIN, INT32_MIN, 0},
        {0x7FFFFFFF, -FIX_ONE, -0x7FFFFFFF},
        {INT32_MIN, FIX_ONE, INT32_MIN},
        {3 * FIX_ONE, -5 * FIX_ONE, -15 * FIX_ONE},
    };
    for (const Case2& c : cases) {
        EXPECT_EQ(fix_mul(c.a, c.b), c.expected) << c.a << " * " << c.b;
    }
}

TEST(FixDiv, KnownQuotients) {
    const Case2 cases[] = {
        // Zero divisor, whatever the dividend.
        {0, 0, 0x7FFFFFFF},
        {5, 0, 0x7FFFFFFF},
        {-5, 0, 0x7FFFFFFF},
        {0, 5, 0},
        // Equal magnitudes.
        {-3, 3, (int32_t)0xFF000000},
        {FIX_ONE, FIX_ONE, FIX_ONE},
        {INT32_MIN, INT32_MIN, FIX_ONE},
        {INT32_MIN, 0x7FFFFFFF, -FIX_ONE},  // -2^31 is read as -(2^31 - 1)
        // Rounding to nearest, halves away from zero.
        {FIX_ONE, 3 * FIX_ONE, 0x555555},
        {-FIX_ONE, 3 * FIX_ONE, (int32_t)0xFFAAAAAB},
        {2 * FIX_ONE, 3 * FIX_ONE, 0xAAAAAB},
        {1, FIX_ONE, 1},
        {1, 2 * FIX_ONE, 1},
        {-1, 2 * FIX_ONE, -1},
        {3, 2 * FIX_ONE, 2},
        {INT32_MIN, FIX_ONE, (int32_t)0x80000001},
        {FIX_ONE, INT32_MIN, -0x20000},
        {0x7FFFFFFF, 0x7FFFFFFE, FIX_ONE},
        // The rounding bit lies in the upper half of the 64-bit quotient.
        {1, 0x7FFFFFFF, 0},
        {0x40, 0x7FFFFFFF, 1},
        {31, 0x40000000, 0},
        {32, 0x40000000, 1},
        {63, 0x40000000, 1},
        // Quotients of 128.0 or more saturate.
        {0x7FFFFFFF, FIX_ONE - 1, 0x7FFFFFFF},
        {0x7FFFFFFF, -1, -0x7FFFFFFF},
        {-FIX_ONE, 1, -0x7FFFFFFF},
        {64 * FIX_ONE, kHalf, 0x7FFFFFFF},
    };
    for (const Case2& c : cases) {
        EXPECT_EQ(fix_div(c.a, c.b), c.expected) << c.a << " / " << c.b;
    }
}

TEST(FixDiv, MatchesExactRoundingOverRandomOperands) {
    std::mt19937 rng(20240601);
    int in_range = 0;
    for (int n = 0; n < 400000; ++n) {
        // Mostly dividends at most 2^8 times the divisor, so that most quotients fit.
        const int32_t b = random_of_any_magnitude(rng);
        int b_bits = 0;
        while (b_bits < 32 && ((uint32_t)(b < 0 ? -(int64_t)b : b) >> b_bits) != 0) {
            ++b_bits;
        }
        const int a_bits = n % 8 == 0 ? 32 : (b_bits + 8 < 32 ? b_bits + 8 : 32);
        const int32_t a = random_of_any_magnitude(rng, a_bits);
        const Fixed expected = exact_fix_div(a, b);
        ASSERT_EQ(fix_div(a, b), expected) << a << " / " << b;
        in_range += expected != 0x7FFFFFFF && expected != -0x7FFFFFFF;
    }
    EXPECT_GT(in_range, 300000);
}

TEST(FixSqrt, KnownRoots) {
    const struct {
        Fixed a;
        Fixed root;
    } cases[] = {
        {FIX_ONE, FIX_ONE},
        {4 * FIX_ONE, 2 * FIX_ONE},
        {0x400000, 0x800000},
        {2 * FIX_ONE, 0x16A09E6},
        {1, 4096},
        {9 * FIX_ONE, 3 * FIX_ONE},
        // These alternate between two iterates; the one just repeated is the result.
        {0x4000003, 0x2000001},
        {0x10000006, 0x4000001},
        {0, 0},
        {-FIX_ONE, 0},
        {INT32_MIN, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fix_sqrt(c.a), c.root) << c.a;
    }
}

// Within 1 unit of the true root: (r - 1)^2 <= a * 2^24 <= (r + 1)^2.
void expect_near_root(Fixed a) {
    const int64_t r = fix_sqrt(a);
    const uint64_t square = (uint64_t)a << 24;
    EXPECT_LE((uint64_t)((r - 1) * (r - 1)), square) << a;
    EXPECT_GE((uint64_t)((r + 1) * (r + 1)), square) << a;
}

TEST(FixSqrt, EndsNearTheRootAcrossTheDomain) {
    for (Fixed a = 1; a < 127 * FIX_ONE; a += 0x7F01) {
        expect_near_root(a);
    }
    for (Fixed a = 1; a < 0x10000; a += 7) {
        expect_near_root(a);
    }
    // Squared pixel offsets in the sprite square.
    for (int x = 1; x <= 15; x += 2) {
        for (int y = 1; y <= 15; y += 2) {
            expect_near_root((x * x + y * y) << 20);
        }
    }
}

TEST(FixSqrt, AboveTheDomainStillFindsTheRoot) {
    for (Fixed a : {127 * FIX_ONE, 127 * FIX_ONE + 1, 0x7FFFFFFE, 0x7FFFFFFF}) {
        expect_near_root(a);
    }
}

struct DivModCase {
    int32_t a;
    int32_t b;
    int32_t quotient;
    int32_t remainder;
};

TEST(DivMod, KnownResults) {
    const DivModCase cases[] = {
        {7, 2, 3, 1},
        {-7, 2, -3, -1},
        {7, -2, -3, 1},
        {-7, -2, 3, -1},
        {-2, 7, 0, -2},
        {5, 0, 0, 0},
        {-5, 0, 0, 0},
        {0, 0, 0, 0},
        {INT32_MIN, 0, 0, 0},
        {INT32_MIN, -1, INT32_MIN, 0},  // wraps
        {INT32_MIN, 1, INT32_MIN, 0},
        {INT32_MIN, INT32_MIN, 1, 0},
        {INT32_MAX, INT32_MIN, 0, INT32_MAX},
        {INT32_MIN, INT32_MAX, -1, -1},
        {INT32_MIN, 3, -715827882, -2},
        {6, 6, 1, 0},
        {-6, 6, -1, 0},
        {0, -6, 0, 0},
        {5, 6, 0, 5},
    };
    for (const DivModCase& c : cases) {
        int32_t quotient = 12345;
        int32_t remainder = 12345;
        div_mod(c.a, c.b, &quotient, &remainder);
        EXPECT_EQ(quotient, c.quotient) << c.a << " / " << c.b;
        EXPECT_EQ(remainder, c.remainder) << c.a << " % " << c.b;
        EXPECT_EQ(int_div(c.a, c.b), c.quotient) << c.a << " / " << c.b;
        EXPECT_EQ(int_mod(c.a, c.b), c.remainder) << c.a << " % " << c.b;
    }
}

TEST(DivMod, MatchesTruncatingDivisionOverRandomOperands) {
    std::mt19937 rng(7);
    for (int n = 0; n < 200000; ++n) {
        const int32_t a = random_of_any_magnitude(rng);
        const int32_t b = random_of_any_magnitude(rng);
        if (b == 0 || (a == INT32_MIN && b == -1)) {
            continue;
        }
        int32_t quotient;
        int32_t remainder;
        div_mod(a, b, &quotient, &remainder);
        ASSERT_EQ(quotient, a / b) << a << " / " << b;
        ASSERT_EQ(remainder, a % b) << a << " % " << b;
    }
}

TEST(Isqrt, KnownRoots) {
    const struct {
        int32_t n;
        int32_t root;
    } cases[] = {
        {0, 0},
        {1, 1},
        {3, 1},
        {4, 2},
        {8, 2},
        {9, 3},
        {152801, 390},
        {-5, 0},
        {INT32_MIN, 0},
        {2147395599, 46339},
        {2147395600, 46340},
        {INT32_MAX, 46340},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isqrt(c.n), c.root) << c.n;
    }
}

TEST(Isqrt, IsTheFloorOfTheRoot) {
    for (int32_t n = 0; n <= 152801; ++n) {
        const int64_t r = isqrt(n);
        ASSERT_LE(r * r, n);
        ASSERT_GT((r + 1) * (r + 1), n);
    }
}

TEST(Random, SequenceFromSeedZero) {
    seed_random(0);
    const int32_t expected[] = {74, 5624, 28652, 51790, 17641, 12409, 13231, 9344};
    for (int32_t value : expected) {
        EXPECT_EQ(rand16(), value);
        EXPECT_EQ(random_state, value);
    }
    seed_random(65535);
    EXPECT_EQ(rand16(), 65461);
}

TEST(Random, SeedKeepsTheLowSixteenBits) {
    seed_random(0x12345);
    EXPECT_EQ(random_state, 0x2345);
    seed_random(0xFFFFFFFFu);
    EXPECT_EQ(random_state, 0xFFFF);
    random_reset();
    EXPECT_EQ(random_state, 0);
}

TEST(Random, FullPeriodVisitsEveryValueOnce) {
    seed_random(4321);
    std::vector<bool> seen(65536, false);
    for (int n = 0; n < 65536; ++n) {
        const int32_t value = rand16();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 65535);
        ASSERT_FALSE(seen[value]) << "repeat after " << n << " calls";
        seen[value] = true;
    }
    EXPECT_EQ(random_state, 4321);
}

}  // namespace
