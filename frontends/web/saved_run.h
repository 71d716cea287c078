#pragma once
// A run written down as a button script that replays it: the levels the demo could read from each
// pulse on, kept as changes, under comment lines that name the seed and the command to replay it.

#include <stdint.h>

#include <string>
#include <vector>

#include "frontends/common/script.h"

namespace frontends::web {

// The levels held from each pulse on, as a script's changes. Pulses come in increasing order,
// numbered as the headless run numbers them; pulse 0 is the time before the first sync wait.
class LevelRecorder {
  public:
    void record(uint32_t pulse, sim::Buttons levels);
    const std::vector<ButtonChange>& changes() const { return changes_; }

  private:
    std::vector<ButtonChange> changes_;
    sim::Buttons last_ = 0;  // a script holds nothing before its first line
};

// The changes as script lines, "<pulse> <buttons>" each, newline-terminated.
std::string script_lines(const std::vector<ButtonChange>& changes);

// The file for a run with this seed that handed over at `last_pulse`: comment lines giving the seed
// and the headless command that replays it from `file_name`, then the lines.
std::string saved_script(uint16_t seed, uint32_t last_pulse, const std::string& file_name,
                         const std::vector<ButtonChange>& changes);

}  // namespace frontends::web
