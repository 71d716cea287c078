#include "support/run_demo.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "driver/demo.h"
#include "hw/hw.h"

namespace pbtest {

void OpenConsole::Frontend::await_edge(host::Console& console) {
    if (console.sync_high()) {
        console.end_pulse();
    } else {
        console.begin_pulse(console.pulse() + 1, held);
    }
}

void OpenConsole::Frontend::hand_over(host::Console&) {
    throw host::DemoEnded{host::DemoEnded::kHandOver, 0};
}

void OpenConsole::Frontend::process_exit(host::Console&, int status) {
    throw host::DemoEnded{host::DemoEnded::kExit, status};
}

OpenConsole::OpenConsole(uint16_t seed) : console_(frontend_) {
    console_.set_counter((uint32_t)seed << 16);
    demo_reset();
    host::attach(&console_);
    if (!hw_open()) {
        throw std::runtime_error("hw_open failed on the simulated console");
    }
}

OpenConsole::~OpenConsole() {
    demo_reset();
    host::attach(nullptr);
}

Run run_headless(uint16_t seed, uint32_t frames, const std::string& script) {
    host::HeadlessFrontend frontend(host::InputTimeline(host::parse_script(script), frames));
    host::Console console(frontend);
    console.set_counter((uint32_t)seed << 16);
    frontend.prepare(console);
    const host::DemoEnded ended = host::run_demo(console);
    if (ended.kind != host::DemoEnded::kHandOver) {
        throw std::runtime_error("the demo did not end through the hand-over");
    }
    Run run;
    run.picture = console.picture();
    run.video.assign(console.video(), console.video() + host::Console::kVideoBytes);
    run.pulses = console.pulse();
    run.scan_address = console.scan_address();
    return run;
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
