// The platform calls on the console: raw Linux system calls in the old convention, where the call
// number is part of the swi instruction (0x900000 + n), arguments are in r0-r5 and the result
// comes back in r0. (The registers are inline in hw/platform.h.)

#include "hw/platform.h"

namespace platform {
namespace {

constexpr uintptr_t NR_EXIT = 1;
constexpr uintptr_t NR_OPEN = 5;
constexpr uintptr_t NR_CLOSE = 6;
constexpr uintptr_t NR_EXECVE = 11;
constexpr uintptr_t NR_CHDIR = 12;
constexpr uintptr_t NR_MMAP = 90;  // the old form: r0 points at six words
constexpr uintptr_t NR_MUNMAP = 91;

// The kernel preserves every register but r0; "memory" because it reads the strings and blocks
// passed by address.
template <uintptr_t N>
intptr_t call(uintptr_t a, uintptr_t b = 0, uintptr_t c = 0) {
    register uintptr_t r0 asm("r0") = a;
    register uintptr_t r1 asm("r1") = b;
    register uintptr_t r2 asm("r2") = c;
    asm volatile("swi %[number]"
                 : "+r"(r0)
                 : [number] "i"(0x900000 + N), "r"(r1), "r"(r2)
                 : "memory", "cc");
    return (intptr_t)r0;
}

uintptr_t address(const void* pointer) {
    return (uintptr_t)pointer;
}

}  // namespace

intptr_t sys_open(const char* path, int flags) {
    return call<NR_OPEN>(address(path), (uintptr_t)flags, 0);
}

intptr_t sys_close(intptr_t fd) {
    return call<NR_CLOSE>((uintptr_t)fd);
}

intptr_t sys_mmap(const uintptr_t block[6]) {
    return call<NR_MMAP>(address(block));
}

intptr_t sys_munmap(void* start, uintptr_t length) {
    return call<NR_MUNMAP>(address(start), length);
}

intptr_t sys_chdir(const char* path) {
    return call<NR_CHDIR>(address(path));
}

intptr_t sys_execve(const char* path, char* const argv[], char* const envp[]) {
    return call<NR_EXECVE>(address(path), address(argv), address(envp));
}

void sys_exit(int status) {
    call<NR_EXIT>((uintptr_t)status);
    for (;;) {
    }
}

}  // namespace platform
