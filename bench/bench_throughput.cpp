// Whole headless runs as the command line makes them: set-up, the pulses, the outputs. A video's
// run also reports its size and its quality against the exact frames (PSNR of every decoded frame
// against the picture of its pulse, scaled as the recorder scales it).

#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "frontends/common/headless.h"
#include "frontends/desktop/headless_run.h"
#include "platform/sim/run_demo.h"
#include "support/video_file.h"

namespace {

// The pictures at every pulse's rise, as the recorder is given them.
std::vector<sim::Picture> pictures(const frontends::Options& options,
                                   const frontends::InputTimeline& timeline) {
    std::vector<sim::Picture> shown;
    frontends::HeadlessFrontend frontend(timeline);
    frontend.on_pulse = [&shown](const sim::Board& board, uint32_t) {
        shown.push_back(board.picture());
    };
    sim::Board board(frontend);
    board.set_counter(sim::counter_for_seed(*options.seed));
    frontend.prepare(board);
    sim::run_demo(board);
    return shown;
}

void report_video(benchmark::State& state, const frontends::Options& options,
                  const frontends::InputTimeline& timeline) {
    struct stat info;
    state.counters["MB"] = stat(options.record.c_str(), &info) == 0 ? info.st_size / 1e6 : 0;
    const std::vector<sim::Picture> exact = pictures(options, timeline);
    double sum = 0, worst = std::numeric_limits<double>::infinity();
    int frames = 0;
    pbtest::read_video(options.record, [&](int frame, const std::vector<uint8_t>& rgb) {
        if ((size_t)frame < exact.size()) {
            const double db =
                pbtest::psnr(rgb, pbtest::scaled_rgb(exact[frame], options.record_scale));
            sum += db;
            worst = std::min(worst, db);
            ++frames;
        }
    });
    state.counters["frames"] = frames;
    state.counters["PSNR_mean_dB"] = frames ? sum / frames : 0;
    state.counters["PSNR_worst_dB"] = frames ? worst : 0;
}

// Records into a file of this extension ("" for none).
void run(benchmark::State& state, const std::string& extension) {
    const uint32_t pulses = (uint32_t)state.range(0);
    frontends::Options options;
    options.headless = true;
    options.seed = 0x2F1D;
    options.frames = pulses;
    if (!extension.empty()) {
        options.record = "/tmp/plasmaballs-bench-" + std::to_string(getpid()) + extension;
    }
    const frontends::InputTimeline timeline = frontends::desktop::make_timeline(options);
    for (auto _ : state) {
        if (frontends::desktop::run_headless(options, timeline) != 0) {
            state.SkipWithError("the run failed");
        }
    }
    if (extension == ".mp4" || extension == ".webm") {
        report_video(state, options, timeline);
    }
    if (!options.record.empty()) {
        unlink(options.record.c_str());
    }
    state.SetItemsProcessed((int64_t)state.iterations() * pulses);  // items/s = pulses/s
}

void BM_headless(benchmark::State& state) {
    run(state, "");
}
void BM_headless_record(benchmark::State& state) {
    run(state, ".gif");
}
void BM_headless_mp4(benchmark::State& state) {
    run(state, ".mp4");
}
void BM_headless_webm(benchmark::State& state) {
    run(state, ".webm");
}

}  // namespace

// 3,600 pulses are a minute of display at 60 Hz, 600 are ten seconds.
BENCHMARK(BM_headless)
    ->Name("run/headless")
    ->Arg(3600)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_headless_record)
    ->Name("run/headless_record")
    ->Arg(600)
    ->Arg(3600)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// Ten seconds of video take seconds: one run each, wall and processor time both shown.
BENCHMARK(BM_headless_mp4)
    ->Name("run/headless_record_mp4")
    ->Arg(600)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_headless_webm)
    ->Name("run/headless_record_webm")
    ->Arg(600)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
