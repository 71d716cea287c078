#pragma once
// Signed 8.24 fixed-point arithmetic, truncating integer division, integer square root and the
// 16-bit pseudo-random generator. Integer-only; results that do not fit wrap modulo 2^32.

#include <stdint.h>

typedef int32_t Fixed;  // value x 2^24
typedef int32_t Angle;  // a Fixed counted in 1/256 turns: one step is 0x1000000, a turn is 2^32

constexpr Fixed FIX_ONE = 0x1000000;

// Two's-complement wrap-around made explicit, so that no signed overflow ever happens.
constexpr int32_t wrap_add(int32_t a, int32_t b) {
    return (int32_t)((uint32_t)a + (uint32_t)b);
}
constexpr int32_t wrap_sub(int32_t a, int32_t b) {
    return (int32_t)((uint32_t)a - (uint32_t)b);
}
constexpr int32_t wrap_neg(int32_t a) {
    return (int32_t)(0u - (uint32_t)a);
}
constexpr int32_t wrap_mul(int32_t a, int32_t b) {
    return (int32_t)((uint32_t)a * (uint32_t)b);
}
// |v| without overflow, also for -2^31.
constexpr uint32_t magnitude(int32_t v) {
    return v < 0 ? 0u - (uint32_t)v : (uint32_t)v;
}

// Division by 2^n truncating toward zero (an arithmetic shift would floor negative values).
template <int N>
constexpr int32_t trunc_div_pow2(int32_t v) {
    static_assert(N >= 0 && N <= 30, "power of two out of range");
    return v / (int32_t(1) << N);
}

// Bits 24 to 55 of the exact product: rounds toward minus infinity, wraps.
Fixed fix_mul(Fixed a, Fixed b);
// Quotient rounded to nearest, halves away from zero; 0x7FFFFFFF for b = 0, +-1.0 for |a| = |b|;
// quotients of 128.0 or more saturate to +-0x7FFFFFFF.
Fixed fix_div(Fixed a, Fixed b);
// Newton's iteration from 1.0 until it settles or alternates; 0 for a <= 0. From 127.0 up
// (where a 32-bit sum would overflow) the sum is taken unsigned, so the root is still found.
Fixed fix_sqrt(Fixed a);

// Bit-serial division of magnitudes: quotient truncated, remainder with the sign of a; 0 and 0
// for b = 0; -2^31 / -1 wraps to -2^31.
void div_mod(int32_t a, int32_t b, int32_t* quotient, int32_t* remainder);
int32_t int_div(int32_t a, int32_t b);
int32_t int_mod(int32_t a, int32_t b);
// floor(sqrt(n)) by sums of odd numbers, 0 for n <= 0 (46,340 from 46,340^2 up, past the loop).
int32_t isqrt(int32_t n);

// The generator's seed: 0 at program start, then always 0 to 65,535 once seeded.
extern int32_t random_state;
// x := 75 x mod 65,537 with x = seed + 1; returns the new seed, 0 to 65,535.
int32_t rand16();
void seed_random(uint32_t v);  // seed := v & 0xFFFF
void random_reset();           // back to the start-of-run value 0
