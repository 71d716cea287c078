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
    std::string screenshot;          // palette PNG of the picture at the hand-over
    std::string record;              // the display as an animated GIF, an MP4 or a WebM video
    int record_every = 2;            // pulses between a GIF's frames
    int record_scale = 2;            // a video's whole-number scale
    std::string save_input;          // a run file of what the demo read, to replay the run
    int scale = 0;                   // window scale; 0 picks the largest that fits, up to 4
    bool fullscreen = false;
    std::optional<uint64_t> record_limit;  // bytes the recording must fit within
};

// What the options ask the outputs to write.
inline OutputRequest output_request(const Options& options) {
    return OutputRequest{options.screenshot,   options.record,       options.record_every,
                         options.record_scale, options.record_limit, options.save_input};
}

// What the options ask of the window.
inline window::WindowRequest window_request(const Options& options) {
    return window::WindowRequest{options.seed, options.scale, options.fullscreen,
                                 output_request(options)};
}

}  // namespace frontends
