#pragma once
// One run of the program as the command line asks for it: its outputs, made ready before the demo
// starts and finished at the hand-over, and the headless run itself.

#include <stdint.h>

#include <memory>

#include "host/cli.h"
#include "host/console.h"
#include "host/image_output.h"
#include "host/script.h"

namespace host {

class Outputs {
  public:
    // Creates the output files' temporaries, so unwritable paths are refused up front.
    explicit Outputs(const Options& options);
    // Samples the display for the recording at pulses 1, 1 + k, 1 + 2k, ... (k = --record-every).
    void on_pulse(const Console& console, uint32_t pulse);
    // Writes the screenshot of the picture at the hand-over and ends the recording.
    void finish(const Console& console);

  private:
    std::unique_ptr<OutputFile> screenshot_;
    std::unique_ptr<GifRecorder> recorder_;
    int record_every_ = 2;
    Picture scratch_;
};

// The script and --frames as one timeline; throws ScriptError for a bad script.
InputTimeline make_timeline(const Options& options);

// Runs headless to the hand-over; returns the exit status.
int run_headless(const Options& options, const InputTimeline& timeline);

}  // namespace host
