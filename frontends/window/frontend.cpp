// Real-time pulses: the demo's busy-wait reaches await_edge() only when the level it saw last
// still holds, and then sleeps until the next edge is due, so waiting costs no processor time.
//
// The player's controls (PlayerControls, fed from SDL's events here) act there too, while the demo
// waits for a rise: a held run stops the console's clock and waits for keys, fast-forward sets
// the clock to each next edge, and a load (a step back or a slot, loads.cpp) runs its pulses there.

#include "frontends/window/frontend.h"

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "frontends/capture/image_output.h"
#include "frontends/capture/recorded_run.h"
#include "frontends/window/interrupt.h"

namespace frontends::window {
namespace {

// A demo that stalled for long would otherwise feed the recording one frame per missed pulse.
constexpr uint32_t kMostPulsesRecordedAtOnce = 60;
constexpr int kPausedWaitMs = 100;  // a paused run still looks for Ctrl+C this often
constexpr int kEventPollMs = 10;

// Waits up to `ms` for an event, taking it into `event` (null: leaving it queued). Not through
// SDL's own timed wait: on X11 that wakes itself with an event sent to the window over a second
// connection, and one still on its way when the window closes ends the program with an X error.
bool wait_for_event(SDL_Event* event, int ms) {
    for (int waited = 0;; waited += kEventPollMs) {
        if (SDL_PollEvent(event)) {
            return true;
        }
        if (waited >= ms) {
            return false;
        }
        SDL_Delay(kEventPollMs);
    }
}

// "plasmaballs-20240131-235959-123.png", from the wall clock.
std::string screenshot_name() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    tm local;
    localtime_r(&now.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    char name[64];
    std::snprintf(name, sizeof name, "plasmaballs-%s-%03ld.png", stamp, now.tv_nsec / 1000000);
    return name;
}

}  // namespace

struct WindowFrontend::Gamepads {
    std::vector<SDL_GameController*> open;

    ~Gamepads() {
        for (SDL_GameController* pad : open) {
            SDL_GameControllerClose(pad);
        }
    }
    void added(int device) {
        if (SDL_GameController* pad = SDL_GameControllerOpen(device)) {
            const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
            for (SDL_GameController* known : open) {
                if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(known)) == id) {
                    SDL_GameControllerClose(pad);  // opened twice: keep one reference
                    return;
                }
            }
            open.push_back(pad);
        }
    }
    void removed(SDL_JoystickID id) {
        std::erase_if(open, [id](SDL_GameController* pad) {
            if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) != id) {
                return false;
            }
            SDL_GameControllerClose(pad);
            return true;
        });
    }
    Held held() const {
        Held held;
        for (SDL_GameController* pad : open) {
            const auto button = [pad](SDL_GameControllerButton b) {
                return SDL_GameControllerGetButton(pad, b) != 0;
            };
            GamepadReading reading;
            reading.dpad_up = button(SDL_CONTROLLER_BUTTON_DPAD_UP);
            reading.dpad_down = button(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
            reading.dpad_left = button(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
            reading.dpad_right = button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
            reading.stick_x = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX);
            reading.stick_y = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY);
            reading.start = button(SDL_CONTROLLER_BUTTON_START);
            reading.back = button(SDL_CONTROLLER_BUTTON_BACK);
            held |= gamepad_held(reading);
        }
        return held;
    }
};

std::string window_title(uint16_t seed, const std::string& state) {
    const std::string title = "plasmaballs (seed " + std::to_string(seed) + ")";
    return state.empty() ? title : title + " - " + state;
}

WindowFrontend::WindowFrontend(Video& video, Outputs& outputs, InputTimeline timeline)
    : video_(video),
      outputs_(outputs),
      timeline_(std::move(timeline)),
      gamepads_(std::make_unique<Gamepads>()) {}

WindowFrontend::~WindowFrontend() = default;

int WindowFrontend::run(sim::Board& board) {
    for (;;) {
        try {
            return run_to_hand_over(board, outputs_);
        } catch (const FreshRun& fresh) {
            board.set_counter(fresh.counter);
            board.set_buttons(0);  // the load's own pulses set the buttons from its first wait
        }
    }
}

