#include "fake_frontend.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "support/run_demo.h"

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

FakeFrontend::FakeFrontend(FrontendSettings settings) {
    options_version = settings.options_version;
    accepts_xrgb8888 = settings.accepts_xrgb8888;
    log = &FakeFrontend::log_line;
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
    void (*set_audio_sample)(retro_audio_sample_t);
    void (*set_audio_batch)(retro_audio_sample_batch_t);
    resolve(library_, "retro_set_environment", set_environment);
    resolve(library_, "retro_set_video_refresh", set_video);
    resolve(library_, "retro_set_input_poll", set_poll);
    resolve(library_, "retro_set_input_state", set_state);
    resolve(library_, "retro_set_audio_sample", set_audio_sample);
    resolve(library_, "retro_set_audio_sample_batch", set_audio_batch);
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
    set_audio_sample(&FakeFrontend::audio_sample);
    set_audio_batch(&FakeFrontend::audio_batch);
    api.init();
}

FakeFrontend::~FakeFrontend() {
    api.deinit();
    dlclose(library_);
    g_current = nullptr;
}

bool FakeFrontend::load_content(const std::string& text, const char* path) {
    content_ = text;  // the frontend's copy, kept while the content is loaded
    const retro_game_info game{path, content_.data(), content_.size(), nullptr};
    return api.load_game(&game);
}

void FakeFrontend::run(uint32_t held, uint32_t held_port1) {
    held_[0] = held;
    held_[1] = held_port1;
    ++runs;
    api.run();
}

bool FakeFrontend::environment(unsigned command, void* data) {
    FakeFrontend& self = *g_current;
    const bool answered = self.answer(command, data);
    if (command == RETRO_ENVIRONMENT_SHUTDOWN) {
        self.shutdown_runs.push_back((unsigned)self.runs);
    }
    return answered;
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

void FakeFrontend::log_line(retro_log_level, const char* format, ...) {
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
    if (port > 1 || device != RETRO_DEVICE_JOYPAD || index != 0 || id > 15) {
        self.foreign_input_query = true;
        return 0;
    }
    return (self.held_[port] >> id & 1) != 0 ? 1 : 0;
}

void FakeFrontend::audio_sample(int16_t left, int16_t right) {
    ++g_current->single_samples;
    g_current->audible |= left != 0 || right != 0;
}

size_t FakeFrontend::audio_batch(const int16_t* data, size_t frames) {
    FakeFrontend& self = *g_current;
    self.audio_batches.push_back(frames);
    for (size_t i = 0; i < 2 * frames; ++i) {
        self.audible |= data[i] != 0;
    }
    return frames;
}

std::vector<uint32_t> headless_frame(uint16_t seed, int pulses, const std::string& script) {
    return xrgb(run_headless(seed, (uint32_t)pulses, script).picture);
}

}  // namespace pbtest
