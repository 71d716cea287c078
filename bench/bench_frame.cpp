// One frame on the simulated board, step by step, beside the floor no frame can beat: one
// copy of a screen and one byte store for every visible disc pixel of 48 balls.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "demo_board.h"
#include "driver/demo.h"
#include "scene/balls.h"
#include "scene/palette.h"
#include "scene/plasma.h"

namespace {

// Balls as they are after some play, not as placed (the placement leaves no pair touching).
void play(int frames) {
    for (int frame = 0; frame < frames; ++frame) {
        run_frame();
    }
}

void BM_run_frame(benchmark::State& state) {
    bench::DemoBoard demo;
    play(300);
    for (auto _ : state) {
        run_frame();
    }
}

double median(std::vector<double>& samples) {
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// The four steps of run_frame, each timed within real frames: timed alone, a step would find
// the caches as the others never leave them (the background copy streams more than the
// first-level cache). Medians, so that the odd frame interrupted by another process counts for
// nothing; the clock reads add about 1% to the frame.
void BM_frame_steps(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    bench::DemoBoard demo;
    play(300);
    std::vector<double> samples[4];
    for (auto _ : state) {
        uint8_t* target = back_buffer();
        const Clock::time_point t0 = Clock::now();
        draw_background(target);
        const Clock::time_point t1 = Clock::now();
        cycle_palette();
        const Clock::time_point t2 = Clock::now();
        collide_balls();
        const Clock::time_point t3 = Clock::now();
        move_balls(target);
        const Clock::time_point t4 = Clock::now();
        const Clock::time_point marks[] = {t0, t1, t2, t3, t4};
        for (int k = 0; k < 4; ++k) {
            samples[k].push_back(std::chrono::duration<double>(marks[k + 1] - marks[k]).count());
        }
    }
    const char* names[] = {"draw_background", "cycle_palette", "collide_balls", "move_balls"};
    for (int k = 0; k < 4; ++k) {
        state.counters[names[k]] = median(samples[k]);
    }
}

// 76,800 bytes copied from an unaligned start, then 48 x 188 disc pixels stored one byte at a
// time where the balls stand after placement.
void BM_floor(benchmark::State& state) {
    bench::DemoBoard demo;
    std::vector<uint8_t> image(video_window() + BACKGROUND_OFFSET,
                               video_window() + BACKGROUND_OFFSET + BACKGROUND_BYTES);
    std::vector<uint8_t> screen(SCREEN_BYTES);
    std::vector<uint32_t> offsets;
    std::vector<uint8_t> values;
    for (const Ball& ball : balls) {
        for (int i = 0; i < 256; ++i) {
            if (ball.sprite[i] != 0) {
                offsets.push_back((uint32_t)((ball.y >> 21) + i / 16) * SCREEN_WIDTH +
                                  (uint32_t)(ball.x >> 21) + i % 16);
                values.push_back(ball.sprite[i]);
            }
        }
    }
    const uint8_t* source = image.data() + 122 * SCREEN_WIDTH + 239;
    for (auto _ : state) {
        std::memcpy(screen.data(), source, SCREEN_BYTES);
        benchmark::ClobberMemory();
        for (size_t i = 0; i < offsets.size(); ++i) {
            screen[offsets[i]] = values[i];
        }
        benchmark::ClobberMemory();
    }
    state.counters["stores"] = (double)offsets.size();
}

}  // namespace

BENCHMARK(BM_run_frame)->Name("frame/run_frame");
BENCHMARK(BM_frame_steps)->Name("frame/steps");
BENCHMARK(BM_floor)->Name("frame/floor");
