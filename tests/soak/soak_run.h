#pragma once
// Long headless runs watched pulse by pulse: every frame is checked against a model of the frame
// loop, the palette wheel, the arena and the composed picture, and video memory outside the two
// frame buffers is write-protected or compared, so a stray write is caught where it happens.

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "frontends/common/script.h"

namespace soak {

struct Plan {
    uint16_t seed = 0;
    uint32_t pulses = 0;  // START is held from this pulse on, as with --frames
    std::vector<frontends::ButtonChange> script;
    // Compose the expected picture of every frame and compare it with the display.
    bool check_pictures = true;
    // Runs once when set-up is complete and its results are taken as the reference, before the
    // first frame: a test may rearrange the balls here.
    std::function<void()> after_setup;
};

struct Report {
    std::string failure;        // the first check that failed, with its pulse; empty when all held
    uint32_t pulses = 0;        // pulses begun
    uint32_t frames = 0;        // frames drawn and checked
    uint32_t slow_pulses = 0;   // pulses spent in the sixteen extra waits of SELECT
    uint32_t escaped_axes = 0;  // ball axes whose speed ever left the bounds of the arena
    uint64_t clipped_squares = 0;  // ball squares drawn partly or wholly off the buffer
    int64_t fastest = 0;           // largest |vx| or |vy| seen, in position units
};

// Runs the demo to its hand-over under the plan, checking every pulse.
Report run(const Plan& plan);

// A seeded random button script over `pulses` pulses: holds of directions (single, diagonal and
// contradictory combinations), quick taps, and SELECT bursts of up to 1,500 pulses.
std::vector<frontends::ButtonChange> random_script(uint64_t seed, uint32_t pulses);

}  // namespace soak
