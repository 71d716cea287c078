// The console runtime's division against the desktop's own: edge cases by table, then many
// quotients of every bit length, so that each alignment step and loop length is taken.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "platform/console/divide.h"

namespace {

using runtime::sdivmod32;
using runtime::sdivmod64;
using runtime::udivmod32;
using runtime::udivmod64;

void expect_unsigned64(uint64_t n, uint64_t d) {
    uint64_t r = 1;
    const uint64_t q = udivmod64(n, d, &r);
    ASSERT_EQ(q, n / d) << n << " / " << d;
    ASSERT_EQ(r, n % d) << n << " % " << d;
}

void expect_unsigned32(uint32_t n, uint32_t d) {
    uint32_t r = 1;
    const uint32_t q = udivmod32(n, d, &r);
    ASSERT_EQ(q, n / d) << n << " / " << d;
    ASSERT_EQ(r, n % d) << n << " % " << d;
}

void expect_signed64(int64_t n, int64_t d) {
    int64_t r = 1;
    const int64_t q = sdivmod64(n, d, &r);
    ASSERT_EQ(q, n / d) << n << " / " << d;
    ASSERT_EQ(r, n % d) << n << " % " << d;
}

void expect_signed32(int32_t n, int32_t d) {
    int32_t r = 1;
    const int32_t q = sdivmod32(n, d, &r);
    ASSERT_EQ(q, n / d) << n << " / " << d;
    ASSERT_EQ(r, n % d) << n << " % " << d;
}

// A value of `bits` significant bits (0 gives 0).
uint64_t of_length(std::mt19937_64& random, int bits) {
    if (bits == 0) {
        return 0;
    }
    const uint64_t top = uint64_t(1) << (bits - 1);
    return top | (random() & (top - 1));
}

TEST(ConsoleDivide, EdgeCases) {
    constexpr uint64_t max64 = std::numeric_limits<uint64_t>::max();
    const uint64_t unsigned_cases[][2] = {
        {0, 1},
        {1, 1},
        {5, 7},
        {7, 5},
        {max64, 1},
        {max64, max64},
        {max64 - 1, max64},
        {max64, 2},
        {1ull << 63, 3},
        {1ull << 32, 1},
        {0xFFFFFFFF, 1},
        {0xFFFFFFFF, 0x100000000ull},
        {0x100000000ull, 0xFFFFFFFF},
        {max64, 0xFFFFFFFF},
        {max64, 0x80000000},
        {0x8000000000000000ull, 0x80000001},
        // fix_div's shape: a dividend normalised to bit 63, a divisor to bit 31.
        {0xC000000000000000ull, 0x80000000},
        {0x8000000000000000ull, 0xFFFFFFFF},
    };
    for (const auto& c : unsigned_cases) {
        expect_unsigned64(c[0], c[1]);
        expect_unsigned32((uint32_t)c[0], (uint32_t)c[1] | 1);
    }
    constexpr int64_t min64 = std::numeric_limits<int64_t>::min();
    constexpr int32_t min32 = std::numeric_limits<int32_t>::min();
    const int64_t signed_cases[][2] = {
        {7, 2},     {-7, 2},         {7, -2},
        {-7, -2},   {-1, 3},         {min64, 1},
        {min64, 2}, {min64 + 1, -1}, {std::numeric_limits<int64_t>::max(), -3},
        {min32, 1}, {min32, -2},     {0, -5},
    };
    for (const auto& c : signed_cases) {
        expect_signed64(c[0], c[1]);
        if (c[0] >= min32 && c[0] <= std::numeric_limits<int32_t>::max()) {
            expect_signed32((int32_t)c[0], (int32_t)c[1]);
        }
    }
}

TEST(ConsoleDivide, MostNegativeByMinusOneWraps) {
    int64_t r64 = 1;
    EXPECT_EQ(sdivmod64(std::numeric_limits<int64_t>::min(), -1, &r64),
              std::numeric_limits<int64_t>::min());
    EXPECT_EQ(r64, 0);
    int32_t r32 = 1;
    EXPECT_EQ(sdivmod32(std::numeric_limits<int32_t>::min(), -1, &r32),
              std::numeric_limits<int32_t>::min());
    EXPECT_EQ(r32, 0);
}

TEST(ConsoleDivide, ZeroDivisorGivesZeroAndZero) {
    uint64_t u64 = 1;
    EXPECT_EQ(udivmod64(12345, 0, &u64), 0u);
    EXPECT_EQ(u64, 0u);
    uint32_t u32 = 1;
    EXPECT_EQ(udivmod32(12345, 0, &u32), 0u);
    EXPECT_EQ(u32, 0u);
    int64_t s64 = 1;
    EXPECT_EQ(sdivmod64(-12345, 0, &s64), 0);
    EXPECT_EQ(s64, 0);
    int32_t s32 = 1;
    EXPECT_EQ(sdivmod32(-12345, 0, &s32), 0);
    EXPECT_EQ(s32, 0);
}

TEST(ConsoleDivide, EveryPairOfLengths) {
    std::mt19937_64 random(20240611);
    for (int n_bits = 0; n_bits <= 64; ++n_bits) {
        for (int d_bits = 1; d_bits <= 64; ++d_bits) {
            for (int i = 0; i < 8; ++i) {
                const uint64_t n = of_length(random, n_bits);
                const uint64_t d = of_length(random, d_bits);
                expect_unsigned64(n, d);
                const int64_t sn = (int64_t)n;
                const int64_t sd = (int64_t)d;
                if (!(sn == std::numeric_limits<int64_t>::min() && sd == -1)) {
                    expect_signed64(sn, sd);
                }
                if (n_bits <= 32 && d_bits <= 32) {
                    expect_unsigned32((uint32_t)n, (uint32_t)d);
                    const int32_t n32 = (int32_t)(uint32_t)n;
                    const int32_t d32 = (int32_t)(uint32_t)d;
                    if (!(n32 == std::numeric_limits<int32_t>::min() && d32 == -1)) {
                        expect_signed32(n32, d32);
                    }
                }
            }
        }
    }
}

}  // namespace
