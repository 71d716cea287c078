#pragma once
// The demo on a simulated board that advances one vertical-sync pulse per call, for hosts that
// call us once a frame: the demo's blocking loop runs unchanged on a coroutine in between.

#include <stdint.h>

#include <memory>
#include <optional>
#include <string>

#include "frontends/libretro/coroutine.h"
#include "platform/sim/board.h"
#include "platform/sim/run_demo.h"
#include "platform/sim/snapshot.h"

namespace frontends::libretro {

// One run of the demo, from set-up to its hand-over. The demo's state is global, so only one
// runner may exist in a process at a time.
class PulseRunner : public sim::Frontend {
  public:
    // `counter`: the free-running counter's value at start; its upper half seeds the demo.
    explicit PulseRunner(uint32_t counter);
    // Unwinds a run still in progress, so nothing on its stack is left behind.
    ~PulseRunner() override;

    // One pulse, with these buttons held from its rising edge on. The demo then runs until it
    // waits for the next pulse or ends. The first call also runs the set-up, with `from_start`
    // (or the same buttons) held before the first pulse, so after n calls the display shows the
    // n-th frame. Does nothing once the demo has ended.
    // Rethrows what stopped the demo, if anything.
    void run_pulse(sim::Buttons buttons, std::optional<sim::Buttons> from_start = std::nullopt);
    // The demo will not run again: it ended, or an error stopped it.
    bool done() const { return coroutine_.finished(); }
    const sim::Board& board() const { return board_; }
    sim::Board& board() { return board_; }
    // Before the first pulse, at one of the demo's waits, or done.
    sim::snapshot::Position position() const;

    void await_edge(sim::Board& board) override;

  private:
    struct Cancelled {};

    sim::Board board_;
    Coroutine coroutine_;
    sim::Buttons buttons_ = 0;
    bool started_ = false;
    bool pulse_due_ = false;  // this call's rising edge has not happened yet
    bool cancelled_ = false;
};

// The run's state as a snapshot of sim::snapshot::kBytes.
void save_state(const PulseRunner& runner, uint8_t* out);
// Brings `runner` to the state of the snapshot in `data` (a fresh run where the snapshot's
// position or seed asks for one, then pulses); false with the reason in `error`, the run as it
// was, for a snapshot that cannot be loaded.
bool load_state(std::unique_ptr<PulseRunner>& runner, const uint8_t* data, size_t size,
                std::string& error);

}  // namespace frontends::libretro
