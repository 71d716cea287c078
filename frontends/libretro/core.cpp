// The libretro entry points. Every retro_run is one vertical-sync pulse of the simulated board:
// input is read once at its rising edge, the demo runs to its next wait, and the display of that
// moment goes out as XRGB8888, with a pulse of silence. The core starts without content, or with a
// run file, which replays from its seed before the player takes over.

#include <libretro.h>

#include <stdarg.h>

#include <array>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "frontends/libretro/content.h"
#include "frontends/libretro/core_options.h"
#include "frontends/libretro/pulse_runner.h"
#include "frontends/libretro/xrgb8888.h"
#include "plasmaballs_version.h"

namespace {

using frontends::libretro::PulseRunner;

constexpr unsigned kPitch = sim::kWidth * sizeof(uint32_t);
// The frontend paces a core by the sound it sends: one pulse's worth of stereo frames per run.
constexpr unsigned kSampleRate = 48000;
constexpr size_t kSilenceFrames = kSampleRate / sim::kPulsesPerSecond;
static_assert(kSilenceFrames * sim::kPulsesPerSecond == kSampleRate);
const std::array<int16_t, 2 * kSilenceFrames> kSilence{};

retro_environment_t g_environment = nullptr;
retro_video_refresh_t g_video = nullptr;
retro_input_poll_t g_input_poll = nullptr;
retro_input_state_t g_input_state = nullptr;
retro_audio_sample_batch_t g_audio = nullptr;
retro_log_printf_t g_log = nullptr;

std::unique_ptr<PulseRunner> g_runner;
std::array<uint32_t, sim::kPixels> g_frame{};  // what retro_run presents
bool g_shutdown_requested = false;
// The content's run: its seed, if it has one, and the buttons of each pulse. Without content the
// timeline gives the player's buttons alone.
bool g_content = false;
std::optional<uint16_t> g_content_seed;
frontends::InputTimeline g_timeline;

void log_error(const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (g_log != nullptr) {
        g_log(RETRO_LOG_ERROR, "plasmaballs: %s\n", text);
    } else {
        std::fprintf(stderr, "plasmaballs: %s\n", text);
    }
}

// A fresh run, exactly as at load: new board, new coroutine, the content's seed or else the seed
// option read again.
bool start_run() {
    g_runner.reset();
    g_frame.fill(0);
    g_shutdown_requested = false;
    try {
        g_runner = std::make_unique<PulseRunner>(
            g_content_seed ? sim::counter_for_seed(*g_content_seed)
                           : frontends::libretro::start_counter(g_environment));
        return true;
    } catch (const std::exception& error) {
        log_error("cannot start the demo: %s", error.what());
        return false;
    }
}

void stop_run() {
    g_runner.reset();
    g_shutdown_requested = false;
}

void set_content(std::optional<frontends::Run> run) {
    g_content = run.has_value();
    g_content_seed = run ? run->seed : std::nullopt;
    g_timeline = run ? frontends::InputTimeline::replay(std::move(*run), std::nullopt)
                     : frontends::InputTimeline();
}

// The content's run, taken for the runs to come; false, with the reason logged, for a file that
// is no run.
bool take_content(const retro_game_info* game) {
    try {
        set_content(frontends::libretro::read_content(game));
        return true;
    } catch (const frontends::ScriptError& error) {
        log_error("cannot load the run: %s", error.what());
        set_content(std::nullopt);
        return false;
    }
}

void show() {
    frontends::libretro::to_xrgb8888(g_runner->board().picture(), g_frame.data());
}

// The pulse's buttons follow from the board's pulse, so a loaded state continues the replay.
void advance() {
    const sim::Buttons player = frontends::libretro::player_buttons(g_input_state);
    const uint32_t pulse = g_runner->board().pulse() + 1;
    try {
        g_runner->run_pulse(g_timeline.with_player(pulse, player),
                            g_timeline.with_player(0, player));
        show();
    } catch (const std::exception& error) {
        // The run cannot go on; it ends as at the hand-over, keeping the last picture.
        log_error("the demo stopped: %s", error.what());
    }
}

}  // namespace

