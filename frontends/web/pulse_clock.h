#pragma once
// The console's 60 Hz sync pulses on the browser's animation frames: how many pulses fall due at
// each frame, whatever the display's own rate, without running away after a long gap.

#include <stdint.h>

#include "platform/sim/board.h"

namespace frontends::web {

class PulseClock {
  public:
    static constexpr double kPulseMs = 1000.0 / sim::kPulsesPerSecond;
    // At most this many pulses at one frame; beyond that the clock lets the lost time go.
    static constexpr uint32_t kMaxCatchUp = 4;

    // The pulses due at an animation frame with this timestamp (milliseconds). The first frame
    // brings the first pulse.
    uint32_t frame(double timestamp_ms);
    uint32_t pulses() const { return pulses_; }
    // The page was hidden: no time passes for the clock until the next frame, which brings the
    // next pulse, and the beat goes on from there.
    void pause() { started_ = false; }

  private:
    bool started_ = false;
    double origin_ = 0;  // when pulse 0 was due
    uint32_t pulses_ = 0;
};

}  // namespace frontends::web
