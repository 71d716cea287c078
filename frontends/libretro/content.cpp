// The content is read from the frontend's copy in memory: the core does not need the full path,
// and reads no file itself (the C library's file calls would ask more of the players' systems).

#include "frontends/libretro/content.h"

#include <array>
#include <string>
#include <string_view>

#include "frontends/common/controls.h"

namespace frontends::libretro {
namespace {

std::string_view file_name(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

struct PadButton {
    unsigned id;
    const char* text;
};
constexpr PadButton kPadButtons[] = {
    {RETRO_DEVICE_ID_JOYPAD_UP, "Stick up (push the balls)"},
    {RETRO_DEVICE_ID_JOYPAD_DOWN, "Stick down (push the balls)"},
    {RETRO_DEVICE_ID_JOYPAD_LEFT, "Stick left (push the balls)"},
    {RETRO_DEVICE_ID_JOYPAD_RIGHT, "Stick right (push the balls)"},
    {RETRO_DEVICE_ID_JOYPAD_SELECT, "Select (slow motion)"},
    {RETRO_DEVICE_ID_JOYPAD_START, "Start (quit)"},
};
constexpr unsigned kPlayerPorts = 2;

Held held_on(retro_input_state_t input_state, unsigned port) {
    const auto held = [&](unsigned id) {
        return input_state(port, RETRO_DEVICE_JOYPAD, 0, id) != 0;
    };
    Held pad;
    pad.up = held(RETRO_DEVICE_ID_JOYPAD_UP);
    pad.down = held(RETRO_DEVICE_ID_JOYPAD_DOWN);
    pad.left = held(RETRO_DEVICE_ID_JOYPAD_LEFT);
    pad.right = held(RETRO_DEVICE_ID_JOYPAD_RIGHT);
    pad.start = held(RETRO_DEVICE_ID_JOYPAD_START);
    pad.select = held(RETRO_DEVICE_ID_JOYPAD_SELECT);
    return pad;
}

}  // namespace

std::optional<Run> read_content(const retro_game_info* game) {
    const bool path = game != nullptr && game->path != nullptr && *game->path != '\0';
    if (game == nullptr || (game->data == nullptr && !path)) {
        return std::nullopt;
    }
    if (game->data == nullptr) {
        throw ScriptError(std::string(file_name(game->path)) +
                          ": the frontend gave the file's name without its contents");
    }
    try {
        return parse_run(std::string_view((const char*)game->data, game->size));
    } catch (const ScriptError& error) {
        if (!path) {
            throw;
        }
        throw ScriptError(std::string(file_name(game->path)) + ": " + error.what());
    }
}

sim::Buttons player_buttons(retro_input_state_t input_state) {
    Held held;
    for (unsigned port = 0; input_state != nullptr && port < kPlayerPorts; ++port) {
        held |= held_on(input_state, port);
    }
    return console_buttons(held);
}

const retro_input_descriptor* input_descriptors() {
    static std::array<retro_input_descriptor, kPlayerPorts * std::size(kPadButtons) + 1> list{};
    size_t i = 0;
    for (unsigned port = 0; port < kPlayerPorts; ++port) {
        for (const PadButton& button : kPadButtons) {
            list[i++] = {port, RETRO_DEVICE_JOYPAD, 0, button.id, button.text};
        }
    }
    return list.data();
}

}  // namespace frontends::libretro
