#pragma once
// The window's rewind history: the run as it stood before each of its last pulses, newest last,
// each a snapshot and where the input recorder stood; the oldest give way to new ones.

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <optional>
#include <vector>

#include "frontends/common/input_recorder.h"
#include "platform/sim/snapshot.h"

namespace frontends::window {

class RewindRing {
  public:
    // A minute of pulses, about 7 MB; memory is taken as the history grows.
    static constexpr size_t kEntries = 60 * sim::kPulsesPerSecond;

    struct Entry {
        std::array<uint8_t, sim::snapshot::kBytes> snapshot;
        InputRecorder::Mark recorder;
    };

    RewindRing() { entries_.reserve(kEntries); }

    // The place for a new newest entry, to be filled at once (the oldest when the ring is full).
    Entry& push();
    // Takes the newest entry off; empty when there is none.
    std::optional<Entry> pop();
    void clear() { count_ = 0; }
    size_t size() const { return count_; }

  private:
    std::vector<Entry> entries_;
    size_t next_ = 0;   // where the next push goes
    size_t count_ = 0;  // entries held, the newest just before next_
};

}  // namespace frontends::window
