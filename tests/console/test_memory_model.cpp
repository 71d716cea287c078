// The board's model of the console's memory: the data cache's fills, misses and cast-outs, what
// it reads of an instruction, and what the cost table charges.

#include "memory_model.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

namespace {

uint16_t regs(std::initializer_list<int> list) {
    uint16_t mask = 0;
    for (int r : list) {
        mask |= (uint16_t)(1u << r);
    }
    return mask;
}

TEST(MemoryModel, DecodesWhatTheCoreTimingNeeds) {
    struct {
        uint32_t word;
        const char* text;
        uint16_t reads;
        int loaded;
        bool narrow;
        int registers;
    } cases[] = {
        {0xE4D32001, "ldrb r2, [r3], #1", regs({3}), 2, true, 0},
        {0xE3520000, "cmp r2, #0", regs({2}), -1, false, 0},
        {0xE8B10FF0, "ldmia r1!, {r4-r11}", regs({1}), 11, false, 8},
        {0xE8A007F8, "stmia r0!, {r3-r10}", regs({0, 3, 4, 5, 6, 7, 8, 9, 10}), -1, false, 8},
        {0xE1A0300B, "mov r3, r11", regs({11}), -1, false, 0},
        {0xE1833C04, "orr r3, r3, r4, lsl #24", regs({3, 4}), -1, false, 0},
        {0xE188833C, "orr r8, r8, ip, lsr r3", regs({8, 12, 3}), -1, false, 0},
        {0xE1D210B2, "ldrh r1, [r2, #2]", regs({2}), 1, true, 0},
        {0xE19540D6, "ldrsb r4, [r5, r6]", regs({5, 6}), 4, true, 0},
        {0xE7965107, "ldr r5, [r6, r7, lsl #2]", regs({6, 7}), 5, false, 0},
        {0xE5265004, "str r5, [r6, #-4]!", regs({5, 6}), -1, false, 0},
        {0xE5CE2000, "strb r2, [lr]", regs({2, 14}), -1, false, 0},
        {0xE12FFF1E, "bx lr", regs({14}), -1, false, 0},
        {0xE0203291, "mla r0, r1, r2, r3", regs({1, 2, 3}), -1, false, 0},
        {0xE0C10392, "smull r0, r1, r2, r3", regs({2, 3}), -1, false, 0},
        {0xE3A00005, "mov r0, #5", 0, -1, false, 0},
        {0xEAFFFFFE, "b .", 0, -1, false, 0},
    };
    for (const auto& c : cases) {
        const ArmInsn d = arm_decode(c.word);
        EXPECT_EQ(d.reads, c.reads) << c.text;
        EXPECT_EQ(d.loaded, c.loaded) << c.text;
        EXPECT_EQ(d.narrow, c.narrow) << c.text;
        EXPECT_EQ(d.registers, c.registers) << c.text;
    }
}

TEST(MemoryModel, CacheFillsOnReadsOnlyAndCastsOutDirtyHalves) {
    auto cache = std::make_unique<Cache>();
    cache_reset(cache.get());
    uint32_t castout = 0;
    // A line fill brings in all eight words.
    EXPECT_FALSE(cache_read(cache.get(), 0x1000, &castout));
    for (uint32_t a = 0x1004; a < 0x1020; a += 4) {
        EXPECT_TRUE(cache_read(cache.get(), a, &castout)) << std::hex << a;
    }
    EXPECT_FALSE(cache_read(cache.get(), 0x1020, &castout));
    // A write that misses allocates nothing.
    EXPECT_FALSE(cache_write(cache.get(), 0x2000));
    EXPECT_FALSE(cache_read(cache.get(), 0x2000, &castout));
    // A write that hits dirties its half; the fill that replaces the line writes that half back,
    // once. Lines 8 x 32 bytes apart share a set; the other sets keep their lines.
    EXPECT_TRUE(cache_write(cache.get(), 0x1014));
    uint32_t written_back = 0;
    for (uint32_t a = 0x100000; a < 0x100000 + 4000 * 0x100; a += 0x100) {
        EXPECT_FALSE(cache_read(cache.get(), a, &castout));
        written_back += castout;
    }
    EXPECT_EQ(written_back, 4u);
    EXPECT_FALSE(cache_read(cache.get(), 0x1000, &castout));
    EXPECT_TRUE(cache_read(cache.get(), 0x1020, &castout));
}

TEST(MemoryModel, CostTableCharges) {
    // Each case: one kind of event, how many, and the cycles each set charges beyond the counts
    // of instructions (none here).
    struct {
        Event event;
        uint64_t count;
        Event also;
        uint64_t also_count;
        uint64_t optimistic, pessimistic;
    } cases[] = {
        {EV_TAKEN, 3, EV_COUNT, 0, 6, 6},
        {EV_USE_NARROW, 2, EV_USE_NARROW_LATE, 2, 2, 6},
        {EV_DFILL, 1, EV_COUNT, 0, 10 + 7, 20 + 14},
        {EV_VIDEO_READ_B, 4, EV_COUNT, 0, 40, 80},
        {EV_VIDEO_WRITE_W, 4, EV_COUNT, 0, 40, 80},
        // One burst of eight words: the first word's latency, then the beats the core's own
        // register cycles do not cover.
        {EV_VIDEO_READ_BURST, 1, EV_VIDEO_READ_BURST_WORDS, 8, 10, 20 + 7},
        {EV_VIDEO_WRITE_BURST, 2, EV_VIDEO_WRITE_BURST_WORDS, 16, 20, 2 * (20 + 7)},
        {EV_REG_WRITE, 513, EV_COUNT, 0, 5130, 20520},
        // A write-buffer entry of four words: free, or waited for like an uncached write.
        {EV_BUFFERED, 1, EV_BUFFERED_WORDS, 4, 0, 20 + 3 * 2},
        {EV_CASTOUT, 1, EV_CASTOUT_WORDS, 8, 0, 20 + 7 * 2},
    };
    for (const auto& c : cases) {
        uint64_t n[EV_COUNT] = {};
        n[c.event] = c.count;
        if (c.also != EV_COUNT) {
            n[c.also] = c.also_count;
        }
        EXPECT_EQ(estimate_cycles(n, &COSTS_OPTIMISTIC), c.optimistic) << EVENT_NAMES[c.event];
        EXPECT_EQ(estimate_cycles(n, &COSTS_PESSIMISTIC), c.pessimistic) << EVENT_NAMES[c.event];
        n[EV_INSNS] = 1000;
        EXPECT_EQ(estimate_cycles(n, &COSTS_OPTIMISTIC), c.optimistic + 1000);
    }
}

}  // namespace
