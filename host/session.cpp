#include "host/session.h"

#include "host/headless.h"

namespace host {

Outputs::Outputs(const Options& options) {
    if (!options.screenshot.empty()) {
        screenshot_ = std::make_unique<OutputFile>(options.screenshot);
    }
    if (!options.record.empty()) {
        recorder_ = std::make_unique<GifRecorder>(options.record);
        record_every_ = options.record_every;
    }
}

void Outputs::on_pulse(const Console& console, uint32_t pulse) {
    if (recorder_ && (pulse - 1) % (uint32_t)record_every_ == 0) {
        console.capture(scratch_);
        recorder_->add_sampled_frame(scratch_, record_every_);
    }
}

void Outputs::finish(const Console& console) {
    if (screenshot_) {
        console.capture(scratch_);
        write_png(*screenshot_, scratch_);
        screenshot_->commit();
    }
    if (recorder_) {
        recorder_->finish();
    }
}

InputTimeline make_timeline(const Options& options) {
    std::vector<ButtonChange> script;
    if (!options.input.empty()) {
        script = load_script(options.input);
    }
    return InputTimeline(std::move(script), options.frames);
}

int run_headless(const Options& options, const InputTimeline& timeline) {
    Outputs outputs(options);
    HeadlessFrontend frontend(timeline);
    frontend.on_pulse = [&outputs](const Console& console, uint32_t pulse) {
        outputs.on_pulse(console, pulse);
    };
    Console console(frontend);
    console.set_counter((uint32_t)options.seed.value_or(0) << 16);
    frontend.prepare(console);
    const DemoEnded ended = run_demo(console);
    if (ended.kind == DemoEnded::kExit) {
        return ended.status;
    }
    outputs.finish(console);
    return 0;
}

}  // namespace host
