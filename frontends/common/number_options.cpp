#include "frontends/common/number_options.h"

#include "frontends/common/decimal.h"

namespace frontends {

std::string range_text(const NumberOption& option) {
    return std::to_string(option.least) + "-" + std::to_string(option.largest);
}

std::optional<uint64_t> read_number(const NumberOption& option, std::string_view text) {
    const std::optional<uint64_t> value = parse_decimal(text, option.largest);
    if (!value || *value < option.least) {
        return std::nullopt;
    }
    return value;
}

std::string number_refused(std::string_view named, const NumberOption& option,
                           std::string_view quoted) {
    return std::string(named) + " takes a whole number from " + std::to_string(option.least) +
           " to " + std::to_string(option.largest) + ", not \"" + std::string(quoted) + "\"";
}

}  // namespace frontends
