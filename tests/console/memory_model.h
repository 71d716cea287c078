#pragma once
// What the console's memory costs its processor, for the board's estimate of a frame: the
// ARM920T's caches, the few facts of its core's timing the estimate needs, the events the board
// counts, and the cost table that turns counts into cycles (an optimistic and a pessimistic set).
// Plain C, so that the board (a C plugin) and a C++ test both include it.

#include <stdbool.h>
#include <stdint.h>

// --- the events, counted per step of the program ---

enum Event {
    EV_INSNS,            // instructions executed
    EV_TAKEN,            // taken branches: the pipeline refills
    EV_MULTIPLE_EXTRA,   // registers after the first of a load- or store-multiple
    EV_USE_WORD,         // word loads whose result the next instruction reads
    EV_USE_NARROW,       // byte and halfword loads whose result the next instruction reads
    EV_USE_NARROW_LATE,  // byte and halfword loads whose result only the one after next reads
    EV_IFILL,            // instruction-cache misses (line fills)
    EV_CACHED_READ,      // reads of the program's own (cached) memory, in words or less
    EV_DFILL,            // of those, data-cache misses (line fills)
    EV_CACHED_WRITE,     // writes to the program's own memory
    EV_BUFFERED,  // of those, misses: the cache does not allocate, the write buffer takes them
    EV_BUFFERED_WORDS,  // words in those write-buffer entries
    EV_CASTOUT,         // dirty lines written back when a fill replaces them
    EV_CASTOUT_WORDS,
    EV_VIDEO_READ_B,  // single reads of the uncached video window, by width
    EV_VIDEO_READ_H,
    EV_VIDEO_READ_W,
    EV_VIDEO_WRITE_B,  // single writes to it, by width
    EV_VIDEO_WRITE_H,
    EV_VIDEO_WRITE_W,
    EV_VIDEO_READ_BURST,  // load-multiples to it, split at 1 KB boundaries
    EV_VIDEO_READ_BURST_WORDS,
    EV_VIDEO_WRITE_BURST,  // store-multiples to it, likewise
    EV_VIDEO_WRITE_BURST_WORDS,
    EV_REG_READ,  // 16-bit accesses of the register window
    EV_REG_WRITE,
    EV_COUNT
};

static const char* const EVENT_NAMES[EV_COUNT] = {
    "instructions",
    "taken_branches",
    "multiple_extra_registers",
    "load_use_word",
    "load_use_narrow",
    "load_use_narrow_late",
    "icache_fills",
    "cached_reads",
    "dcache_fills",
    "cached_writes",
    "buffered_writes",
    "buffered_words",
    "castouts",
    "castout_words",
    "video_read_byte",
    "video_read_half",
    "video_read_word",
    "video_write_byte",
    "video_write_half",
    "video_write_word",
    "video_read_bursts",
    "video_read_burst_words",
    "video_write_bursts",
    "video_write_burst_words",
    "register_reads",
    "register_writes",
};

// --- the cost table (cycles of a 200 MHz processor clock) ---

struct Costs {
    uint32_t taken_branch;       // added to a taken branch's own cycle
    uint32_t use_word;           // a word load's result read by the next instruction
    uint32_t use_narrow;         // the same for a byte or halfword load
    uint32_t use_narrow_late;    // a byte or halfword load's result read by the one after next
    uint32_t multiple_register;  // each register of a load/store-multiple after the first
    uint32_t latency;   // the core waits this long for the first word of a read from the memory:
                        // a line fill, a single uncached read, a read burst
    uint32_t write;     // a single uncached write (the core halts until it completes), and the
                        // first word of a write burst or of a write-buffer entry
    uint32_t beat;      // bus cycles per further word of a burst or a line fill; in a burst of
                        // a load/store-multiple the core's own cycle per register overlaps one
    uint32_t reg;       // one access of the register window
    uint32_t buffered;  // 0: write-buffer entries drain while the core runs on; 1: the core
                        // waits for each as for an uncached write
};

enum { COST_FIELDS = 10 };
static const char* const COST_NAMES[COST_FIELDS] = {
    "taken_branch",      "load_use_word",      "load_use_narrow", "load_use_narrow_late",
    "multiple_register", "read_latency",       "uncached_write",  "burst_beat",
    "register_access",   "write_buffer_waits",
};

static inline uint32_t cost_field(const struct Costs* c, int i) {
    const uint32_t fields[COST_FIELDS] = {c->taken_branch,
                                          c->use_word,
                                          c->use_narrow,
                                          c->use_narrow_late,
                                          c->multiple_register,
                                          c->latency,
                                          c->write,
                                          c->beat,
                                          c->reg,
                                          c->buffered};
    return fields[i];
}

// The two sets; docs/PERFORMANCE.md gives the ground of each figure.
static const struct Costs COSTS_OPTIMISTIC = {2, 1, 1, 0, 1, 10, 10, 1, 10, 0};
static const struct Costs COSTS_PESSIMISTIC = {2, 1, 2, 1, 1, 20, 20, 2, 40, 1};

