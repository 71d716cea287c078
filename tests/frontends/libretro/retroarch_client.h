#pragma once
// Test support: RetroArch itself run on a core, with null drivers, a private configuration, home
// and session bus, nothing of the user's read; and the pictures it takes.

#include <png.h>
#include <stdint.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/board.h"

namespace pbtest {

// A folder of its own for one run of the client, removed afterwards.
class Scratch {
  public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

void write_file(const std::filesystem::path& path, const std::string& text);
std::string read_file(const std::filesystem::path& path);

// Runs the client on `core` for `frames` frames in `dir`, taking a screenshot to dir/shot.png at
// the end. `settings` are further lines of its configuration; `core_options` the lines of its
// core-options file; `commands` lines it reads on its standard input (SAVE_STATE, LOAD_STATE...),
// all of them at its first frame. Returns its exit status, its output in `log`.
int run_retroarch(const std::filesystem::path& dir, const std::filesystem::path& core, int frames,
                  const std::string& settings, const std::string& core_options, std::string& log,
                  const std::string& commands = "");

// A PNG as RGB triples; empty when it cannot be read.
std::vector<uint8_t> read_rgb(const std::filesystem::path& path, png_uint_32& width,
                              png_uint_32& height);

// The picture as RGB triples through its palette.
std::vector<uint8_t> rgb(const sim::Picture& picture);

// How many pixels of two RGB pictures of the same size differ.
size_t differing_pixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace pbtest
