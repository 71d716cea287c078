// Button names, stick contacts and pin levels of the simulated board.

#include "platform/sim/buttons.h"

#include <array>

namespace sim {
namespace {

struct ButtonInfo {
    Button button;
    std::string_view name;
    int code;  // 16 x port + bit
};

constexpr std::array<ButtonInfo, 10> kButtons = {{
    {kStart, "start", 8},
    {kSelect, "select", 9},
    {kUp, "up", 160},
    {kDown, "down", 164},
    {kLeft, "left", 162},
    {kRight, "right", 166},
    {kUpLeft, "up-left", 161},
    {kUpRight, "up-right", 167},
    {kDownLeft, "down-left", 163},
    {kDownRight, "down-right", 165},
}};

}  // namespace

std::string_view button_name(Button button) {
    for (const ButtonInfo& info : kButtons) {
        if (info.button == button) {
            return info.name;
        }
    }
    return {};
}

std::optional<Button> button_from_name(std::string_view name) {
    for (const ButtonInfo& info : kButtons) {
        if (info.name == name) {
            return info.button;
        }
    }
    return std::nullopt;
}

std::string buttons_to_string(Buttons buttons) {
    std::string text;
    for (const ButtonInfo& info : kButtons) {
        if (buttons & info.button) {
            if (!text.empty()) {
                text += '+';
            }
            text += info.name;
        }
    }
    return text.empty() ? "none" : text;
}

Buttons stick_contact(bool up, bool down, bool left, bool right) {
    const bool vertical_up = up && !down;
    const bool vertical_down = down && !up;
    const bool horizontal_left = left && !right;
    const bool horizontal_right = right && !left;
    if (vertical_up) {
        return horizontal_left ? kUpLeft : horizontal_right ? kUpRight : kUp;
    }
    if (vertical_down) {
        return horizontal_left ? kDownLeft : horizontal_right ? kDownRight : kDown;
    }
    return horizontal_left ? kLeft : horizontal_right ? kRight : 0;
}

uint16_t pin_levels(Buttons buttons, int port) {
    uint16_t levels = 0xFFFF;
    for (const ButtonInfo& info : kButtons) {
        if ((buttons & info.button) && info.code / 16 == port) {
            levels &= (uint16_t) ~(1u << (info.code % 16));
        }
    }
    return levels;
}

Buttons port_contacts(int port) {
    Buttons contacts = 0;
    for (const ButtonInfo& info : kButtons) {
        if (info.code / 16 == port) {
            contacts |= info.button;
        }
    }
    return contacts;
}

}  // namespace sim