enum { LINE_WORDS = 8 };

// Cycles for a set of counts: one per instruction, plus every wait the table charges.
static inline uint64_t estimate_cycles(const uint64_t* n, const struct Costs* c) {
    const uint64_t fill = c->latency + (LINE_WORDS - 1) * (uint64_t)c->beat;
    uint64_t cycles = n[EV_INSNS];
    cycles += n[EV_TAKEN] * c->taken_branch + n[EV_MULTIPLE_EXTRA] * c->multiple_register;
    cycles += n[EV_USE_WORD] * c->use_word + n[EV_USE_NARROW] * c->use_narrow +
              n[EV_USE_NARROW_LATE] * c->use_narrow_late;
    cycles += (n[EV_IFILL] + n[EV_DFILL]) * fill;
    cycles += (n[EV_VIDEO_READ_B] + n[EV_VIDEO_READ_H] + n[EV_VIDEO_READ_W]) * c->latency;
    cycles += (n[EV_VIDEO_WRITE_B] + n[EV_VIDEO_WRITE_H] + n[EV_VIDEO_WRITE_W]) * c->write;
    const uint64_t overlap = c->beat > 0 ? c->beat - 1 : 0;
    cycles += n[EV_VIDEO_READ_BURST] * c->latency +
              (n[EV_VIDEO_READ_BURST_WORDS] - n[EV_VIDEO_READ_BURST]) * overlap;
    cycles += n[EV_VIDEO_WRITE_BURST] * c->write +
              (n[EV_VIDEO_WRITE_BURST_WORDS] - n[EV_VIDEO_WRITE_BURST]) * overlap;
    cycles += (n[EV_REG_READ] + n[EV_REG_WRITE]) * c->reg;
    const uint64_t entries = n[EV_BUFFERED] + n[EV_CASTOUT];
    const uint64_t words = n[EV_BUFFERED_WORDS] + n[EV_CASTOUT_WORDS];
    cycles += c->buffered * (entries * c->write + (words - entries) * c->beat);
    return cycles;
}

// The published figure the table is checked against: 320 x 240 pixels converted from 32 to 16
// bits, from cached memory into the uncached frame buffer, by the plainest loops (no unrolling).
// Per two pixels, writing words:      ldmia r1!, {r2, r3}; 6 + 6 ALU operations (mask and shift
//   the three components of each); orr r4, r4, r5, lsl #16; str r4, [r0], #4; subs; bne.
// Per pixel, writing halfwords:       ldr r2, [r1], #4; 6 ALU operations; strh r4, [r0], #2;
//   subs; bne.
// The source is 307,200 bytes read in order: one line fill per 32 bytes.
static inline void reference_blit(bool words, uint64_t* n) {
    const uint64_t pixels = 320 * 240;
    for (int i = 0; i < EV_COUNT; ++i) {
        n[i] = 0;
    }
    const uint64_t loops = words ? pixels / 2 : pixels;
    n[EV_INSNS] = loops * (words ? 17 : 10);
    n[EV_TAKEN] = loops;
    n[EV_MULTIPLE_EXTRA] = words ? loops : 0;
    n[EV_USE_WORD] = loops;  // the loaded pixel is masked by the next instruction
    n[EV_CACHED_READ] = pixels;
    n[EV_DFILL] = pixels * 4 / 32;
    if (words) {
        n[EV_VIDEO_WRITE_W] = loops;
    } else {
        n[EV_VIDEO_WRITE_H] = loops;
    }
}

// --- the caches: 16 KB each, 8 sets of 64 lines of 8 words ---

enum { LINE_SHIFT = 5, CACHE_SETS = 8, CACHE_WAYS = 64 };

struct CacheLine {
    uint32_t line;  // address >> LINE_SHIFT
    bool valid;
    uint8_t dirty;  // bit 0: the lower four words, bit 1: the upper four
};

struct Cache {
    struct CacheLine way[CACHE_SETS][CACHE_WAYS];
    uint8_t recent[CACHE_SETS];  // the way that hit last, tried first
    uint32_t random;             // the replacement's pseudo-random generator
};

static inline void cache_reset(struct Cache* c) {
    for (int s = 0; s < CACHE_SETS; ++s) {
        for (int w = 0; w < CACHE_WAYS; ++w) {
            c->way[s][w].valid = false;
            c->way[s][w].dirty = 0;
        }
        c->recent[s] = 0;
    }
    c->random = 0x2545F491u;
}

static inline struct CacheLine* cache_find(struct Cache* c, uint32_t address) {
    const uint32_t line = address >> LINE_SHIFT;
    const uint32_t set = line & (CACHE_SETS - 1);
    struct CacheLine* ways = c->way[set];
    struct CacheLine* recent = &ways[c->recent[set]];
    if (recent->valid && recent->line == line) {
        return recent;
    }
    for (int w = 0; w < CACHE_WAYS; ++w) {
        if (ways[w].valid && ways[w].line == line) {
            c->recent[set] = (uint8_t)w;
            return &ways[w];
        }
    }
    return 0;
}

