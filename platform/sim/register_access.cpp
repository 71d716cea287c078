// The platform's register access on the desktop: 16-bit reads and writes of the attached board's
// register block, with the side effects the console's registers have.

#include "hw/platform.h"
#include "platform/sim/board.h"

namespace platform {

uint16_t reg_read(volatile uint16_t*, uint32_t offset) {
    return sim::attached_board().read_register(offset);
}

void reg_write(volatile uint16_t*, uint32_t offset, uint16_t value) {
    sim::attached_board().write_register(offset, value);
}

}  // namespace platform
