// Signed 8.24 arithmetic, truncating division, integer square root and the random generator.
// Everything that may wrap is done in unsigned or 64-bit arithmetic, never as signed overflow.

#include "fixed/fixed.h"

namespace {

// Number of significant bits of each byte value, so that a bit length costs one table read.
struct BitLengths {
    uint8_t of[256];
    constexpr BitLengths() : of() {
        for (int x = 1; x < 256; ++x) {
            of[x] = (uint8_t)(of[x >> 1] + 1);
        }
    }
};
constexpr BitLengths bit_lengths;

int bit_length(uint32_t x) {
    if (x >> 24) {
        return bit_lengths.of[x >> 24] + 24;
    }
    if ((x >> 16) & 0xFF) {
        return bit_lengths.of[(x >> 16) & 0xFF] + 16;
    }
    if ((x >> 8) & 0xFF) {
        return bit_lengths.of[x >> 8] + 8;
    }
    return bit_lengths.of[x];
}

// Magnitude of a divide operand, with -2^31 taken as -(2^31 - 1) so that it fits in 31 bits.
uint32_t fix_div_magnitude(int32_t v) {
    if (v == INT32_MIN) {
        return 0x7FFFFFFF;
    }
    return (uint32_t)(v < 0 ? -v : v);
}

constexpr Fixed with_sign(uint32_t size, bool negative) {
    return negative ? wrap_neg((int32_t)size) : (int32_t)size;
}

}  // namespace

int32_t random_state = 0;

Fixed fix_mul(Fixed a, Fixed b) {
    // The shift of the signed product floors; the conversion keeps the low 32 bits.
    return (int32_t)(((int64_t)a * b) >> 24);
}

Fixed fix_div(Fixed a, Fixed b) {
    const bool negative = (a < 0) != (b < 0);
    const uint32_t A = fix_div_magnitude(a);
    const uint32_t B = fix_div_magnitude(b);
    if (B == 0) {
        return 0x7FFFFFFF;
    }
    if (A == 0) {
        return 0;
    }
    if (A == B) {
        return with_sign(FIX_ONE, negative);
    }

    // Quotients of 128.0 or more do not fit: they saturate like a zero divisor does. Below that
    // A / B < 2^(da - db + 1) <= 2^8.
    const int da = bit_length(A);
    const int db = bit_length(B);
    if (da - db > 7) {
        return with_sign(0x7FFFFFFF, negative);
    }
    // A x 2^25 / B, truncated, in 32-bit steps (the console has no divide instruction, and a
    // 64-bit division in software costs twice as much): the whole part bit by bit (B shifted by
    // at most da - db stays below 2^31), then 25 fraction bits, the remainder doubled each time
    // (it stays below B < 2^31, so it cannot wrap). Half of that, rounded up, is A / B in 24
    // fraction bits rounded to nearest with halves away from zero.
    uint32_t whole = 0;
    uint32_t rest = A;
    for (int bit = da - db; bit >= 0; --bit) {
        if ((rest >> bit) >= B) {
            rest -= B << bit;
            whole |= 1u << bit;
        }
    }
    if (whole >= 128) {
        return with_sign(0x7FFFFFFF, negative);
    }
    uint32_t fraction = 0;
#pragma GCC unroll 5
    for (int bit = 0; bit < 25; ++bit) {
        rest <<= 1;
        fraction <<= 1;
        if (rest >= B) {
            rest -= B;
            fraction |= 1;
        }
    }
    const uint32_t R = (whole << 24) + ((fraction + 1) >> 1);
    if (R > 0x7FFFFFFF) {
        return with_sign(0x7FFFFFFF, negative);
    }
    return with_sign(R, negative);
}

Fixed fix_sqrt(Fixed a) {
    if (a <= 0) {
        return 0;
    }
    // Every iterate and quotient is positive and below 2^31, so their unsigned sum cannot wrap:
    // below 127.0 this is the 32-bit sum itself, above it the root is still found.
    Fixed previous = 73;
    Fixed current = FIX_ONE;
    for (;;) {
        const uint32_t sum = (uint32_t)current + (uint32_t)fix_div(a, current);
        const Fixed next = (Fixed)(sum >> 1);
        if (next == current || next == previous) {
            return next;
        }
        previous = current;
        current = next;
    }
}

void div_mod(int32_t a, int32_t b, int32_t* quotient, int32_t* remainder) {
    const uint32_t n = magnitude(a);
    const uint32_t d = magnitude(b);
    uint32_t q = 0;
    uint32_t r = 0;
    if (d == 0) {
        // A zero divisor leaves both results at 0.
    } else if (d > n) {
        r = n;
    } else if (d == n) {
        q = 1;
    } else {
        // Restoring division, one quotient bit per pass; r < d <= 2^31 keeps r << 1 in range.
        for (int bit = bit_length(n) - 1; bit >= 0; --bit) {
            r = (r << 1) | ((n >> bit) & 1);
            if (r >= d) {
                r -= d;
                q |= 1u << bit;
            }
        }
    }
    const bool negate_quotient = (a >= 0 && b < 0) || (a < 0 && b > 0);
    *quotient = with_sign(q, negate_quotient);
    *remainder = with_sign(r, a < 0);
}

int32_t int_div(int32_t a, int32_t b) {
    int32_t quotient;
    int32_t remainder;
    div_mod(a, b, &quotient, &remainder);
    return quotient;
}

int32_t int_mod(int32_t a, int32_t b) {
    int32_t quotient;
    int32_t remainder;
    div_mod(a, b, &quotient, &remainder);
    return remainder;
}

int32_t isqrt(int32_t n) {
    // From 46,340^2 on the next square no longer fits in 32 bits; 46,340 is the root of them all.
    if (n >= 2147395600) {
        return 46340;
    }
    int32_t s = 1;
    int32_t odd = 3;
    while (s <= n) {
        s += odd;
        odd += 2;
    }
    return odd / 2 - 1;
}

int32_t rand16() {
    const int32_t t = wrap_mul(wrap_add(random_state, 1), 75);
    random_state = int_mod(t, 65537) - 1;
    return random_state & 0xFFFF;
}

void seed_random(uint32_t v) {
    random_state = (int32_t)(v & 0xFFFF);
}

void random_reset() {
    random_state = 0;
}
