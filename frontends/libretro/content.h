#pragma once
// What the core plays: a run file given as content replays from its seed, then the player takes
// over; without content the player plays from the start. Both of the frontend's first two pads
// together are the player, as the window merges its keyboard and gamepads.

#include <stdint.h>

#include <optional>

#include <libretro.h>

#include "frontends/common/script.h"

namespace frontends::libretro {

// The run the content holds; empty when there is no content. A file that is not a run throws a
// ScriptError of one line naming the file (where the frontend gives its path), the line and why.
std::optional<Run> read_content(const retro_game_info* game);

// What the player holds on ports 0 and 1 together, as console buttons (netplay's second player
// is port 1).
sim::Buttons player_buttons(retro_input_state_t input_state);
// The buttons of both ports named for the frontend's remapping menu, ended by a null entry.
const retro_input_descriptor* input_descriptors();

}  // namespace frontends::libretro
