// The simulated board's registers, display and kernel calls. Reads and writes of the registers
// that have a meaning on the console behave as there; all others keep what was written.

#include "platform/sim/board.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sim {
namespace {

constexpr int kPorts[] = {0, 10};  // ports that carry buttons: START/SELECT and the stick

constexpr int kOpenReadWrite = 2;  // O_RDWR in the kernel's interface
constexpr intptr_t kDeviceHandle = 3;
constexpr intptr_t kENOENT = -2;
constexpr intptr_t kEBADF = -9;
constexpr intptr_t kEACCES = -13;
constexpr intptr_t kEINVAL = -22;

}  // namespace

Board* detail::attached_board = nullptr;

void no_board_attached() {
    std::fputs("plasmaballs: internal error: no board attached\n", stderr);
    std::abort();
}

void Frontend::hand_over(Board&) {
    throw DemoEnded{DemoEnded::kHandOver, 0};
}

void Frontend::process_exit(Board&, int status) {
    throw DemoEnded{DemoEnded::kExit, status};
}

Board::Board(Frontend& frontend)
    : frontend_(&frontend),
      registers_(new uint16_t[kRegisterBytes / 2]()),
      video_(new uint8_t[kVideoBytes]()) {
    set_buttons(0);
}

void Board::set_counter(uint32_t value) {
    registers_[kCounterLow / 2] = (uint16_t)value;
    registers_[kCounterHigh / 2] = seed_of_counter(value);
}

void Board::set_buttons(Buttons buttons) {
    buttons_ = buttons;
    for (int port = 0; port < 16; ++port) {
        registers_[(kPinsBase + 2 * port) / 2] = 0xFFFF;
    }
    for (int port : kPorts) {
        registers_[(kPinsBase + 2 * port) / 2] = pin_levels(buttons, port);
    }
}

void Board::begin_pulse(uint32_t number, Buttons buttons) {
    pulse_ = number;
    sync_high_ = true;
    set_buttons(buttons);
}

void Board::end_pulse() {
    sync_high_ = false;
}

uint32_t Board::scan_address() const {
    return (uint32_t)registers_[kScanHigh / 2] << 16 | registers_[kScanLow / 2];
}

const uint8_t* Board::display_pixels() const {
    const uint32_t address = scan_address();
    if (address < kVideoBase || address - kVideoBase > kVideoBytes - kPixels) {
        return nullptr;
    }
    return video_.get() + (address - kVideoBase);
}

void Board::capture(Picture& picture) const {
    const uint8_t* pixels = display_pixels();
    if (pixels == nullptr) {
        picture.pixels.fill(0);
        picture.palette.fill(Rgb{});
    } else {
        std::memcpy(picture.pixels.data(), pixels, kPixels);
        picture.palette = palette();
    }
}

const std::array<Rgb, 256>& Board::palette() const {
    for (size_t i = 0; i < palette_.size(); ++i) {
        const uint32_t entry = loaded_[i];
        palette_[i] = Rgb{(uint8_t)entry, (uint8_t)(entry >> 24), (uint8_t)(entry >> 16)};
    }
    return palette_;
}

Picture Board::picture() const {
    Picture picture;
    capture(picture);
    return picture;
}

uint16_t Board::peek_register(uint32_t offset) const {
    return offset < kRegisterBytes ? registers_[offset / 2] : 0;
}

BoardState Board::state() const {
    return BoardState{pulse_, buttons_, scan_address(), palette()};
}

void Board::restore(const BoardState& state, const ScanChange& change) {
    pulse_ = state.pulse;
    sync_high_ = false;
    sync_seen_ = false;
    set_buttons(state.buttons);
    registers_[kScanLow / 2] = registers_[kScanLow2 / 2] = (uint16_t)state.scan_address;
    registers_[kScanHigh / 2] = registers_[kScanHigh2 / 2] = (uint16_t)(state.scan_address >> 16);
    for (size_t i = 0; i < loaded_.size(); ++i) {
        const Rgb& c = state.palette[i];
        loaded_[i] = ((uint32_t)c.g << 8 | c.b) << 16 | c.r;
    }
    palette_cursor_ = 0;
    scan_change_ = change;
}

uint16_t Board::read_sync_status() {
    // A read that would see the level it saw last waits for the next edge, so the demo's
    // busy-wait never spins on the host.
    if (sync_high_ == sync_seen_) {
        frontend_->await_edge(*this);
    }
    if (sync_high_ && !sync_seen_) {
        ++scan_change_.rises_seen;
        if (watcher_ != nullptr) {
            watcher_->rise_seen();
        }
    }
    sync_seen_ = sync_high_;
    return sync_high_ ? kSyncBit : 0;
}

uint16_t Board::read_watched_register(uint32_t offset) {
    const uint16_t value = registers_[offset / 2];
    if (offset >= kPinsBase && offset < kPinsBase + 32) {
        if (const Buttons contacts = port_contacts((int)(offset - kPinsBase) / 2)) {
            watcher_->pins_read(contacts, buttons_);
        }
    }
    return value;
}

void Board::write_other_register(uint32_t offset, uint16_t value) {
    if (offset >= kRegisterBytes) {
        return;
    }
    if (offset == kPaletteIndex) {
        palette_cursor_ = (value & 0xFFu) * 2;
    }
    if (offset == kScanHigh) {
        scan_change_ = ScanChange{buttons_, 0};
    }
    if (offset != kCounterLow && offset != kCounterHigh && offset != kSyncStatus &&
        (offset < kPinsBase || offset >= kPinsBase + 32)) {
        registers_[offset / 2] = value;
    }
}

intptr_t Board::sys_open(const char* path, int flags) {
    if (std::strcmp(path, kDevicePath) != 0) {
        return kENOENT;
    }
    if (flags != kOpenReadWrite) {
        return kEACCES;
    }
    device_open_ = true;
    return kDeviceHandle;
}

intptr_t Board::sys_close(intptr_t fd) {
    if (fd != kDeviceHandle || !device_open_) {
        return kEBADF;
    }
    device_open_ = false;
    return 0;
}

intptr_t Board::sys_mmap(const uintptr_t block[6]) {
    if ((intptr_t)block[4] != kDeviceHandle || !device_open_) {
        return kEBADF;
    }
    const uintptr_t length = block[1];
    const uintptr_t offset = block[5];
    if (offset == kRegisterBase && length > 0 && length <= kRegisterBytes) {
        return (intptr_t)(uintptr_t)register_window();
    }
    if (offset == kVideoBase && length > 0 && length <= kVideoBytes) {
        return (intptr_t)(uintptr_t)video();
    }
    return kEINVAL;
}

intptr_t Board::sys_munmap(void*, uintptr_t) {
    return 0;
}

intptr_t Board::sys_chdir(const char* path) {
    working_directory_ = path;
    return 0;
}

intptr_t Board::sys_execve(const char* path, char* const[], char* const[]) {
    // The desktop has no menu program: reaching it ends the run through the front end.
    const std::string wanted = kMenuPath;
    const bool found = path == wanted || (working_directory_ == "/usr/gp2x" &&
                                          std::string("/usr/gp2x/") + path == wanted);
    if (!found) {
        return kENOENT;
    }
    frontend_->hand_over(*this);
    std::abort();  // a front end's hand-over never returns
}

void Board::sys_exit(int status) {
    frontend_->process_exit(*this, status);
    std::abort();
}

}  // namespace sim
