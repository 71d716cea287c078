#pragma once
// What a front end's controls hold, as direction switches and buttons (keys, a d-pad, a touch
// pad, a host's joypad), and the console buttons that makes: the one stick contact and START and
// SELECT.

#include "platform/sim/buttons.h"

namespace frontends {

// Direction switches and buttons as one control (or all of them together) holds them.
struct Held {
    bool up = false, down = false, left = false, right = false;
    bool start = false, select = false;
    Held& operator|=(const Held& other);
};

// The console's buttons for what is held: two neighbouring directions close the diagonal contact
// between them; opposite ones cancel.
sim::Buttons console_buttons(const Held& held);

}  // namespace frontends
