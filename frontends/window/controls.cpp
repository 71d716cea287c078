// Live controls of the window mapped to console buttons.

#include "frontends/window/controls.h"

#include <SDL.h>

namespace frontends::window {

Held keyboard_held(const uint8_t* keys) {
    Held held;
    held.up = keys[SDL_SCANCODE_UP];
    held.down = keys[SDL_SCANCODE_DOWN];
    held.left = keys[SDL_SCANCODE_LEFT];
    held.right = keys[SDL_SCANCODE_RIGHT];
    const bool alt = keys[SDL_SCANCODE_LALT] || keys[SDL_SCANCODE_RALT];
    held.start = !alt && (keys[SDL_SCANCODE_RETURN] || keys[SDL_SCANCODE_KP_ENTER]);
    held.select =
        keys[SDL_SCANCODE_SPACE] || keys[SDL_SCANCODE_LSHIFT] || keys[SDL_SCANCODE_RSHIFT];
    return held;
}

Held gamepad_held(const GamepadReading& reading) {
    Held held;
    held.up = reading.dpad_up || reading.stick_y < -kStickDeadZone;
    held.down = reading.dpad_down || reading.stick_y > kStickDeadZone;
    held.left = reading.dpad_left || reading.stick_x < -kStickDeadZone;
    held.right = reading.dpad_right || reading.stick_x > kStickDeadZone;
    held.start = reading.start;
    held.select = reading.back;
    return held;
}

}  // namespace frontends::window
