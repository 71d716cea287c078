// The platform's system calls on the desktop: they reach the attached simulated board, never the
// host's own /dev/mem.

#include <cstdlib>

#include "hw/platform.h"
#include "platform/sim/board.h"

namespace platform {

intptr_t sys_open(const char* path, int flags) {
    return sim::attached_board().sys_open(path, flags);
}

intptr_t sys_close(intptr_t fd) {
    return sim::attached_board().sys_close(fd);
}

intptr_t sys_mmap(const uintptr_t block[6]) {
    return sim::attached_board().sys_mmap(block);
}

intptr_t sys_munmap(void* address, uintptr_t length) {
    return sim::attached_board().sys_munmap(address, length);
}

intptr_t sys_chdir(const char* path) {
    return sim::attached_board().sys_chdir(path);
}

intptr_t sys_execve(const char* path, char* const argv[], char* const envp[]) {
    return sim::attached_board().sys_execve(path, argv, envp);
}

void sys_exit(int status) {
    sim::attached_board().sys_exit(status);
    std::abort();  // a board's exit never returns
}

}  // namespace platform
