// The window's pieces that need no display: keys and gamepads to console pins and the window's
// own keys to what they ask, the real-time pulse schedule and the console's clock, placing and
// expanding the picture, the rewind ring and the slot files.

#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <filesystem>
#include <initializer_list>
#include <vector>

#include "frontends/window/controls.h"
#include "frontends/window/pixels.h"
#include "frontends/window/pulses.h"
#include "frontends/window/rewind.h"
#include "frontends/window/slots.h"
#include "support/run_demo.h"

namespace {

using namespace frontends::window;
using frontends::console_buttons;
using frontends::Held;

// Pin levels of the two button ports (START/SELECT, stick) for these keys held.
std::pair<uint16_t, uint16_t> pins_for_keys(std::initializer_list<SDL_Scancode> keys) {
    std::vector<uint8_t> state(SDL_NUM_SCANCODES, 0);
    for (SDL_Scancode key : keys) {
        state[key] = 1;
    }
    const sim::Buttons buttons = console_buttons(keyboard_held(state.data()));
    return {sim::pin_levels(buttons, 0), sim::pin_levels(buttons, 10)};
}

TEST(Keyboard, KeysCloseTheirPins) {
    struct Case {
        std::initializer_list<SDL_Scancode> keys;
        uint16_t port0, port10;  // pressed pins read 0
    };
    const Case cases[] = {
        {{}, 0xFFFF, 0xFFFF},
        {{SDL_SCANCODE_UP}, 0xFFFF, 0xFFFE},                        // bit 0 up
        {{SDL_SCANCODE_LEFT}, 0xFFFF, 0xFFFB},                      // bit 2 left
        {{SDL_SCANCODE_DOWN}, 0xFFFF, 0xFFEF},                      // bit 4 down
        {{SDL_SCANCODE_RIGHT}, 0xFFFF, 0xFFBF},                     // bit 6 right
        {{SDL_SCANCODE_UP, SDL_SCANCODE_LEFT}, 0xFFFF, 0xFFFD},     // bit 1 up-left only
        {{SDL_SCANCODE_DOWN, SDL_SCANCODE_LEFT}, 0xFFFF, 0xFFF7},   // bit 3 down-left
        {{SDL_SCANCODE_DOWN, SDL_SCANCODE_RIGHT}, 0xFFFF, 0xFFDF},  // bit 5 down-right
        {{SDL_SCANCODE_UP, SDL_SCANCODE_RIGHT}, 0xFFFF, 0xFF7F},    // bit 7 up-right
        {{SDL_SCANCODE_LEFT, SDL_SCANCODE_RIGHT}, 0xFFFF, 0xFFFF},  // opposite arrows cancel
        {{SDL_SCANCODE_UP, SDL_SCANCODE_DOWN, SDL_SCANCODE_RIGHT}, 0xFFFF, 0xFFBF},
        {{SDL_SCANCODE_RETURN}, 0xFEFF, 0xFFFF},  // bit 8 START
        {{SDL_SCANCODE_KP_ENTER}, 0xFEFF, 0xFFFF},
        {{SDL_SCANCODE_LALT, SDL_SCANCODE_RETURN}, 0xFFFF, 0xFFFF},  // Alt+Enter is fullscreen
        {{SDL_SCANCODE_RALT, SDL_SCANCODE_RETURN}, 0xFFFF, 0xFFFF},
        {{SDL_SCANCODE_SPACE}, 0xFDFF, 0xFFFF},  // bit 9 SELECT
        {{SDL_SCANCODE_LSHIFT}, 0xFDFF, 0xFFFF},
        {{SDL_SCANCODE_RSHIFT}, 0xFDFF, 0xFFFF},
        {{SDL_SCANCODE_RETURN, SDL_SCANCODE_SPACE, SDL_SCANCODE_UP, SDL_SCANCODE_LEFT},
         0xFCFF,
         0xFFFD},
        {{SDL_SCANCODE_W, SDL_SCANCODE_ESCAPE, SDL_SCANCODE_F12}, 0xFFFF, 0xFFFF},
    };
    for (const Case& c : cases) {
        const auto [port0, port10] = pins_for_keys(c.keys);
        EXPECT_EQ(port0, c.port0) << "case " << &c - cases;
        EXPECT_EQ(port10, c.port10) << "case " << &c - cases;
    }
}

TEST(Gamepad, DpadStickDeadZoneAndButtons) {
    struct Case {
        GamepadReading reading;
        sim::Buttons buttons;
    };
    auto stick = [](int x, int y) {
        GamepadReading r;
        r.stick_x = (int16_t)x;
        r.stick_y = (int16_t)y;
        return r;
    };
    GamepadReading dpad_up_left;
    dpad_up_left.dpad_up = dpad_up_left.dpad_left = true;
    GamepadReading dpad_down_stick_right = stick(20000, 0);
    dpad_down_stick_right.dpad_down = true;
    GamepadReading start_back;
    start_back.start = start_back.back = true;
    const Case cases[] = {
        {stick(0, 0), 0},
        {stick(kStickDeadZone, -kStickDeadZone), 0},  // resting slightly off centre
        {stick(kStickDeadZone + 1, 0), sim::kRight},
        {stick(-kStickDeadZone - 1, 0), sim::kLeft},
        {stick(0, -32768), sim::kUp},
        {stick(0, 32767), sim::kDown},
        {stick(-20000, -20000), sim::kUpLeft},
        {stick(20000, 20000), sim::kDownRight},
        {stick(20000, 3000), sim::kRight},  // mostly sideways: no diagonal inside the dead zone
        {dpad_up_left, sim::kUpLeft},
        {dpad_down_stick_right, sim::kDownRight},
        {start_back, sim::kStart | sim::kSelect},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(console_buttons(gamepad_held(c.reading)), c.buttons) << "case " << &c - cases;
    }
}

TEST(Keyboard, TheWindowsOwnKeysAskForWhatTheySay) {
    using Key = frontends::PlayerControls::Key;
    struct Case {
        SDL_Scancode key;
        uint16_t modifiers;
        Command command;
    };
    const Case cases[] = {
        {SDL_SCANCODE_ESCAPE, 0, {Command::kPlayer, Key::kLeave}},
        {SDL_SCANCODE_P, KMOD_LSHIFT | KMOD_LALT, {Command::kPlayer, Key::kPause}},
        {SDL_SCANCODE_N, 0, {Command::kPlayer, Key::kAdvance}},
        {SDL_SCANCODE_BACKSPACE, 0, {Command::kPlayer, Key::kStepBack}},
        {SDL_SCANCODE_F11, 0, {Command::kFullscreen}},
        {SDL_SCANCODE_KP_ENTER, KMOD_RALT, {Command::kFullscreen}},
        {SDL_SCANCODE_RETURN, KMOD_LCTRL, {}},  // START, while held
        {SDL_SCANCODE_F12, 0, {Command::kScreenshot}},
        {SDL_SCANCODE_F1, KMOD_NUM, {Command::kLoadSlot, {}, 1}},
        {SDL_SCANCODE_F9, KMOD_RSHIFT, {Command::kSaveSlot, {}, 9}},
        {SDL_SCANCODE_F10, KMOD_LSHIFT, {}},
        {SDL_SCANCODE_TAB, 0, {}},  // fast-forward, while held
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(SDL_GetScancodeName(c.key));
        const Command command = key_command(c.key, c.modifiers);
        EXPECT_EQ(command.kind, c.command.kind);
        EXPECT_TRUE(c.command.kind != Command::kPlayer || command.key == c.command.key);
        EXPECT_EQ(command.slot, c.command.slot);
    }
}

TEST(Controls, KeyboardAndGamepadMergeIntoOneContact) {
    std::vector<uint8_t> keys(SDL_NUM_SCANCODES, 0);
    keys[SDL_SCANCODE_UP] = 1;
    GamepadReading pad;
    pad.stick_x = -30000;
    Held held = keyboard_held(keys.data());
    held |= gamepad_held(pad);
    EXPECT_EQ(console_buttons(held), sim::kUpLeft);
}

TEST(Pulses, EdgesFollowTheClockAndLateReadersMissPulses) {
    const int64_t ms = 1'000'000;
    struct Case {
        int64_t now;
        bool high;
        uint32_t pulse;
        Edge::Kind kind;
        uint32_t edge_pulse;
        int64_t at;
    };
    const Case cases[] = {
        {0, false, 0, Edge::kRise, 1, rise_time(1)},  // the first pulse
        {5 * ms, false, 0, Edge::kRise, 1, rise_time(1)},
        {rise_time(5) + 1, true, 5, Edge::kFall, 5, fall_time(5)},        // waits for the fall
        {rise_time(5) + 5 * ms, true, 5, Edge::kFall, 5, fall_time(5)},   // fell already: at once
        {rise_time(5) + 5 * ms, false, 5, Edge::kRise, 6, rise_time(6)},  // in time for the next
        {rise_time(7) + ms, false, 5, Edge::kRise, 7,
         rise_time(7)},  // late, 7 still high: 6 missed
        {rise_time(7) + 2 * ms, false, 5, Edge::kRise, 8, rise_time(8)},  // 7 fell too: both missed
        {rise_time(6) + ms, true, 5, Edge::kFall, 6,
         fall_time(6)},  // 6 rose unseen: one long pulse
        {rise_time(6) + 2 * ms, true, 5, Edge::kFall, 5, fall_time(5)},  // 6 came and went unseen
        {rise_time(1000) - 1, false, 999, Edge::kRise, 1000, rise_time(1000)},
    };
    for (const Case& c : cases) {
        const Edge edge = next_edge(c.now, c.high, c.pulse);
        EXPECT_EQ(edge.kind, c.kind) << "case " << &c - cases;
        EXPECT_EQ(edge.pulse, c.edge_pulse) << "case " << &c - cases;
        EXPECT_EQ(edge.at, c.at) << "case " << &c - cases;
    }
    // Sixty pulses a second, high for a tenth of a pulse, and no drift over an hour.
    EXPECT_EQ(rise_time(60), kSecond);
    EXPECT_EQ(rise_time(216000), 3600 * kSecond);
    EXPECT_EQ(fall_time(1) - rise_time(1), kSecond / 600);
}

TEST(Placement, WholeScaleCentredWithBars) {
    struct Case {
        int w, h, scale, x, y;
    };
    const Case cases[] = {
        {320, 240, 1, 0, 0},      {640, 480, 2, 0, 0},      {700, 500, 2, 30, 10},
        {1920, 1080, 4, 320, 60}, {959, 2000, 2, 159, 760}, {100, 100, 1, 0, 0},
        {3840, 2160, 9, 480, 0},
    };
    for (const Case& c : cases) {
        const Placement p = place(c.w, c.h);
        EXPECT_EQ(p.scale, c.scale) << c.w << "x" << c.h;
        EXPECT_EQ(p.x, c.x) << c.w << "x" << c.h;
        EXPECT_EQ(p.y, c.y) << c.w << "x" << c.h;
    }
    EXPECT_TRUE(place(640, 480).covers(640, 480));
    EXPECT_FALSE(place(700, 480).covers(700, 480));

    struct Screen {
        int w, h, scale;
    };
    const Screen screens[] = {{1920, 1080, 4}, {1280, 1024, 4}, {1366, 768, 2},
                              {800, 600, 2},   {640, 480, 1},   {2560, 1440, 4}};
    for (const Screen& s : screens) {
        EXPECT_EQ(fitting_scale(s.w, s.h), s.scale) << s.w << "x" << s.h;
    }
}

// A picture whose every pixel differs from its neighbours, and a palette of distinct colours.
sim::Picture test_picture() {
    sim::Picture picture;
    for (size_t i = 0; i < sim::kPixels; ++i) {
        picture.pixels[i] = (uint8_t)(i * 7 + i / sim::kWidth * 3);
    }
    return picture;
}

TEST(Expand, EachPixelBecomesABlockAndNothingOutsideIsWritten) {
    const sim::Picture picture = test_picture();
    Lut lut;
    for (size_t i = 0; i < lut.size(); ++i) {
        lut[i] = 0x01000000u + (uint32_t)i * 0x10101;
    }
    constexpr uint32_t kUntouched = 0xDEADBEEF;
    struct Case {
        int w, h, pad;  // output size and extra pixels at the end of each row
    };
    const Case cases[] = {{1000, 760, 3}, {320, 240, 0}, {300, 200, 5}, {1299, 965, 1}};
    for (const Case& c : cases) {
        const Placement placement = place(c.w, c.h);
        const int stride = c.w + c.pad;
        std::vector<uint32_t> output((size_t)stride * c.h, kUntouched);
        expand(picture, lut, placement, (uint8_t*)output.data(), c.w, c.h,
               (size_t)stride * sizeof(uint32_t));
        int wrong = 0;
        for (int y = 0; y < c.h; ++y) {
            for (int x = 0; x < stride; ++x) {
                const int sx = (x - placement.x) / placement.scale;
                const int sy = (y - placement.y) / placement.scale;
                const bool inside = x < c.w && x >= placement.x && y >= placement.y &&
                                    sx < sim::kWidth && sy < sim::kHeight;
                const uint32_t expected =
                    inside ? lut[picture.pixels[(size_t)sy * sim::kWidth + sx]] : kUntouched;
                wrong += output[(size_t)y * stride + x] != expected;
            }
        }
        EXPECT_EQ(wrong, 0) << c.w << "x" << c.h << " at scale " << placement.scale;
    }
}

TEST(ConsoleClock, StandsStillWhileStoppedAndIsSetWhereARunJumps) {
    ConsoleClock clock;
    clock.set(0, 1000);             // the demo's first look, at real time 1000
    clock.stop(1500);               // paused
    clock.set(rise_time(3), 9000);  // a state loaded while paused: still paused
    EXPECT_EQ(clock.now(9500), rise_time(3));
    clock.run(10000);
    clock.run(10500);  // running already: no jump back
    EXPECT_EQ(clock.now(11000), rise_time(3) + 1000);
    EXPECT_EQ(clock.real_at(rise_time(4)), 10000 + rise_time(4) - rise_time(3));
    clock.set(rise_time(9), 12000);  // fast-forward: pulse 9 rises at once
    EXPECT_EQ(next_edge(clock.now(12000), false, 8).at, clock.now(12000));
}

TEST(RewindRing, GivesTheNewestBackFirstAndForgetsThoseOlderThanAMinute) {
    RewindRing ring;
    const auto push = [&ring](uint32_t n) { ring.push().recorder.interval = n; };
    std::vector<uint32_t> popped;
    const auto pop = [&ring, &popped] {
        const std::optional<RewindRing::Entry> entry = ring.pop();
        popped.push_back(entry ? entry->recorder.interval : 0);
    };
    push(1), push(2), push(3), pop(), push(4), pop(), pop(), pop(), pop();
    EXPECT_EQ(popped, (std::vector<uint32_t>{3, 4, 2, 1, 0}));
    for (uint32_t n = 1; n <= RewindRing::kEntries + 5; ++n) {
        push(n);
    }
    popped.clear();
    while (ring.size() > 0) {
        pop();
    }
    ASSERT_EQ(popped.size(), RewindRing::kEntries);
    EXPECT_EQ(popped.front(), RewindRing::kEntries + 5);
    EXPECT_EQ(popped.back(), 6u);
}

// Seed 7 with the stick right from pulse 5, at its wait for pulse 12.
const pbtest::Stopped& saved_run() {
    static const pbtest::Stopped saved = pbtest::stop_before(7, 12, "5 right\n");
    return saved;
}

TEST(Slots, ReadBackWhatWasSavedAndRefuseAnythingElse) {
    const pbtest::Stopped& saved = saved_run();
    const std::vector<uint8_t> good = slot_bytes(saved.snapshot.data(), saved.record);
    std::string error;
    const std::optional<Slot> slot = read_slot(good, error);
    ASSERT_TRUE(slot) << error;
    EXPECT_EQ(slot->snapshot.counter, sim::counter_for_seed(7));
    EXPECT_EQ(slot->recorder.changes, saved.record.changes);
    EXPECT_EQ(slot->recorder.at.interval, saved.record.at.interval);

    // Where fields sit in the file: the snapshot after a 40-byte header and the open interval;
    // the last change's buttons 6 bytes from the end (negative: from the end).
    constexpr long kSnapshot = 52, kVersion = 8, kChanges = 32, kButtons = -6;
    constexpr long kBallSpeed = kSnapshot + 816, kStage = kSnapshot + 20;
    // A ball's speed may be anything: a snapshot alone takes this damage.
    std::array<uint8_t, sim::snapshot::kBytes> damaged = saved.snapshot;
    damaged[kBallSpeed - kSnapshot] ^= 1;
    ASSERT_TRUE(sim::snapshot::read(damaged.data(), damaged.size(), error)) << error;

    struct Case {
        long at;
        uint8_t flip;
        bool checksum_fixed;
        const char* error;
    };
    const Case cases[] = {
        {0, 1, false, "not a slot file"},
        {kBallSpeed, 1, false, "damaged (its checksum"},
        {kButtons, sim::kRight, false, "damaged (its checksum"},
        {kVersion, '1' ^ '0', true, "saved by plasmaballs 0"},
        {kChanges, 1, true, "damaged (a checksum that matches"},
        {kButtons, sim::kRight, true, "damaged (a checksum that matches"},  // a change to none
        {kStage, 1 ^ 2, true, "it holds no run at one of its waits"},       // the end of a run
        {kSnapshot + 40, 1, true, "its state: a palette no run shows"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        bytes[c.at < 0 ? bytes.size() + c.at : c.at] ^= c.flip;
        if (c.checksum_fixed) {
            const size_t body = bytes.size() - 4;
            const uint32_t crc = (uint32_t)crc32(0, bytes.data(), (uInt)body);
            for (int i = 0; i < 4; ++i) {
                bytes[body + i] = (uint8_t)(crc >> 8 * i);
            }
        }
        EXPECT_FALSE(read_slot(bytes, error)) << c.error;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.error << ": " << error;
    }
    std::vector<uint8_t> cut(good.begin(), good.end() - 7);
    EXPECT_FALSE(read_slot(cut, error));
}

TEST(Slots, LiveInTheStateFolder) {
    struct Folder {
        const char *state_home, *home, *folder;
    };
    const Folder folders[] = {
        {"/s", "/h", "/s/plasmaballs"},
        {"", "/h", "/h/.local/state/plasmaballs"},
        {"relative", "/h", "/h/.local/state/plasmaballs"},  // not a path to use
        {nullptr, nullptr, ""},
    };
    for (const Folder& f : folders) {
        EXPECT_EQ(slot_folder(f.state_home, f.home), f.folder)
            << (f.state_home ? f.state_home : "(unset)");
    }

    char pattern[] = "/tmp/pbslots-XXXXXX";
    const std::filesystem::path root = mkdtemp(pattern);
    const std::string folder = (root / "state/plasmaballs").string();
    const pbtest::Stopped& saved = saved_run();
    const std::vector<uint8_t> bytes = slot_bytes(saved.snapshot.data(), saved.record);
    EXPECT_EQ(write_slot(folder, 3, bytes), folder + "/slot-3");
    struct stat info;
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    std::string error;
    const std::optional<Slot> slot = load_slot(folder, 3, error);
    ASSERT_TRUE(slot) << error;
    EXPECT_EQ(slot->recorder.changes, saved.record.changes);
    EXPECT_FALSE(load_slot(folder, 4, error));
    EXPECT_EQ(error, "nothing saved there");

    std::filesystem::remove_all(root);
}

}  // namespace
