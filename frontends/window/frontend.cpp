// Real-time pulses: the demo's busy-wait reaches await_edge() only when the level it saw last
// still holds, and then sleeps until the next edge is due, so waiting costs no processor time.

#include "frontends/window/frontend.h"

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "frontends/capture/image_output.h"
#include "frontends/window/controls.h"
#include "frontends/window/interrupt.h"
#include "frontends/window/pulses.h"

namespace frontends::window {
namespace {

// A demo that stalled for long would otherwise feed the recording one frame per missed pulse.
constexpr uint32_t kMostPulsesRecordedAtOnce = 60;

int64_t nanoseconds(const timespec& t) {
    return (int64_t)t.tv_sec * kSecond + t.tv_nsec;
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

WindowFrontend::WindowFrontend(Video& video, Outputs& outputs, InputTimeline timeline)
    : video_(video),
      outputs_(outputs),
      timeline_(std::move(timeline)),
      gamepads_(std::make_unique<Gamepads>()) {}

WindowFrontend::~WindowFrontend() = default;

int64_t WindowFrontend::now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    if (!start_) {
        start_ = t;
    }
    return nanoseconds(t) - nanoseconds(*start_);
}

void WindowFrontend::sleep_until(int64_t at) const {
    const int64_t when = nanoseconds(*start_) + at;
    const timespec until{(time_t)(when / kSecond), (long)(when % kSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

void WindowFrontend::await_edge(sim::Board& board) {
    const Edge edge = next_edge(now(), board.sync_high(), board.pulse());
    if (edge.kind == Edge::kFall) {
        if (edge.pulse != board.pulse()) {
            rise(board, edge.pulse);
        }
        sleep_until(edge.at);
        board.end_pulse();
        return;
    }
    sleep_until(edge.at);
    rise(board, edge.pulse);
}

void WindowFrontend::rise(sim::Board& board, uint32_t pulse) {
    handle_events(board);
    board.begin_pulse(pulse, timeline_.at(pulse) | live_buttons());
    // Pulses missed since the last rise still count for the recording's clock.
    const uint32_t missed = pulse - last_rise_ - 1;
    for (uint32_t p = pulse - std::min(missed, kMostPulsesRecordedAtOnce); p <= pulse; ++p) {
        outputs_.on_pulse(board, p);
    }
    last_rise_ = pulse;
    board.capture(scratch_);
    video_.show(scratch_);
}

void WindowFrontend::handle_events(sim::Board& board) {
    if (InterruptAsStart::taken()) {
        leaving_ = true;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_QUIT:
                leaving_ = true;
                break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                    leaving_ = true;
                } else {
                    video_.invalidate();
                }
                break;
            case SDL_KEYDOWN: {
                if (event.key.repeat) {
                    break;
                }
                const SDL_Scancode key = event.key.keysym.scancode;
                const bool alt = event.key.keysym.mod & KMOD_ALT;
                if (key == SDL_SCANCODE_ESCAPE) {
                    leaving_ = true;
                } else if (key == SDL_SCANCODE_F11 ||
                           (alt && (key == SDL_SCANCODE_RETURN || key == SDL_SCANCODE_KP_ENTER))) {
                    video_.toggle_fullscreen();
                } else if (key == SDL_SCANCODE_F12) {
                    save_screenshot(board);
                }
                break;
            }
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
}

sim::Buttons WindowFrontend::live_buttons() const {
    Held held = keyboard_held(SDL_GetKeyboardState(nullptr));
    held |= gamepads_->held();
    sim::Buttons buttons = console_buttons(held);
    if (leaving_) {
        buttons |= sim::kStart;
    }
    return buttons;
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

void WindowFrontend::hand_over(sim::Board& board) {
    InterruptAsStart::release();
    board.capture(scratch_);
    video_.show(scratch_);
    sim::Frontend::hand_over(board);
}

}  // namespace frontends::window
