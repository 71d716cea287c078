// Cosine, sine and arctangent by linear interpolation in the half-turn tables.
// Angles wrap by themselves, so all angle arithmetic here is 32-bit wrap-around.

#include "fixed/trig.h"

namespace {

constexpr Angle QUARTER_TURN = 0x40000000;
constexpr Angle HALF_TURN = INT32_MIN;  // 0x80000000: -128 steps, the same direction as +128

// k whole steps as an Angle; 128 steps wraps to the half turn.
constexpr Angle steps(int32_t k) {
    return (Angle)((uint32_t)k << 24);
}

}  // namespace

Fixed fix_cos(Angle a) {
    const int32_t i = trunc_div_pow2<24>(a);
    // Negative angles mirror onto the table, and interpolate toward the entry nearer zero.
    const int32_t j = i < 0 ? -i : i;
    const Fixed neighbour = i < 0 ? cos_table[j - 1] : cos_table[j + 1];
    const Fixed base = cos_table[j];
    const Fixed frac = wrap_sub(a, steps(i));
    return wrap_add(base, fix_mul(wrap_sub(neighbour, base), frac));
}

Fixed fix_sin(Angle a) {
    return fix_cos(wrap_sub(a, QUARTER_TURN));
}

Angle fix_atan(Fixed t) {
    // Non-negative tangents live in entries 0-63, negative ones in 64-128 (entry 64, -2^31, is
    // the pole and acts as minus infinity); the half turn added below maps the latter to -64-0.
    int32_t low = t >= 0 ? 0 : 64;
    int32_t high = t >= 0 ? 63 : 128;
    int32_t mid;
    Fixed diff;
    do {
        mid = (low + high) / 2;
        diff = wrap_sub(t, tan_table[mid]);
        if (diff > 0) {
            low = mid + 1;
        } else if (diff < 0) {
            high = mid - 1;
        }
    } while (diff != 0 && low <= high);

    Fixed fraction = 0;
    if (diff != 0) {
        // Widths next to the pole wrap, and so count the pole as +2^31.
        const Fixed width = diff > 0 && mid <= 63 ? wrap_sub(tan_table[mid + 1], tan_table[mid])
                                                  : wrap_sub(tan_table[mid], tan_table[mid - 1]);
        fraction = fix_div(diff, width);
    }
    const Angle angle = wrap_add(steps(mid), fraction);
    return t < 0 ? wrap_add(angle, HALF_TURN) : angle;
}

Angle fix_atan2(Fixed y, Fixed x) {
    if (x == 0) {
        if (y == 0) {
            return 0;
        }
        return y < 0 ? wrap_neg(QUARTER_TURN) : QUARTER_TURN;
    }
    const Angle angle = fix_atan(fix_div(y, x));
    return x < 0 ? wrap_add(angle, HALF_TURN) : angle;
}