extern "C" {

RETRO_API void retro_set_environment(retro_environment_t environment) {
    g_environment = environment;
    bool no_game = true;
    environment(RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME, &no_game);
    frontends::libretro::register_options(environment);
}

RETRO_API void retro_set_video_refresh(retro_video_refresh_t video) {
    g_video = video;
}
RETRO_API void retro_set_audio_sample(retro_audio_sample_t) {}
RETRO_API void retro_set_audio_sample_batch(retro_audio_sample_batch_t audio) {
    g_audio = audio;
}
RETRO_API void retro_set_input_poll(retro_input_poll_t poll) {
    g_input_poll = poll;
}
RETRO_API void retro_set_input_state(retro_input_state_t state) {
    g_input_state = state;
}

RETRO_API void retro_init(void) {
    retro_log_callback log{};
    g_log = g_environment != nullptr && g_environment(RETRO_ENVIRONMENT_GET_LOG_INTERFACE, &log)
                ? log.log
                : nullptr;
}

RETRO_API void retro_deinit(void) {
    stop_run();
    g_log = nullptr;
}

RETRO_API unsigned retro_api_version(void) {
    return RETRO_API_VERSION;
}

RETRO_API void retro_get_system_info(retro_system_info* info) {
    *info = retro_system_info{};
    info->library_name = "plasmaballs";
    info->library_version = PLASMABALLS_VERSION;
    info->valid_extensions = "pbrun";
    info->need_fullpath = false;
    info->block_extract = false;
}

RETRO_API void retro_get_system_av_info(retro_system_av_info* info) {
    *info = retro_system_av_info{};
    info->geometry.base_width = info->geometry.max_width = sim::kWidth;
    info->geometry.base_height = info->geometry.max_height = sim::kHeight;
    info->geometry.aspect_ratio = 4.0f / 3.0f;
    info->timing.fps = sim::kPulsesPerSecond;
    info->timing.sample_rate = kSampleRate;  // silence, a pulse of it each frame
}

RETRO_API void retro_set_controller_port_device(unsigned, unsigned) {}

RETRO_API bool retro_load_game(const retro_game_info* game) {
    retro_pixel_format format = RETRO_PIXEL_FORMAT_XRGB8888;
    if (g_environment == nullptr || !g_environment(RETRO_ENVIRONMENT_SET_PIXEL_FORMAT, &format)) {
        log_error("the frontend does not take XRGB8888 pictures");
        return false;
    }
    if (!take_content(game)) {
        return false;
    }
    g_environment(RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS,
                  (void*)frontends::libretro::input_descriptors());
    return start_run();
}

RETRO_API bool retro_load_game_special(unsigned, const retro_game_info*, size_t) {
    return false;
}

RETRO_API void retro_unload_game(void) {
    stop_run();
    set_content(std::nullopt);
}

RETRO_API void retro_reset(void) {
    if (g_runner) {
        start_run();
    }
}

RETRO_API void retro_run(void) {
    if (g_input_poll != nullptr) {
        g_input_poll();
    }
    if (g_runner && !g_runner->done()) {
        advance();
    }
    // Once the demo has handed over (or could not start again at a reset), the frontend is asked
    // once to close the core; until it does, the last picture stays on show. A run given as
    // content keeps it until the player closes the content.
    if ((!g_runner || g_runner->done()) && !g_content && !g_shutdown_requested &&
        g_environment != nullptr) {
        g_shutdown_requested = true;
        g_environment(RETRO_ENVIRONMENT_SHUTDOWN, nullptr);
    }
    if (g_video != nullptr) {
        g_video(g_frame.data(), sim::kWidth, sim::kHeight, kPitch);
    }
    if (g_audio != nullptr) {
        g_audio(kSilence.data(), kSilenceFrames);
    }
}

RETRO_API unsigned retro_get_region(void) {
    return RETRO_REGION_NTSC;
}

// Save states are snapshots (platform/sim/snapshot.h): data only, the same size at every moment.
RETRO_API size_t retro_serialize_size(void) {
    return sim::snapshot::kBytes;
}

RETRO_API bool retro_serialize(void* data, size_t size) {
    if (!g_runner || size < sim::snapshot::kBytes) {
        return false;
    }
    frontends::libretro::save_state(*g_runner, (uint8_t*)data);
    return true;
}

RETRO_API bool retro_unserialize(const void* data, size_t size) {
    if (!g_runner) {
        return false;
    }
    std::string error;
    try {
        if (!frontends::libretro::load_state(g_runner, (const uint8_t*)data, size, error)) {
            log_error("cannot load the state: %s", error.c_str());
            return false;
        }
    } catch (const std::exception& failure) {
        log_error("cannot load the state: %s", failure.what());
        return false;
    }
    // A run brought back to life may end again, and then asks again to be closed.
    if (!g_runner->done()) {
        g_shutdown_requested = false;
    }
    show();
    return true;
}

RETRO_API void retro_cheat_reset(void) {}
RETRO_API void retro_cheat_set(unsigned, bool, const char*) {}

RETRO_API void* retro_get_memory_data(unsigned) {
    return nullptr;
}
RETRO_API size_t retro_get_memory_size(unsigned) {
    return 0;
}

}  // extern "C"
