// libFuzzer target: any bytes as a saved state for the libretro core's retro_unserialize. A state
// is loaded, or refused with one logged line and the run untouched; either way the run goes on for
// 60 pulses. Every input meets the same run: a state taken once, in slow motion, loaded before it.

#include <libretro.h>
#include <stddef.h>
#include <stdint.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::vector<uint8_t> g_before;
std::vector<uint8_t> g_untouched;  // the picture 60 pulses after that state
const uint8_t* g_shown = nullptr;
int g_lines = 0;
unsigned g_pulse = 0;

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "fault: %s\n", what);
    std::abort();
}

void log_line(retro_log_level, const char*, ...) {
    ++g_lines;
}

bool environment(unsigned command, void* data) {
    if (command == RETRO_ENVIRONMENT_GET_LOG_INTERFACE) {
        ((retro_log_callback*)data)->log = log_line;
    } else if (command == RETRO_ENVIRONMENT_GET_VARIABLE) {
        ((retro_variable*)data)->value = "5";
    }
    return command == RETRO_ENVIRONMENT_GET_LOG_INTERFACE ||
           command == RETRO_ENVIRONMENT_GET_VARIABLE ||
           command == RETRO_ENVIRONMENT_SET_PIXEL_FORMAT;
}

void video(const void* data, unsigned, unsigned, size_t) {
    g_shown = data != nullptr ? (const uint8_t*)data : g_shown;
}
void poll() {}
// The stick up-right, and SELECT for one pulse in every 40.
int16_t input(unsigned, unsigned, unsigned, unsigned id) {
    return id == RETRO_DEVICE_ID_JOYPAD_UP || id == RETRO_DEVICE_ID_JOYPAD_RIGHT ||
           (id == RETRO_DEVICE_ID_JOYPAD_SELECT && g_pulse % 40 == 7);
}

std::vector<uint8_t> run(int pulses) {
    for (int i = 0; i < pulses; ++i, ++g_pulse) {
        retro_run();
    }
    return std::vector<uint8_t>(g_shown, g_shown + 320 * 240 * 4);
}

bool start() {
    retro_set_environment(environment);
    retro_set_video_refresh(video);
    retro_set_input_poll(poll);
    retro_set_input_state(input);
    retro_init();
    if (!retro_load_game(nullptr)) {
        fault("the core does not start");
    }
    run(10);
    g_before.resize(retro_serialize_size());
    const bool saved = retro_serialize(g_before.data(), g_before.size());
    g_pulse = 0;
    g_untouched = run(60);
    return saved;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = start();
    if (!started || !retro_unserialize(g_before.data(), g_before.size())) {
        fault("the core does not load its own state");
    }
    const int lines = g_lines;
    const bool loaded = retro_unserialize(data, size);
    if (g_lines != lines + (loaded ? 0 : 1)) {
        fault(loaded ? "a loaded state logged something" : "a refused state logged no line");
    }
    g_pulse = 0;
    if (run(60) != g_untouched && !loaded) {
        fault("a refused state changed the run");
    }
    return 0;
}
