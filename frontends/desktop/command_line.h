#pragma once
// The command line of plasmaballs: its options, their checks, and the one-line errors for bad ones.

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "frontends/desktop/options.h"

namespace frontends::desktop {

// Either options to run with, or what to print and the status to exit with (0 for --help and
// --version, 2 for any bad option or value).
struct CommandLine {
    std::optional<Options> options;
    int exit_status = 0;
    std::string output;  // for stdout (help, version)
    std::string error;   // one line for stderr
};

CommandLine parse_command_line(const std::vector<std::string>& arguments);
CommandLine parse_command_line(int argc, const char* const* argv);

}  // namespace frontends::desktop
