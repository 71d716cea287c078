// Save states as the libretro core's run-ahead makes them, a save and a load every frame: through
// the core's own entry points, at the moment saved, and with the pulse run ahead in between.

#include <benchmark/benchmark.h>
#include <libretro.h>

#include <chrono>
#include <vector>

namespace {

uint32_t g_held = 0;

bool environment(unsigned command, void* data) {
    if (command == RETRO_ENVIRONMENT_GET_VARIABLE) {
        ((retro_variable*)data)->value = "5";
        return true;
    }
    return command == RETRO_ENVIRONMENT_SET_PIXEL_FORMAT;
}

void video(const void*, unsigned, unsigned, size_t) {}
void poll() {}
int16_t input(unsigned, unsigned, unsigned, unsigned id) {
    return (int16_t)(g_held >> id & 1);
}

// The core started, and played for five seconds with these buttons held.
class Core {
  public:
    explicit Core(uint32_t held) {
        retro_set_environment(environment);
        retro_set_video_refresh(video);
        retro_set_input_poll(poll);
        retro_set_input_state(input);
        retro_init();
        retro_load_game(nullptr);
        g_held = held;
        for (int pulse = 0; pulse < 300; ++pulse) {
            retro_run();
        }
        state.resize(retro_serialize_size());
    }
    ~Core() {
        retro_unload_game();
        retro_deinit();
    }
    std::vector<uint8_t> state;
};

constexpr uint32_t kStick = 1 << RETRO_DEVICE_ID_JOYPAD_UP | 1 << RETRO_DEVICE_ID_JOYPAD_RIGHT;
constexpr uint32_t kSelect = 1 << RETRO_DEVICE_ID_JOYPAD_SELECT;

void BM_save_and_load(benchmark::State& state) {
    Core core(kStick);
    for (auto _ : state) {
        retro_serialize(core.state.data(), core.state.size());
        retro_unserialize(core.state.data(), core.state.size());
    }
}

// Save, run a pulse, load, run it again; the save and the load are timed. In slow motion the
// load takes the run around its waits and through a frame to the wait before.
void BM_run_ahead(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    Core core(state.range(0) ? kStick | kSelect : kStick);
    for (auto _ : state) {
        const Clock::time_point t0 = Clock::now();
        retro_serialize(core.state.data(), core.state.size());
        const Clock::time_point t1 = Clock::now();
        retro_run();
        const Clock::time_point t2 = Clock::now();
        retro_unserialize(core.state.data(), core.state.size());
        const Clock::time_point t3 = Clock::now();
        retro_run();
        state.SetIterationTime(std::chrono::duration<double>((t1 - t0) + (t3 - t2)).count());
    }
}

}  // namespace

BENCHMARK(BM_save_and_load)->Name("state/save_and_load")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_run_ahead)
    ->Name("state/run_ahead")
    ->ArgName("slow_motion")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
