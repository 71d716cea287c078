// Live controls of the window mapped to console buttons, and its own keys to what they ask.

#include "frontends/window/controls.h"

#include <SDL.h>

#include "frontends/window/slots.h"

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

Command key_command(int scancode, uint16_t modifiers) {
    using Key = PlayerControls::Key;
    const auto player = [](Key key) { return Command{Command::kPlayer, key, 0}; };
    const bool enter = scancode == SDL_SCANCODE_RETURN || scancode == SDL_SCANCODE_KP_ENTER;
    if (scancode == SDL_SCANCODE_ESCAPE) {
        return player(Key::kLeave);
    } else if (scancode == SDL_SCANCODE_F11 || (enter && (modifiers & KMOD_ALT))) {
        return {Command::kFullscreen};
    } else if (scancode == SDL_SCANCODE_F12) {
        return {Command::kScreenshot};
    } else if (scancode == SDL_SCANCODE_P) {
        return player(Key::kPause);
    } else if (scancode == SDL_SCANCODE_N) {
        return player(Key::kAdvance);
    } else if (scancode == SDL_SCANCODE_BACKSPACE) {
        return player(Key::kStepBack);
    } else if (scancode >= SDL_SCANCODE_F1 && scancode < SDL_SCANCODE_F1 + kSlots) {
        const Command::Kind kind =
            (modifiers & KMOD_SHIFT) ? Command::kSaveSlot : Command::kLoadSlot;
        return {kind, {}, scancode - SDL_SCANCODE_F1 + 1};
    }
    return {};
}

}  // namespace frontends::window
