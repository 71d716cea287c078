// The controls' rules, each where its input comes in: presses count in the order they came, and
// what they add up to is settled once per look at the keys.

#include "frontends/common/player_controls.h"

namespace frontends {

void PlayerControls::press(Key key) {
    switch (key) {
        case Key::kPause:
            paused_ = !paused_;
            break;
        case Key::kAdvance:
            advances_ += paused_;
            break;
        case Key::kStepBack:
            step_asked_ = true;
            break;
        case Key::kLeave:
            leaving_ = true;
            break;
    }
}

void PlayerControls::holding(bool fast, bool step_back) {
    paused_ = paused_ && !leaving_;
    advances_ = paused_ ? advances_ : 0;
    fast_ = fast && !paused_ && !leaving_;
    rewinding_ = step_back && !leaving_;
    step_asked_ = step_asked_ && !leaving_;
}

void PlayerControls::tell(const std::string& notice, int64_t real) {
    notice_ = notice;
    notice_until_ = real + kNoticeTime;
}

bool PlayerControls::take_step_back(int64_t real) {
    if (!step_asked_ && !(rewinding_ && real >= next_step_)) {
        return false;
    }
    step_asked_ = false;
    next_step_ = real + kPulseTime;
    return true;
}

bool PlayerControls::picture_due(int64_t real) {
    if (fast_ && real < next_show_) {
        return false;
    }
    next_show_ = real + kPulseTime;
    return true;
}

std::string PlayerControls::state_text(int64_t real) const {
    std::string state = paused_ ? "paused" : "";
    const char* motion = rewinding_ ? "rewinding" : fast_ ? "fast" : "";
    for (const std::string& part : {std::string(motion), real < notice_until_ ? notice_ : ""}) {
        if (!part.empty()) {
            state += (state.empty() ? "" : ", ") + part;
        }
    }
    return state;
}

}  // namespace frontends
