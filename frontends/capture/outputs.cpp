// The output set: each file made ready up front, so that a path that cannot be written is refused
// before the demo starts.

#include "frontends/capture/outputs.h"

#include <cstdio>

namespace frontends {

Outputs::Outputs(const Options& options) {
    if (!options.screenshot.empty()) {
        screenshot_ = std::make_unique<OutputFile>(options.screenshot);
    }
    if (video_format_for(options.record)) {
        video_ = std::make_unique<VideoRecorder>(options.record, options.record_scale);
    } else if (!options.record.empty()) {
        gif_ = std::make_unique<GifRecorder>(options.record);
        record_every_ = options.record_every;
    }
    if (!options.save_input.empty()) {
        saved_input_ = std::make_unique<OutputFile>(options.save_input);
        saved_input_name_ = options.save_input;
    }
}

void Outputs::watch(sim::Board& board) {
    if (saved_input_) {
        board.watch_reads(&input_);
    }
}

void Outputs::on_pulse(const sim::Board& board, uint32_t pulse) {
    if (video_) {
        board.capture(scratch_);
        video_->add_frame(scratch_);
    } else if (gif_ && (pulse - 1) % (uint32_t)record_every_ == 0) {
        board.capture(scratch_);
        gif_->add_sampled_frame(scratch_, record_every_);
    }
}

void Outputs::finish(const sim::Board& board, RunEnd end) {
    if (screenshot_) {
        board.capture(scratch_);
        write_png(*screenshot_, scratch_);
        screenshot_->commit();
    }
    if (gif_) {
        gif_->finish();
    }
    if (video_) {
        video_->finish();
    }
    if (saved_input_) {
        write_saved_input(board, end);
    }
}

void Outputs::write_saved_input(const sim::Board& board, RunEnd end) {
    const uint16_t seed = board.peek_register(sim::Board::kCounterHigh);
    const std::string text = saved_run(seed, input_, saved_input_name_, end);
    if (std::fwrite(text.data(), 1, text.size(), saved_input_->file()) != text.size()) {
        throw OutputError(saved_input_name_ + ": cannot be written");
    }
    saved_input_->commit();
    const std::vector<uint32_t> changed_within = input_.changed_within();
    if (!changed_within.empty()) {
        std::fprintf(stderr,
                     "plasmaballs: the buttons changed while the demo was working within %s: "
                     "%s cannot replay the run exactly\n",
                     pulses_named(changed_within).c_str(), saved_input_name_.c_str());
    }
}

}  // namespace frontends
