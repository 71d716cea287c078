// Fixed-point division, truncating division, the square roots and the generator against exact
// arithmetic, over millions of operands spread across every magnitude (seconds, not minutes).

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "fixed/fixed.h"

namespace {

// splitmix64: a fast, seeded source of operands, so every failure is reproducible.
class Operands {
  public:
    explicit Operands(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A magnitude of exactly `bits` significant bits (0 gives 0).
    uint32_t magnitude(int bits) {
        if (bits == 0) {
            return 0;
        }
        const uint32_t top = 1u << (bits - 1);
        return top | ((uint32_t)next() & (top - 1));
    }
    int32_t signed_value(uint32_t magnitude) {
        return (next() & 1) ? (int32_t)(0u - magnitude) : (int32_t)magnitude;
    }
    uint32_t below(uint32_t n) { return (uint32_t)(next() % n); }

  private:
    uint64_t state_;
};

// Magnitude as fix_div reads it: -2^31 counts as -(2^31 - 1).
uint32_t divide_magnitude(int32_t v) {
    return v == INT32_MIN ? 0x7FFFFFFFu : (uint32_t)(v < 0 ? -(int64_t)v : v);
}

// The rounded quotient by 128-bit arithmetic: R = q + 1 exactly when the remainder is at least
// half the divisor. Empty when it does not fit below 2^31 (or the divisor is 0).
bool exact_quotient(int32_t a, int32_t b, Fixed* result) {
    const unsigned __int128 A = divide_magnitude(a);
    const unsigned __int128 B = divide_magnitude(b);
    if (B == 0) {
        return false;
    }
    const unsigned __int128 scaled = A << 24;
    unsigned __int128 R = scaled / B;
    if (2 * (scaled - R * B) >= B) {
        ++R;
    }
    if (R > 0x7FFFFFFF) {
        return false;
    }
    const bool negative = (a < 0) != (b < 0);
    *result = negative ? (Fixed)(-(int64_t)R) : (Fixed)R;
    return true;
}

TEST(exact_fix_div, EveryPairOfBitLengthsInRange) {
    Operands operands(0xF1D1);
    constexpr int kPairsPerStratum = 6000;
    int64_t compared = 0;
    // Quotients fit below 128.0 only when the dividend has at most 7 more bits than the divisor.
    for (int db = 1; db <= 31; ++db) {
        for (int da = 1; da <= 31 && da <= db + 7; ++da) {
            for (int n = 0; n < kPairsPerStratum; ++n) {
                const int32_t a = operands.signed_value(operands.magnitude(da));
                const int32_t b = operands.signed_value(operands.magnitude(db));
                Fixed expected;
                if (!exact_quotient(a, b, &expected)) {
                    continue;
                }
                ++compared;
                ASSERT_EQ(fix_div(a, b), expected) << a << " / " << b;
            }
        }
    }
    EXPECT_GT(compared, 3000000);
}

// Exact halves need a divisor with at least 25 more factors of two than the dividend: those are
// all of them below 128.0, with their neighbours one unit either side.
TEST(exact_fix_div, ExactHalvesGoAwayFromZero) {
    Operands operands(0x4A1F);
    int halves = 0;
    for (int t = 25; t <= 30; ++t) {
        for (uint32_t c = 1; (uint64_t)c << t <= 0x7FFFFFFF; c += 2) {
            const int32_t b = (int32_t)(c << t);
            // Dividend (2R + 1) 2^(t - 25) c, whose quotient is R + 1/2 units.
            const uint64_t factor = (uint64_t)c << (t - 25);
            const uint64_t odd_count = (0x7FFFFFFF / factor + 1) / 2;
            for (int n = 0; n < 2000; ++n) {
                const uint64_t a = (2 * operands.below((uint32_t)odd_count) + 1) * factor;
                for (int64_t delta : {-1, 0, 1}) {
                    const int64_t base = (int64_t)a + delta;
                    if (base > INT32_MAX) {
                        continue;
                    }
                    for (int signs = 0; signs < 4; ++signs) {
                        const int32_t sa = (int32_t)(signs & 1 ? -base : base);
                        const int32_t sb = signs & 2 ? -b : b;
                        Fixed expected;
                        if (exact_quotient(sa, sb, &expected)) {
                            ASSERT_EQ(fix_div(sa, sb), expected) << sa << " / " << sb;
                            halves += delta == 0;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(halves, 400000);
}

// Values at the edges of every representation the division passes through.
std::vector<int32_t> special_values() {
    std::vector<int32_t> values = {0, 1, -1, 2, -2, 3, -3, INT32_MAX, INT32_MIN, INT32_MIN + 1};
    for (int bit = 1; bit < 31; ++bit) {
        for (int64_t v : {(int64_t)1 << bit, ((int64_t)1 << bit) - 1, ((int64_t)1 << bit) + 1}) {
            values.push_back((int32_t)v);
            values.push_back((int32_t)-v);
        }
    }
    return values;
}

TEST(exact_fix_div, EveryPairOfSpecialValues) {
    const std::vector<int32_t> values = special_values();
    for (int32_t a : values) {
        for (int32_t b : values) {
            const Fixed got = fix_div(a, b);
            Fixed expected;
            if (b == 0) {
                expected = 0x7FFFFFFF;
            } else if (a != 0 && divide_magnitude(a) == divide_magnitude(b)) {
                expected = (a < 0) != (b < 0) ? -FIX_ONE : FIX_ONE;
            } else if (!exact_quotient(a, b, &expected)) {
                // Beyond 128.0 the quotient saturates with its sign.
                expected = (a < 0) != (b < 0) ? -0x7FFFFFFF : 0x7FFFFFFF;
            }
            ASSERT_EQ(got, expected) << a << " / " << b;
        }
    }
}

void expect_div_mod(int32_t a, int32_t b) {
    int32_t quotient = 0x5EED;
    int32_t remainder = 0x5EED;
    div_mod(a, b, &quotient, &remainder);
    int32_t q = 0;
    int32_t r = 0;
    if (b == -1) {
        q = (int32_t)(0u - (uint32_t)a);  // -2^31 / -1 wraps to -2^31
    } else if (b != 0) {
        q = a / b;
        r = a % b;
    }
    ASSERT_EQ(quotient, q) << a << " / " << b;
    ASSERT_EQ(remainder, r) << a << " % " << b;
    ASSERT_EQ(int_div(a, b), q) << a << " / " << b;
    ASSERT_EQ(int_mod(a, b), r) << a << " % " << b;
}

TEST(ExactDivMod, EveryPairOfBitLengths) {
    Operands operands(0xD1F);
    for (int da = 0; da <= 32; ++da) {
        for (int db = 0; db <= 32; ++db) {
            for (int n = 0; n < 2000; ++n) {
                const uint32_t ma =
                    da == 32 ? (uint32_t)operands.next() | 0x80000000u : operands.magnitude(da);
                const uint32_t mb =
                    db == 32 ? (uint32_t)operands.next() | 0x80000000u : operands.magnitude(db);
                ASSERT_NO_FATAL_FAILURE(
                    expect_div_mod(operands.signed_value(ma), operands.signed_value(mb)));
            }
        }
    }
}

TEST(ExactDivMod, EveryPairOfSmallValuesAndOfSpecialValues) {
    for (int32_t a = -600; a <= 600; ++a) {
        for (int32_t b = -600; b <= 600; ++b) {
            ASSERT_NO_FATAL_FAILURE(expect_div_mod(a, b));
        }
    }
    const std::vector<int32_t> values = special_values();
    for (int32_t a : values) {
        for (int32_t b : values) {
            ASSERT_NO_FATAL_FAILURE(expect_div_mod(a, b));
        }
    }
}

// Floor root by exact 64-bit comparison.
void expect_floor_root(int32_t n) {
    const int64_t r = isqrt(n);
    ASSERT_LE(r * r, n) << n;
    ASSERT_GT((r + 1) * (r + 1), n) << n;
}

TEST(ExactIsqrt, RandomSampleUpToTheLargestSquareThatFits) {
    constexpr int64_t kLimit = 46340LL * 46340 - 1;
    Operands operands(0x15);
    for (int n = 0; n < 4000; ++n) {
        ASSERT_NO_FATAL_FAILURE(expect_floor_root((int32_t)(operands.next() % (kLimit + 1))));
    }
    // Both sides of perfect squares, where an off-by-one would show.
    for (int n = 0; n < 2000; ++n) {
        const int64_t k = 1 + operands.below(46339);
        for (int64_t v : {k * k - 1, k * k, k * k + 1}) {
            ASSERT_NO_FATAL_FAILURE(expect_floor_root((int32_t)v));
        }
    }
    ASSERT_NO_FATAL_FAILURE(expect_floor_root((int32_t)kLimit));
    ASSERT_NO_FATAL_FAILURE(expect_floor_root(46339 * 46339));
}

// |r - sqrt(a 2^24)| <= 1, compared exactly: (r - 1)^2 <= a 2^24 <= (r + 1)^2.
void expect_root_within_one_unit(Fixed a) {
    const int64_t r = fix_sqrt(a);
    const int64_t square = (int64_t)a << 24;
    ASSERT_LE((r - 1) * (r - 1), square) << a;
    ASSERT_GE((r + 1) * (r + 1), square) << a;
}

TEST(ExactFixSqrt, EndsWithinOneUnitOverADenseSampleOfTheDomain) {
    constexpr Fixed kTop = 127 * FIX_ONE;  // exclusive
    Operands operands(0x5C);
    // Every argument up to 2^16 units, where the iteration runs longest.
    for (Fixed a = 1; a <= 0x10000; ++a) {
        ASSERT_NO_FATAL_FAILURE(expect_root_within_one_unit(a));
    }
    // A million steps of about 2,100 units across the whole domain, each jittered.
    constexpr Fixed kStride = kTop / 1000000;
    for (Fixed base = 0x10000; base < kTop - kStride; base += kStride) {
        ASSERT_NO_FATAL_FAILURE(expect_root_within_one_unit(base + (Fixed)operands.below(kStride)));
    }
    // Every binade sampled densely, so small arguments are not outnumbered.
    for (int bits = 17; bits <= 31; ++bits) {
        for (int n = 0; n < 20000; ++n) {
            const Fixed a = (Fixed)operands.magnitude(bits);
            if (a < kTop) {
                ASSERT_NO_FATAL_FAILURE(expect_root_within_one_unit(a));
            }
        }
    }
    for (Fixed a = kTop - 10000; a < kTop; ++a) {
        ASSERT_NO_FATAL_FAILURE(expect_root_within_one_unit(a));
    }
}

// x := 75 x mod 65,537 with x = seed + 1, for every seed; the map is then one single cycle
// through all 65,536 seeds, so the period is 65,536 from any of them.
TEST(ExactRandom, EverySeedStepsByTheCongruenceAndAllLieOnOneCycle) {
    std::vector<int32_t> step(65536);
    for (int32_t seed = 0; seed < 65536; ++seed) {
        seed_random((uint32_t)seed | ((uint32_t)seed << 16));  // the upper half is ignored
        const int32_t value = rand16();
        const int32_t expected = (int32_t)((75LL * (seed + 1)) % 65537) - 1;
        ASSERT_EQ(value, expected) << "seed " << seed;
        ASSERT_EQ(random_state, expected) << "seed " << seed;
        step[seed] = value;
    }
    std::vector<bool> seen(65536, false);
    int32_t seed = 0;
    for (int n = 0; n < 65536; ++n) {
        ASSERT_FALSE(seen[seed]) << "seed " << seed << " repeats after " << n << " steps";
        seen[seed] = true;
        seed = step[seed];
    }
    EXPECT_EQ(seed, 0);
    random_reset();
}

}  // namespace
