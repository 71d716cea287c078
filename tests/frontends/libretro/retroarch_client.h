#pragma once
// Test support: RetroArch itself run on a core, with null drivers, a private configuration, home
// and session bus, nothing of the user's read; and the pictures it takes.

#include <png.h>
#include <stdint.h>
#include <sys/types.h>

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

// How the client is run in its folder.
struct ClientOptions {
    int frames = 0;            // then it ends, taking a screenshot to dir/shot.png
    std::string settings;      // further lines of its configuration
    std::string core_options;  // the lines of its core-options file
    // Lines it reads on its standard input (SAVE_STATE, LOAD_STATE...), all at its first frame.
    std::string commands;
    std::vector<std::string> arguments;  // further arguments: content, --host, --bsvrecord...
    int seconds = 45;                    // then it is killed
};

// The client started on `core` in `dir`, running beside the test until it ends; killed, with
// everything it started, if it is still running when this is destroyed.
class Client {
  public:
    Client(const std::filesystem::path& dir, const std::filesystem::path& core,
           const ClientOptions& options);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;
    // Waits for its end: its exit status, its output in `log`.
    int wait(std::string& log);

  private:
    std::filesystem::path dir_;
    pid_t pid_ = -1;
};

// Runs the client on `core` for `frames` frames in `dir`, taking a screenshot to dir/shot.png at
// the end. `settings` are further lines of its configuration; `core_options` the lines of its
// core-options file; `commands` lines it reads on its standard input (SAVE_STATE, LOAD_STATE...),
// all of them at its first frame. Returns its exit status, its output in `log`.
int run_retroarch(const std::filesystem::path& dir, const std::filesystem::path& core, int frames,
                  const std::string& settings, const std::string& core_options, std::string& log,
                  const std::string& commands = "");

// Configuration lines: RetroArch lets a core keep states and play netplay as its information file
// says, found here beside the core when `core`'s folder is its cores folder too. States go
// uncompressed into dir/states, screenshots into dir/shots.
std::string core_folder_settings(const std::filesystem::path& dir,
                                 const std::filesystem::path& core);

// A state file RetroArch wrote: the core's state inside it; empty when it has none.
std::vector<uint8_t> core_state(const std::filesystem::path& path);

// A PNG as RGB triples; empty when it cannot be read.
std::vector<uint8_t> read_rgb(const std::filesystem::path& path, png_uint_32& width,
                              png_uint_32& height);

// The picture as RGB triples through its palette.
std::vector<uint8_t> rgb(const sim::Picture& picture);

// How many pixels of two RGB pictures of the same size differ.
size_t differing_pixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace pbtest
