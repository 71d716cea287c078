// Whole headless runs as the command line makes them: set-up, the pulses, the outputs. A video's
// run also reports its size and its quality against the exact frames (PSNR of every decoded frame
// against the picture of its pulse, scaled as the recorder scales it), at full quality and within
// --record-limit 10M.

#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <optional>
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
    state.counters["MB"] =
        stat(options.outputs.record.c_str(), &info) == 0 ? info.st_size / 1e6 : 0;
    const std::vector<sim::Picture> exact = pictures(options, timeline);
    // A video within a limit may hold every second pulse: frame i is then pulse 2i + 1's.
    const std::optional<pbtest::VideoStream> stream = pbtest::read_video(options.outputs.record);
    const int every = stream && stream->rate_num ? 60 * stream->rate_den / stream->rate_num : 1;
    state.counters["fps"] = 60.0 / every;
    double sum = 0, worst = std::numeric_limits<double>::infinity();
    int frames = 0;
    pbtest::read_video(options.outputs.record, [&](int frame, const std::vector<uint8_t>& rgb) {
        const size_t pulse = (size_t)frame * every;
        if (pulse < exact.size()) {
            const double db =
                pbtest::psnr(rgb, pbtest::scaled_rgb(exact[pulse], options.outputs.record_scale));
            sum += db;
            worst = std::min(worst, db);
            ++frames;
        }
    });
    state.counters["frames"] = frames;
    state.counters["PSNR_mean_dB"] = frames ? sum / frames : 0;
    state.counters["PSNR_worst_dB"] = frames ? worst : 0;
}

// Records into a file of this extension ("" for none), within `limit` bytes if not 0.
void run(benchmark::State& state, const std::string& extension, uint64_t limit = 0) {
    const uint32_t pulses = (uint32_t)state.range(0);
    frontends::Options options;
    options.headless = true;
    options.seed = 0x2F1D;
    options.frames = pulses;
    if (!extension.empty()) {
        options.outputs.record = "/tmp/plasmaballs-bench-" + std::to_string(getpid()) + extension;
    }
    if (limit != 0) {
        options.outputs.record_limit = limit;
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
    if (!options.outputs.record.empty()) {
        unlink(options.outputs.record.c_str());
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
constexpr uint64_t kTenMegabytes = 10'000'000;
void BM_headless_mp4_limit(benchmark::State& state) {
    run(state, ".mp4", kTenMegabytes);
}
void BM_headless_webm_limit(benchmark::State& state) {
    run(state, ".webm", kTenMegabytes);
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
// The same within --record-limit 10M: two passes, each a run of the demo.
BENCHMARK(BM_headless_mp4_limit)
    ->Name("run/headless_record_mp4_10M")
    ->Arg(600)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_headless_webm_limit)
    ->Name("run/headless_record_webm_10M")
    ->Arg(600)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
