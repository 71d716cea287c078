#pragma once
// Save slots: a file per slot under $XDG_STATE_HOME/plasmaballs/ (~/.local/state/plasmaballs/
// without it), each a run at one of its waits and the record of what the demo read up to there,
// written whole or not at all, and read and checked whole before anything is loaded from it.

#include <stddef.h>
#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "frontends/common/input_recorder.h"
#include "platform/sim/snapshot.h"

namespace frontends::window {

constexpr int kSlots = 9;

// A slot as read and checked.
struct Slot {
    sim::snapshot::Snapshot snapshot;
    InputRecorder::State recorder;
};

// The slots' folder for these values of XDG_STATE_HOME and HOME (null when unset; a relative path
// counts as unset); empty when neither gives one.
std::string slot_folder(const char* state_home, const char* home);
// The slots' folder of this process's environment (HOME falls back to the password database).
std::string slot_folder();
std::string slot_path(const std::string& folder, int number);

// A slot file's bytes: a header (what the file is, the program's version, the sizes), the
// snapshot (sim::snapshot::kBytes), the recorder's state, and a checksum of everything before it.
std::vector<uint8_t> slot_bytes(const uint8_t* snapshot, const InputRecorder::State& recorder);
// The slot in `bytes`, or empty with a one-line reason in `error`: no slot file, another
// version's, damaged, or holding no run at one of its waits.
std::optional<Slot> read_slot(const std::vector<uint8_t>& bytes, std::string& error);

// Writes slot `number`'s file whole, making the folder (mode 0700) where it is missing; returns
// its path. Throws OutputError.
std::string write_slot(const std::string& folder, int number, const std::vector<uint8_t>& bytes);
// Reads and checks slot `number`'s file; empty with the reason in `error`.
std::optional<Slot> load_slot(const std::string& folder, int number, std::string& error);

}  // namespace frontends::window
