#pragma once
// Button scripts: one line per change, "<pulse> <buttons>", and the timeline of held buttons they
// give together with START held from a given pulse on.

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
// Reads and parses a script file; errors name the file.
std::vector<ButtonChange> load_script(const std::string& path);

// Which buttons are held at each pulse: the script's latest change at or before it, plus START
// from `start_from` on.
class InputTimeline {
  public:
    InputTimeline() = default;
    InputTimeline(std::vector<ButtonChange> script, std::optional<uint32_t> start_from);
    sim::Buttons at(uint32_t pulse) const;
    // True when START is held for good from some pulse on, so the demo is sure to end.
    bool ends() const;
    // The pulse from which START is held for good, if it is.
    std::optional<uint32_t> start_held_from() const;

  private:
    std::vector<ButtonChange> script_;
    std::optional<uint32_t> start_from_;
};

}  // namespace frontends
