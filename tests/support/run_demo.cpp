#include "support/run_demo.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "driver/demo.h"
#include "hw/hw.h"

namespace pbtest {

void OpenBoard::Frontend::await_edge(sim::Board& board) {
    if (board.sync_high()) {
        board.end_pulse();
    } else {
        board.begin_pulse(board.pulse() + 1, held);
    }
}

OpenBoard::OpenBoard(uint16_t seed) : board_(frontend_) {
    board_.set_counter(sim::counter_for_seed(seed));
    sim::prepare_demo(board_);
    if (!hw_open()) {
        throw std::runtime_error("hw_open failed on the simulated board");
    }
}

OpenBoard::~OpenBoard() {
    demo_reset();
    sim::attach(nullptr);
}

Run run_headless(uint16_t seed, uint32_t frames, const std::string& script) {
    frontends::HeadlessFrontend frontend(
        frontends::InputTimeline(frontends::parse_run(script).changes, frames));
    sim::Board board(frontend);
    board.set_counter(sim::counter_for_seed(seed));
    frontend.prepare(board);
    const sim::DemoEnded ended = sim::run_demo(board);
    if (ended.kind != sim::DemoEnded::kHandOver) {
        throw std::runtime_error("the demo did not end through the hand-over");
    }
    Run run;
    run.picture = board.picture();
    run.video.assign(board.video(), board.video() + sim::Board::kVideoBytes);
    run.pulses = board.pulse();
    run.scan_address = board.scan_address();
    return run;
}

Stopped stop_before(uint16_t seed, uint32_t pulse, const std::string& script) {
    struct Stopper : frontends::HeadlessFrontend {
        using HeadlessFrontend::HeadlessFrontend;
        uint32_t pulse = 0;
        frontends::InputRecorder recorder;
        Stopped stopped;
        void await_edge(sim::Board& board) override {
            if (!board.sync_high() && board.pulse() + 1 == pulse) {
                sim::snapshot::save(board, sim::snapshot::waiting_position(board),
                                    stopped.snapshot.data());
                stopped.record = recorder.state();
                throw sim::DemoEnded{sim::DemoEnded::kHandOver, 0};
            }
            HeadlessFrontend::await_edge(board);
        }
    } stopper(frontends::InputTimeline(frontends::parse_run(script).changes, std::nullopt));
    stopper.pulse = pulse;
    sim::Board board(stopper);
    board.set_counter(sim::counter_for_seed(seed));
    stopper.prepare(board);
    board.watch_reads(&stopper.recorder);
    sim::run_demo(board);
    return stopper.stopped;
}

std::vector<uint32_t> xrgb(const sim::Picture& picture) {
    std::vector<uint32_t> out(sim::kPixels);
    for (size_t i = 0; i < sim::kPixels; ++i) {
        const sim::Rgb c = picture.palette[picture.pixels[i]];
        out[i] = (uint32_t)c.r << 16 | (uint32_t)c.g << 8 | c.b;
    }
    return out;
}

uint64_t fnv1a(const void* data, size_t size) {
    const uint8_t* bytes = (const uint8_t*)data;
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    }
    return hash;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void exec_program(const char* binary, const std::vector<std::string>& arguments) {
    std::vector<char*> argv = {const_cast<char*>(binary)};
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    execv(binary, argv.data());
    _exit(127);
}

}  // namespace pbtest
