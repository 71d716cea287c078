#pragma once
// A run written down as a run file that replays it: comment lines saying what it is and the
// command that replays it, then its format, its seed, the recorded changes and where it ends.

#include <stdint.h>

#include <string>
#include <vector>

#include "frontends/common/input_recorder.h"
#include "frontends/common/script.h"

namespace frontends {

// The changes as script lines, "<pulse> <buttons>" each, newline-terminated.
std::string script_lines(const std::vector<ButtonChange>& changes);

// "pulse 88", "pulse 88 (and 2 other pulses)".
std::string pulses_named(const std::vector<uint32_t>& pulses);

// How a saved run ends: the demo handed over in the recorder's last interval, or the player takes
// over after it.
enum class RunEnd { kHandOver, kPlayer };

// The run file for a run with this seed, to be saved as `name`: its first lines say what it is and
// the command that replays it and, if the levels changed within any pulse, warn that the replay
// may differ there.
std::string saved_run(uint16_t seed, const InputRecorder& recorder, const std::string& name,
                      RunEnd end = RunEnd::kHandOver);

}  // namespace frontends
