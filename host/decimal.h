#pragma once
// Whole numbers as users type them on the command line or in a URL: decimal digits only, so that
// "1e3", "0x10", "+7" or " 7" are refused instead of being read some other way.

#include <stdint.h>

#include <optional>
#include <string>

namespace host {

inline std::optional<uint64_t> parse_decimal(const std::string& text, uint64_t largest) {
    if (text.empty() || text.size() > 12) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (uint64_t)(c - '0');
    }
    if (value > largest) {
        return std::nullopt;
    }
    return value;
}

}  // namespace host
