#pragma once
// A run written down as a button script that replays it: comment lines with the seed, the pulse of
// the hand-over and the command that replays it, then the recorded changes.

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

// The file for a run with this seed that handed over at the recorder's last interval, to be saved
// as `name`: its first lines name the seed and the headless command that replays it and, if the
// levels changed within any pulse, warn that the replay may differ there.
std::string saved_script(uint16_t seed, const InputRecorder& recorder, const std::string& name);

}  // namespace frontends
