#include "frontends/common/outputs.h"

#include <cstdio>

#include "platform/sim/run_demo.h"

namespace frontends {
namespace {

// A file name as a shell reads it back: as it is when it holds nothing a shell treats specially.
std::string shell_quoted(const std::string& name) {
    bool plain = !name.empty();
    for (char c : name) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') ||
                          std::string("-_./+,:=@%").find(c) != std::string::npos;
        plain = plain && safe;
    }
    if (plain) {
        return name;
    }
    std::string quoted = "'";
    for (char c : name) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// "pulse 88", "pulse 88 (and 2 other pulses)".
std::string pulses_named(const std::vector<uint32_t>& pulses) {
    std::string text = "pulse " + std::to_string(pulses.front());
    if (pulses.size() == 2) {
        text += " (and 1 other pulse)";
    } else if (pulses.size() > 2) {
        text += " (and " + std::to_string(pulses.size() - 1) + " other pulses)";
    }
    return text;
}

}  // namespace

Outputs::Outputs(const Options& options) {
    if (!options.screenshot.empty()) {
        screenshot_ = std::make_unique<OutputFile>(options.screenshot);
    }
    if (video_format_for(options.record)) {
        video_ = std::make_unique<VideoRecorder>(options.record, options.record_scale);
    } else if (!options.record.empty()) {
        recorder_ = std::make_unique<GifRecorder>(options.record);
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
    } else if (recorder_ && (pulse - 1) % (uint32_t)record_every_ == 0) {
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
    if (video_) {
        video_->finish();
    }
    if (saved_input_) {
        write_saved_input(board);
    }
}

void Outputs::write_saved_input(const sim::Board& board) {
    const uint16_t seed = board.peek_register(sim::Board::kCounterHigh);
    const std::vector<uint32_t> changed_within = input_.changed_within();
    const std::string text =
        saved_script(seed, input_.interval(), saved_input_name_, input_.changes(), changed_within);
    if (std::fwrite(text.data(), 1, text.size(), saved_input_->file()) != text.size()) {
        throw OutputError(saved_input_name_ + ": cannot be written");
    }
    saved_input_->commit();
    if (!changed_within.empty()) {
        std::fprintf(stderr,
                     "plasmaballs: the buttons changed while the demo was working within %s: "
                     "%s cannot replay the run exactly\n",
                     pulses_named(changed_within).c_str(), saved_input_name_.c_str());
    }
}

std::string saved_script(uint16_t seed, uint32_t last_pulse, const std::string& name,
                         const std::vector<InputRecorder::Change>& changes,
                         const std::vector<uint32_t>& changed_within) {
    // The same first lines as the page's saved runs.
    const std::string seed_text = std::to_string(seed);
    std::string text = "# plasmaballs button script: seed " + seed_text +
                       ", handed over at pulse " + std::to_string(last_pulse) +
                       ".\n# Replay: plasmaballs --headless --seed " + seed_text + " --input " +
                       shell_quoted(name) + "\n";
    if (!changed_within.empty()) {
        text += "# WARNING: the buttons changed while the demo was working within " +
                pulses_named(changed_within) +
                ";\n# no script can replay that, so this one holds what the demo read last "
                "there and its replay may differ\n";
    }
    for (const InputRecorder::Change& change : changes) {
        text += std::to_string(change.pulse) + " " + sim::buttons_to_string(change.buttons) + "\n";
    }
    return text;
}

int run_to_hand_over(sim::Board& board, Outputs& outputs, const std::function<void()>& ended) {
    outputs.watch(board);
    const sim::DemoEnded end = sim::run_demo(board);
    board.watch_reads(nullptr);
    if (ended) {
        ended();
    }
    if (end.kind == sim::DemoEnded::kExit) {
        return end.status;
    }
    outputs.finish(board);
    return 0;
}

}  // namespace frontends
