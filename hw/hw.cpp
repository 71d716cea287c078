// Console access over the platform interface: every register access is one access, in the order
// the display controller expects, and nothing is cached.

#include "hw/hw.h"

#include "fixed/fixed.h"
#include "hw/platform.h"

namespace {

// Video memory is plain bytes to the scene; the bulk operations move it a word at a time.
typedef uint32_t __attribute__((may_alias)) Word;

constexpr uint32_t REG_COUNTER_HIGH = 0x0A02;
constexpr uint32_t REG_SYNC_STATUS = 0x1182;
constexpr uint16_t SYNC_BIT = 0x10;
constexpr uint32_t REG_PINS = 0x1184;
constexpr uint32_t REG_DISPLAY_SETUP = 0x28DA;
constexpr uint32_t REG_ROW_WIDTH_1 = 0x2908;
constexpr uint32_t REG_ROW_WIDTH_2 = 0x290C;
constexpr uint32_t REG_SCAN_LOW_2 = 0x290E;
constexpr uint32_t REG_SCAN_HIGH_2 = 0x2910;
constexpr uint32_t REG_SCAN_LOW = 0x2912;
constexpr uint32_t REG_SCAN_HIGH = 0x2914;
constexpr uint32_t REG_PALETTE_INDEX = 0x2958;
constexpr uint32_t REG_PALETTE_DATA = 0x295A;

constexpr uintptr_t REGISTER_PHYSICAL = 0xC0000000;
constexpr uintptr_t VIDEO_PHYSICAL = 0x03000000;
constexpr uint32_t BLOCKS_PER_SCREEN = 2400;  // of 32 bytes

intptr_t device = -1;
volatile uint16_t* registers = nullptr;
uint8_t* video = nullptr;
uint8_t* buffer_a = nullptr;
uint8_t* buffer_b = nullptr;
uint8_t* background = nullptr;

intptr_t map_window(uintptr_t length, uintptr_t physical) {
    const uintptr_t block[6] = {
        0, length, platform::PROT_RW, platform::SHARED_MAPPING, (uintptr_t)device, physical};
    return platform::sys_mmap(block);
}

uint16_t read_reg(uint32_t offset) {
    return platform::reg_read(registers, offset);
}
void write_reg(uint32_t offset, uint16_t value) {
    platform::reg_write(registers, offset, value);
}

}  // namespace

int flip_state = 0;

int hw_open() {
    device = platform::sys_open("/dev/mem", platform::OPEN_READ_WRITE);
    if (platform::failed(device)) {
        device = -1;
        return 0;
    }
    intptr_t mapped = map_window(REGISTER_WINDOW_BYTES, REGISTER_PHYSICAL);
    if (platform::failed(mapped)) {
        platform::sys_close(device);
        device = -1;
        return 0;
    }
    registers = (volatile uint16_t*)(uintptr_t)mapped;
    mapped = map_window(VIDEO_WINDOW_BYTES, VIDEO_PHYSICAL);
    if (platform::failed(mapped)) {
        platform::sys_munmap((void*)registers, REGISTER_WINDOW_BYTES);
        platform::sys_close(device);
        hw_reset();
        return 0;
    }
    video = (uint8_t*)(uintptr_t)mapped;

    buffer_a = video + BUFFER_A_OFFSET;
    fill_screen(buffer_a, 0);
    buffer_b = video + BUFFER_B_OFFSET;
    fill_screen(buffer_b, 0);
    background = video + BACKGROUND_OFFSET;
    clear_bytes(background, BACKGROUND_BYTES);

    write_reg(REG_DISPLAY_SETUP, 0x02AB);
    write_reg(REG_ROW_WIDTH_2, SCREEN_WIDTH);
    write_reg(REG_ROW_WIDTH_1, SCREEN_WIDTH);
    seed_random(read_reg(REG_COUNTER_HIGH));
    return 1;
}

void hw_close() {
    platform::sys_munmap(video, VIDEO_WINDOW_BYTES);
    platform::sys_munmap((void*)registers, REGISTER_WINDOW_BYTES);
    platform::sys_close(device);
}

void hw_hand_over() {
    platform::sys_chdir("/usr/gp2x");
    platform::sys_execve("/usr/gp2x/gp2xmenu", nullptr, nullptr);
    platform::sys_exit(1);
}

uint8_t* video_window() {
    return video;
}
uint8_t* back_buffer() {
    return flip_state == 0 ? buffer_a : buffer_b;
}
uint8_t* front_buffer() {
    return flip_state == 0 ? buffer_b : buffer_a;
}

void flip_screen() {
    if (flip_state == 0) {
        set_display_address(DISPLAY_BUFFER_A);
        flip_state = 1;
    } else {
        set_display_address(DISPLAY_BUFFER_B);
        flip_state = 0;
    }
}

void set_display_address(uint16_t high) {
    write_reg(REG_SCAN_LOW, 0);
    write_reg(REG_SCAN_LOW_2, read_reg(REG_SCAN_LOW));
    write_reg(REG_SCAN_HIGH, high);
    write_reg(REG_SCAN_HIGH_2, read_reg(REG_SCAN_HIGH));
}

