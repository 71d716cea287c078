#pragma once
// The demo's whole contact with the machine: six Linux system calls, exit, and 16-bit register
// access by byte offset. On the console these are raw system calls and volatile accesses; on a
// desktop they reach the simulated console. Only hw/ calls them.

#include <stdint.h>

namespace platform {

// The kernel's own values (named apart from the C library's macros, which a host may define). Its
// words (results, descriptors, addresses, the mmap block) are as wide as a pointer on every
// target; long is narrower on 64-bit Windows.
constexpr int OPEN_READ_WRITE = 2;
constexpr uintptr_t PROT_RW = 3;
constexpr uintptr_t SHARED_MAPPING = 1;

// Kernel results in -4095..-1 are errors; anything else is a descriptor or an address.
constexpr bool failed(intptr_t result) {
    return (uintptr_t)result > (uintptr_t)-4096;
}

// Opens a file; returns a descriptor or a negative error.
intptr_t sys_open(const char* path, int flags);
// Closes a descriptor.
intptr_t sys_close(intptr_t fd);
// Old-form mmap: one block of address, length, protection, flags, descriptor, byte offset.
// Returns the mapped address or a negative error.
intptr_t sys_mmap(const uintptr_t block[6]);
// Unmaps a range mapped by sys_mmap.
intptr_t sys_munmap(void* address, uintptr_t length);
// Changes the working directory.
intptr_t sys_chdir(const char* path);
// Replaces the process image; returns only when that fails.
intptr_t sys_execve(const char* path, char* const argv[], char* const envp[]);
// Ends the process.
[[noreturn]] void sys_exit(int status);

// One 16-bit read or write of the register at byte offset `offset` of a mapped register window.
#if PLASMABALLS_INLINE_REGISTERS
// On the console a register is a volatile 16-bit location of the window: inline, each access is
// one load or store rather than a call.
inline uint16_t reg_read(volatile uint16_t* window, uint32_t offset) {
    return window[offset >> 1];
}
inline void reg_write(volatile uint16_t* window, uint32_t offset, uint16_t value) {
    window[offset >> 1] = value;
}
#else
uint16_t reg_read(volatile uint16_t* window, uint32_t offset);
void reg_write(volatile uint16_t* window, uint32_t offset, uint16_t value);
#endif

}  // namespace platform
