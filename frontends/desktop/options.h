#pragma once
// What a run of the desktop program is asked to do, as the command line gives it, and the parts
// of it the outputs and the window are given.

#include <stdint.h>

#include <optional>
#include <string>

#include "frontends/capture/outputs.h"
#include "frontends/window/window.h"

namespace frontends {

struct Options {
    bool headless = false;
    std::optional<uint16_t> seed;    // counter value that seeds the generator
    std::optional<uint32_t> frames;  // START held from this pulse on
    std::string run_file;            // a run to replay, its buttons instead of the player's
    std::string input;               // button script, beside the player's buttons
    OutputRequest outputs;           // the files the run writes
    int scale = 0;                   // window scale; 0 picks the largest that fits, up to 4
    bool fullscreen = false;
};

// What the options ask of the window.
inline window::WindowRequest window_request(const Options& options) {
    return window::WindowRequest{options.seed, options.scale, options.fullscreen, options.outputs};
}

}  // namespace frontends
