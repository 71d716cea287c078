#pragma once
// Snapshots of the demo's run on the simulated board: data only, in a fixed-size portable format,
// and the way a live run is brought back to what one holds.
//
// A snapshot holds the demo's globals that frames change (the scroll counter, the balls but for
// their sprites, the flip state as the scan address), the board's pulse, pins, scan address and
// loaded palette (the palette store's content), the counter that seeded the run, and the control
// position: before set-up, at the frame loop's wait, at slow motion's i-th wait, or past the
// hand-over. Everything else follows from the seed: every pointer, the generator (no frame draws
// from it), the sprites, the rotation table and the plasma are the same in every run set up with
// that seed; the back buffer is redrawn whole before it is read; and the buffer on display is
// what the last frame drew from the globals it left, so it is drawn again from them.
//
// To load one, the host brings its live run to the snapshot's position through the demo's own
// code (a fresh run where needed, then pulses), and only then writes the data over it. Nothing is
// restored onto a stack, so a snapshot saved in one process loads in another.

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <optional>
#include <string>

#include "platform/sim/board.h"
#include "scene/balls.h"

namespace sim::snapshot {

// Where the demo's control is.
enum class Stage : uint8_t { kNotStarted, kWaiting, kEnded };
struct Position {
    Stage stage = Stage::kNotStarted;
    uint8_t slow_wait = 0;  // waiting: 0 at the frame loop's wait, 1-16 at slow motion's i-th
    bool operator==(const Position&) const = default;
};

// The wait the demo on `board` is in, while it waits for the sync line to rise.
Position waiting_position(const Board& board);

// Every snapshot has this size, whatever its position.
constexpr size_t kBytes = 2004;
constexpr uint32_t kVersion = 1;

// One ball as saved: all but its sprite, which never changes after set-up.
struct SavedBall {
    int32_t x, y, angle, vx, vy, spin;
    uint8_t rotation;
};

// A snapshot read and checked.
struct Snapshot {
    uint32_t counter = 0;  // the free-running counter the run started with
    Position position;
    BoardState board;
    int32_t scroll_counter = 0;
    std::array<SavedBall, BALL_COUNT> balls{};
};

// Writes kBytes to `out`: the run on `board`, at `position` (empty but for the counter before
// set-up).
void save(const Board& board, Position position, uint8_t* out);

// The snapshot in `data`, or empty with a one-line reason in `error` when it is not one this
// version wrote or holds a state no run can be in.
std::optional<Snapshot> read(const uint8_t* data, size_t size, std::string& error);

// Whether a run on `board` at `live` must give way to a fresh run (not yet started) with the
// snapshot's counter before it can reach the snapshot's position.
bool needs_fresh_run(const Snapshot& snapshot, const Board& board, Position live);

// The buttons for the next pulse that brings a run at `live` towards `target`, a position it can
// reach without a fresh run; empty when it is there.
std::optional<Buttons> next_pulse(Position live, Position target);

// A load under way: the snapshot, and the pulses spent so far bringing a run to its position.
class Load {
  public:
    explicit Load(const Snapshot& snapshot) : snapshot_(snapshot) {}
    const Snapshot& snapshot() const { return snapshot_; }
    // next_pulse() towards the snapshot's position. Throws std::logic_error once more pulses have
    // gone by than any position needs: the run did not go where the demo's code takes it.
    std::optional<Buttons> next_pulse(Position live);

  private:
    Snapshot snapshot_;
    int pulses_ = 0;
};

// Writes the snapshot over the run on `board`, which is at the snapshot's position, and draws the
// buffer on display again.
void apply(const Snapshot& snapshot, Board& board);

}  // namespace sim::snapshot
