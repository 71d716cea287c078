// Console access through hw/ on the simulated board: register traffic, buffers, sync, buttons, bulk
// copies.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driver/demo.h"
#include "fixed/fixed.h"
#include "hw/hw.h"
#include "support/run_demo.h"

namespace {

using pbtest::RegisterAccess;
using sim::Board;

TEST(HwOpen, MapsClearsConfiguresAndSeedsInOrder) {
    pbtest::OpenBoard open(0x1234);
    pbtest::TestBoard& board = open.board();
    const std::vector<std::string> calls = {
        "open /dev/mem 2",
        "mmap 0 0x10000 3 1 3 0xc0000000",
        "mmap 0 0xf00000 3 1 3 0x3000000",
    };
    EXPECT_EQ(board.calls(), calls);
    EXPECT_EQ(random_state, 0x1234);
    EXPECT_EQ(board.peek_register(0x28DA), 0x02AB);
    EXPECT_EQ(board.peek_register(0x290C), 320);
    EXPECT_EQ(board.peek_register(0x2908), 320);
    EXPECT_EQ(video_window(), board.video());
    EXPECT_EQ(back_buffer(), board.video() + BUFFER_A_OFFSET);
    EXPECT_EQ(front_buffer(), board.video() + BUFFER_B_OFFSET);
}

TEST(HwOpen, ClearsOnlyTheThreeScreenAreas) {
    frontends::HeadlessFrontend frontend(frontends::InputTimeline({}, 0));
    sim::Board board(frontend);
    std::memset(board.video(), 0x5A, sim::Board::kVideoBytes);
    pbtest::RegisterLog log;
    sim::prepare_demo(board);
    ASSERT_EQ(hw_open(), 1);
    const uint8_t* video = board.video();
    auto all = [&](uint32_t from, uint32_t count, uint8_t value) {
        for (uint32_t i = 0; i < count; ++i) {
            if (video[from + i] != value) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(all(BUFFER_A_OFFSET, SCREEN_BYTES, 0));
    EXPECT_TRUE(all(BUFFER_B_OFFSET, SCREEN_BYTES, 0));
    EXPECT_TRUE(all(BACKGROUND_OFFSET, BACKGROUND_BYTES, 0));
    EXPECT_TRUE(all(0, BUFFER_A_OFFSET, 0x5A));
    EXPECT_TRUE(all(BUFFER_A_OFFSET + SCREEN_BYTES, 16, 0x5A));
    EXPECT_TRUE(all(ROTATION_TABLE_OFFSET, 65536, 0x5A));
    EXPECT_TRUE(all(BACKGROUND_OFFSET + BACKGROUND_BYTES, 16, 0x5A));
    // Set-up writes, then the one counter read; no display address is set.
    const std::vector<RegisterAccess> expected = {
        {true, 0x28DA, 0x02AB}, {true, 0x290C, 320}, {true, 0x2908, 320}, {false, 0x0A02, 0}};
    EXPECT_EQ(log.accesses(), expected);
    sim::attach(nullptr);
    demo_reset();
}

struct FailureCase {
    const char* name;
    bool fail_open, fail_registers, fail_video;
    std::vector<std::string> calls;
};

class HwOpenFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(HwOpenFailure, ReleasesWhatItGotAndReportsFailure) {
    const FailureCase& c = GetParam();
    frontends::HeadlessFrontend frontend(frontends::InputTimeline({}, 0));
    pbtest::TestBoard board(frontend);
    board.fail_open = c.fail_open;
    board.fail_register_map = c.fail_registers;
    board.fail_video_map = c.fail_video;
    sim::prepare_demo(board);
    EXPECT_EQ(hw_open(), 0);
    EXPECT_EQ(board.calls(), c.calls);
    EXPECT_FALSE(board.device_open());
    sim::attach(nullptr);
    demo_reset();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HwOpenFailure,
    testing::Values(FailureCase{"open", true, false, false, {"open /dev/mem 2"}},
                    FailureCase{"registers",
                                false,
                                true,
                                false,
                                {"open /dev/mem 2", "mmap 0 0x10000 3 1 3 0xc0000000", "close 3"}},
                    FailureCase{"video",
                                false,
                                false,
                                true,
                                {"open /dev/mem 2", "mmap 0 0x10000 3 1 3 0xc0000000",
                                 "mmap 0 0xf00000 3 1 3 0x3000000", "munmap registers 0x10000",
                                 "close 3"}}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(HwClose, UnmapsVideoThenRegistersThenCloses) {
    pbtest::OpenBoard open;
    hw_close();
    const auto& calls = open.board().calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[3], "munmap video 0xf00000");
    EXPECT_EQ(calls[4], "munmap registers 0x10000");
    EXPECT_EQ(calls[5], "close 3");
}

TEST(Display, FlipAlternatesBuffersThroughBothAddressPairs) {
    pbtest::OpenBoard open;
    sim::Board& board = open.board();
    uint8_t* a = board.video() + BUFFER_A_OFFSET;
    uint8_t* b = board.video() + BUFFER_B_OFFSET;
    pbtest::RegisterLog log;
    flip_screen();
    const std::vector<RegisterAccess> expected = {
        {true, 0x2912, 0},      {false, 0x2912, 0},      {true, 0x290E, 0},
        {true, 0x2914, 0x0310}, {false, 0x2914, 0x0310}, {true, 0x2910, 0x0310},
    };
    EXPECT_EQ(log.accesses(), expected);
    EXPECT_EQ(board.scan_address(), 0x03100000u);
    EXPECT_EQ(board.peek_register(0x2910), 0x0310);
    EXPECT_EQ(back_buffer(), b);
    EXPECT_EQ(front_buffer(), a);
    flip_screen();
    EXPECT_EQ(board.scan_address(), 0x03180000u);
    EXPECT_EQ(back_buffer(), a);
    EXPECT_EQ(front_buffer(), b);
    set_display_address(DISPLAY_BACKGROUND);
    EXPECT_EQ(board.display_pixels(), board.video() + BACKGROUND_OFFSET);
    EXPECT_EQ(back_buffer(), a) << "showing the background leaves the flip state alone";
}

TEST(Palette, LoadWritesIndexOnceThenGreenBlueBeforeRed) {
    pbtest::OpenBoard open;
    sim::Board& board = open.board();
    uint16_t red[256], green[256], blue[256];
    for (int i = 0; i < 256; ++i) {
        red[i] = (uint16_t)i;
        green[i] = (uint16_t)(255 - i);
        blue[i] = (uint16_t)(i * 7 & 0xFF);
    }
    pbtest::RegisterLog register_log;
    write_palette(red, green, blue);
    const auto& log = register_log.accesses();
    ASSERT_EQ(log.size(), 513u);
    EXPECT_EQ(log[0], (RegisterAccess{true, 0x2958, 0}));
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(log[1 + 2 * i],
                  (RegisterAccess{true, 0x295A, (uint16_t)(green[i] * 256 + blue[i])}));
        ASSERT_EQ(log[2 + 2 * i], (RegisterAccess{true, 0x295A, red[i]}));
        ASSERT_EQ(board.palette()[i],
                  (sim::Rgb{(uint8_t)red[i], (uint8_t)green[i], (uint8_t)blue[i]}));
    }
}

struct ButtonCase {
    sim::Buttons held;
    int code;
    int expected;
};

class Buttons : public testing::TestWithParam<ButtonCase> {};

TEST_P(Buttons, ReadsTheCodesPinFresh) {
    pbtest::OpenBoard open;
    open.board().set_buttons(GetParam().held);
    EXPECT_EQ(button_pressed(GetParam().code), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Buttons,
    testing::Values(
        ButtonCase{sim::kStart, BUTTON_START, 1}, ButtonCase{0, BUTTON_START, 0},
        ButtonCase{sim::kSelect, BUTTON_START, 0}, ButtonCase{sim::kSelect, BUTTON_SELECT, 1},
        ButtonCase{sim::kRight, BUTTON_RIGHT, 1}, ButtonCase{sim::kRight, BUTTON_LEFT, 0},
        ButtonCase{sim::kUpLeft, BUTTON_UP_LEFT, 1}, ButtonCase{sim::kUpLeft, BUTTON_UP, 0},
        ButtonCase{sim::kDownRight | sim::kStart, BUTTON_DOWN_RIGHT, 1},
        ButtonCase{sim::kDownLeft, BUTTON_DOWN_LEFT, 1},
        ButtonCase{sim::kUpRight, BUTTON_UP_RIGHT, 1}, ButtonCase{sim::kDown, BUTTON_DOWN, 1}));

TEST(Buttons, PinRegistersReadZeroForPressed) {
    pbtest::OpenBoard open;
    sim::Board& board = open.board();
    board.set_buttons(sim::kStart | sim::kRight);
    EXPECT_EQ(board.peek_register(0x1184), 0xFFFF & ~(1 << 8));
    EXPECT_EQ(board.peek_register(0x1198), 0xFFFF & ~(1 << 6));
}

TEST(Sync, WaitFromLowConsumesOnePulseWithTwoReads) {
    pbtest::OpenBoard open;
    sim::Board& board = open.board();
    pbtest::RegisterLog log;
    wait_vsync();
    wait_vsync();
    EXPECT_EQ(board.pulse(), 2u);
    EXPECT_FALSE(board.sync_high());
    const std::vector<RegisterAccess> expected = {
        {false, 0x1182, 0x10}, {false, 0x1182, 0}, {false, 0x1182, 0x10}, {false, 0x1182, 0}};
    EXPECT_EQ(log.accesses(), expected);
}

TEST(Sync, WaitEnteredDuringAPulseReturnsAtItsFall) {
    pbtest::OpenBoard open;
    sim::Board& board = open.board();
    board.begin_pulse(1, 0);  // a pulse began while the demo was busy
    wait_vsync();
    EXPECT_EQ(board.pulse(), 1u);
    EXPECT_FALSE(board.sync_high());
    wait_vsync();
    EXPECT_EQ(board.pulse(), 2u);
}

TEST(Bulk, CopyFromEverySkewEqualsAByteCopy) {
    pbtest::OpenBoard open;
    uint8_t* source = open.video() + BACKGROUND_OFFSET;
    for (uint32_t i = 0; i < BACKGROUND_BYTES; ++i) {
        source[i] = (uint8_t)(i * 2654435761u >> 13);
    }
    for (uint32_t skew : {0u, 1u, 2u, 3u, 239u, 39119u}) {
        uint8_t* target = back_buffer();
        std::memset(target - 4, 0xEE, SCREEN_BYTES + 8);
        copy_screen(target, source + skew);
        EXPECT_EQ(std::memcmp(target, source + skew, SCREEN_BYTES), 0) << "skew " << skew;
        EXPECT_EQ(target[-1], 0xEE);
        EXPECT_EQ(target[SCREEN_BYTES], 0xEE);
    }
}

TEST(Bulk, FillRepeatsTheWordAndClearHonoursItsCount) {
    pbtest::OpenBoard open;
    uint8_t* target = back_buffer();
    target[SCREEN_BYTES] = 0x77;
    fill_screen(target, 0x04030201);
    for (uint32_t i = 0; i < SCREEN_BYTES; ++i) {
        ASSERT_EQ(target[i], i % 4 + 1) << i;
    }
    EXPECT_EQ(target[SCREEN_BYTES], 0x77);
    clear_bytes(target, 0);
    EXPECT_EQ(target[0], 1);
    clear_bytes(target + 1, 5);
    const uint8_t expected[8] = {1, 0, 0, 0, 0, 0, 3, 4};
    EXPECT_EQ(std::memcmp(target, expected, 8), 0);
}

}  // namespace
