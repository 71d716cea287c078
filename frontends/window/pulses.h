#pragma once
// The console's vertical-sync pulses in real time: pulse n rises n sixtieths of a second after the
// clock starts and stays high for a tenth of that; a demo that looks too late misses pulses. The
// console's clock may stand still or jump while real time runs on.

#include <stdint.h>

#include "platform/sim/board.h"

namespace frontends::window {

constexpr int64_t kSecond = 1'000'000'000;  // nanoseconds
constexpr int64_t kPulsesPerSecond = sim::kPulsesPerSecond;
constexpr int64_t kHighTime = kSecond / kPulsesPerSecond / 10;

// When pulse n rises and falls, in nanoseconds from the start; whole periods never drift.
constexpr int64_t rise_time(int64_t pulse) {
    return pulse * kSecond / kPulsesPerSecond;
}
constexpr int64_t fall_time(int64_t pulse) {
    return rise_time(pulse) + kHighTime;
}

// The next change of the level a demo last saw (`high` during pulse `pulse`), for a read at `now`.
struct Edge {
    enum Kind { kRise, kFall } kind;
    // A rise's new pulse number. For a fall, the pulse that is high: when it is later than the one
    // the demo saw, that pulse rose unseen while the demo waited for the fall, and the demo takes
    // both for one pulse, as it would on the board.
    uint32_t pulse;
    int64_t at;  // when the edge happens; at or before `now` means at once
};
Edge next_edge(int64_t now, bool high, uint32_t pulse);

// The console's clock, in nanoseconds from its start, against a real one (`real`, any monotonic
// count of nanoseconds): it runs with real time, stands still while stopped (a paused or
// rewinding run) and is set wherever a run jumps to (fast-forward, a pulse advanced, a state
// loaded).
class ConsoleClock {
  public:
    int64_t now(int64_t real) const { return running_ ? at_ + (real - since_) : at_; }
    void stop(int64_t real) {
        at_ = now(real);
        running_ = false;
    }
    // Runs on from where it stood.
    void run(int64_t real) {
        if (!running_) {
            since_ = real;
            running_ = true;
        }
    }
    // The console's time is `console` at real time `real`; running or not as before.
    void set(int64_t console, int64_t real) {
        at_ = console;
        since_ = real;
    }
    // When the running clock reaches `console`, in real time.
    int64_t real_at(int64_t console) const { return since_ + (console - at_); }

  private:
    int64_t at_ = 0;  // the console's time at real time since_, or where it stands
    int64_t since_ = 0;
    bool running_ = true;
};

}  // namespace frontends::window
