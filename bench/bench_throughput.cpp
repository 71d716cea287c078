// Whole headless runs as the command line makes them: set-up, the pulses, the outputs.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>

#include "frontends/cli/headless.h"

namespace {

void run(benchmark::State& state, bool record) {
    const uint32_t pulses = (uint32_t)state.range(0);
    frontends::Options options;
    options.headless = true;
    options.seed = 0x2F1D;
    options.frames = pulses;
    const std::string path = "/tmp/plasmaballs-bench-" + std::to_string(getpid()) + ".gif";
    if (record) {
        options.record = path;
    }
    const frontends::InputTimeline timeline = frontends::cli::make_timeline(options);
    for (auto _ : state) {
        if (frontends::cli::run_headless(options, timeline) != 0) {
            state.SkipWithError("the run failed");
        }
    }
    unlink(path.c_str());
    state.SetItemsProcessed((int64_t)state.iterations() * pulses);  // items/s = pulses/s
}

void BM_headless(benchmark::State& state) {
    run(state, false);
}
void BM_headless_record(benchmark::State& state) {
    run(state, true);
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
