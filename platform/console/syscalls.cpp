// The platform calls on the console: raw Linux system calls in the old convention, where the call
// number is part of the swi instruction (0x900000 + n), arguments are in r0-r5 and the result
// comes back in r0. (The registers are inline in hw/platform.h.)

#include "hw/platform.h"

namespace platform {
namespace {

constexpr unsigned long NR_EXIT = 1;
constexpr unsigned long NR_OPEN = 5;
constexpr unsigned long NR_CLOSE = 6;
constexpr unsigned long NR_EXECVE = 11;
constexpr unsigned long NR_CHDIR = 12;
constexpr unsigned long NR_MMAP = 90;  // the old form: r0 points at six words
constexpr unsigned long NR_MUNMAP = 91;

// The kernel preserves every register but r0; "memory" because it reads the strings and blocks
// passed by address.
template <unsigned long N>
long call(unsigned long a, unsigned long b = 0, unsigned long c = 0) {
    register unsigned long r0 asm("r0") = a;
    register unsigned long r1 asm("r1") = b;
    register unsigned long r2 asm("r2") = c;
    asm volatile("swi %[number]"
                 : "+r"(r0)
                 : [number] "i"(0x900000 + N), "r"(r1), "r"(r2)
                 : "memory", "cc");
    return (long)r0;
}

unsigned long address(const void* pointer) {
    return (unsigned long)pointer;
}

}  // namespace

long sys_open(const char* path, int flags) {
    return call<NR_OPEN>(address(path), (unsigned long)flags, 0);
}

long sys_close(long fd) {
    return call<NR_CLOSE>((unsigned long)fd);
}

long sys_mmap(const unsigned long block[6]) {
    return call<NR_MMAP>(address(block));
}

long sys_munmap(void* start, unsigned long length) {
    return call<NR_MUNMAP>(address(start), length);
}

long sys_chdir(const char* path) {
    return call<NR_CHDIR>(address(path));
}

long sys_execve(const char* path, char* const argv[], char* const envp[]) {
    return call<NR_EXECVE>(address(path), address(argv), address(envp));
}

void sys_exit(int status) {
    call<NR_EXIT>((unsigned long)status);
    for (;;) {
    }
}

}  // namespace platform
