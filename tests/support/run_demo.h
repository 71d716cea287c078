#pragma once
// Test support: the demo on a headless simulated board, whole runs or pieces of it.

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <string>
#include <vector>

#include "frontends/common/headless.h"
#include "frontends/common/input_recorder.h"
#include "platform/sim/run_demo.h"
#include "platform/sim/snapshot.h"
#include "support/test_board.h"

namespace pbtest {

// A headless simulated board attached to the platform calls, with the demo's state reset and
// hw_open already done on it (seed as the counter's upper half). Pulses advance one per wait, with
// the buttons set by set_buttons(). The destructor detaches it.
class OpenBoard {
  public:
    explicit OpenBoard(uint16_t seed = 0);
    ~OpenBoard();
    TestBoard& board() { return board_; }
    void set_buttons(sim::Buttons buttons) { frontend_.held = buttons; }
    uint8_t* video() { return board_.video(); }

  private:
    struct Frontend : sim::Frontend {
        sim::Buttons held = 0;
        void await_edge(sim::Board& board) override;
    };
    Frontend frontend_;
    TestBoard board_;
};

// The outcome of a whole headless run to its hand-over.
struct Run {
    sim::Picture picture;        // the display at the hand-over
    std::vector<uint8_t> video;  // all 15 MiB of video memory at the hand-over
    uint32_t pulses = 0;         // pulses begun
    uint32_t scan_address = 0;
};

// Runs the demo with this seed, START held from pulse `frames` on, and an optional button script
// (a script or run file; its seed and end lines are not read here).
Run run_headless(uint16_t seed, uint32_t frames, const std::string& script = "");

// The headless run of this seed and script stopped at its wait for pulse `pulse`: its snapshot
// there and the record of what the demo had read.
struct Stopped {
    std::array<uint8_t, sim::snapshot::kBytes> snapshot;
    frontends::InputRecorder::State record;
};
Stopped stop_before(uint16_t seed, uint32_t pulse, const std::string& script = "");

// The picture as 0x00RRGGBB words, row by row: what a libretro core hands its frontend.
std::vector<uint32_t> xrgb(const sim::Picture& picture);

// FNV-1a, for comparing large buffers compactly.
uint64_t fnv1a(const void* data, size_t size);

// A whole file's bytes; empty if it cannot be read.
std::string slurp(const std::string& path);

// In a forked child: replaces it with `binary` and these arguments (status 127 if that fails).
[[noreturn]] void exec_program(const char* binary, const std::vector<std::string>& arguments);

}  // namespace pbtest
