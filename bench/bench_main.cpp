// Runs the benchmarks, then prints their figures as the tables of docs/PERFORMANCE.md: medians
// of the repetitions, and the ratios between them, all from this one run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

// A line of a table: what it says, and the benchmark whose figures it gives.
struct Row {
    const char* label;
    const char* name;
};

// Passes the console report through and keeps every benchmark's median wall and CPU times (or
// its single run's time when there are no repetitions).
class Collector : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!run.error_occurred && (single || median)) {
                std::string name = run.run_name.str();
                const size_t real_time = name.find("/real_time");
                if (real_time != std::string::npos) {
                    name.erase(real_time);
                }
                const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
                seconds[name] = run.GetAdjustedRealTime() / unit;
                cpu_seconds[name] = run.GetAdjustedCPUTime() / unit;
                for (const auto& [counter, value] : run.counters) {
                    counters[name + "/" + counter] = value;
                }
            }
        }
    }
    std::map<std::string, double> seconds;
    std::map<std::string, double> cpu_seconds;
    std::map<std::string, double> counters;
};

double time_of(const std::map<std::string, double>& times, const std::string& name) {
    const auto found = times.find(name);
    return found == times.end() ? 0.0 : found->second;
}

// Steps and set-up in CPU time: on a shared machine the wall time also counts the waits for a
// core, which have nothing to do with the code.
double cpu_of(const Collector& c, const std::string& name) {
    return time_of(c.cpu_seconds, name);
}

void print_frame(const Collector& c) {
    const double frame = cpu_of(c, "frame/run_frame");
    const double floor = cpu_of(c, "frame/floor");
    std::printf(
        "\nPer frame, headless on the simulated board (CPU time; the steps as timed within "
        "frames)\n");
    std::printf("  %-40s %10s %10s\n", "", "us/frame", "of frame");
    double sum = 0;
    for (const char* step : {"draw_background", "cycle_palette", "collide_balls", "move_balls"}) {
        const double t = time_of(c.counters, std::string("frame/steps/") + step);
        sum += t;
        std::printf("  %-40s %10.2f %9.0f%%\n", step, t * 1e6, frame ? 100 * t / frame : 0);
    }
    std::printf("  %-40s %10.2f %9.0f%%\n", "the four steps, medians within frames", sum * 1e6,
                frame ? 100 * sum / frame : 0);
    std::printf("  %-40s %10.2f\n", "run_frame", frame * 1e6);
    std::printf("  %-40s %10.2f\n", "floor: 76,800-byte copy + 9,024 stores", floor * 1e6);
    std::printf("  %-40s %10.2f   (goal: at most 3)\n", "run_frame / floor",
                floor ? frame / floor : 0);
}

void print_setup(const Collector& c) {
    const double whole = cpu_of(c, "setup/whole");
    std::printf("\nSet-up (CPU time)\n");
    std::printf("  %-40s %10s %10s\n", "", "ms", "of set-up");
    for (const char* step : {"build_rotation_table", "build_background", "place_balls"}) {
        const double t = cpu_of(c, std::string("setup/") + step);
        std::printf("  %-40s %10.3f %9.1f%%\n", step, t * 1e3, whole ? 100 * t / whole : 0);
    }
    std::printf("  %-40s %10.3f %9.1f%%\n", "whole set-up (hw_open + init_scene)", whole * 1e3,
                100.0);
}

void print_runs(const Collector& c) {
    std::printf("\nWhole headless runs (set-up included; CPU time beside the wall time)\n");
    std::printf("  %-40s %10s %10s %12s\n", "", "wall ms", "CPU ms", "pulses/s");
    const struct {
        const char* label;
        const char* name;
        double pulses;
    } runs[] = {
        {"3,600 pulses", "run/headless/3600", 3600},
        {"3,600 pulses with --record", "run/headless_record/3600", 3600},
        {"600 pulses with --record (10 s)", "run/headless_record/600", 600},
    };
    for (const auto& run : runs) {
        const double t = time_of(c.seconds, run.name);
        std::printf("  %-40s %10.1f %10.1f %12.0f\n", run.label, t * 1e3,
                    time_of(c.cpu_seconds, run.name) * 1e3, t ? run.pulses / t : 0);
    }
    const double ten = time_of(c.seconds, "run/headless_record/600");
    if (ten > 0) {
        std::printf("  a 10-second recording takes %.2f s of wall time (goal: under 1 s): %s\n",
                    ten, ten < 1.0 ? "met" : "MISSED");
    }
}

void print_videos(const Collector& c) {
    std::printf(
        "\nVideos of 10 s (640 x 480; PSNR in RGB of each frame against its pulse's picture)\n");
    std::printf("  %-40s %8s %6s %10s %10s %10s %10s\n", "", "MB", "fps", "mean dB", "worst dB",
                "wall s", "CPU s");
    const Row rows[] = {
        {"MP4, full quality", "run/headless_record_mp4/600/iterations:1/process_time"},
        {"WebM, full quality", "run/headless_record_webm/600/iterations:1/process_time"},
        {"MP4, --record-limit 10M", "run/headless_record_mp4_10M/600/iterations:1/process_time"},
        {"WebM, --record-limit 10M", "run/headless_record_webm_10M/600/iterations:1/process_time"},
    };
    for (const auto& row : rows) {
        const std::string name = row.name;
        if (time_of(c.seconds, name) == 0) {
            continue;
        }
        std::printf("  %-40s %8.3f %6.0f %10.2f %10.2f %10.1f %10.1f\n", row.label,
                    time_of(c.counters, name + "/MB"), time_of(c.counters, name + "/fps"),
                    time_of(c.counters, name + "/PSNR_mean_dB"),
                    time_of(c.counters, name + "/PSNR_worst_dB"), time_of(c.seconds, name),
                    time_of(c.cpu_seconds, name));
    }
}

void print_states(const Collector& c) {
    std::printf(
        "\nSave states of the libretro core (wall time, us; goal: a save and a load within 200)\n");
    const Row rows[] = {
        {"save and load at the same moment", "state/save_and_load"},
        {"save and load around a pulse", "state/run_ahead/slow_motion:0/manual_time"},
        {"the same in slow motion", "state/run_ahead/slow_motion:1/manual_time"},
    };
    for (const auto& row : rows) {
        std::printf("  %-40s %10.1f\n", row.label, time_of(c.seconds, row.name) * 1e6);
    }
}

// Whether any benchmark of this group ran (a filter or --benchmark_list_tests runs none).
bool measured(const Collector& c, const std::string& group) {
    const auto first = c.seconds.lower_bound(group);
    return first != c.seconds.end() && first->first.compare(0, group.size(), group) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    if (measured(collector, "frame/")) {
        print_frame(collector);
    }
    if (measured(collector, "setup/")) {
        print_setup(collector);
    }
    if (measured(collector, "run/")) {
        print_runs(collector);
    }
    if (measured(collector, "run/headless_record_")) {
        print_videos(collector);
    }
    if (measured(collector, "state/")) {
        print_states(collector);
    }
    benchmark::Shutdown();
    return 0;
}
