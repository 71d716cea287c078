#pragma once
// A run as the value of a link's parameter: its format, seed, changes and end packed into bytes
// with a checksum, in the URL-safe base64 alphabet; read back with one line naming what is wrong
// with a damaged or hand-made one.

#include <stdint.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontends/common/script.h"

namespace frontends::web {

// The format the page writes and reads; every format ends with the same checksum.
constexpr uint32_t kLinkFormat = 1;

// The run as a link's text. A run without a seed is written with seed 0, the seed the command
// line replays it with; a run without an end line is written without one.
std::string run_link(const Run& run);

// Either a run, or the line saying what is wrong with what was read for one.
struct RunRead {
    std::optional<Run> run;
    std::string error;
};
// The run a link holds (its seed always given), or what is wrong with it, beginning "run: ".
RunRead read_run_link(std::string_view text);

// The link's last step, for any bytes: the checksum appended, then base64url without padding.
std::string sealed_link(std::vector<uint8_t> bytes);
// CRC-16 (polynomial 0x1021, from 0xFFFF): any damage to one character of a link changes it.
uint16_t link_checksum(const uint8_t* data, size_t size);

}  // namespace frontends::web
