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

InputRecorder::Mark InputRecorder::mark() const {
    return Mark{interval_,
                read_,
                levels_,
                current_,
                mixed_,
                (uint32_t)changes_.size(),
                (uint32_t)changed_within_.size()};
}

void InputRecorder::rewind_to(const Mark& mark) {
    interval_ = mark.interval;
    read_ = mark.read;
    levels_ = mark.levels;
    current_ = mark.current;
    mixed_ = mark.mixed;
    changes_.resize(mark.changes);
    changed_within_.resize(mark.changed_within);
}

InputRecorder::State InputRecorder::state() const {
    return State{mark(), changes_, changed_within_};
}

bool InputRecorder::possible(const State& state) {
    const Mark& at = state.at;
    if (at.changes != state.changes.size() || at.changed_within != state.changed_within.size() ||
        ((at.read | at.current) & ~sim::kAllButtons) != 0 || (at.levels & ~at.read) != 0 ||
        (at.mixed && at.read == 0)) {
        return false;
    }
    uint16_t levels = 0;
    int64_t last = -1;
    for (const ButtonChange& change : state.changes) {
        if ((int64_t)change.pulse <= last || change.pulse >= at.interval ||
            change.buttons == levels || (change.buttons & ~sim::kAllButtons) != 0) {
            return false;
        }
        last = change.pulse;
        levels = change.buttons;
    }
    last = -1;
    for (uint32_t interval : state.changed_within) {
        if ((int64_t)interval <= last || interval >= at.interval) {
            return false;
        }
        last = interval;
    }
    return levels == at.current;
}

void InputRecorder::restore(const State& state) {
    changes_ = state.changes;
    changed_within_ = state.changed_within;
    rewind_to(state.at);
}

}  // namespace frontends
