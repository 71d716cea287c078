// The level the console's sync line has at any moment, and so which edge a late reader meets.

#include "frontends/window/pulses.h"

namespace frontends::window {
namespace {

// The latest pulse that has risen by `now` (0 before the first).
int64_t latest_pulse(int64_t now) {
    if (now <= 0) {
        return 0;
    }
    int64_t pulse = now * kPulsesPerSecond / kSecond;
    while (rise_time(pulse + 1) <= now) {
        ++pulse;
    }
    while (pulse > 0 && rise_time(pulse) > now) {
        --pulse;
    }
    return pulse;
}

}  // namespace

Edge next_edge(int64_t now, bool high, uint32_t pulse) {
    const int64_t latest = latest_pulse(now);
    const bool later_is_high = latest > (int64_t)pulse && now < fall_time(latest);
    if (high) {
        const int64_t high_pulse = later_is_high ? latest : (int64_t)pulse;
        return {Edge::kFall, (uint32_t)high_pulse, fall_time(high_pulse)};
    }
    if (later_is_high) {
        return {Edge::kRise, (uint32_t)latest, rise_time(latest)};
    }
    const int64_t next = (latest > (int64_t)pulse ? latest : (int64_t)pulse) + 1;
    return {Edge::kRise, (uint32_t)next, rise_time(next)};
}

}  // namespace frontends::window
