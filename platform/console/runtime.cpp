// The few routines the compiler may call on its own: memcpy and memset, the division entry points
// of the ARM run-time ABI and their division-by-zero hooks. Nothing else from a C library or
// libgcc is linked.

#include <stddef.h>
#include <stdint.h>

#include "platform/console/divide.h"

namespace {

typedef uint32_t __attribute__((may_alias)) Word;

bool word_aligned(const void* a, const void* b, size_t n) {
    return (((uintptr_t)a | (uintptr_t)b | n) & 3) == 0;
}

}  // namespace

extern "C" {

// Whole words only when both ends and the length allow: an unaligned word access on this CPU
// reads rotated data rather than faulting.
void* memcpy(void* destination, const void* source, size_t n) {
    if (word_aligned(destination, source, n)) {
        Word* out = (Word*)destination;
        const Word* in = (const Word*)source;
        for (size_t i = 0; i < n / 4; ++i) {
            out[i] = in[i];
        }
    } else {
        uint8_t* out = (uint8_t*)destination;
        const uint8_t* in = (const uint8_t*)source;
        for (size_t i = 0; i < n; ++i) {
            out[i] = in[i];
        }
    }
    return destination;
}

void* memset(void* destination, int value, size_t n) {
    const uint8_t byte = (uint8_t)value;
    if (word_aligned(destination, destination, n)) {
        const uint32_t word = byte * 0x01010101u;
        Word* out = (Word*)destination;
        for (size_t i = 0; i < n / 4; ++i) {
            out[i] = word;
        }
    } else {
        uint8_t* out = (uint8_t*)destination;
        for (size_t i = 0; i < n; ++i) {
            out[i] = byte;
        }
    }
    return destination;
}

// A zero divisor never traps: the division returns what the hook returns, here 0.
int __aeabi_idiv0(int value) {
    return value;
}
long long __aeabi_ldiv0(long long value) {
    return value;
}

unsigned __aeabi_uidiv(unsigned n, unsigned d) {
    if (d == 0) {
        return (unsigned)__aeabi_idiv0(0);
    }
    uint32_t r;
    return runtime::udivmod32(n, d, &r);
}

int __aeabi_idiv(int n, int d) {
    if (d == 0) {
        return __aeabi_idiv0(0);
    }
    int32_t r;
    return runtime::sdivmod32(n, d, &r);
}

// The two-result forms return the quotient in r0 and the remainder in r1: one 64-bit value.
uint64_t __aeabi_uidivmod(unsigned n, unsigned d) {
    if (d == 0) {
        return (uint32_t)__aeabi_idiv0(0);
    }
    uint32_t r;
    const uint32_t q = runtime::udivmod32(n, d, &r);
    return (uint64_t)r << 32 | q;
}

uint64_t __aeabi_idivmod(int n, int d) {
    if (d == 0) {
        return (uint32_t)__aeabi_idiv0(0);
    }
    int32_t r;
    const int32_t q = runtime::sdivmod32(n, d, &r);
    return (uint64_t)(uint32_t)r << 32 | (uint32_t)q;
}

// Called by the 64-bit entry points below, which move the remainder into r2:r3.
uint64_t pb_uldivmod(uint64_t n, uint64_t d, uint64_t* remainder) {
    if (d == 0) {
        *remainder = 0;
        return (uint64_t)__aeabi_ldiv0(0);
    }
    return runtime::udivmod64(n, d, remainder);
}

int64_t pb_ldivmod(int64_t n, int64_t d, int64_t* remainder) {
    if (d == 0) {
        *remainder = 0;
        return __aeabi_ldiv0(0);
    }
    return runtime::sdivmod64(n, d, remainder);
}

}  // extern "C"

// The 64-bit forms return the quotient in r0:r1 and the remainder in r2:r3, which no C function
// can do: the worker leaves the remainder on the stack. sp stays 8-byte aligned at the call.
asm(R"(
    .macro divmod64 entry, worker
    .section .text.\entry, "ax", %progbits
    .align 2
    .global \entry
    .type \entry, %function
\entry:
    stmfd sp!, {r4, lr}
    sub sp, sp, #16
    add r4, sp, #8
    str r4, [sp]
    bl \worker
    ldr r2, [sp, #8]
    ldr r3, [sp, #12]
    add sp, sp, #16
    ldmfd sp!, {r4, lr}
    bx lr
    .size \entry, . - \entry
    .previous
    .endm

    divmod64 __aeabi_uldivmod, pb_uldivmod
    divmod64 __aeabi_ldivmod, pb_ldivmod
)");