static inline uint32_t dirty_words(uint8_t dirty) {
    return 4 * (uint32_t)((dirty & 1) + (dirty >> 1 & 1));
}

// A read: true on a hit. A miss fills a line in a way chosen at random (the replacement the
// kernel's control-register setting leaves on); *castout is the dirty words the fill displaced.
static inline bool cache_read(struct Cache* c, uint32_t address, uint32_t* castout) {
    *castout = 0;
    if (cache_find(c, address) != 0) {
        return true;
    }
    c->random ^= c->random << 13;
    c->random ^= c->random >> 17;
    c->random ^= c->random << 5;
    const uint32_t line = address >> LINE_SHIFT;
    const uint32_t set = line & (CACHE_SETS - 1);
    const uint32_t w = c->random % CACHE_WAYS;
    struct CacheLine* victim = &c->way[set][w];
    if (victim->valid) {
        *castout = dirty_words(victim->dirty);
    }
    victim->line = line;
    victim->valid = true;
    victim->dirty = 0;
    c->recent[set] = (uint8_t)w;
    return false;
}

// A write (write-back, no allocation on a miss): true on a hit, which marks its half dirty.
static inline bool cache_write(struct Cache* c, uint32_t address) {
    struct CacheLine* hit = cache_find(c, address);
    if (hit == 0) {
        return false;
    }
    hit->dirty |= (uint8_t)((address >> 4 & 1) ? 2 : 1);
    return true;
}

// --- ARM (ARMv4T, ARM state) instructions, as far as the core's timing needs them ---

struct ArmInsn {
    uint16_t reads;     // registers the instruction reads
    int8_t loaded;      // the register a load writes last (-1: not a load)
    bool narrow;        // a byte or halfword load
    uint8_t registers;  // of a load- or store-multiple; 0 for anything else
};

static inline uint16_t arm_bit(uint32_t r) {
    return (uint16_t)(1u << (r & 15));
}

static inline struct ArmInsn arm_decode(uint32_t w) {
    struct ArmInsn d = {0, -1, false, 0};
    const uint32_t rn = w >> 16 & 15, rd = w >> 12 & 15, rs = w >> 8 & 15, rm = w & 15;
    const bool load = w >> 20 & 1;
    if ((w >> 28) == 0xF) {
        return d;  // nothing of ARMv4T
    }
    switch (w >> 25 & 7) {
        case 0:
            if ((w & 0x0FFFFFF0) == 0x012FFF10) {  // bx
                d.reads = arm_bit(rm);
            } else if ((w & 0x0FC000F0) == 0x00000090) {  // mul, mla
                d.reads = arm_bit(rm) | arm_bit(rs) | ((w >> 21 & 1) ? arm_bit(rd) : 0);
            } else if ((w & 0x0F8000F0) == 0x00800090) {  // long multiplies
                d.reads =
                    arm_bit(rm) | arm_bit(rs) | ((w >> 21 & 1) ? arm_bit(rd) | arm_bit(rn) : 0);
            } else if ((w & 0x0FB00FF0) == 0x01000090) {  // swp, swpb
                d.reads = arm_bit(rn) | arm_bit(rm);
                d.loaded = (int8_t)rd;
                d.narrow = w >> 22 & 1;
            } else if ((w & 0x90) == 0x90) {  // halfword and signed transfers
                d.reads =
                    arm_bit(rn) | ((w >> 22 & 1) ? 0 : arm_bit(rm)) | (load ? 0 : arm_bit(rd));
                if (load) {
                    d.loaded = (int8_t)rd;
                    d.narrow = true;
                }
            } else if ((w & 0x0FBF0FFF) == 0x010F0000) {  // mrs
                d.reads = 0;
            } else {  // data processing with a register operand, or msr from a register
                const uint32_t op = w >> 21 & 15;
                d.reads = arm_bit(rm) | ((w >> 4 & 1) ? arm_bit(rs) : 0) |
                          ((op == 13 || op == 15) ? 0 : arm_bit(rn));
            }
            break;
        case 1: {  // data processing with an immediate
            const uint32_t op = w >> 21 & 15;
            d.reads = (op == 13 || op == 15) ? 0 : arm_bit(rn);
            break;
        }
        case 2:
        case 3:  // single word and byte transfers, immediate or register offset
            d.reads = arm_bit(rn) | ((w >> 25 & 1) ? arm_bit(rm) : 0) | (load ? 0 : arm_bit(rd));
            if (load) {
                d.loaded = (int8_t)rd;
                d.narrow = w >> 22 & 1;
            }
            break;
        case 4: {  // load- and store-multiple
            const uint16_t list = (uint16_t)w;
            for (int r = 0; r < 16; ++r) {
                if (list >> r & 1) {
                    d.registers++;
                    if (load) {
                        d.loaded = (int8_t)r;  // the highest register is loaded last
                    }
                }
            }
            d.reads = arm_bit(rn) | (load ? 0 : list);
            break;
        }
        default:  // branches, coprocessor operations, swi
            break;
    }
    return d;
}