void wait_vsync() {
    while ((read_reg(REG_SYNC_STATUS) & SYNC_BIT) == 0) {
    }
    while ((read_reg(REG_SYNC_STATUS) & SYNC_BIT) != 0) {
    }
}

int button_pressed(int code) {
    const int32_t port = trunc_div_pow2<4>(code);
    const int32_t bit = code - port * 16;
    return (read_reg(REG_PINS + 2 * (uint32_t)port) >> bit & 1) == 0 ? 1 : 0;
}

void write_palette(const uint16_t* red, const uint16_t* green, const uint16_t* blue) {
    write_reg(REG_PALETTE_INDEX, 0);
    for (int i = 0; i < 256; ++i) {
        write_reg(REG_PALETTE_DATA, (uint16_t)(green[i] * 256u + blue[i]));
        write_reg(REG_PALETTE_DATA, red[i]);
    }
}

void fill_screen(uint8_t* buffer, uint32_t word) {
    Word* out = (Word*)buffer;
    for (uint32_t block = 0; block < BLOCKS_PER_SCREEN; ++block, out += 8) {
        out[0] = word;
        out[1] = word;
        out[2] = word;
        out[3] = word;
        out[4] = word;
        out[5] = word;
        out[6] = word;
        out[7] = word;
    }
}

#if defined(__arm__) && !defined(__thumb__)

// The joins below take a word's lowest address as its lowest byte.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "copy_screen needs little-endian words");

// On the console video memory is mapped uncached and unbuffered: a single load or store waits the
// memory's full latency, and only load- and store-multiple go out as bursts. So each 32-byte
// block moves as one eight-word burst each way. An unaligned source (the word holding its first
// byte is read first) gives each output word from two source words, with immediate shifts; the
// last word of a block carries over to the next. Only words holding a source byte are read.
template <uint32_t SKEW>
void copy_blocks(Word* out, const Word* in) {
    uint32_t blocks = BLOCKS_PER_SCREEN;
    if constexpr (SKEW == 0) {
        asm volatile(
            "1: ldmia %[in]!, {r3-r10}\n"
            "   stmia %[out]!, {r3-r10}\n"
            "   subs %[n], %[n], #1\n"
            "   bne 1b\n"
            : [in] "+r"(in), [out] "+r"(out), [n] "+r"(blocks)
            :
            : "r3", "r4", "r5", "r6", "r7", "r8", "r9", "r10", "cc", "memory");
    } else {
        asm volatile(
            "   ldr r3, [%[in]], #4\n"
            "1: ldmia %[in]!, {r4-r11}\n"
            "   mov r3, r3, lsr %[low]\n"
            "   orr r3, r3, r4, lsl %[high]\n"
            "   mov r4, r4, lsr %[low]\n"
            "   orr r4, r4, r5, lsl %[high]\n"
            "   mov r5, r5, lsr %[low]\n"
            "   orr r5, r5, r6, lsl %[high]\n"
            "   mov r6, r6, lsr %[low]\n"
            "   orr r6, r6, r7, lsl %[high]\n"
            "   mov r7, r7, lsr %[low]\n"
            "   orr r7, r7, r8, lsl %[high]\n"
            "   mov r8, r8, lsr %[low]\n"
            "   orr r8, r8, r9, lsl %[high]\n"
            "   mov r9, r9, lsr %[low]\n"
            "   orr r9, r9, r10, lsl %[high]\n"
            "   mov r10, r10, lsr %[low]\n"
            "   orr r10, r10, r11, lsl %[high]\n"
            "   stmia %[out]!, {r3-r10}\n"
            "   mov r3, r11\n"
            "   subs %[n], %[n], #1\n"
            "   bne 1b\n"
            : [in] "+r"(in), [out] "+r"(out), [n] "+r"(blocks)
            : [low] "i"(SKEW * 8), [high] "i"(32 - SKEW * 8)
            : "r3", "r4", "r5", "r6", "r7", "r8", "r9", "r10", "r11", "cc", "memory");
    }
}

void copy_screen(uint8_t* destination, const uint8_t* source) {
    Word* out = (Word*)destination;
    const uint32_t skew = (uint32_t)(uintptr_t)source & 3;
    const Word* in = (const Word*)(source - skew);
    switch (skew) {
        case 0:
            copy_blocks<0>(out, in);
            break;
        case 1:
            copy_blocks<1>(out, in);
            break;
        case 2:
            copy_blocks<2>(out, in);
            break;
        default:
            copy_blocks<3>(out, in);
            break;
    }
}

#else

// Cached memory: the C library's copy, which moves whole vectors from any alignment.
void copy_screen(uint8_t* destination, const uint8_t* source) {
    __builtin_memcpy(destination, source, SCREEN_BYTES);
}

#endif

void clear_bytes(uint8_t* pointer, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        pointer[i] = 0;
    }
}

void hw_reset() {
    device = -1;
    registers = nullptr;
    video = nullptr;
    buffer_a = nullptr;
    buffer_b = nullptr;
    background = nullptr;
    flip_state = 0;
}
