// Console access on the simulated console: register traffic, buffers, sync, buttons, bulk copies.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driver/demo.h"
#include "fixed/fixed.h"
#include "hw/hw.h"
#include "support/run_demo.h"

namespace {

using host::Console;
using host::RegisterAccess;

TEST(HwOpen, MapsClearsConfiguresAndSeedsInOrder) {
    pbtest::OpenConsole open(0x1234);
    Console& console = open.console();
    const std::vector<std::string> calls = {
        "open /dev/mem 2",
        "mmap 0 0x10000 3 1 3 0xc0000000",
        "mmap 0 0xf00000 3 1 3 0x3000000",
    };
    EXPECT_EQ(console.call_log(), calls);
    EXPECT_EQ(random_seed(), 0x1234);
    EXPECT_EQ(console.peek_register(0x28DA), 0x02AB);
    EXPECT_EQ(console.peek_register(0x290C), 320);
    EXPECT_EQ(console.peek_register(0x2908), 320);
    EXPECT_EQ(video_window(), console.video());
    EXPECT_EQ(back_buffer(), console.video() + BUFFER_A_OFFSET);
    EXPECT_EQ(front_buffer(), console.video() + BUFFER_B_OFFSET);
}

TEST(HwOpen, ClearsOnlyTheThreeScreenAreas) {
    host::HeadlessFrontend frontend(host::InputTimeline({}, 0));
    Console console(frontend);
    std::memset(console.video(), 0x5A, Console::kVideoBytes);
    console.set_logging(true);
    demo_reset();
    host::attach(&console);
    ASSERT_EQ(hw_open(), 1);
    const uint8_t* video = console.video();
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
    EXPECT_EQ(console.register_log(), expected);
    host::attach(nullptr);
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
    host::HeadlessFrontend frontend(host::InputTimeline({}, 0));
    Console console(frontend);
    console.fail_open = c.fail_open;
    console.fail_register_map = c.fail_registers;
    console.fail_video_map = c.fail_video;
    demo_reset();
    host::attach(&console);
    EXPECT_EQ(hw_open(), 0);
    EXPECT_EQ(console.call_log(), c.calls);
    EXPECT_FALSE(console.device_open);
    host::attach(nullptr);
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
    pbtest::OpenConsole open;
    hw_close();
    const auto& calls = open.console().call_log();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[3], "munmap video 0xf00000");
    EXPECT_EQ(calls[4], "munmap registers 0x10000");
    EXPECT_EQ(calls[5], "close 3");
}

TEST(Display, FlipAlternatesBuffersThroughBothAddressPairs) {
    pbtest::OpenConsole open;
    Console& console = open.console();
    uint8_t* a = console.video() + BUFFER_A_OFFSET;
    uint8_t* b = console.video() + BUFFER_B_OFFSET;
    console.set_logging(true);
    flip_screen();
    const std::vector<RegisterAccess> expected = {
        {true, 0x2912, 0},      {false, 0x2912, 0},      {true, 0x290E, 0},
        {true, 0x2914, 0x0310}, {false, 0x2914, 0x0310}, {true, 0x2910, 0x0310},
    };
    EXPECT_EQ(console.register_log(), expected);
    EXPECT_EQ(console.scan_address(), 0x03100000u);
    EXPECT_EQ(console.peek_register(0x2910), 0x0310);
    EXPECT_EQ(back_buffer(), b);
    EXPECT_EQ(front_buffer(), a);
    flip_screen();
    EXPECT_EQ(console.scan_address(), 0x03180000u);
    EXPECT_EQ(back_buffer(), a);
    EXPECT_EQ(front_buffer(), b);
    set_display_address(DISPLAY_BACKGROUND);
    EXPECT_EQ(console.display_pixels(), console.video() + BACKGROUND_OFFSET);
    EXPECT_EQ(back_buffer(), a) << "showing the background leaves the flip state alone";
}

