#pragma once
// A frontend in the test process: loads the core with dlopen, answers its environment calls,
// feeds joypad states one retro_run at a time and keeps what the core asked for and showed.

#include <stddef.h>
#include <stdint.h>

#include <libretro.h>

#include <optional>
#include <string>
#include <vector>

namespace pbtest {

// Joypad states as a bitmask of RETRO_DEVICE_ID_JOYPAD_* ids.
constexpr uint32_t pad(unsigned id) {
    return 1u << id;
}

struct FrontendSettings {
    // What GET_CORE_OPTIONS_VERSION answers; empty: the call is not supported.
    std::optional<unsigned> options_version = 2;
    bool accepts_xrgb8888 = true;
};

class FakeFrontend {
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
    // One retro_run with these joypad ids held on port 0.
    void run(uint32_t held = 0);

    // What GET_VARIABLE answers for the seed; empty: no value.
    std::optional<std::string> seed_value;

    // --- what the core did ---
    std::vector<std::string> environment_calls;  // names of the commands, in order
    std::vector<std::string> log_lines;          // what the core logged
    bool no_game = false;
    std::optional<retro_pixel_format> pixel_format;
    std::vector<retro_input_descriptor> descriptors;
    std::vector<std::string> descriptor_texts;
    const retro_core_options_v2* options_v2 = nullptr;
    const retro_variable* variables = nullptr;
    std::vector<unsigned> shutdown_runs;  // the run counts at which shutdown was requested
    int runs = 0;
    int polls = 0;
    int presented = 0;                 // frames handed over
    bool foreign_input_query = false;  // a query for anything but the port-0 joypad
    std::vector<uint32_t> frame;       // the last frame, 320 x 240 XRGB8888
    unsigned width = 0, height = 0;
    size_t pitch = 0;

  private:
    static bool environment(unsigned command, void* data);
    static void video(const void* data, unsigned width, unsigned height, size_t pitch);
    static void input_poll();
    static void log(retro_log_level level, const char* format, ...);
    static int16_t input_state(unsigned port, unsigned device, unsigned index, unsigned id);
    bool answer(unsigned command, void* data);

    FrontendSettings settings_;
    void* library_ = nullptr;
    uint32_t held_ = 0;
};

}  // namespace pbtest
