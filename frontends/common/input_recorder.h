#pragma once
// The button levels the demo read, interval by interval between its sync waits, kept as the
// changes of a button script that replays them on a console where every wait takes one pulse.

#include <stdint.h>

#include <vector>

#include "frontends/common/script.h"
#include "platform/sim/board.h"

namespace frontends {

// Interval k begins when the demo sees the sync line rise for the k-th time and lasts until it
// sees the next rise; interval 0 is everything before the first. A headless run holds the levels
// of pulse k on the pins from the k-th rise to the next, so a script with the levels of interval
// k at pulse k makes the demo read exactly what it read here, however late the demo was for its
// pulses in real time.
class InputRecorder : public sim::ReadWatcher {
  public:
    // The demo saw the sync line rise: the next interval begins.
    void rise_seen() override;
    // The demo read the pins of the buttons in `contacts` while `held` was held.
    void pins_read(sim::Buttons contacts, sim::Buttons held) override;

    // The intervals so far as script changes: a line wherever the levels differ from the line
    // before (levels the demo did not read in an interval carry over from the one before).
    std::vector<ButtonChange> changes() const;
    uint32_t interval() const { return interval_; }
    // Intervals in which the demo read other levels of the same buttons than it had read there
    // already: no script can replay those; the changes hold the levels it read last.
    std::vector<uint32_t> changed_within() const;

    // A point of the record to come back to: the open interval, and how much had been written
    // before it. The record only grows, so a mark stays good until the record is rewound past it.
    struct Mark {
        uint32_t interval = 0;
        uint16_t read = 0, levels = 0, current = 0;
        bool mixed = false;
        uint32_t changes = 0, changed_within = 0;  // how many of each had been written
    };
    Mark mark() const;
    // Back to a mark of this record: what was written since it is dropped.
    void rewind_to(const Mark& mark);

    // The whole record, to carry into another run.
    struct State {
        Mark at;
        std::vector<ButtonChange> changes;
        std::vector<uint32_t> changed_within;
    };
    State state() const;
    // Whether `state` is one a recorder can be in (the changes in order, each a change, the marks
    // matching them, only the console's buttons).
    static bool possible(const State& state);
    // Takes over a possible record.
    void restore(const State& state);

  private:
    // The script's levels once the open interval is closed.
    uint16_t closing_levels() const;

    uint32_t interval_ = 0;
    uint16_t read_ = 0;     // buttons whose pins the demo read in this interval
    uint16_t levels_ = 0;   // what it read last for each of them
    uint16_t current_ = 0;  // the script's levels as of the last closed interval
    bool mixed_ = false;    // the open interval saw a change
    std::vector<ButtonChange> changes_;
    std::vector<uint32_t> changed_within_;
};

}  // namespace frontends