TEST(Palette, LoadWritesIndexOnceThenGreenBlueBeforeRed) {
    pbtest::OpenConsole open;
    Console& console = open.console();
    uint16_t red[256], green[256], blue[256];
    for (int i = 0; i < 256; ++i) {
        red[i] = (uint16_t)i;
        green[i] = (uint16_t)(255 - i);
        blue[i] = (uint16_t)(i * 7 & 0xFF);
    }
    console.set_logging(true);
    write_palette(red, green, blue);
    const auto& log = console.register_log();
    ASSERT_EQ(log.size(), 513u);
    EXPECT_EQ(log[0], (RegisterAccess{true, 0x2958, 0}));
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(log[1 + 2 * i],
                  (RegisterAccess{true, 0x295A, (uint16_t)(green[i] * 256 + blue[i])}));
        ASSERT_EQ(log[2 + 2 * i], (RegisterAccess{true, 0x295A, red[i]}));
        ASSERT_EQ(console.palette()[i],
                  (host::Rgb{(uint8_t)red[i], (uint8_t)green[i], (uint8_t)blue[i]}));
    }
}

struct ButtonCase {
    host::Buttons held;
    int code;
    int expected;
};

class Buttons : public testing::TestWithParam<ButtonCase> {};

TEST_P(Buttons, ReadsTheCodesPinFresh) {
    pbtest::OpenConsole open;
    open.console().set_buttons(GetParam().held);
    EXPECT_EQ(button_pressed(GetParam().code), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Buttons,
    testing::Values(
        ButtonCase{host::kStart, BUTTON_START, 1}, ButtonCase{0, BUTTON_START, 0},
        ButtonCase{host::kSelect, BUTTON_START, 0}, ButtonCase{host::kSelect, BUTTON_SELECT, 1},
        ButtonCase{host::kRight, BUTTON_RIGHT, 1}, ButtonCase{host::kRight, BUTTON_LEFT, 0},
        ButtonCase{host::kUpLeft, BUTTON_UP_LEFT, 1}, ButtonCase{host::kUpLeft, BUTTON_UP, 0},
        ButtonCase{host::kDownRight | host::kStart, BUTTON_DOWN_RIGHT, 1},
        ButtonCase{host::kDownLeft, BUTTON_DOWN_LEFT, 1},
        ButtonCase{host::kUpRight, BUTTON_UP_RIGHT, 1}, ButtonCase{host::kDown, BUTTON_DOWN, 1}));

TEST(Buttons, PinRegistersReadZeroForPressed) {
    pbtest::OpenConsole open;
    Console& console = open.console();
    console.set_buttons(host::kStart | host::kRight);
    EXPECT_EQ(console.peek_register(0x1184), 0xFFFF & ~(1 << 8));
    EXPECT_EQ(console.peek_register(0x1198), 0xFFFF & ~(1 << 6));
}

TEST(Sync, WaitFromLowConsumesOnePulseWithTwoReads) {
    pbtest::OpenConsole open;
    Console& console = open.console();
    console.set_logging(true);
    wait_vsync();
    wait_vsync();
    EXPECT_EQ(console.pulse(), 2u);
    EXPECT_FALSE(console.sync_high());
    const std::vector<RegisterAccess> expected = {
        {false, 0x1182, 0x10}, {false, 0x1182, 0}, {false, 0x1182, 0x10}, {false, 0x1182, 0}};
    EXPECT_EQ(console.register_log(), expected);
}

TEST(Sync, WaitEnteredDuringAPulseReturnsAtItsFall) {
    pbtest::OpenConsole open;
    Console& console = open.console();
    console.begin_pulse(1, 0);  // a pulse began while the demo was busy
    wait_vsync();
    EXPECT_EQ(console.pulse(), 1u);
    EXPECT_FALSE(console.sync_high());
    wait_vsync();
    EXPECT_EQ(console.pulse(), 2u);
}

TEST(Bulk, CopyFromEverySkewEqualsAByteCopy) {
    pbtest::OpenConsole open;
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
    pbtest::OpenConsole open;
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
