#include "support/test_board.h"

#include <cstdio>
#include <stdexcept>

namespace pbtest {
namespace {

constexpr intptr_t kENOENT = -2;
constexpr intptr_t kEACCES = -13;
constexpr intptr_t kEINVAL = -22;

std::string hex(uintptr_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%#lx", value);
    return text;
}

RegisterLog* g_open_log = nullptr;

}  // namespace

intptr_t TestBoard::sys_open(const char* path, int flags) {
    calls_.push_back("open " + std::string(path) + " " + std::to_string(flags));
    const intptr_t fd = fail_open ? kEACCES : Board::sys_open(path, flags);
    device_open_ = device_open_ || fd >= 0;
    return fd;
}

intptr_t TestBoard::sys_close(intptr_t fd) {
    calls_.push_back("close " + std::to_string(fd));
    const intptr_t result = Board::sys_close(fd);
    device_open_ = device_open_ && result != 0;
    return result;
}

intptr_t TestBoard::sys_mmap(const uintptr_t block[6]) {
    calls_.push_back("mmap " + hex(block[0]) + " " + hex(block[1]) + " " +
                     std::to_string(block[2]) + " " + std::to_string(block[3]) + " " +
                     std::to_string((intptr_t)block[4]) + " " + hex(block[5]));
    const bool refused = (block[5] == kRegisterBase && fail_register_map) ||
                         (block[5] == kVideoBase && fail_video_map);
    return refused ? kEINVAL : Board::sys_mmap(block);
}

intptr_t TestBoard::sys_munmap(void* address, uintptr_t length) {
    const char* what = address == (void*)register_window() ? "registers"
                       : address == (void*)video()         ? "video"
                                                           : "unknown";
    calls_.push_back("munmap " + std::string(what) + " " + hex(length));
    return Board::sys_munmap(address, length);
}

intptr_t TestBoard::sys_chdir(const char* path) {
    calls_.push_back("chdir " + std::string(path));
    return Board::sys_chdir(path);
}

intptr_t TestBoard::sys_execve(const char* path, char* const argv[], char* const envp[]) {
    calls_.push_back("execve " + std::string(path) + (argv == nullptr ? " null" : " argv") +
                     (envp == nullptr ? " null" : " envp"));
    return fail_menu ? kENOENT : Board::sys_execve(path, argv, envp);
}

void TestBoard::sys_exit(int status) {
    calls_.push_back("exit " + std::to_string(status));
    Board::sys_exit(status);
}

RegisterLog::RegisterLog() {
    if (g_open_log != nullptr) {
        throw std::logic_error("a register log is open already");
    }
    g_open_log = this;
}

RegisterLog::~RegisterLog() {
    g_open_log = nullptr;
}

RegisterLog* open_register_log() {
    return g_open_log;
}

}  // namespace pbtest
