#pragma once
// The command line of plasmaballs: options, their checks, and the one-line errors for bad ones.

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

namespace host {

struct Options {
    bool headless = false;
    std::optional<uint16_t> seed;    // counter value that seeds the generator
    std::optional<uint32_t> frames;  // START held from this pulse on
    std::string input;               // button script
    std::string screenshot;          // palette PNG of the picture at the hand-over
    std::string record;              // animated GIF of the display
    int record_every = 2;            // pulses between recorded frames
    int scale = 0;                   // window scale; 0 picks the largest that fits, up to 4
    bool fullscreen = false;
};

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

}  // namespace host
