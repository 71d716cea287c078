#pragma once
// Table-driven cosine, sine and arctangent on Angles (256 steps per turn), interpolated between
// the 129 entries of each half-turn table. The tables are generated from their rule at build time.

#include "fixed/fixed.h"

extern const int32_t cos_table[129];  // cos(k steps) as Fixed, k = 0..128
extern const int32_t tan_table[129];  // tan(k steps) as Fixed, entry 64 is -2^31

Fixed fix_cos(Angle a);
Fixed fix_sin(Angle a);             // fix_cos of a quarter turn back
Angle fix_atan(Fixed t);            // -64 to 64 steps
Angle fix_atan2(Fixed y, Fixed x);  // direction of (x, y), any of the 256 steps
