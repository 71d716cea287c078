// Shift-and-subtract division. Without clz the divisor is lined up under the dividend in halving
// steps (half the width, a quarter, ... one bit), then one bit of quotient is found per step.
// Every shift is by a constant, so the compiler never calls out for a 64-bit shift.

#include "platform/console/divide.h"

namespace runtime {
namespace {

// Shifts d left by STEP bits when that neither loses a bit nor passes n.
template <typename U, int STEP>
void line_up(U& d, U n, int& shift) {
    constexpr int bits = 8 * sizeof(U);
    if ((d >> (bits - STEP)) == 0 && (U)(d << STEP) <= n) {
        d = (U)(d << STEP);
        shift += STEP;
    }
}

template <typename U>
U udivmod(U n, U d, U* remainder) {
    if (d == 0) {
        *remainder = 0;
        return 0;
    }
    int shift = 0;
    if constexpr (sizeof(U) == 8) {
        line_up<U, 32>(d, n, shift);
    }
    line_up<U, 16>(d, n, shift);
    line_up<U, 8>(d, n, shift);
    line_up<U, 4>(d, n, shift);
    line_up<U, 2>(d, n, shift);
    line_up<U, 1>(d, n, shift);
    U quotient = 0;
    for (;;) {
        quotient = (U)(quotient << 1);
        if (n >= d) {
            n -= d;
            quotient |= 1;
        }
        if (shift == 0) {
            break;
        }
        --shift;
        d >>= 1;
    }
    *remainder = n;
    return quotient;
}

}  // namespace

uint32_t udivmod32(uint32_t n, uint32_t d, uint32_t* remainder) {
    return udivmod<uint32_t>(n, d, remainder);
}

uint64_t udivmod64(uint64_t n, uint64_t d, uint64_t* remainder) {
    // A dividend that fits in 32 bits takes the 32-bit loop.
    if ((n >> 32) == 0) {
        if ((d >> 32) != 0) {
            *remainder = n;
            return 0;
        }
        uint32_t r = 0;
        const uint32_t q = udivmod<uint32_t>((uint32_t)n, (uint32_t)d, &r);
        *remainder = r;
        return q;
    }
    return udivmod<uint64_t>(n, d, remainder);
}

namespace {

template <typename S, typename U>
S sdivmod(S n, S d, S* remainder, U (*divide)(U, U, U*)) {
    const U magnitude_n = n < 0 ? (U)(0 - (U)n) : (U)n;
    const U magnitude_d = d < 0 ? (U)(0 - (U)d) : (U)d;
    U r = 0;
    U q = divide(magnitude_n, magnitude_d, &r);
    if ((n < 0) != (d < 0)) {
        q = (U)(0 - q);
    }
    if (n < 0) {
        r = (U)(0 - r);
    }
    *remainder = (S)r;
    return (S)q;
}

}  // namespace

int32_t sdivmod32(int32_t n, int32_t d, int32_t* remainder) {
    return sdivmod<int32_t, uint32_t>(n, d, remainder, udivmod32);
}

int64_t sdivmod64(int64_t n, int64_t d, int64_t* remainder) {
    return sdivmod<int64_t, uint64_t>(n, d, remainder, udivmod64);
}

}  // namespace runtime
