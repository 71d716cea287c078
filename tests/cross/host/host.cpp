// A libretro frontend of the fewest parts, built for every machine the core is built for, so the
// core can be proven where it cannot run natively (under an emulator) against the desktop's
// pictures: it loads the core, plays a list of cases and writes the last picture of each.
//
// usage: cross_host CORE CASES OUT
// CASES: one case a line, "NAME SEED RUNS RESET [RUN:PAD]...": the seed option's value, the
//   number of retro_run calls, and from run RUN on the RetroPad buttons PAD (a bitmask of
//   RETRO_DEVICE_ID_JOYPAD_* ids). RESET > 0 plays that many runs first, then retro_reset, then
//   the case from run 1. Each case is a fresh retro_load_game ... retro_unload_game.
// OUT: an existing folder. It gets NAME.xrgb, the last frame shown (320 x 240 words 0x00RRGGBB,
//   little-endian), and results.txt, a line "NAME SHUTDOWN" per case: the run at which the core
//   asked to be closed, 0 for never.
// On Linux every retro_run of a case is bracketed by a getppid() system call, a mark an
// emulator's plugin can count instructions between; an empty pair of marks comes first.

#include <libretro.h>

#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/libretro_environment.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

static_assert(std::endian::native == std::endian::little, "the pictures are written as they lie");

constexpr unsigned kWidth = 320, kHeight = 240;

struct Change {
    unsigned run;
    uint32_t pad;
};

struct Case {
    std::string name, seed;
    unsigned runs = 0, reset = 0;
    std::vector<Change> changes;

    uint32_t pad_at(unsigned run) const {
        uint32_t pad = 0;
        for (const Change& c : changes) {
            pad = c.run <= run ? c.pad : pad;
        }
        return pad;
    }
};

[[noreturn]] __attribute__((format(printf, 1, 2))) void fail(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::fputs("cross_host: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
    std::exit(1);
}

std::vector<Case> read_cases(const char* path) {
    std::ifstream in(path);
    if (!in) {
        fail("cannot read %s", path);
    }
    std::vector<Case> cases;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        Case c;
        if (!(fields >> c.name >> c.seed >> c.runs >> c.reset)) {
            continue;  // a blank line
        }
        for (std::string change; fields >> change;) {
            Change parsed{};
            char colon = 0;
            std::istringstream in_change(change);
            if (!(in_change >> parsed.run >> colon >> parsed.pad) || colon != ':') {
                fail("case %s: bad change '%s'", c.name.c_str(), change.c_str());
            }
            c.changes.push_back(parsed);
        }
        cases.push_back(c);
    }
    return cases;
}

// --- the frontend's side of the callbacks ---
struct State {
    pbtest::LibretroEnvironment environment;
    uint32_t pad = 0;
    // The last frame shown, still the core's: it is copied once, at the end of a case.
    const void* shown = nullptr;
    size_t pitch = 0;
} g;

bool environment(unsigned command, void* data) {
    return g.environment.answer(command, data);
}

void video(const void* data, unsigned width, unsigned height, size_t pitch) {
    if (width != kWidth || height != kHeight || pitch < kWidth * 4) {
        fail("a frame of %u x %u, pitch %u", width, height, (unsigned)pitch);
    }
    if (data != nullptr) {
        g.shown = data;
        g.pitch = pitch;
    }
}

void input_poll() {}

int16_t input_state(unsigned port, unsigned device, unsigned index, unsigned id) {
    const bool pad = port == 0 && device == RETRO_DEVICE_JOYPAD && index == 0 && id < 32;
    return pad ? (int16_t)(g.pad >> id & 1) : 0;
}

void audio_sample(int16_t, int16_t) {}
size_t audio_batch(const int16_t*, size_t frames) {
    return frames;
}

void mark() {
#ifndef _WIN32
    syscall(SYS_getppid);
#endif
}

// --- the core ---
struct Core {
    void (*set_environment)(retro_environment_t);
    void (*set_video_refresh)(retro_video_refresh_t);
    void (*set_audio_sample)(retro_audio_sample_t);
    void (*set_audio_sample_batch)(retro_audio_sample_batch_t);
    void (*set_input_poll)(retro_input_poll_t);
    void (*set_input_state)(retro_input_state_t);
    unsigned (*api_version)();
    void (*init)();
    void (*deinit)();
    bool (*load_game)(const retro_game_info*);
    void (*unload_game)();
    void (*reset)();
    void (*run)();
};

