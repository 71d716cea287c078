// The desktop's side of an emulated console case: runs the demo headless on the simulated board
// for a seed and a button script, and writes what the console must match at its hand-over (video
// memory, registers, loaded palette, pulse count, scan address) and the pin levels per pulse the
// board plays.
//
// usage: console_desktop_dump SEED FRAMES SCRIPT|- OUTPUT-DIRECTORY

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "frontends/common/headless.h"
#include "frontends/common/script.h"
#include "platform/sim/board.h"
#include "platform/sim/run_demo.h"

namespace {

void write_file(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write((const char*)data, (std::streamsize)size);
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

void append_le16(std::vector<uint8_t>& bytes, uint16_t value) {
    bytes.push_back((uint8_t)value);
    bytes.push_back((uint8_t)(value >> 8));
}

int dump(uint16_t seed, uint32_t frames, const std::string& script, const std::string& out) {
    const frontends::InputTimeline timeline(script == "-" ? std::vector<frontends::ButtonChange>{}
                                                          : frontends::load_run(script).changes,
                                            frames);
    frontends::HeadlessFrontend frontend(timeline);
    sim::Board board(frontend);
    board.set_counter(sim::counter_for_seed(seed));
    frontend.prepare(board);
    const sim::DemoEnded ended = sim::run_demo(board);
    if (ended.kind != sim::DemoEnded::kHandOver) {
        std::cerr << "console_desktop_dump: the demo did not end through the hand-over\n";
        return 1;
    }

    write_file(out + "/video.bin", board.video(), sim::Board::kVideoBytes);

    // The sync status is the board's own state, not something the demo stores.
    std::vector<uint8_t> registers;
    for (uint32_t offset = 0; offset < sim::Board::kRegisterBytes; offset += 2) {
        append_le16(registers, offset == sim::Board::kSyncStatus ? 0 : board.peek_register(offset));
    }
    write_file(out + "/registers.bin", registers.data(), registers.size());

    std::vector<uint8_t> palette;
    for (const sim::Rgb& rgb : board.palette()) {
        palette.insert(palette.end(), {rgb.r, rgb.g, rgb.b});
    }
    write_file(out + "/palette.bin", palette.data(), palette.size());

    // Levels of port 0 (START, SELECT) and port 10 (the stick) from each pulse's rising edge.
    std::vector<uint8_t> pins;
    for (uint32_t pulse = 0; pulse <= board.pulse(); ++pulse) {
        append_le16(pins, sim::pin_levels(timeline.at(pulse), 0));
        append_le16(pins, sim::pin_levels(timeline.at(pulse), 10));
    }
    write_file(out + "/pins.bin", pins.data(), pins.size());

    std::ofstream expected(out + "/expected.txt");
    char scan[16];
    std::snprintf(scan, sizeof scan, "%#010x", board.scan_address());
    expected << "pulses=" << board.pulse() << "\nscan_address=" << scan << "\n";
    return expected.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: console_desktop_dump SEED FRAMES SCRIPT|- OUTPUT-DIRECTORY\n";
        return 2;
    }
    try {
        const unsigned long seed = std::stoul(argv[1]);
        const unsigned long frames = std::stoul(argv[2]);
        if (seed > 0xFFFF) {
            throw std::invalid_argument("the seed is 0 to 65535");
        }
        return dump((uint16_t)seed, (uint32_t)frames, argv[3], argv[4]);
    } catch (const std::exception& error) {
        std::cerr << "console_desktop_dump: " << error.what() << "\n";
        return 1;
    }
}
