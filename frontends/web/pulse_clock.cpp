// A pulse falls due when its time is nearer than half a pulse, so frames that jitter around a
// 60 Hz beat still bring exactly one pulse each: a faster display brings none at some frames, a
// slower one two at some frames.

#include "frontends/web/pulse_clock.h"

#include <cmath>

namespace frontends::web {

uint32_t PulseClock::frame(double timestamp_ms) {
    if (!started_) {
        started_ = true;
        origin_ = timestamp_ms - (double)(pulses_ + 1) * kPulseMs;
    }
    const double elapsed = std::floor((timestamp_ms - origin_) / kPulseMs + 0.5);
    if (!(elapsed > (double)pulses_)) {
        return 0;  // not yet, or time went backwards
    }
    uint32_t due = kMaxCatchUp;
    if (elapsed - (double)pulses_ <= (double)kMaxCatchUp) {
        due = (uint32_t)(elapsed - (double)pulses_);
    } else {
        // A hidden tab or a stall: carry on from here instead of racing through the backlog.
        origin_ = timestamp_ms - (double)(pulses_ + kMaxCatchUp) * kPulseMs;
    }
    pulses_ += due;
    return due;
}

}  // namespace frontends::web
