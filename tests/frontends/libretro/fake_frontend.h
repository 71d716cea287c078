#pragma once
// A frontend in the test process: loads the core with dlopen, answers its environment calls,
// feeds joypad states one retro_run at a time and keeps what the core asked for, showed and sent
// as sound.

#include <stddef.h>
#include <stdint.h>

#include <libretro.h>

#include <optional>
#include <string>
#include <vector>

#include "support/libretro_environment.h"

namespace pbtest {

// Joypad states as a bitmask of RETRO_DEVICE_ID_JOYPAD_* ids.
constexpr uint32_t pad(unsigned id) {
    return 1u << id;
}
namespace joypad {
constexpr uint32_t kUp = pad(RETRO_DEVICE_ID_JOYPAD_UP), kDown = pad(RETRO_DEVICE_ID_JOYPAD_DOWN);
constexpr uint32_t kLeft = pad(RETRO_DEVICE_ID_JOYPAD_LEFT);
constexpr uint32_t kRight = pad(RETRO_DEVICE_ID_JOYPAD_RIGHT);
constexpr uint32_t kStart = pad(RETRO_DEVICE_ID_JOYPAD_START);
constexpr uint32_t kSelect = pad(RETRO_DEVICE_ID_JOYPAD_SELECT);
}  // namespace joypad

// From run `run` on, the joypad holds `held`; a headless script names the same contacts.
struct Change {
    int run;
    uint32_t held;
    const char* contacts = "";
};

inline uint32_t held_at(const std::vector<Change>& changes, int run) {
    uint32_t held = 0;
    for (const Change& c : changes) {
        held = c.run <= run ? c.held : held;
    }
    return held;
}

// The headless picture of `pulses` pulses, as XRGB8888.
std::vector<uint32_t> headless_frame(uint16_t seed, int pulses, const std::string& script = "");

struct FrontendSettings {
    // What GET_CORE_OPTIONS_VERSION answers; empty: the call is not supported.
    std::optional<unsigned> options_version = 2;
    bool accepts_xrgb8888 = true;
};

class FakeFrontend : public LibretroEnvironment {
  public:
    // Loads the core and calls retro_set_* and retro_init, as a frontend does.
    explicit FakeFrontend(FrontendSettings settings = {});
    // retro_deinit and dlclose.
    ~FakeFrontend();
    FakeFrontend(const FakeFrontend&) = delete;
    FakeFrontend& operator=(const FakeFrontend&) = delete;

    // The core's entry points.
    struct Api {
        void (*init)();
        void (*deinit)();
        unsigned (*api_version)();
        void (*get_system_info)(retro_system_info*);
        void (*get_system_av_info)(retro_system_av_info*);
        bool (*load_game)(const retro_game_info*);
        void (*unload_game)();
        void (*reset)();
        void (*run)();
        size_t (*serialize_size)();
        bool (*serialize)(void*, size_t);
        bool (*unserialize)(const void*, size_t);
    } api{};

    bool load() { return api.load_game(nullptr); }
    // Loads with this content, in memory, as from a file at `path` (none: nullptr).
    bool load_content(const std::string& text, const char* path = "/some/where/run.pbrun");
    // One retro_run with these joypad ids held on ports 0 and 1.
    void run(uint32_t held = 0, uint32_t held_port1 = 0);

    // --- what the core did, besides its environment calls ---
    std::vector<std::string> log_lines;   // what the core logged
    std::vector<unsigned> shutdown_runs;  // the run counts at which shutdown was requested
    int runs = 0;
    int polls = 0;
    int presented = 0;                 // frames handed over
    bool foreign_input_query = false;  // a query for anything but the joypads of ports 0 and 1
    std::vector<uint32_t> frame;       // the last frame, 320 x 240 XRGB8888
    unsigned width = 0, height = 0;
    size_t pitch = 0;
    // Sound: the stereo frames of each batch, in order, and whether any sample was not silent.
    std::vector<size_t> audio_batches;
    size_t single_samples = 0;  // calls of the one-sample callback
    bool audible = false;

  private:
    static bool environment(unsigned command, void* data);
    static void video(const void* data, unsigned width, unsigned height, size_t pitch);
    static void input_poll();
    static void log_line(retro_log_level level, const char* format, ...);
    static int16_t input_state(unsigned port, unsigned device, unsigned index, unsigned id);
    static void audio_sample(int16_t left, int16_t right);
    static size_t audio_batch(const int16_t* data, size_t frames);

    void* library_ = nullptr;
    uint32_t held_[2] = {0, 0};
    std::string content_;
};

}  // namespace pbtest
