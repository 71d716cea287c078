#pragma once
// The core's one option, the seed: its registration with the frontend and the counter value it
// gives at load and at reset.

#include <stdint.h>

#include <optional>

#include <libretro.h>

namespace frontends::libretro {

inline constexpr const char* kSeedKey = "plasmaballs_seed";
// "random" and the seeds 0 to kLastListedSeed: one option may list at most 127 values.
inline constexpr int kLastListedSeed = 125;

// Offers the option: core options v2 where the frontend has them, the variable list otherwise.
void register_options(retro_environment_t environment);
// A seed from an option value: a whole number from 0 to 65535; anything else is empty.
std::optional<uint16_t> parse_seed(const char* value);
// The counter to start a run with: the chosen seed in its upper half, or the clock's time when
// the option says "random" (or has no usable value).
uint32_t start_counter(retro_environment_t environment);

}  // namespace frontends::libretro
