// Controls merged switch by switch before they become contacts: a key for up and a d-pad for left
// together close up-left, as one stick would.

#include "frontends/common/controls.h"

namespace frontends {

Held& Held::operator|=(const Held& other) {
    up |= other.up;
    down |= other.down;
    left |= other.left;
    right |= other.right;
    start |= other.start;
    select |= other.select;
    return *this;
}

sim::Buttons console_buttons(const Held& held) {
    sim::Buttons buttons = sim::stick_contact(held.up, held.down, held.left, held.right);
    if (held.start) {
        buttons |= sim::kStart;
    }
    if (held.select) {
        buttons |= sim::kSelect;
    }
    return buttons;
}

}  // namespace frontends
