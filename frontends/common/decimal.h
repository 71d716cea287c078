#pragma once
// Whole numbers as users type them on the command line, in a URL or in a button script: decimal
// digits only, so that "1e3", "0x10", "+7" or " 7" are refused instead of being read some other
// way.

#include <stdint.h>

#include <optional>
#include <string_view>

namespace frontends {

struct Decimal {
    enum Status { kValue, kNotDecimal, kTooLarge } status;
    uint64_t value;
};

// Reads the digits left to right: kNotDecimal at the first other character (or for no text at
// all), kTooLarge as soon as the digits read so far exceed `largest` (at most 2^32 - 1 here).
constexpr Decimal read_decimal(std::string_view text, uint64_t largest) {
    if (text.empty()) {
        return {Decimal::kNotDecimal, 0};
    }
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return {Decimal::kNotDecimal, 0};
        }
        value = value * 10 + (uint64_t)(c - '0');
        if (value > largest) {
            return {Decimal::kTooLarge, 0};
        }
    }
    return {Decimal::kValue, value};
}

// The value, or nothing when the text is anything but a number from 0 to `largest`.
constexpr std::optional<uint64_t> parse_decimal(std::string_view text, uint64_t largest) {
    const Decimal decimal = read_decimal(text, largest);
    if (decimal.status != Decimal::kValue) {
        return std::nullopt;
    }
    return decimal.value;
}

}  // namespace frontends
