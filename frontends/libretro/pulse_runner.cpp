// Where the demo stops: at a rising edge that this call's pulse has already used. Falls happen at
// once, so one call covers one rise, the frame drawn after it, and everything up to the next rise.
// The run ends by unwinding the coroutine's own stack (DemoEnded, as the board ends every run),
// caught at its base by run_demo: nothing is ever thrown from one stack to the other.

#include "frontends/libretro/pulse_runner.h"

#include "platform/sim/run_demo.h"

namespace frontends::libretro {

PulseRunner::PulseRunner(uint32_t counter)
    : board_(*this), coroutine_([this] {
          try {
              sim::run_demo(board_);
          } catch (const Cancelled&) {
          }
      }) {
    board_.set_counter(counter);
}

PulseRunner::~PulseRunner() {
    if (started_ && !coroutine_.finished()) {
        cancelled_ = true;
        sim::attach(&board_);
        try {
            coroutine_.resume();
        } catch (...) {
        }
    }
}

void PulseRunner::run_pulse(sim::Buttons buttons, std::optional<sim::Buttons> from_start) {
    if (coroutine_.finished()) {
        return;
    }
    buttons_ = buttons;
    pulse_due_ = true;
    if (!started_) {
        board_.set_buttons(from_start.value_or(buttons));
        started_ = true;
    }
    // Others may have used the platform calls since our last pulse.
    sim::attach(&board_);
    coroutine_.resume();
}

void PulseRunner::await_edge(sim::Board& board) {
    if (board.sync_high()) {
        board.end_pulse();
        return;
    }
    if (!pulse_due_) {
        coroutine_.suspend();
        if (cancelled_) {
            throw Cancelled{};
        }
    }
    pulse_due_ = false;
    board.begin_pulse(board.pulse() + 1, buttons_);
}

sim::snapshot::Position PulseRunner::position() const {
    if (!started_) {
        return {sim::snapshot::Stage::kNotStarted, 0};
    }
    if (done()) {
        return {sim::snapshot::Stage::kEnded, 0};
    }
    return sim::snapshot::waiting_position(board_);
}

void save_state(const PulseRunner& runner, uint8_t* out) {
    sim::snapshot::save(runner.board(), runner.position(), out);
}

bool load_state(std::unique_ptr<PulseRunner>& runner, const uint8_t* data, size_t size,
                std::string& error) {
    const std::optional<sim::snapshot::Snapshot> snapshot = sim::snapshot::read(data, size, error);
    if (!snapshot) {
        return false;
    }
    if (sim::snapshot::needs_fresh_run(*snapshot, runner->board(), runner->position())) {
        runner.reset();
        runner = std::make_unique<PulseRunner>(snapshot->counter);
    }
    sim::snapshot::Load load(*snapshot);
    while (const std::optional<sim::Buttons> buttons = load.next_pulse(runner->position())) {
        runner->run_pulse(*buttons);
    }
    sim::snapshot::apply(*snapshot, runner->board());
    return true;
}

}  // namespace frontends::libretro
