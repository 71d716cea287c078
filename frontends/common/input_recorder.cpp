// Each button keeps the level the demo read last in an interval; a button it did not read keeps
// its level from the interval before, so the script changes only where the demo saw a change.

#include "frontends/common/input_recorder.h"

namespace frontends {

void InputRecorder::rise_seen() {
    const uint16_t next = closing_levels();
    if (next != current_) {
        changes_.push_back({interval_, next});
        current_ = next;
    }
    if (mixed_) {
        changed_within_.push_back(interval_);
    }
    ++interval_;
    read_ = 0;
    levels_ = 0;
    mixed_ = false;
}

void InputRecorder::pins_read(sim::Buttons contacts, sim::Buttons held) {
    const uint16_t seen = held & contacts;
    if ((levels_ ^ seen) & contacts & read_) {
        mixed_ = true;
    }
    read_ |= contacts;
    levels_ = (uint16_t)((levels_ & ~contacts) | seen);
}

uint16_t InputRecorder::closing_levels() const {
    return (uint16_t)((current_ & ~read_) | (levels_ & read_));
}

std::vector<ButtonChange> InputRecorder::changes() const {
    std::vector<ButtonChange> changes = changes_;
    if (closing_levels() != current_) {
        changes.push_back({interval_, closing_levels()});
    }
    return changes;
}

std::vector<uint32_t> InputRecorder::changed_within() const {
    std::vector<uint32_t> intervals = changed_within_;
    if (mixed_) {
        intervals.push_back(interval_);
    }
    return intervals;
}

}  // namespace frontends
