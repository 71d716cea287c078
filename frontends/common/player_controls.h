#pragma once
// The player's controls over a run, apart from the console's buttons: pause, a pulse at a time,
// fast-forward, stepping back, leaving, and the title's word on them. Plain values: what was
// pressed and held and real times come in; what the run may do now goes out.

#include <stdint.h>

#include <string>

#include "platform/sim/board.h"

namespace frontends {

class PlayerControls {
  public:
    // Real times are nanoseconds on any monotonic clock.
    static constexpr int64_t kSecond = 1'000'000'000;
    // Fast-forward shows a picture, and a held step back steps, at most once a pulse of real time.
    static constexpr int64_t kPulseTime = kSecond / sim::kPulsesPerSecond;
    static constexpr int64_t kNoticeTime = 2 * kSecond;  // a notice stays this long

    enum class Key {
        kPause,     // pause, or resume
        kAdvance,   // while paused: one pulse on
        kStepBack,  // pressed: one step back however soon it is let go
        kLeave,     // the run is to end: nothing holds it back from then on
    };

    // A key pressed, in the order the presses came.
    void press(Key key);
    // What is held once the presses of one look at the keys are in: fast-forward and stepping
    // back. A leaving run lets go of everything, a paused one of fast-forward, a running one of
    // the advances asked while it was paused.
    void holding(bool fast, bool step_back);
    // A message for the title until `real` + kNoticeTime.
    void tell(const std::string& notice, int64_t real);

    // No pulse may rise: paused with no advance owed, or stepping back.
    bool held() const { return step_asked_ || rewinding_ || (paused_ && advances_ == 0); }
    // Whether to step back now, at real time `real`: once for a press, then once a pulse while
    // held. A step taken is spent; the next one falls due at next_step().
    bool take_step_back(int64_t real);
    int64_t next_step() const { return next_step_; }
    // The next pulse rises at once rather than at its time.
    bool rise_at_once() const { return fast_ || advances_ > 0; }
    // The next pulse rises: an advance owed is spent on it.
    void rising() { advances_ -= advances_ > 0; }
    // Whether the pulse risen at `real` is to be shown; fast-forward shows one a pulse of real
    // time apart.
    bool picture_due(int64_t real);

    bool paused() const { return paused_; }
    bool fast() const { return fast_; }
    bool rewinding() const { return rewinding_; }
    bool leaving() const { return leaving_; }
    // "paused", "rewinding" or "fast", and the notice while it lasts, joined by ", "; empty when
    // there is nothing to tell.
    std::string state_text(int64_t real) const;

  private:
    bool paused_ = false;
    int advances_ = 0;
    bool fast_ = false;
    bool rewinding_ = false;
    bool step_asked_ = false;
    bool leaving_ = false;
    int64_t next_step_ = 0;
    int64_t next_show_ = 0;
    std::string notice_;
    int64_t notice_until_ = 0;
};

}  // namespace frontends
