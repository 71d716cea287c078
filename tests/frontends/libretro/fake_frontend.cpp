#include "fake_frontend.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace pbtest {
namespace {

FakeFrontend* g_current = nullptr;

template <typename Function>
void resolve(void* library, const char* name, Function& function) {
    void* symbol = dlsym(library, name);
    if (symbol == nullptr) {
        throw std::runtime_error(std::string("the core does not export ") + name);
    }
    function = (Function)symbol;
}

}  // namespace

FakeFrontend::FakeFrontend(FrontendSettings settings) : settings_(settings) {
    if (g_current != nullptr) {
        throw std::logic_error("one fake frontend at a time");
    }
    library_ = dlopen(PLASMABALLS_CORE, RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        throw std::runtime_error(std::string("cannot load the core: ") + dlerror());
    }
    g_current = this;
    void (*set_environment)(retro_environment_t);
    void (*set_video)(retro_video_refresh_t);
    void (*set_poll)(retro_input_poll_t);
    void (*set_state)(retro_input_state_t);
    resolve(library_, "retro_set_environment", set_environment);
    resolve(library_, "retro_set_video_refresh", set_video);
    resolve(library_, "retro_set_input_poll", set_poll);
    resolve(library_, "retro_set_input_state", set_state);
    resolve(library_, "retro_init", api.init);
    resolve(library_, "retro_deinit", api.deinit);
    resolve(library_, "retro_api_version", api.api_version);
    resolve(library_, "retro_get_system_info", api.get_system_info);
    resolve(library_, "retro_get_system_av_info", api.get_system_av_info);
    resolve(library_, "retro_load_game", api.load_game);
    resolve(library_, "retro_unload_game", api.unload_game);
    resolve(library_, "retro_reset", api.reset);
    resolve(library_, "retro_run", api.run);
    resolve(library_, "retro_serialize_size", api.serialize_size);
    resolve(library_, "retro_serialize", api.serialize);
    resolve(library_, "retro_unserialize", api.unserialize);
    set_environment(&FakeFrontend::environment);
    set_video(&FakeFrontend::video);
    set_poll(&FakeFrontend::input_poll);
    set_state(&FakeFrontend::input_state);
    api.init();
}

FakeFrontend::~FakeFrontend() {
    api.deinit();
    dlclose(library_);
    g_current = nullptr;
}

void FakeFrontend::run(uint32_t held) {
    held_ = held;
    ++runs;
    api.run();
}

bool FakeFrontend::environment(unsigned command, void* data) {
    return g_current->answer(command, data);
}

bool FakeFrontend::answer(unsigned command, void* data) {
    switch (command) {
        case RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME:
            environment_calls.push_back("SET_SUPPORT_NO_GAME");
            no_game = *(const bool*)data;
            return true;
        case RETRO_ENVIRONMENT_GET_CORE_OPTIONS_VERSION:
            environment_calls.push_back("GET_CORE_OPTIONS_VERSION");
            if (!settings_.options_version) {
                return false;
            }
            *(unsigned*)data = *settings_.options_version;
            return true;
        case RETRO_ENVIRONMENT_SET_CORE_OPTIONS_V2:
            environment_calls.push_back("SET_CORE_OPTIONS_V2");
            options_v2 = (const retro_core_options_v2*)data;
            return false;  // no categories
        case RETRO_ENVIRONMENT_SET_VARIABLES:
            environment_calls.push_back("SET_VARIABLES");
            variables = (const retro_variable*)data;
            return true;
        case RETRO_ENVIRONMENT_GET_VARIABLE: {
            environment_calls.push_back("GET_VARIABLE");
            retro_variable* variable = (retro_variable*)data;
            if (std::strcmp(variable->key, "plasmaballs_seed") != 0 || !seed_value) {
                variable->value = nullptr;
                return false;
            }
            variable->value = seed_value->c_str();
            return true;
        }
        case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT:
            environment_calls.push_back("SET_PIXEL_FORMAT");
            if (*(const retro_pixel_format*)data != RETRO_PIXEL_FORMAT_XRGB8888 ||
                !settings_.accepts_xrgb8888) {
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
            ((retro_log_callback*)data)->log = &FakeFrontend::log;
            return true;
        case RETRO_ENVIRONMENT_SHUTDOWN:
            environment_calls.push_back("SHUTDOWN");
            shutdown_runs.push_back((unsigned)runs);
            return true;
        default:
            return false;
    }
}

void FakeFrontend::video(const void* data, unsigned width, unsigned height, size_t pitch) {
    FakeFrontend& self = *g_current;
    ++self.presented;
    self.width = width;
    self.height = height;
    self.pitch = pitch;
    if (data == nullptr) {
        return;  // a dupe: the last frame stays
    }
    self.frame.resize((size_t)width * height);
    for (unsigned y = 0; y < height; ++y) {
        std::memcpy(self.frame.data() + (size_t)y * width, (const uint8_t*)data + y * pitch,
                    width * sizeof(uint32_t));
    }
}

void FakeFrontend::log(retro_log_level, const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    g_current->log_lines.push_back(text);
}

void FakeFrontend::input_poll() {
    ++g_current->polls;
}

int16_t FakeFrontend::input_state(unsigned port, unsigned device, unsigned index, unsigned id) {
    FakeFrontend& self = *g_current;
    if (port != 0 || device != RETRO_DEVICE_JOYPAD || index != 0 || id > 15) {
        self.foreign_input_query = true;
        return 0;
    }
    return (self.held_ >> id & 1) != 0 ? 1 : 0;
}

}  // namespace pbtest
