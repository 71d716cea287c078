#pragma once
// Division for a CPU with neither a divide instruction nor a count-leading-zeros instruction:
// shift-and-subtract on 32- and 64-bit values. Portable, so that the desktop tests it.

#include <stdint.h>

namespace runtime {

// Unsigned quotient and remainder; a zero divisor gives 0 and 0.
uint32_t udivmod32(uint32_t n, uint32_t d, uint32_t* remainder);
uint64_t udivmod64(uint64_t n, uint64_t d, uint64_t* remainder);
// Quotient truncated toward zero, remainder with the dividend's sign; the most negative value
// divided by -1 wraps to itself; a zero divisor gives 0 and 0.
int32_t sdivmod32(int32_t n, int32_t d, int32_t* remainder);
int64_t sdivmod64(int64_t n, int64_t d, int64_t* remainder);

}  // namespace runtime
