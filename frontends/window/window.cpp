// A window run: outputs made ready, the window opened, the demo run on a board whose pulses and
// buttons come from the window front end (run again from set-up when a slot needs another
// counter), then the outputs finished.

#include "frontends/window/window.h"

#include <SDL.h>
#include <time.h>

#include <cstdio>
#include <string>

#include "frontends/window/frontend.h"
#include "frontends/window/interrupt.h"
#include "frontends/window/video.h"

namespace frontends::window {
namespace {

// SDL for the length of one run; gamepads are optional. SDL's own signal handlers are left out:
// an interrupt is the front end's to take, and a termination ends the run as it would headless.
struct SdlSession {
    SdlSession() {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
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

}  // namespace

int run_window(const WindowRequest& request, const InputTimeline& timeline) {
    // Before the outputs start their encoders' threads, so that none of them takes an interrupt.
    const InterruptAsStart interrupt;
    Outputs outputs(request.outputs);
    SdlSession sdl;
    const uint32_t counter =
        request.seed ? sim::counter_for_seed(*request.seed) : counter_from_clock();
    const std::string title = window_title(sim::seed_of_counter(counter));
    std::unique_ptr<Video> video;
    try {
        video = std::make_unique<Video>(title, request.scale, request.fullscreen);
    } catch (const NoDisplay& error) {
        std::fprintf(stderr, "plasmaballs: %s\n", error.what());
        return kNoDisplayStatus;
    }
    WindowFrontend frontend(*video, outputs, timeline);
    sim::Board board(frontend);
    board.set_counter(counter);
    board.set_buttons(timeline.at(0));
    // What the demo reads is always kept: a slot carries it, a rewind winds it back.
    board.watch_reads(&outputs.input());
    return frontend.run(board);
}

void show_error(const std::string& line) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "plasmaballs", line.c_str(), nullptr);
}

}  // namespace frontends::window
