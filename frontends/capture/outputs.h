#pragma once
// The files a run writes, as the options ask for them: made ready before the demo starts, fed at
// each pulse and finished at the hand-over. A recording within a size may ask for the demo to be
// run again, to feed it alone.

#include <stdint.h>

#include <memory>
#include <optional>
#include <string>

#include "frontends/capture/image_output.h"
#include "frontends/capture/record_limit.h"
#include "frontends/capture/video_output.h"
#include "frontends/common/input_recorder.h"
#include "frontends/common/saved_run.h"
#include "platform/sim/board.h"

namespace frontends {

// The files a run is asked to write; an empty name asks for none.
struct OutputRequest {
    std::string screenshot;                // palette PNG of the picture the run ends on
    std::string record;                    // an animated GIF, an MP4 or a WebM video
    int record_every = 2;                  // pulses between a GIF's frames
    int record_scale = 2;                  // a video's whole-number scale
    std::optional<uint64_t> record_limit;  // bytes the recording must fit within
    std::string save_input;                // a run file of what the demo read
};

class Outputs {
  public:
    // Creates the output files' temporaries, so unwritable paths are refused up front. A
    // recording within a size (--record-limit) is planned first, for a headless run that begins
    // `last_pulse` at the most (InputTimeline::last_pulse()), and a limit too small is refused
    // before any file is made.
    explicit Outputs(const OutputRequest& request,
                     std::optional<uint32_t> last_pulse = std::nullopt);
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
    // After another run only the recording is fed and ended.
    void finish(const sim::Board& board, RunEnd end = RunEnd::kHandOver);
    // After finish(): whether the recording wants the same run of the demo again.
    bool wants_another_run() const { return another_run_; }

  private:
    bool finish_recording(const sim::Board& board);
    bool finish_limited_gif(const sim::Board& board);
    void write_saved_input(const sim::Board& board, RunEnd end);

    std::unique_ptr<OutputFile> screenshot_;
    std::unique_ptr<GifRecorder> gif_;
    std::unique_ptr<VideoRecorder> video_;
    std::unique_ptr<LimitedVideo> limited_video_;
    std::string record_name_;
    uint64_t gif_limit_ = 0;  // none
    std::unique_ptr<OutputFile> saved_input_;
    std::string saved_input_name_;
    InputRecorder input_;
    int record_every_ = 2;
    bool finished_ = false;  // the first run's outputs
    bool another_run_ = false;
    sim::Picture scratch_;
};

}  // namespace frontends
