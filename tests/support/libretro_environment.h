#pragma once
// Test support: how our test frontends answer a libretro core's environment calls, and what the
// core asked of them. Compiled into the in-process fake frontend and the small frontend built for
// every machine the core is built for, so it needs nothing but libretro.h and the C++ library.

#include <libretro.h>

#include <optional>
#include <string>
#include <vector>

namespace pbtest {

class LibretroEnvironment {
  public:
    // --- how it answers ---
    // What GET_CORE_OPTIONS_VERSION answers; empty: the call is not supported.
    std::optional<unsigned> options_version = 2;
    bool accepts_xrgb8888 = true;
    // What GET_VARIABLE answers for the seed; empty: no value.
    std::optional<std::string> seed_value;
    // What GET_LOG_INTERFACE gives; null: the call is not supported.
    retro_log_printf_t log = nullptr;

    // --- what the core asked ---
    std::vector<std::string> environment_calls;  // names of the commands, in order
    bool no_game = false;
    std::optional<retro_pixel_format> pixel_format;
    std::vector<retro_input_descriptor> descriptors;
    std::vector<std::string> descriptor_texts;
    const retro_core_options_v2* options_v2 = nullptr;
    const retro_variable* variables = nullptr;
    unsigned shutdowns = 0;

    // Answers one environment call as RETRO_ENVIRONMENT_* `command` asks.
    bool answer(unsigned command, void* data);
};

}  // namespace pbtest
