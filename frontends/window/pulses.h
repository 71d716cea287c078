#pragma once
// The console's vertical-sync pulses in real time: pulse n rises n sixtieths of a second after the
// clock starts and stays high for a tenth of that; a demo that looks too late misses pulses.

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

}  // namespace frontends::window
