#pragma once
// The whole-number options the command line and the page's address take, each with its range
// stated once, and the one reader and message for them all.

#include <stdint.h>

#include <optional>
#include <string>
#include <string_view>

namespace frontends {

struct NumberOption {
    std::string_view name;  // as the page's address names it; the command line adds "--"
    uint64_t least, largest;
};

constexpr NumberOption kSeedOption{"seed", 0, 65535};
constexpr NumberOption kFramesOption{"frames", 0, UINT32_MAX};
constexpr NumberOption kScaleOption{"scale", 1, 16};
constexpr NumberOption kRecordEveryOption{"record-every", 2, 60};
// 8 (2560 x 1920) is the most that stays within what ordinary H.264 decoders accept.
constexpr NumberOption kRecordScaleOption{"record-scale", 1, 8};

// "0-65535", as help texts give a range.
std::string range_text(const NumberOption& option);

// The value of `text` as decimal digits, when it lies in the option's range.
std::optional<uint64_t> read_number(const NumberOption& option, std::string_view text);

// The one line for a value refused, `named` as the caller names the option ("--seed", "seed")
// and `quoted` the value as the caller quotes it: "--seed takes a whole number from 0 to 65535,
// not "x"".
std::string number_refused(std::string_view named, const NumberOption& option,
                           std::string_view quoted);

}  // namespace frontends
