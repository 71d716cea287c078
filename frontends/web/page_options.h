#pragma once
// What the page's address asks for: seed, frames and a button script, checked as strictly as the
// command line checks its options, with one line for the page to show when something is wrong.

#include <stdint.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "frontends/common/script.h"

namespace frontends::web {

struct PageOptions {
    std::optional<uint16_t> seed;    // counter value that seeds the generator
    std::optional<uint32_t> frames;  // START held from this pulse on
    std::vector<ButtonChange> script;
    bool wait = false;  // start at the first key, click or gamepad button instead of at once
};

// Either options to run with, or the message for a bad parameter.
struct PageRequest {
    std::optional<PageOptions> options;
    std::string error;
};

// The address's query parameters, already decoded, in order. Names other than seed, frames,
// script and wait are left alone; each known one may appear once.
PageRequest parse_page_options(const std::vector<std::pair<std::string, std::string>>& parameters);

// The timeline the options ask for: the script, plus START from `frames` on.
InputTimeline page_timeline(const PageOptions& options);

}  // namespace frontends::web
