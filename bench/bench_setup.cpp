// The one-time set-up: its three costly steps and the whole of it, from opening the hardware
// to the plasma on the screen.

#include <benchmark/benchmark.h>

#include "demo_board.h"
#include "driver/demo.h"
#include "fixed/fixed.h"
#include "scene/balls.h"
#include "scene/plasma.h"
#include "scene/sprites.h"

namespace {

constexpr uint16_t kSeed = 0x2F1D;

void BM_build_rotation_table(benchmark::State& state) {
    bench::DemoBoard demo(kSeed);
    for (auto _ : state) {
        build_rotation_table();
    }
}

void BM_build_background(benchmark::State& state) {
    bench::DemoBoard demo(kSeed);
    for (auto _ : state) {
        seed_random(kSeed);
        build_background();
    }
}

void BM_place_balls(benchmark::State& state) {
    bench::DemoBoard demo(kSeed);
    for (auto _ : state) {
        balls_reset();
        seed_random(kSeed);
        place_balls();
    }
}

void BM_whole_setup(benchmark::State& state) {
    bench::DemoBoard demo(kSeed);
    for (auto _ : state) {
        demo_reset();
        hw_open();
        init_scene(&demo.palette());
    }
}

}  // namespace

BENCHMARK(BM_build_rotation_table)
    ->Name("setup/build_rotation_table")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_build_background)->Name("setup/build_background")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_place_balls)->Name("setup/place_balls")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_whole_setup)->Name("setup/whole")->Unit(benchmark::kMillisecond);
