#pragma once
// The console's buttons as the front ends speak of them, and their pin levels on the board.

#include <stdint.h>

#include <optional>
#include <string>
#include <string_view>

namespace sim {

// One bit per console contact.
enum Button : uint16_t {
    kStart = 1 << 0,
    kSelect = 1 << 1,
    kUp = 1 << 2,
    kDown = 1 << 3,
    kLeft = 1 << 4,
    kRight = 1 << 5,
    kUpLeft = 1 << 6,
    kUpRight = 1 << 7,
    kDownLeft = 1 << 8,
    kDownRight = 1 << 9,
};
using Buttons = uint16_t;
constexpr Buttons kAllButtons = 0x3FF;

// Script names in bit order: start select up down left right up-left up-right down-left down-right.
std::string_view button_name(Button button);
std::optional<Button> button_from_name(std::string_view name);
// Names joined by '+', or "none".
std::string buttons_to_string(Buttons buttons);

// The stick's one contact for four direction switches (as keys or a d-pad report them): two
// neighbouring directions close the diagonal contact between them; opposite ones cancel.
Buttons stick_contact(bool up, bool down, bool left, bool right);

// Level of the pin register of `port` (0x1184 + 2 x port) with these buttons held (pressed = 0).
uint16_t pin_levels(Buttons buttons, int port);
// The buttons whose pins are in the register of `port` (none for a port without buttons).
Buttons port_contacts(int port);

}  // namespace sim
