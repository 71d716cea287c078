#pragma once
// The simulated board: register block, video memory, display controller (palette and
// scan address), vertical-sync pulses, button pins and the kernel calls that reach them.

#include <stdint.h>

#include <array>
#include <memory>
#include <string>

#include "platform/sim/buttons.h"

namespace sim {

class Board;

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr size_t kPixels = 76800;
// The console's vertical-sync pulses per second; every front end's clock counts in them.
constexpr int kPulsesPerSecond = 60;

// What the display shows at one moment: 320 x 240 palette indices and the loaded palette.
struct Picture {
    std::array<uint8_t, kPixels> pixels{};
    std::array<Rgb, 256> palette{};
    bool operator==(const Picture&) const = default;
};

// How a run ended: through the hand-over to the menu, by the demo ending the process, or stopped
// by its front end at one of its waits. Thrown on the demo's own stack and caught where the run
// began (sim::run_demo).
struct DemoEnded {
    enum Kind { kHandOver, kExit, kStopped } kind;
    int status;
};

// What of the board a snapshot keeps besides video memory (platform/sim/snapshot.h): the pulse,
// the pins, what the display scans and the palette loaded into it.
struct BoardState {
    uint32_t pulse = 0;
    Buttons buttons = 0;
    uint32_t scan_address = 0;
    std::array<Rgb, 256> palette{};
};

// The demo's waits since it last set the scan address: the buttons held when it did (after a flip
// the demo tests SELECT at once, with these) and the rises it has seen since.
struct ScanChange {
    Buttons buttons = 0;
    uint32_t rises_seen = 0;
};

// What drives the board. It decides when each pulse begins and ends, supplies the button levels
// at each rising edge and takes the pictures it wants.
class Frontend {
  public:
    virtual ~Frontend() = default;
    // The demo reads the sync status and the level it saw last still holds. Make the next edge
    // happen before returning: board.begin_pulse() for a rise, board.end_pulse() for a fall.
    // A front end may sleep here, or suspend the demo until its host asks for the next pulse.
    virtual void await_edge(Board& board) = 0;
    // The demo handed over to the menu program. Never returns; unless a front end has more to do
    // there, the run ends (DemoEnded of kind kHandOver).
    [[noreturn]] virtual void hand_over(Board& board);
    // The demo ended the process itself (the hand-over failed). Never returns; unless a front end
    // has more to do there, the run ends (DemoEnded of kind kExit).
    [[noreturn]] virtual void process_exit(Board& board, int status);
};

// Told of the reads that the demo's input depends on, for a record of what it saw.
class ReadWatcher {
  public:
    virtual ~ReadWatcher() = default;
    // The demo's status read saw the sync line high after seeing it low.
    virtual void rise_seen() = 0;
    // The demo read the pin register that carries the buttons `contacts` while `held` was held.
    virtual void pins_read(Buttons contacts, Buttons held) = 0;
};

// The demo's seed is the upper half of the free-running counter it reads at start: the counter
// a run with a given seed starts from, and the seed a counter gives.
constexpr uint32_t counter_for_seed(uint16_t seed) {
    return (uint32_t)seed << 16;
}
constexpr uint16_t seed_of_counter(uint32_t counter) {
    return (uint16_t)(counter >> 16);
}

class Board {
  public:
    static constexpr uint32_t kRegisterBase = 0xC0000000;
    static constexpr uint32_t kRegisterBytes = 0x10000;
    static constexpr uint32_t kVideoBase = 0x03000000;
    static constexpr uint32_t kVideoBytes = 0xF00000;

    // Register offsets the board gives meaning to.
    static constexpr uint32_t kCounterLow = 0x0A00;
    static constexpr uint32_t kCounterHigh = 0x0A02;
    static constexpr uint32_t kSyncStatus = 0x1182;
    static constexpr uint32_t kPinsBase = 0x1184;
    static constexpr uint32_t kScanLow2 = 0x290E;
    static constexpr uint32_t kScanHigh2 = 0x2910;
    static constexpr uint32_t kScanLow = 0x2912;
    static constexpr uint32_t kScanHigh = 0x2914;
    static constexpr uint32_t kPaletteIndex = 0x2958;
    static constexpr uint32_t kPaletteData = 0x295A;
    static constexpr uint16_t kSyncBit = 0x10;

    // The only device, and the menu program the demo hands over to.
    static constexpr const char* kDevicePath = "/dev/mem";
    static constexpr const char* kMenuPath = "/usr/gp2x/gp2xmenu";

    explicit Board(Frontend& frontend);
    virtual ~Board() = default;
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    // Tells `watcher` (null: nobody) of the demo's status and pin reads from now on.
    void watch_reads(ReadWatcher* watcher) { watcher_ = watcher; }