#ifdef _WIN32
void* open_library(const char* path) {
    return (void*)LoadLibraryA(path);
}
void* find_symbol(void* library, const char* name) {
    return (void*)GetProcAddress((HMODULE)library, name);
}
void close_library(void* library) {
    FreeLibrary((HMODULE)library);
}
#else
void* open_library(const char* path) {
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}
void* find_symbol(void* library, const char* name) {
    return dlsym(library, name);
}
void close_library(void* library) {
    dlclose(library);
}
#endif

template <typename Function>
void resolve(void* library, const char* name, Function& function) {
    function = (Function)find_symbol(library, name);
    if (function == nullptr) {
        fail("the core exports no %s", name);
    }
}

Core load_core(void* library) {
    Core core{};
    resolve(library, "retro_set_environment", core.set_environment);
    resolve(library, "retro_set_video_refresh", core.set_video_refresh);
    resolve(library, "retro_set_audio_sample", core.set_audio_sample);
    resolve(library, "retro_set_audio_sample_batch", core.set_audio_sample_batch);
    resolve(library, "retro_set_input_poll", core.set_input_poll);
    resolve(library, "retro_set_input_state", core.set_input_state);
    resolve(library, "retro_api_version", core.api_version);
    resolve(library, "retro_init", core.init);
    resolve(library, "retro_deinit", core.deinit);
    resolve(library, "retro_load_game", core.load_game);
    resolve(library, "retro_unload_game", core.unload_game);
    resolve(library, "retro_reset", core.reset);
    resolve(library, "retro_run", core.run);
    return core;
}

// Plays one case; returns the run at which the core asked to be closed, 0 for never, and the last
// frame shown.
unsigned play(const Core& core, const Case& c, std::vector<uint32_t>& frame) {
    g.environment.seed_value = c.seed;
    g.environment.pixel_format.reset();
    g.shown = nullptr;
    if (!core.load_game(nullptr) || g.environment.pixel_format != RETRO_PIXEL_FORMAT_XRGB8888) {
        fail("case %s: the core did not start in XRGB8888", c.name.c_str());
    }
    for (unsigned run = 1; run <= c.reset; ++run) {
        g.pad = c.pad_at(run);
        core.run();
    }
    if (c.reset > 0) {
        core.reset();
    }
    const unsigned shutdowns = g.environment.shutdowns;
    unsigned shutdown = 0;
    for (unsigned run = 1; run <= c.runs; ++run) {
        g.pad = c.pad_at(run);
        mark();
        core.run();
        mark();
        if (g.environment.shutdowns != shutdowns && shutdown == 0) {
            shutdown = run;
        }
    }
    frame.assign(kWidth * kHeight, 0);
    for (unsigned y = 0; g.shown != nullptr && y < kHeight; ++y) {
        std::memcpy(&frame[y * kWidth], (const char*)g.shown + y * g.pitch, kWidth * 4);
    }
    core.unload_game();
    g.environment.seed_value.reset();
    return shutdown;
}

void write_file(const std::string& path, const void* data, size_t size) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0) {
        fail("cannot write %s", path.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        fail("usage: cross_host CORE CASES OUT");
    }
    const std::vector<Case> cases = read_cases(argv[2]);
    const std::string out = argv[3];
    void* library = open_library(argv[1]);
    if (library == nullptr) {
        fail("cannot load the core %s", argv[1]);
    }
    const Core core = load_core(library);
    if (core.api_version() != RETRO_API_VERSION) {
        fail("the core speaks API version %u", core.api_version());
    }
    core.set_environment(environment);
    core.set_video_refresh(video);
    core.set_audio_sample(audio_sample);
    core.set_audio_sample_batch(audio_batch);
    core.set_input_poll(input_poll);
    core.set_input_state(input_state);
    core.init();

    mark();
    mark();
    std::string results;
    std::vector<uint32_t> frame;
    for (const Case& c : cases) {
        const unsigned shutdown = play(core, c, frame);
        write_file(out + "/" + c.name + ".xrgb", frame.data(), frame.size() * 4);
        results += c.name + " " + std::to_string(shutdown) + "\n";
    }
    write_file(out + "/results.txt", results.data(), results.size());
    core.deinit();
    close_library(library);
    return 0;
}
