#pragma once
// What the window's live controls press on the console: the keyboard and gamepads, each mapped to
// direction switches and buttons, merged into the one stick contact the console's stick closes;
// and what the window's own keys ask for.

#include <stdint.h>

#include "frontends/common/controls.h"
#include "frontends/common/player_controls.h"

namespace frontends::window {

// Keys held, from an SDL keyboard state (indexed by scancode, SDL_NUM_SCANCODES entries): arrows
// are the stick, Enter is START (not while Alt is held: Alt+Enter toggles fullscreen), Space and
// either Shift are SELECT.
Held keyboard_held(const uint8_t* keys);

// One gamepad's reading: the d-pad, the left stick's axes (-32768..32767, up and left negative),
// Start and Back.
struct GamepadReading {
    bool dpad_up = false, dpad_down = false, dpad_left = false, dpad_right = false;
    int16_t stick_x = 0, stick_y = 0;
    bool start = false, back = false;
};

// A stick axis counts as pushed beyond this (about a quarter of its travel), so a resting stick
// that does not centre exactly closes no contact.
constexpr int kStickDeadZone = 8000;

Held gamepad_held(const GamepadReading& reading);

// What a key pressed in the window asks for besides the console's buttons, from its SDL scancode
// and the modifiers held (SDL_Keymod): Escape leaves, P, N and Backspace are the player's, F11 and
// Alt+Enter toggle fullscreen, F12 saves a screenshot, Shift+F1-F9 save a slot and F1-F9 load one.
struct Command {
    enum Kind { kNone, kPlayer, kFullscreen, kScreenshot, kSaveSlot, kLoadSlot };
    Kind kind = kNone;
    PlayerControls::Key key = PlayerControls::Key::kPause;  // kPlayer's
    int slot = 0;                                           // 1-9, kSaveSlot's or kLoadSlot's
};
Command key_command(int scancode, uint16_t modifiers);

}  // namespace frontends::window