    // --- what the front end drives ---
    // The free-running counter; its upper half seeds the demo.
    void set_counter(uint32_t value);
    // Pin levels for these buttons (pressed reads 0); applies at once.
    void set_buttons(Buttons buttons);
    Buttons buttons() const { return buttons_; }
    // Rising edge of pulse `number` (numbers only grow; skipped ones were missed), with the button
    // levels that hold from now on.
    void begin_pulse(uint32_t number, Buttons buttons);
    // Falling edge of the current pulse.
    void end_pulse();
    bool sync_high() const { return sync_high_; }
    uint32_t pulse() const { return pulse_; }

    // --- what the display shows ---
    uint32_t scan_address() const;
    // The 320 x 240 bytes at the scan address through the loaded palette (never-loaded entries
    // and memory outside video memory show black).
    void capture(Picture& picture) const;
    Picture picture() const;
    const std::array<Rgb, 256>& palette() const;
    const uint8_t* display_pixels() const;  // null when the scan address is outside video memory

    // --- for snapshots ---
    const ScanChange& since_scan_change() const { return scan_change_; }
    BoardState state() const;
    // Puts a saved state back, with the sync line low as the demo last saw it, and this record of
    // the waits since the last scan change.
    void restore(const BoardState& state, const ScanChange& change);

    // --- the machine as the demo's register accesses see it ---
    // Inline but for the sync status, whose reading waits for an edge, and for reads a watcher is
    // told of.
    uint16_t read_register(uint32_t offset) {
        if (offset == kSyncStatus) {
            return read_sync_status();
        }
        if (offset >= kRegisterBytes) {
            return 0;
        }
        return watcher_ != nullptr ? read_watched_register(offset) : registers_[offset / 2];
    }
    // Inline for the palette port, which a palette load writes 512 times.
    void write_register(uint32_t offset, uint16_t value) {
        if (offset == kPaletteData) {
            write_palette_data(value);
        } else {
            write_other_register(offset, value);
        }
    }
    uint8_t* video() { return video_.get(); }
    const uint8_t* video() const { return video_.get(); }
    volatile uint16_t* register_window() { return registers_.get(); }
    // Stored value of a register, without any side effect.
    uint16_t peek_register(uint32_t offset) const;

    // --- the kernel calls of hw/platform.h, with the results the console's kernel gives ---
    // The device opens only read-write; it maps only the register block and video memory.
    virtual intptr_t sys_open(const char* path, int flags);
    virtual intptr_t sys_close(intptr_t fd);
    virtual intptr_t sys_mmap(const uintptr_t block[6]);
    virtual intptr_t sys_munmap(void* address, uintptr_t length);
    virtual intptr_t sys_chdir(const char* path);
    // Reaching the menu program ends the run through the front end's hand-over.
    virtual intptr_t sys_execve(const char* path, char* const argv[], char* const envp[]);
    [[noreturn]] virtual void sys_exit(int status);

  private:
    void write_palette_data(uint16_t value) {
        registers_[kPaletteData / 2] = value;
        const uint32_t at = palette_cursor_;
        palette_cursor_ = (at + 1) & 511;
        if (at & 1) {
            loaded_[at >> 1] = palette_pending_ | value;
        } else {
            palette_pending_ = (uint32_t)value << 16;
        }
    }
    void write_other_register(uint32_t offset, uint16_t value);
    uint16_t read_sync_status();
    uint16_t read_watched_register(uint32_t offset);

    Frontend* frontend_;
    ReadWatcher* watcher_ = nullptr;
    std::unique_ptr<uint16_t[]> registers_;
    std::unique_ptr<uint8_t[]> video_;
    // Each loaded entry as its two writes, (green x 256 + blue) x 2^16 + red; the colours are made
    // from them when the palette is asked for.
    std::array<uint32_t, 256> loaded_{};
    mutable std::array<Rgb, 256> palette_{};
    uint32_t palette_cursor_ = 0;   // entry x 2 + the half of it written next
    uint32_t palette_pending_ = 0;  // (green x 256 + blue) x 2^16, waiting for its red
    Buttons buttons_ = 0;
    uint32_t pulse_ = 0;
    bool sync_high_ = false;
    bool sync_seen_ = false;  // the level the demo saw at its last status read
    ScanChange scan_change_;
    bool device_open_ = false;
    std::string working_directory_ = "/";
};

// The board the platform calls of this process reach (one at a time). Inline, with the board
// below: every register access of the demo goes through them.
namespace detail {
#ifdef _WIN32
extern Board* attached_board;  // a DLL reaches its own data directly anyway
#else
extern Board* attached_board __attribute__((visibility("hidden")));
#endif
}  // namespace detail
inline void attach(Board* board) {
    detail::attached_board = board;
}
inline Board* attached() {
    return detail::attached_board;
}
// The attached board; ends the process with a message when there is none.
[[noreturn]] void no_board_attached();
inline Board& attached_board() {
    Board* board = attached();
    if (board == nullptr) {
        no_board_attached();
    }
    return *board;
}

}  // namespace sim
