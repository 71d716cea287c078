#pragma once
// The files a run writes, as the options ask for them: made ready before the demo starts, fed at
// each pulse and finished at the hand-over.

#include <stdint.h>

#include <memory>

#include "frontends/common/image_output.h"
#include "frontends/common/options.h"
#include "platform/sim/board.h"

namespace frontends {

class Outputs {
  public:
    // Creates the output files' temporaries, so unwritable paths are refused up front.
    explicit Outputs(const Options& options);
    // Samples the display for the recording at pulses 1, 1 + k, 1 + 2k, ... (k = --record-every).
    void on_pulse(const sim::Board& board, uint32_t pulse);
    // Writes the screenshot of the picture at the hand-over and ends the recording.
    void finish(const sim::Board& board);

  private:
    std::unique_ptr<OutputFile> screenshot_;
    std::unique_ptr<GifRecorder> recorder_;
    int record_every_ = 2;
    sim::Picture scratch_;
};

// Runs the demo on `board` and, when it leaves through the hand-over, finishes the outputs;
// returns the exit status (the demo's own when it ended the process itself).
int run_to_hand_over(sim::Board& board, Outputs& outputs);

}  // namespace frontends
