#include "frontends/common/outputs.h"

#include "platform/sim/run_demo.h"

namespace frontends {

Outputs::Outputs(const Options& options) {
    if (!options.screenshot.empty()) {
        screenshot_ = std::make_unique<OutputFile>(options.screenshot);
    }
    if (!options.record.empty()) {
        recorder_ = std::make_unique<GifRecorder>(options.record);
        record_every_ = options.record_every;
    }
}

void Outputs::on_pulse(const sim::Board& board, uint32_t pulse) {
    if (recorder_ && (pulse - 1) % (uint32_t)record_every_ == 0) {
        board.capture(scratch_);
        recorder_->add_sampled_frame(scratch_, record_every_);
    }
}

void Outputs::finish(const sim::Board& board) {
    if (screenshot_) {
        board.capture(scratch_);
        write_png(*screenshot_, scratch_);
        screenshot_->commit();
    }
    if (recorder_) {
        recorder_->finish();
    }
}

int run_to_hand_over(sim::Board& board, Outputs& outputs) {
    const sim::DemoEnded ended = sim::run_demo(board);
    if (ended.kind == sim::DemoEnded::kExit) {
        return ended.status;
    }
    outputs.finish(board);
    return 0;
}

}  // namespace frontends
