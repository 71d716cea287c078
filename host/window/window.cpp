// A window run: outputs made ready, the window opened, the demo run on a console whose pulses and
// buttons come from the window front end, then the outputs finished.

#include "host/window.h"

#include <SDL.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/headless.h"
#include "host/output_file.h"
#include "host/session.h"
#include "host/window/frontend.h"
#include "host/window/video.h"

namespace host {
namespace {

// SDL for the length of one run; gamepads are optional.
struct SdlSession {
    SdlSession() {
        SDL_Init(0);
        SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    ~SdlSession() { SDL_Quit(); }
};

// The console's free-running counter as it would read now: about 7.35 MHz since the machine
// started, so its upper half, the seed, differs from one start to the next.
uint32_t counter_from_clock() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    const uint64_t ns = (uint64_t)t.tv_sec * 1000000000u + (uint64_t)t.tv_nsec;
    return (uint32_t)(ns / 136);
}

// For the window's tests: what the window shows at the end of the run, as a binary PPM whose
// comment line gives the rising edges the demo saw and the road to the screen.
void write_shown(const char* path, window::Video& video, uint32_t rises) {
    const window::Shown shown = video.read_back();
    std::string data = "P6\n# rises " + std::to_string(rises) + " pipeline " + video.pipeline() +
                       "\n" + std::to_string(shown.width) + " " + std::to_string(shown.height) +
                       "\n255\n";
    for (const Rgb& rgb : shown.pixels) {
        data += (char)rgb.r;
        data += (char)rgb.g;
        data += (char)rgb.b;
    }
    OutputFile file(path);
    std::fwrite(data.data(), 1, data.size(), file.file());
    file.commit();
}

}  // namespace

int run_window(const Options& options, const InputTimeline& timeline) {
    Outputs outputs(options);
    SdlSession sdl;
    const uint32_t counter = options.seed ? (uint32_t)*options.seed << 16 : counter_from_clock();
    const std::string title = "plasmaballs (seed " + std::to_string(counter >> 16) + ")";
    std::unique_ptr<window::Video> video;
    try {
        video = std::make_unique<window::Video>(title, options.scale, options.fullscreen);
    } catch (const window::NoDisplay& error) {
        std::fprintf(stderr, "plasmaballs: %s\n", error.what());
        return kNoDisplayStatus;
    }
    window::WindowFrontend frontend(*video, outputs, timeline);
    Console console(frontend);
    console.set_counter(counter);
    console.set_buttons(timeline.at(0));
    const DemoEnded ended = run_demo(console);
    if (ended.kind == DemoEnded::kExit) {
        return ended.status;
    }
    outputs.finish(console);
    if (const char* path = std::getenv("PLASMABALLS_TEST_SHOWN")) {
        write_shown(path, *video, frontend.rises_seen());
    }
    return 0;
}

}  // namespace host
