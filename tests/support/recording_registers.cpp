// Register access for test programs that watch the traffic: as the desktop's, and each access
// written into the open register log.

#include "hw/platform.h"
#include "support/test_board.h"

namespace platform {

uint16_t reg_read(volatile uint16_t*, uint32_t offset) {
    const uint16_t value = sim::attached_board().read_register(offset);
    if (pbtest::RegisterLog* log = pbtest::open_register_log()) {
        log->record({false, offset, value});
    }
    return value;
}

void reg_write(volatile uint16_t*, uint32_t offset, uint16_t value) {
    if (pbtest::RegisterLog* log = pbtest::open_register_log()) {
        log->record({true, offset, value});
    }
    sim::attached_board().write_register(offset, value);
}

}  // namespace platform
