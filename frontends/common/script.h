#pragma once
// Button scripts: one line per change, "<pulse> <buttons>"; run files, a script with the seed it
// was played from and where its replay ends; and the timeline of held buttons they give together
// with START held from a given pulse on.

#include <stdint.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/buttons.h"

namespace frontends {

struct ButtonChange {
    uint32_t pulse;
    sim::Buttons buttons;
    bool operator==(const ButtonChange&) const = default;
};

// A malformed script; what() is one line naming the line number.
class ScriptError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Parses a script: "#" starts a comment, blank lines are ignored, each other line has exactly two
// fields, a decimal pulse (strictly increasing) and "none" or names joined by "+", each once.
std::vector<ButtonChange> parse_script(std::string_view text);

// The run file's format, as its "format" line gives it.
constexpr uint32_t kRunFormat = 1;

// A saved run: the seed it was played from, the changes it replays, and the pulse from which the
// player takes over. A run file is a script that may also hold these lines, each of two fields:
//   format 1           first of all, when given: the format the file is written in
//   seed S             once at most, before the first change: the seed, 0 to 65535
//   end P              once at most, after the last change and later than it: the replay ends
//                      there, and from pulse P on the buttons are the player's
// Without an end line a run replays to the hand-over when its last change holds START, otherwise
// to the pulse after its last change (0 when it has none: a run holding only a seed; never when
// that change is at the last pulse, 4294967295). A plain
// script is a run with none of these lines.
struct Run {
    std::optional<uint16_t> seed;
    std::vector<ButtonChange> changes;
    std::optional<uint32_t> end;  // as the end line gives it
    bool operator==(const Run&) const = default;
    // The pulse from which the player takes over; none for a run that replays to the hand-over.
    std::optional<uint32_t> player_from() const;
};
Run parse_run(std::string_view text);
// Reads and parses a run file; errors name the file.
Run load_run(const std::string& path);

// The demo hands over within one frame of START being held for good: at most a frame in slow
// motion, 17 pulses, later.
constexpr uint32_t kHandOverWithin = 17;

// Which buttons are held at each pulse: the script's latest change at or before it, plus START
// from `start_from` on; with the player's buttons besides, or, in a run's replay, instead of them
// once the replay has ended.
class InputTimeline {
  public:
    InputTimeline() = default;
    // A script played beside the player.
    InputTimeline(std::vector<ButtonChange> script, std::optional<uint32_t> start_from);
    // A run replayed: its changes alone until the player takes over, then the player's alone.
    static InputTimeline replay(Run run, std::optional<uint32_t> start_from);

    sim::Buttons at(uint32_t pulse) const;
    // What is held at `pulse` while the player holds `player`.
    sim::Buttons with_player(uint32_t pulse, sim::Buttons player) const;
    // A run is replaying at `pulse`: the player's buttons do not count there.
    bool replaying(uint32_t pulse) const {
        return replay_ && !(player_from_ && pulse >= *player_from_);
    }
    // Where a replay gives way to the player, when it does before the hand-over.
    std::optional<uint32_t> player_from() const { return player_from_; }
    // True when the run is sure to end: START is held for good from some pulse on, or a replay
    // gives way to the player (where a run with no player stops).
    bool ends() const;
    // The pulse from which START is held for good, if it is.
    std::optional<uint32_t> start_held_from() const;
    // Where a headless run ends, when it is known before the run starts: where a replay stops, or
    // where START is held for good; and the last pulse it can begin, a frame after that.
    std::optional<uint32_t> headless_end() const;
    std::optional<uint32_t> last_pulse() const;

  private:
    std::vector<ButtonChange> script_;
    std::optional<uint32_t> start_from_;
    bool replay_ = false;
    std::optional<uint32_t> player_from_;
};

}  // namespace frontends
