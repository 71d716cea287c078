#pragma once
// The files a run writes, as the options ask for them: made ready before the demo starts, fed at
// each pulse and finished at the hand-over.

#include <stdint.h>

#include <memory>
#include <string>

#include "frontends/capture/image_output.h"
#include "frontends/capture/video_output.h"
#include "frontends/common/input_recorder.h"
#include "frontends/common/options.h"
#include "frontends/common/saved_run.h"
#include "platform/sim/board.h"

namespace frontends {

class Outputs {
  public:
    // Creates the output files' temporaries, so unwritable paths are refused up front.
    explicit Outputs(const Options& options);
    // Watches what the demo reads on `board`, for --save-input; before the demo starts.
    void watch(sim::Board& board);
    // What --save-input writes: the record of what the demo read, which a front end that loads
    // states winds back or replaces with the one that led to the state.
    InputRecorder& input() { return input_; }
    // Samples the display for the recording: a GIF at pulses 1, 1 + k, 1 + 2k, ...
    // (k = --record-every), a video at every pulse.
    void on_pulse(const sim::Board& board, uint32_t pulse);
    // Writes the screenshot of the picture the run ends on, ends the recording and writes the
    // run file of what the demo read (saying on stderr when it cannot replay the run exactly).
    void finish(const sim::Board& board, RunEnd end = RunEnd::kHandOver);

  private:
    void write_saved_input(const sim::Board& board, RunEnd end);

    std::unique_ptr<OutputFile> screenshot_;
    std::unique_ptr<GifRecorder> gif_;
    std::unique_ptr<VideoRecorder> video_;
    std::unique_ptr<OutputFile> saved_input_;
    std::string saved_input_name_;
    InputRecorder input_;
    int record_every_ = 2;
    sim::Picture scratch_;
};

}  // namespace frontends
