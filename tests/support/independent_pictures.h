#pragma once
// Pictures computed by a separate model of the demo, for seeds, frame counts and button scripts:
// the hashes that catch a picture that was wrong all along. Nothing rewrites them.

#include <stdint.h>

#include <string>
#include <vector>

#include "platform/sim/board.h"

namespace pbtest {

struct IndependentPicture {
    uint16_t seed;
    uint32_t frames;     // START held from this pulse on
    std::string script;  // the command line's format
    std::string hash;
};
const std::vector<IndependentPicture>& independent_pictures();

// SHA-256 of the 76,800 displayed palette indices, then the 768 bytes of the palette, in hex.
std::string picture_hash(const sim::Picture& picture);

}  // namespace pbtest
