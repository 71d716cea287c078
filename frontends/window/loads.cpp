// The window's loads: a step back to the run as it stood before an earlier pulse, or a slot. A
// load runs the pulses that bring the demo to the snapshot's wait through its own code, unseen by
// the outputs and the input recorder, then writes the snapshot over the run and puts the recorder
// back where it stood (a step back) or hands it the record the slot carries.

#include "frontends/window/frontend.h"

#include <cstdio>
#include <stdexcept>

#include "frontends/common/text.h"
#include "frontends/window/slots.h"

namespace frontends::window {
namespace {

void say(const std::string& line) {
    std::fprintf(stderr, "plasmaballs: %s\n", one_line(line).c_str());
}

}  // namespace

void WindowFrontend::keep_for_rewind(const sim::Board& board) {
    RewindRing::Entry& entry = ring_.push();
    sim::snapshot::save(board, sim::snapshot::waiting_position(board), entry.snapshot.data());
    entry.recorder = outputs_.input().mark();
}

bool WindowFrontend::step_back(sim::Board& board) {
    if (!showing_now_ && ring_.size() > 1) {
        ring_.pop();  // the picture on show is the newest entry's: step to the one before it
    }
    const std::optional<RewindRing::Entry> entry = ring_.pop();
    if (!entry) {
        return false;
    }
    std::string error;
    const std::optional<sim::snapshot::Snapshot> snapshot =
        sim::snapshot::read(entry->snapshot.data(), entry->snapshot.size(), error);
    if (!snapshot) {
        throw std::logic_error("a rewind entry does not read back: " + error);
    }
    begin_load(board, Loading{sim::snapshot::Load(*snapshot), entry->recorder, ""});
    return true;
}

void WindowFrontend::save_to_slot(const sim::Board& board, int number) {
    const std::string slot = "slot " + std::to_string(number);
    std::array<uint8_t, sim::snapshot::kBytes> snapshot;
    sim::snapshot::save(board, sim::snapshot::waiting_position(board), snapshot.data());
    const std::string folder = slot_folder();
    if (folder.empty()) {
        say(slot + " not saved: no folder for it (neither XDG_STATE_HOME nor HOME is set)");
        return;
    }
    try {
        const std::string path =
            write_slot(folder, number, slot_bytes(snapshot.data(), outputs_.input().state()));
        say(slot + " saved as " + path);
        controls_.tell(slot + " saved", real_now());
    } catch (const OutputError& error) {
        say(slot + " not saved: " + error.what());
    }
}

void WindowFrontend::load_from_slot(sim::Board& board, int number) {
    const std::string slot = "slot " + std::to_string(number);
    const std::string folder = slot_folder();
    std::string error = "no folder for it (neither XDG_STATE_HOME nor HOME is set)";
    std::optional<Slot> read = folder.empty() ? std::nullopt : load_slot(folder, number, error);
    if (!read) {
        say(slot + " not loaded: " + error);
        return;
    }
    begin_load(board, Loading{sim::snapshot::Load(read->snapshot), std::move(read->recorder),
                              slot + " loaded"});
}

void WindowFrontend::begin_load(sim::Board& board, Loading loading) {
    board.watch_reads(nullptr);
    const bool fresh = sim::snapshot::needs_fresh_run(loading.load.snapshot(), board,
                                                      sim::snapshot::waiting_position(board));
    const uint32_t counter = loading.load.snapshot().counter;
    loading_ = std::move(loading);
    if (fresh) {
        throw FreshRun{counter};
    }
}

// The next pulse of a load, which the recorder does not see: true when one began; false once the
// run stands at the snapshot's wait and the snapshot is written over it.
bool WindowFrontend::drive(sim::Board& board) {
    board.watch_reads(nullptr);
    const std::optional<sim::Buttons> buttons =
        loading_->load.next_pulse(sim::snapshot::waiting_position(board));
    if (buttons) {
        board.begin_pulse(board.pulse() + 1, *buttons);
        return true;
    }
    sim::snapshot::apply(loading_->load.snapshot(), board);
    InputRecorder& recorder = outputs_.input();
    if (const auto* mark = std::get_if<InputRecorder::Mark>(&loading_->recorder)) {
        recorder.rewind_to(*mark);
    } else {
        recorder.restore(std::get<InputRecorder::State>(loading_->recorder));
        ring_.clear();  // its marks belong to the record given up
    }
    board.watch_reads(&recorder);
    last_rise_ = board.pulse();
    clock_.set(rise_time(board.pulse() + 1), real_now());
    show_display(board);
    if (!loading_->notice.empty()) {
        controls_.tell(loading_->notice, real_now());
    }
    loading_.reset();
    return false;
}

}  // namespace frontends::window
