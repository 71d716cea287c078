// The platform's system calls on the desktop: they reach the attached simulated board, never the
// host's own /dev/mem.

#include <cstdlib>

#include "hw/platform.h"
#include "platform/sim/board.h"

namespace platform {

long sys_open(const char* path, int flags) {
    return sim::attached_board().sys_open(path, flags);
}

long sys_close(long fd) {
    return sim::attached_board().sys_close(fd);
}

long sys_mmap(const unsigned long block[6]) {
    return sim::attached_board().sys_mmap(block);
}

long sys_munmap(void* address, unsigned long length) {
    return sim::attached_board().sys_munmap(address, length);
}

long sys_chdir(const char* path) {
    return sim::attached_board().sys_chdir(path);
}

long sys_execve(const char* path, char* const argv[], char* const envp[]) {
    return sim::attached_board().sys_execve(path, argv, envp);
}

void sys_exit(int status) {
    sim::attached_board().sys_exit(status);
    std::abort();  // a board's exit never returns
}

}  // namespace platform
