// The simulated console's registers and display. Reads and writes of the registers that have a
// meaning on the console behave as there; all others keep what was written.

#include "host/console.h"

#include <cstring>

namespace host {
namespace {

Console* g_attached = nullptr;
constexpr int kPorts[] = {0, 10};  // ports that carry buttons: START/SELECT and the stick

}  // namespace

void attach(Console* console) {
    g_attached = console;
}
Console* attached() {
    return g_attached;
}

Console::Console(Frontend& frontend)
    : frontend_(&frontend),
      registers_(new uint16_t[kRegisterBytes / 2]()),
      video_(new uint8_t[kVideoBytes]()) {
    set_buttons(0);
}

void Console::set_counter(uint32_t value) {
    registers_[kCounterLow / 2] = (uint16_t)value;
    registers_[kCounterHigh / 2] = (uint16_t)(value >> 16);
}

void Console::set_buttons(Buttons buttons) {
    buttons_ = buttons;
    for (int port = 0; port < 16; ++port) {
        registers_[(kPinsBase + 2 * port) / 2] = 0xFFFF;
    }
    for (int port : kPorts) {
        registers_[(kPinsBase + 2 * port) / 2] = pin_levels(buttons, port);
    }
}

void Console::begin_pulse(uint32_t number, Buttons buttons) {
    pulse_ = number;
    sync_high_ = true;
    set_buttons(buttons);
}

void Console::end_pulse() {
    sync_high_ = false;
}

uint32_t Console::scan_address() const {
    return (uint32_t)registers_[kScanHigh / 2] << 16 | registers_[kScanLow / 2];
}

const uint8_t* Console::display_pixels() const {
    const uint32_t address = scan_address();
    if (address < kVideoBase || address - kVideoBase > kVideoBytes - kPixels) {
        return nullptr;
    }
    return video_.get() + (address - kVideoBase);
}

void Console::capture(Picture& picture) const {
    const uint8_t* pixels = display_pixels();
    if (pixels == nullptr) {
        picture.pixels.fill(0);
        picture.palette.fill(Rgb{});
    } else {
        std::memcpy(picture.pixels.data(), pixels, kPixels);
        picture.palette = palette_;
    }
}

Picture Console::picture() const {
    Picture picture;
    capture(picture);
    return picture;
}

uint16_t Console::peek_register(uint32_t offset) const {
    return offset < kRegisterBytes ? registers_[offset / 2] : 0;
}

uint16_t Console::read_register(uint32_t offset) {
    uint16_t value = 0;
    if (offset == kSyncStatus) {
        // A read that would see the level it saw last waits for the next edge, so the demo's
        // busy-wait never spins on the host.
        if (sync_high_ == sync_seen_) {
            frontend_->await_edge(*this);
        }
        sync_seen_ = sync_high_;
        value = sync_high_ ? kSyncBit : 0;
    } else if (offset < kRegisterBytes) {
        value = registers_[offset / 2];
    }
    if (logging_) {
        register_log_.push_back({false, offset, value});
    }
    return value;
}

void Console::write_register(uint32_t offset, uint16_t value) {
    if (logging_) {
        register_log_.push_back({true, offset, value});
    }
    if (offset >= kRegisterBytes) {
        return;
    }
    if (offset == kPaletteIndex) {
        palette_index_ = value & 0xFF;
        palette_half_ = false;
    } else if (offset == kPaletteData) {
        if (!palette_half_) {
            palette_pending_ = value;
        } else {
            palette_[palette_index_] =
                Rgb{(uint8_t)value, (uint8_t)(palette_pending_ >> 8), (uint8_t)palette_pending_};
            palette_index_ = (palette_index_ + 1) & 0xFF;
        }
        palette_half_ = !palette_half_;
    }
    if (offset != kCounterLow && offset != kCounterHigh && offset != kSyncStatus &&
        (offset < kPinsBase || offset >= kPinsBase + 32)) {
        registers_[offset / 2] = value;
    }
}

void Console::log_call(std::string call) {
    call_log_.push_back(std::move(call));
}

}  // namespace host
