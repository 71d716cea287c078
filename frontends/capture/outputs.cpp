// The output set: each file made ready up front, so that a path that cannot be written is refused
// before the demo starts.

#include "frontends/capture/outputs.h"

#include <cstdio>

namespace frontends {
namespace {

// What --record-limit makes of the recording, worked out before any file is made.
struct LimitPlan {
    VideoPlan video;
    int gif_every = 0;
};

LimitPlan plan_limit(const OutputRequest& options, std::optional<uint32_t> last_pulse) {
    if (!last_pulse) {
        throw OutputError("--record-limit needs a run whose length is known before it starts");
    }
    LimitPlan plan;
    if (const std::optional<VideoFormat> format = video_format_for(options.record)) {
        check_video(options.record, options.record_scale);
        plan.video = plan_video(*options.record_limit, *format, options.record_scale, *last_pulse);
    } else {
        plan.gif_every = gif_interval_within(*options.record_limit, *last_pulse);
    }
    return plan;
}

}  // namespace

Outputs::Outputs(const OutputRequest& options, std::optional<uint32_t> last_pulse) {
    LimitPlan limit;
    if (options.record_limit && !options.record.empty()) {
        limit = plan_limit(options, last_pulse);
    }
    if (!options.screenshot.empty()) {
        screenshot_ = std::make_unique<OutputFile>(options.screenshot);
    }
    record_name_ = options.record;
    if (video_format_for(options.record)) {
        if (options.record_limit) {
            limited_video_ = std::make_unique<LimitedVideo>(options.record, options.record_scale,
                                                            *options.record_limit, limit.video);
        } else {
            video_ = std::make_unique<VideoRecorder>(options.record, options.record_scale);
        }
    } else if (!options.record.empty()) {
        gif_ = std::make_unique<GifRecorder>(options.record);
        record_every_ = options.record_every;
        if (options.record_limit) {
            gif_limit_ = *options.record_limit;
            record_every_ = limit.gif_every;
        }
    }
    if (!options.save_input.empty()) {
        saved_input_ = std::make_unique<OutputFile>(options.save_input);
        saved_input_name_ = options.save_input;
    }
}

void Outputs::watch(sim::Board& board) {
    if (saved_input_ && !finished_) {
        board.watch_reads(&input_);
    }
}

void Outputs::on_pulse(const sim::Board& board, uint32_t pulse) {
    if (video_) {
        board.capture(scratch_);
        video_->add_frame(scratch_);
    } else if (limited_video_) {
        limited_video_->on_pulse(board, pulse);
    } else if (gif_ && (pulse - 1) % (uint32_t)record_every_ == 0) {
        board.capture(scratch_);
        gif_->add_sampled_frame(scratch_, record_every_);
    }
}

void Outputs::finish(const sim::Board& board, RunEnd end) {
    const bool first = !finished_;
    finished_ = true;
    if (first && screenshot_) {
        board.capture(scratch_);
        write_png(*screenshot_, scratch_);
        screenshot_->commit();
    }
    another_run_ = finish_recording(board);
    if (first && saved_input_) {
        write_saved_input(board, end);
    }
}

bool Outputs::finish_recording(const sim::Board& board) {
    if (gif_ && gif_limit_ != 0) {
        return finish_limited_gif(board);
    }
    if (gif_) {
        gif_->finish();
    }
    if (video_) {
        video_->finish();
    }
    return limited_video_ && limited_video_->end_run();
}

// A GIF's frames are coded each on its own, so one that came out too large shows what a frame of
// this run takes: the interval is chosen again from that, and the run made again.
bool Outputs::finish_limited_gif(const sim::Board& board) {
    const int frames = gif_->frames();
    const uint64_t size = gif_->finish_within(gif_limit_);
    if (size > gif_limit_) {
        const uint64_t frame_bytes = size / (uint64_t)std::max(frames, 1) + 1;
        record_every_ = std::max(record_every_ + 1,
                                 gif_interval_within(gif_limit_, board.pulse(), frame_bytes));
        if (record_every_ > (int)kRecordEveryOption.largest) {
            throw OutputError(record_name_ + ": cannot be made to fit within --record-limit " +
                              limit_text(gif_limit_));
        }
        gif_ = std::make_unique<GifRecorder>(record_name_);
        return true;
    }
    std::fprintf(stderr,
                 "plasmaballs: %s holds one pulse in %d, %.3g frames a second, to fit within %s\n",
                 record_name_.c_str(), record_every_, (double)sim::kPulsesPerSecond / record_every_,
                 limit_text(gif_limit_).c_str());
    return false;
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
