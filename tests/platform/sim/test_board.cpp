// The simulated board as the demo's platform calls meet it: what the display shows at the bounds
// of video memory, the registers that ignore writes, and the windows the device maps.

#include <gtest/gtest.h>

#include <cstring>

#include "hw/platform.h"
#include "platform/sim/board.h"
#include "support/test_board.h"

namespace {

using sim::Board;

struct Idle : sim::Frontend {
    void await_edge(Board& board) override {
        board.sync_high() ? board.end_pulse() : board.begin_pulse(board.pulse() + 1, 0);
    }
    [[noreturn]] void hand_over(Board&) override { throw 0; }
    [[noreturn]] void process_exit(Board&, int) override { throw 1; }
};

class BoardTest : public testing::Test {
  protected:
    void SetUp() override { sim::attach(&board_); }
    void TearDown() override { sim::attach(nullptr); }
    void scan(uint32_t address) {
        board_.write_register(Board::kScanLow, (uint16_t)address);
        board_.write_register(Board::kScanHigh, (uint16_t)(address >> 16));
    }
    Idle idle_;
    pbtest::TestBoard board_{idle_};
};

TEST_F(BoardTest, TheDisplayShowsOnlyAWholeScreenInsideVideoMemory) {
    constexpr uint32_t kLast = Board::kVideoBase + Board::kVideoBytes - sim::kPixels;
    std::memset(board_.video() + (kLast - Board::kVideoBase), 7, sim::kPixels);
    board_.write_register(Board::kPaletteIndex, 7);
    board_.write_register(Board::kPaletteData, 0x2030);  // green, blue
    board_.write_register(Board::kPaletteData, 0x10);    // red
    struct Case {
        uint32_t address;
        bool shown;
    };
    const Case cases[] = {
        {Board::kVideoBase, true},      {kLast, true}, {kLast + 1, false},
        {Board::kVideoBase - 1, false}, {0, false},    {0xFFFFFFFF, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.address);
        scan(c.address);
        EXPECT_EQ(board_.scan_address(), c.address);
        const sim::Picture picture = board_.picture();
        if (c.shown) {
            EXPECT_EQ(board_.display_pixels(), board_.video() + (c.address - Board::kVideoBase));
            EXPECT_EQ(picture.palette[7], (sim::Rgb{0x10, 0x20, 0x30}));
        } else {
            EXPECT_EQ(board_.display_pixels(), nullptr);
            EXPECT_EQ(picture, sim::Picture{}) << "outside video memory the display is black";
        }
    }
    scan(kLast);
    EXPECT_EQ(board_.picture().pixels[sim::kPixels - 1], 7);
}

TEST_F(BoardTest, PinsCounterAndSyncIgnoreWritesOtherRegistersKeepThem) {
    board_.set_counter(0x12345678);
    board_.set_buttons(sim::kStart | sim::kRight);
    const uint16_t start_pins = board_.peek_register(Board::kPinsBase);
    const uint16_t stick_pins = board_.peek_register(Board::kPinsBase + 20);
    for (uint32_t offset = Board::kPinsBase; offset < Board::kPinsBase + 32; offset += 2) {
        board_.write_register(offset, 0x0F0F);
    }
    board_.write_register(Board::kCounterLow, 1);
    board_.write_register(Board::kCounterHigh, 2);
    board_.write_register(Board::kSyncStatus, Board::kSyncBit);
    EXPECT_EQ(board_.peek_register(Board::kPinsBase), start_pins);
    EXPECT_EQ(board_.peek_register(Board::kPinsBase + 20), stick_pins);
    EXPECT_EQ(board_.peek_register(Board::kPinsBase + 2), 0xFFFF);  // a port without buttons
    EXPECT_EQ(board_.peek_register(Board::kCounterLow), 0x5678);
    EXPECT_EQ(board_.peek_register(Board::kCounterHigh), 0x1234);
    EXPECT_FALSE(board_.sync_high());
    // Just outside the pins, and an offset the board gives no meaning to.
    board_.write_register(Board::kPinsBase - 4, 0xABCD);
    board_.write_register(Board::kPinsBase + 32, 0x1357);
    board_.write_register(0x28DA, 0x02AB);
    // Read as the demo reads them, through the window the device maps.
    volatile uint16_t* window = board_.register_window();
    EXPECT_EQ(platform::reg_read(window, Board::kPinsBase - 4), 0xABCD);
    EXPECT_EQ(platform::reg_read(window, Board::kPinsBase + 32), 0x1357);
    EXPECT_EQ(platform::reg_read(window, 0x28DA), 0x02AB);
    EXPECT_EQ(platform::reg_read(window, Board::kRegisterBytes), 0) << "beyond the block";
}

TEST_F(BoardTest, TheDeviceMapsTheRegisterBlockAndVideoMemoryUpToTheirSizes) {
    EXPECT_EQ(platform::sys_open("/dev/zero", platform::OPEN_READ_WRITE), -2);
    EXPECT_EQ(platform::sys_open("/dev/mem", 0), -13) << "read-only";
    const intptr_t fd = platform::sys_open("/dev/mem", platform::OPEN_READ_WRITE);
    ASSERT_FALSE(platform::failed(fd));
    const intptr_t registers = (intptr_t)(uintptr_t)board_.register_window();
    const intptr_t video = (intptr_t)(uintptr_t)board_.video();
    struct Case {
        uintptr_t length, offset;
        intptr_t fd;
        intptr_t result;
    };
    const Case cases[] = {
        {1, Board::kRegisterBase, fd, registers},
        {Board::kRegisterBytes, Board::kRegisterBase, fd, registers},
        {Board::kRegisterBytes + 1, Board::kRegisterBase, fd, -22},
        {0, Board::kRegisterBase, fd, -22},
        {Board::kVideoBytes, Board::kVideoBase, fd, video},
        {Board::kVideoBytes + 1, Board::kVideoBase, fd, -22},
        {4096, Board::kVideoBase + 4096, fd, -22},
        {4096, 0, fd, -22},
        {4096, Board::kVideoBase, fd + 1, -9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.offset << " + " << c.length);
        const uintptr_t block[6] = {
            0, c.length, platform::PROT_RW, platform::SHARED_MAPPING, (uintptr_t)c.fd, c.offset};
        EXPECT_EQ(platform::sys_mmap(block), c.result);
    }
    EXPECT_EQ(platform::sys_close(fd), 0);
    EXPECT_FALSE(board_.device_open());
    const uintptr_t after_close[6] = {
        0, 4096, platform::PROT_RW, platform::SHARED_MAPPING, (uintptr_t)fd, Board::kVideoBase};
    EXPECT_EQ(platform::sys_mmap(after_close), -9);
    EXPECT_EQ(platform::sys_close(fd), -9);
}

}  // namespace
