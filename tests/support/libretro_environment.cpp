#include "support/libretro_environment.h"

#include <cstring>

namespace pbtest {

bool LibretroEnvironment::answer(unsigned command, void* data) {
    switch (command) {
        case RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME:
            environment_calls.push_back("SET_SUPPORT_NO_GAME");
            no_game = *(const bool*)data;
            return true;
        case RETRO_ENVIRONMENT_GET_CORE_OPTIONS_VERSION:
            environment_calls.push_back("GET_CORE_OPTIONS_VERSION");
            if (!options_version) {
                return false;
            }
            *(unsigned*)data = *options_version;
            return true;
        case RETRO_ENVIRONMENT_SET_CORE_OPTIONS_V2:
            environment_calls.push_back("SET_CORE_OPTIONS_V2");
            options_v2 = (const retro_core_options_v2*)data;
            return false;  // taken, without categories
        case RETRO_ENVIRONMENT_SET_VARIABLES:
            environment_calls.push_back("SET_VARIABLES");
            variables = (const retro_variable*)data;
            return true;
        case RETRO_ENVIRONMENT_GET_VARIABLE: {
            environment_calls.push_back("GET_VARIABLE");
            retro_variable* variable = (retro_variable*)data;
            const bool seed = std::strcmp(variable->key, "plasmaballs_seed") == 0 && seed_value;
            variable->value = seed ? seed_value->c_str() : nullptr;
            return seed;
        }
        case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT:
            environment_calls.push_back("SET_PIXEL_FORMAT");
            if (*(const retro_pixel_format*)data != RETRO_PIXEL_FORMAT_XRGB8888 ||
                !accepts_xrgb8888) {
                return false;
            }
            pixel_format = *(const retro_pixel_format*)data;
            return true;
        case RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS:
            environment_calls.push_back("SET_INPUT_DESCRIPTORS");
            descriptors.clear();
            descriptor_texts.clear();
            for (const retro_input_descriptor* d = (const retro_input_descriptor*)data;
                 d->description != nullptr; ++d) {
                descriptors.push_back(*d);
                descriptor_texts.push_back(d->description);
            }
            return true;
        case RETRO_ENVIRONMENT_GET_LOG_INTERFACE:
            if (log == nullptr) {
                return false;
            }
            ((retro_log_callback*)data)->log = log;
            return true;
        case RETRO_ENVIRONMENT_SHUTDOWN:
            environment_calls.push_back("SHUTDOWN");
            ++shutdowns;
            return true;
        default:
            return false;
    }
}

}  // namespace pbtest
