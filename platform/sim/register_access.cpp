// The platform's register access on the desktop: 16-bit reads and writes of the attached board's
// register block, with the side effects the console's registers have.

#include "hw/platform.h"
#include "platform/sim/board.h"

namespace platform {

// A register window exists only as a mapping the attached board made, so these two, on the
// demo's hottest paths, take the board as given; the kernel calls check that there is one.
uint16_t reg_read(volatile uint16_t*, uint32_t offset) {
    return sim::attached()->read_register(offset);
}

void reg_write(volatile uint16_t*, uint32_t offset, uint16_t value) {
    sim::attached()->write_register(offset, value);
}

}  // namespace platform
