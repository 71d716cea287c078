#pragma once
// Test seams of the simulated board: a board that writes down the kernel calls the demo makes and
// fails them on request, and a record of register traffic.

#include <stdint.h>

#include <string>
#include <vector>

#include "platform/sim/board.h"

namespace pbtest {

// The kernel calls as text ("open /dev/mem 2", "mmap 0 0x10000 3 1 3 0xc0000000", ...); each can
// fail the way a console without its device, a window or its menu program would.
class TestBoard : public sim::Board {
  public:
    using sim::Board::Board;

    bool fail_open = false;
    bool fail_register_map = false;
    bool fail_video_map = false;
    bool fail_menu = false;  // the menu program cannot be executed
    const std::vector<std::string>& calls() const { return calls_; }
    // An open of the device succeeded and has not been closed since.
    bool device_open() const { return device_open_; }

    intptr_t sys_open(const char* path, int flags) override;
    intptr_t sys_close(intptr_t fd) override;
    intptr_t sys_mmap(const uintptr_t block[6]) override;
    intptr_t sys_munmap(void* address, uintptr_t length) override;
    intptr_t sys_chdir(const char* path) override;
    intptr_t sys_execve(const char* path, char* const argv[], char* const envp[]) override;
    [[noreturn]] void sys_exit(int status) override;

  private:
    std::vector<std::string> calls_;
    bool device_open_ = false;
};

// One register access.
struct RegisterAccess {
    bool write;
    uint32_t offset;
    uint16_t value;
    bool operator==(const RegisterAccess&) const = default;
};

// Every register access while it is open, in order. Only test programs that link the recording
// register access (tests/support/recording_registers.cpp) can open one; one at a time.
class RegisterLog {
  public:
    RegisterLog();
    ~RegisterLog();
    RegisterLog(const RegisterLog&) = delete;
    RegisterLog& operator=(const RegisterLog&) = delete;
    const std::vector<RegisterAccess>& accesses() const { return accesses_; }
    void record(const RegisterAccess& access) { accesses_.push_back(access); }

  private:
    std::vector<RegisterAccess> accesses_;
};

// The open log, if any.
RegisterLog* open_register_log();

}  // namespace pbtest
