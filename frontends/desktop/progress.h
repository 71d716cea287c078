#pragma once
// The one line a long headless run keeps up to date on a terminal: pulses done of the total,
// pulses per second and the time left. It is cleared when the run ends.

#include <stdint.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace frontends::desktop {

// "pulse 12000 of 60000 (20%), 35100 pulses/s, 1 s left": `done` pulses after `seconds`.
std::string progress_text(uint32_t done, uint32_t total, double seconds);

// Whether a run that has done `done` of `total` pulses in `seconds` is worth a line: it has
// gone on for half a second and will take more than about a second in all.
bool progress_worth_showing(uint32_t done, uint32_t total, double seconds);

class ProgressLine {
  public:
    // A line on `terminal` for a run of `total` pulses; null writes nothing.
    ProgressLine(std::FILE* terminal, uint32_t total);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Called at every pulse; redraws the line a few times a second.
    void update(uint32_t done);
    // Removes the line, if one was shown.
    void clear();

  private:
    using Clock = std::chrono::steady_clock;
    std::FILE* terminal_;
    uint32_t total_;
    Clock::time_point start_ = Clock::now();
    double next_draw_ = 0;  // seconds from the start
    bool shown_ = false;
};

}  // namespace frontends::desktop
