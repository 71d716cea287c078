// The seed option's tables are built once; the frontend keeps pointers into them until unload.

#include "frontends/libretro/core_options.h"

#include "frontends/common/decimal.h"
#include "platform/sim/board.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace frontends::libretro {
namespace {

constexpr const char* kDescription = "Seed";
constexpr const char* kInfo =
    "Seeds the ball placement and the plasma. \"random\" takes it from the clock. Applies when "
    "the core starts or is reset.";

struct Tables {
    char numbers[kLastListedSeed + 1][4];
    retro_core_option_v2_definition definitions[2];
    retro_core_options_v2 options;
    std::string variable_text;  // "Seed; random|0|1|..."
    retro_variable variables[2];

    Tables() : definitions{}, options{}, variables{} {
        retro_core_option_v2_definition& seed = definitions[0];
        seed.key = kSeedKey;
        seed.desc = kDescription;
        seed.info = kInfo;
        seed.values[0] = {"random", "Random (from the clock)"};
        variable_text = std::string(kDescription) + "; random";
        for (int i = 0; i <= kLastListedSeed; ++i) {
            std::snprintf(numbers[i], sizeof numbers[i], "%d", i);
            seed.values[i + 1] = {numbers[i], nullptr};
            variable_text += std::string("|") + numbers[i];
        }
        seed.default_value = "random";
        options.categories = nullptr;
        options.definitions = definitions;
        variables[0] = {kSeedKey, variable_text.c_str()};
    }
};

static_assert(kLastListedSeed + 2 < RETRO_NUM_CORE_OPTION_VALUES_MAX,
              "the value list needs room for its terminator");

const Tables& tables() {
    static const Tables instance;
    return instance;
}

uint32_t clock_counter() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return (uint32_t)std::chrono::duration_cast<std::chrono::microseconds>(now).count();
}

}  // namespace

void register_options(retro_environment_t environment) {
    const Tables& t = tables();
    unsigned version = 0;
    if (environment(RETRO_ENVIRONMENT_GET_CORE_OPTIONS_VERSION, &version) && version >= 2) {
        // The result only says whether categories are shown; the option is taken either way.
        environment(RETRO_ENVIRONMENT_SET_CORE_OPTIONS_V2, (void*)&t.options);
    } else {
        environment(RETRO_ENVIRONMENT_SET_VARIABLES, (void*)t.variables);
    }
}

std::optional<uint16_t> parse_seed(const char* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    const std::optional<uint64_t> seed = parse_decimal(value, 0xFFFF);
    if (!seed) {
        return std::nullopt;
    }
    return (uint16_t)*seed;
}

uint32_t start_counter(retro_environment_t environment) {
    retro_variable variable{kSeedKey, nullptr};
    if (environment != nullptr && environment(RETRO_ENVIRONMENT_GET_VARIABLE, &variable)) {
        if (const std::optional<uint16_t> seed = parse_seed(variable.value)) {
            return sim::counter_for_seed(*seed);
        }
    }
    return clock_counter();
}

}  // namespace frontends::libretro