int64_t WindowFrontend::real_now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * kSecond + t.tv_nsec;
}

void WindowFrontend::sleep_until_real(int64_t real) {
    const timespec until{(time_t)(real / kSecond), (long)(real % kSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

void WindowFrontend::sleep_until(int64_t at) const {
    sleep_until_real(clock_.real_at(at));
}

void WindowFrontend::await_edge(sim::Board& board) {
    if (!started_) {
        clock_.set(0, real_now());
        started_ = true;
    }
    if (board.sync_high()) {
        fall(board);
    } else {
        wait_for_rise(board);
    }
}

void WindowFrontend::fall(sim::Board& board) {
    // A load's pulses and fast-forward's fall at once.
    if (loading_ || controls_.fast()) {
        if (!loading_) {
            clock_.set(fall_time(board.pulse()), real_now());
        }
        board.end_pulse();
        return;
    }
    const Edge edge = next_edge(clock_.now(real_now()), true, board.pulse());
    if (edge.pulse != board.pulse()) {
        // A replay is exact only if every wait takes one pulse: a late demo puts the clock back.
        if (timeline_.replaying(edge.pulse)) {
            clock_.set(fall_time(board.pulse()), real_now());
            board.end_pulse();
            return;
        }
        rise(board, edge.pulse);
    }
    sleep_until(edge.at);
    board.end_pulse();
}

void WindowFrontend::wait_for_rise(sim::Board& board) {
    for (;;) {
        if (loading_ && drive(board)) {
            return;
        }
        handle_events(board);
        if (loading_) {
            continue;  // a slot to load
        }
        const int64_t real = real_now();
        update_title(board, real);
        if (hold(board, real)) {
            continue;
        }
        const int64_t due = rise_time(board.pulse() + 1);
        if (controls_.rise_at_once() ||
            (timeline_.replaying(board.pulse() + 1) && clock_.now(real) > due)) {
            clock_.set(due, real);
        }
        // The demo looked in time: this edge is its, however late this thread wakes for it,
        // unless the keys pressed meanwhile hold the run.
        const Edge edge = next_edge(clock_.now(real), false, board.pulse());
        sleep_until(edge.at);
        handle_events(board);
        if (loading_ || controls_.held()) {
            continue;
        }
        controls_.rising();
        keep_for_rewind(board);
        rise(board, edge.pulse);
        return;
    }
}

// Paused or rewinding, the console's clock stands still and the demo stays at its wait, while the
// window shows what the display holds; a step back begins a load. True while the run is held.
bool WindowFrontend::hold(sim::Board& board, int64_t real) {
    if (controls_.take_step_back(real) && step_back(board)) {
        return true;
    }
    if (!controls_.held()) {
        clock_.run(real);
        return false;
    }
    clock_.stop(real);
    show_display(board);
    if (controls_.rewinding()) {
        sleep_until_real(controls_.next_step());
    } else {
        wait_for_event(nullptr, kPausedWaitMs);
    }
    return true;
}

void WindowFrontend::rise(sim::Board& board, uint32_t pulse) {
    // Leaving holds START even while a run replays: nothing may keep the player in the window.
    const sim::Buttons leave = controls_.leaving() ? sim::kStart : 0;
    board.begin_pulse(pulse, timeline_.with_player(pulse, live_buttons()) | leave);
    // Pulses missed since the last rise still count for the recording's clock.
    const uint32_t missed = pulse - last_rise_ - 1;
    for (uint32_t p = pulse - std::min(missed, kMostPulsesRecordedAtOnce); p <= pulse; ++p) {
        outputs_.on_pulse(board, p);
    }
    last_rise_ = pulse;
    if (controls_.picture_due(real_now())) {
        board.capture(scratch_);
        video_.show(scratch_);
    }
    showing_now_ = false;
}

void WindowFrontend::show_display(const sim::Board& board) {
    board.capture(scratch_);
    video_.show(scratch_);
    showing_now_ = true;
}

void WindowFrontend::handle_events(sim::Board& board) {
    if (InterruptAsStart::taken()) {
        controls_.press(PlayerControls::Key::kLeave);
    }
    SDL_Event event;
    while (!loading_ && SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_QUIT:
                controls_.press(PlayerControls::Key::kLeave);
                break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                    controls_.press(PlayerControls::Key::kLeave);
                } else {
                    video_.invalidate();
                }
                break;
            case SDL_KEYDOWN:
                if (!event.key.repeat) {
                    obey(board, key_command(event.key.keysym.scancode, event.key.keysym.mod));
                }
                break;
            case SDL_CONTROLLERDEVICEADDED:
                gamepads_->added(event.cdevice.which);
                break;
            case SDL_CONTROLLERDEVICEREMOVED:
                gamepads_->removed(event.cdevice.which);
                break;
            default:
                break;
        }
    }
    const uint8_t* keys = SDL_GetKeyboardState(nullptr);
    controls_.holding(keys[SDL_SCANCODE_TAB], keys[SDL_SCANCODE_BACKSPACE]);
}

void WindowFrontend::obey(sim::Board& board, const Command& command) {
    switch (command.kind) {
        case Command::kNone:
            break;
        case Command::kPlayer:
            controls_.press(command.key);
            break;
        case Command::kFullscreen:
            video_.toggle_fullscreen();
            break;
        case Command::kScreenshot:
            save_screenshot(board);
            break;
        case Command::kSaveSlot:
            save_to_slot(board, command.slot);
            break;
        case Command::kLoadSlot:
            load_from_slot(board, command.slot);
            break;
    }
}

sim::Buttons WindowFrontend::live_buttons() const {
    Held held = keyboard_held(SDL_GetKeyboardState(nullptr));
    held |= gamepads_->held();
    return console_buttons(held);
}

void WindowFrontend::save_screenshot(const sim::Board& board) const {
    const std::string name = screenshot_name();
    try {
        save_png(name, board.picture());
        std::fprintf(stderr, "plasmaballs: screenshot saved as %s\n", name.c_str());
    } catch (const OutputError& error) {
        std::fprintf(stderr, "plasmaballs: no screenshot: %s\n", error.what());
    }
}

void WindowFrontend::update_title(const sim::Board& board, int64_t real) {
    std::string state = controls_.state_text(real);
    if (timeline_.replaying(board.pulse())) {
        state = state.empty() ? "replaying" : "replaying, " + state;
    }
    set_title(board, state);
}

void WindowFrontend::set_title(const sim::Board& board, const std::string& state) {
    const std::string title = window_title(board.peek_register(sim::Board::kCounterHigh), state);
    if (title != title_) {
        video_.set_title(title);
        title_ = title;
    }
}

void WindowFrontend::hand_over(sim::Board& board) {
    board.capture(scratch_);
    video_.show(scratch_);
    // A run file that ends with START ends the run itself: its last picture stays until the
    // player closes the window, so that a file opened from a file manager does not flash by.
    if (timeline_.replaying(board.pulse()) && !controls_.leaving()) {
        set_title(board, "ended");
        while (!closing()) {
        }
    }
    InterruptAsStart::release();
    sim::Frontend::hand_over(board);
}

// Waits a moment for the window's events: true once the player closes it (Escape, Enter, closing
// it, Ctrl+C).
bool WindowFrontend::closing() {
    SDL_Event event;
    if (InterruptAsStart::taken()) {
        return true;
    }
    if (!wait_for_event(&event, kPausedWaitMs)) {
        return false;
    }
    switch (event.type) {
        case SDL_QUIT:
            return true;
        case SDL_WINDOWEVENT:
            video_.invalidate();
            video_.show(scratch_);
            return event.window.event == SDL_WINDOWEVENT_CLOSE;
        case SDL_KEYDOWN:
            return event.key.keysym.scancode == SDL_SCANCODE_ESCAPE ||
                   event.key.keysym.scancode == SDL_SCANCODE_RETURN ||
                   event.key.keysym.scancode == SDL_SCANCODE_KP_ENTER;
        default:
            return false;
    }
}

}  // namespace frontends::window
