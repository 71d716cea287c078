// The console's side of the emulated test, as a TCG plugin. The demo maps its registers from the
// same regular file the board maps here, so what the board stores the demo reads next:
// - the sync bit is driven by the demo's own reads of the status register: every read sees the
//   other level, so every wait takes exactly one pulse, whatever the host's speed;
// - at each rising edge the pins take that pulse's levels from a file expanded by the desktop;
// - palette loads are followed, instructions counted, and unaligned or non-16-bit register
//   accesses reported;
// - every access is classified (the program's own memory through a model of the data cache, the
//   uncached video window, the register window), by width and by burst, and every executed block
//   goes through a model of the instruction cache: the counts, per step of the program, give the
//   cycle estimates of memory_model.h.
// Arguments: mem=, inode=, device= (the file, which must be exactly the one named), pins=, seed=,
// report=, palette=, and optionally frames= (one line per measured frame) and steps= (address
// ranges of the functions that begin a step: "start end phases name", hexadecimal addresses,
// phases s for set-up, f for frames; what runs outside them counts for the step that called it).

#define _POSIX_C_SOURCE 200809L

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "memory_model.h"
#include "qemu_plugin_api.h"

PB_PLUGIN_EXPORT int qemu_plugin_version = 1;

enum {
    REGISTER_BYTES = 0x10000,
    REG_COUNTER_LOW = 0x0A00,
    REG_COUNTER_HIGH = 0x0A02,
    REG_SYNC = 0x1182,
    REG_PINS = 0x1184,
    PIN_PORTS = 16,
    STICK_PORT = 10,
    REG_PALETTE_INDEX = 0x2958,
    REG_PALETTE_DATA = 0x295A,
    SYNC_BIT = 0x10,
    NR_EXIT = 1,
    NR_OPEN = 5,
    NR_CLOSE = 6,
    NR_EXECVE = 11,
    NR_CHDIR = 12,
    NR_MMAP = 90,
    NR_MUNMAP = 91,
    FAULTS_LISTED = 8,
    PHASES = 2,  // set-up, frames
    STEPS_MAX = 16,
    STEP_KEEP = -1,
    BURST_BOUNDARY = 0x400,  // bursts to uncached memory split at 1 KB boundaries
};
static const uint64_t VIDEO_PHYSICAL = 0x03000000ull;
static const uint64_t DEVICE_BYTES = 0xC0010000ull;
static const uint64_t REGISTER_PHYSICAL = 0xC0000000ull;

// What each translated instruction's memory callback needs: its address, how many instructions
// of its block follow it (the block's count is added when the block starts), the registers of a
// load/store-multiple, and whether the next instruction waits for what it loads.
struct Insn {
    uint32_t pc;
    uint32_t after;
    uint8_t registers;
    uint8_t use;  // 0, EV_USE_WORD, EV_USE_NARROW or EV_USE_NARROW_LATE
};

// A translated block, as its execution callback needs it.
struct Block {
    uint32_t start, fallthrough;
    uint32_t insns;
    uint32_t first_line, last_line;  // code lines it spans
    int8_t step[PHASES];             // the step it begins, or STEP_KEEP
};

struct StepRange {
    uint32_t start, end;
    uint8_t phases;  // bit 0: set-up, bit 1: frames
    uint8_t step;
};

typedef uint64_t Counts[STEPS_MAX][EV_COUNT];

static struct {
    const char* report_path;
    const char* palette_path;
    FILE* report;
    FILE* frames;
    volatile uint16_t* regs;  // the board's own view of the register block
    uint16_t (*pins)[2];      // per pulse: port 0 (START, SELECT) and port 10 (stick)
    uint32_t pin_pulses;
    uintptr_t guest_base;
    bool have_base;
    uint64_t reg_window;   // guest address of the mapped register block, 0 when unmapped
    uint64_t mmap_offset;  // of the mapping being made
    uint64_t insns;
    uint32_t pulse;  // pulses begun
    uint64_t setup;
    uint64_t last_fall;
    uint64_t frame_total, frame_worst;
    uint32_t frame_count, frame_worst_pulse;
    uint64_t unaligned, bad_width;
    uint8_t palette[256][3];
    uint8_t palette_index;
    uint16_t palette_pending;
    bool palette_half;
    bool finished;
    // the memory model
    uint64_t video_window, video_bytes;  // guest address and length of the mapped video memory
    uint64_t mmap_length;
    struct Cache dcache, icache;
    char step_names[STEPS_MAX][32];
    int steps;
    struct StepRange* ranges;
    int range_count;
    int step;                     // the step running now
    uint32_t fallthrough;         // where the last block would have carried on without a branch
    const struct Insn* multiple;  // the load/store-multiple being executed, and its accesses left
    uint32_t multiple_left;
    uint64_t buffer_next;   // the address that would extend the write-buffer entry being formed
    Counts counts[PHASES];  // everything, per phase and step
    Counts frame_start;     // the frames' counts when the measured frame began
    Counts frame_sum;       // over the measured frames
    Counts worst;           // the frame with the highest pessimistic estimate
    uint64_t cycles_sum[2], cycles_max[2];
    uint32_t cycles_max_pulse[2];
} board;

static const struct Costs* const COST_SETS[2] = {&COSTS_OPTIMISTIC, &COSTS_PESSIMISTIC};

static void* guest(uint64_t address) {
    return (void*)(board.guest_base + (uintptr_t)address);
}

static void set_pins(uint32_t pulse) {
    if (pulse >= board.pin_pulses) {
        fprintf(board.report, "error=the demo waited for pulse %u; the desktop run had %u\n", pulse,
                board.pin_pulses - 1);
        fclose(board.report);
        _exit(3);
    }
    board.regs[REG_PINS / 2] = board.pins[pulse][0];
    board.regs[(REG_PINS + 2 * STICK_PORT) / 2] = board.pins[pulse][1];
}

static int phase(void) {
    return board.pulse > 0;
}

static void print_cycles(FILE* r, const char* key, const uint64_t* n) {
    fprintf(r, "%s=%llu,%llu,%llu\n", key, (unsigned long long)n[EV_INSNS],
            (unsigned long long)estimate_cycles(n, COST_SETS[0]),
            (unsigned long long)estimate_cycles(n, COST_SETS[1]));
}

// Per step: instructions and both estimates, then every event that happened.
static void print_counts(FILE* r, const char* what, Counts counts) {
    char key[96];
    uint64_t total[EV_COUNT] = {0};
    for (int s = 0; s < board.steps; ++s) {
        for (int e = 0; e < EV_COUNT; ++e) {
            total[e] += counts[s][e];
        }
        if (counts[s][EV_INSNS] == 0) {
            continue;
        }
        snprintf(key, sizeof key, "%s.%s", what, board.step_names[s]);
        print_cycles(r, key, counts[s]);
        for (int e = 0; e < EV_COUNT; ++e) {
            if (counts[s][e] != 0) {
                fprintf(r, "events.%s.%s.%s=%llu\n", what, board.step_names[s], EVENT_NAMES[e],
                        (unsigned long long)counts[s][e]);
            }
        }
    }
    snprintf(key, sizeof key, "%s.all", what);
    print_cycles(r, key, total);
}

// The cost table, the estimates (instructions, optimistic and pessimistic cycles) of set-up, of
// the measured frames and of the worst of them, and the calibration against the published blit.
static void print_model(FILE* r) {
    for (int i = 0; i < COST_FIELDS; ++i) {
        fprintf(r, "cost.%s=%u,%u\n", COST_NAMES[i], cost_field(COST_SETS[0], i),
                cost_field(COST_SETS[1], i));
    }
    print_counts(r, "setup", board.counts[0]);
    print_counts(r, "frames", board.frame_sum);
    print_counts(r, "worst", board.worst);
    for (int k = 0; k < 2; ++k) {
        fprintf(
            r, "frame_cycles_%s=%llu,%llu,%u\n", k ? "pessimistic" : "optimistic",
            (unsigned long long)(board.frame_count ? board.cycles_sum[k] / board.frame_count : 0),
            (unsigned long long)board.cycles_max[k], board.cycles_max_pulse[k]);
    }
    for (int words = 1; words >= 0; --words) {
        uint64_t n[EV_COUNT];
        reference_blit(words, n);
        fprintf(r, "calibration_%s=%llu,%llu\n", words ? "words" : "halfwords",
                (unsigned long long)estimate_cycles(n, COST_SETS[0]),
                (unsigned long long)estimate_cycles(n, COST_SETS[1]));
    }
}

// The figures, once, at the first of the hand-over or the exit; then how the run ended (an
// attempted hand-over that fails is followed by the exit).
static void finish(const char* ending) {
    FILE* r = board.report;
    if (board.finished) {
        fprintf(r, "ending=%s\n", ending);
        fflush(r);
        return;
    }
    board.finished = true;
    if (board.pulse == 0) {
        board.setup = board.insns;  // START held from the start: set-up ran to the hand-over
    }
    fprintf(r, "instructions=%llu\n", (unsigned long long)board.insns);
    fprintf(r, "setup_instructions=%llu\n", (unsigned long long)board.setup);
    fprintf(r, "pulses=%u\n", board.pulse);
    fprintf(r, "frames_measured=%u\n", board.frame_count);
    fprintf(r, "frame_average=%llu\n",
            (unsigned long long)(board.frame_count ? board.frame_total / board.frame_count : 0));
    fprintf(r, "frame_worst=%llu\n", (unsigned long long)board.frame_worst);
    fprintf(r, "frame_worst_pulse=%u\n", board.frame_worst_pulse);
    print_model(r);
    fprintf(r, "unaligned_accesses=%llu\n", (unsigned long long)board.unaligned);
    fprintf(r, "register_width_faults=%llu\n", (unsigned long long)board.bad_width);
    fprintf(r, "ending=%s\n", ending);
    fflush(r);
    if (board.frames) {
        fclose(board.frames);
        board.frames = NULL;
    }
    FILE* p = fopen(board.palette_path, "wb");
    if (p == NULL || fwrite(board.palette, sizeof board.palette, 1, p) != 1 || fclose(p) != 0) {
        fprintf(r, "error=cannot write %s\n", board.palette_path);
        fflush(r);
    }
}

// The measured frame's counts, from the fall that began it to now; the instructions of the
// current block after the status read belong to what follows.
static void end_frame(uint64_t work, uint32_t after) {
    Counts delta;
    uint64_t cycles[2] = {0, 0};
    for (int s = 0; s < STEPS_MAX; ++s) {
        for (int e = 0; e < EV_COUNT; ++e) {
            delta[s][e] = board.counts[1][s][e] - board.frame_start[s][e];
        }
    }
    delta[board.step][EV_INSNS] -= after;
    for (int s = 0; s < STEPS_MAX; ++s) {
        for (int e = 0; e < EV_COUNT; ++e) {
            board.frame_sum[s][e] += delta[s][e];
        }
        for (int k = 0; k < 2; ++k) {
            cycles[k] += estimate_cycles(delta[s], COST_SETS[k]);
        }
    }
    for (int k = 0; k < 2; ++k) {
        board.cycles_sum[k] += cycles[k];
        if (cycles[k] > board.cycles_max[k]) {
            board.cycles_max[k] = cycles[k];
            board.cycles_max_pulse[k] = board.pulse;
            if (k == 1) {
                memcpy(board.worst, delta, sizeof delta);
            }
        }
    }
    if (board.frames) {
        fprintf(board.frames, "%u %llu %llu %llu\n", board.pulse, (unsigned long long)work,
                (unsigned long long)cycles[0], (unsigned long long)cycles[1]);
    }
}

// A read of the status register: it saw the rise of the next pulse, or the fall of this one.
static void on_sync_read(uint64_t now, uint32_t after) {
    if (board.regs[REG_SYNC / 2] & SYNC_BIT) {
        board.pulse++;
        if (board.pulse == 1) {
            board.setup = now;
        } else {
            const uint64_t work = now - board.last_fall;
            board.frame_total += work;
            board.frame_count++;
            if (work > board.frame_worst) {
                board.frame_worst = work;
                board.frame_worst_pulse = board.pulse;
            }
            end_frame(work, after);
        }
        set_pins(board.pulse);
        board.regs[REG_SYNC / 2] = 0;
    } else {
        board.last_fall = now;
        memcpy(board.frame_start, board.counts[1], sizeof board.frame_start);
        board.frame_start[board.step][EV_INSNS] -= after;
        board.regs[REG_SYNC / 2] = SYNC_BIT;
    }
}

// The display controller's palette port: an index, then two writes per entry.
static void on_register_write(uint32_t offset) {
    const uint16_t value = board.regs[offset / 2];
    if (offset == REG_PALETTE_INDEX) {
        board.palette_index = (uint8_t)value;
        board.palette_half = false;
    } else if (offset == REG_PALETTE_DATA) {
        if (!board.palette_half) {
            board.palette_pending = value;
        } else {
            uint8_t* entry = board.palette[board.palette_index++];
            entry[0] = (uint8_t)value;
            entry[1] = (uint8_t)(board.palette_pending >> 8);
            entry[2] = (uint8_t)board.palette_pending;
        }
        board.palette_half = !board.palette_half;
    }
}

static void fault(const char* what, const struct Insn* insn, uint64_t vaddr, unsigned size,
                  bool store) {
    fprintf(board.report, "fault=%s pc=%#x address=%#llx size=%u %s\n", what, insn->pc,
            (unsigned long long)vaddr, size, store ? "store" : "load");
}

// An access of the program's own memory: reads through the data cache (a miss fills a line and
// may cast out a dirty one), writes hit it or go to the write buffer, where the words of one
// store-multiple to consecutive addresses make one entry.
static void own_memory(uint64_t* n, uint64_t vaddr, bool store, bool first) {
    if (store) {
        n[EV_CACHED_WRITE]++;
        if (!cache_write(&board.dcache, (uint32_t)vaddr)) {
            if (first || vaddr != board.buffer_next) {
                n[EV_BUFFERED]++;
            }
            n[EV_BUFFERED_WORDS]++;
            board.buffer_next = vaddr + 4;
        }
        return;
    }
    n[EV_CACHED_READ]++;
    uint32_t castout = 0;
    if (!cache_read(&board.dcache, (uint32_t)vaddr, &castout)) {
        n[EV_DFILL]++;
        if (castout != 0) {
            n[EV_CASTOUT]++;
            n[EV_CASTOUT_WORDS] += castout;
        }
    }
}

// An access of the uncached video window: single, or a word of a burst.
static void video_memory(uint64_t* n, uint64_t vaddr, unsigned size, bool store, bool multiple,
                         bool first) {
    if (multiple) {
        if (first || (vaddr & (BURST_BOUNDARY - 1)) == 0) {
            n[store ? EV_VIDEO_WRITE_BURST : EV_VIDEO_READ_BURST]++;
        }
        n[store ? EV_VIDEO_WRITE_BURST_WORDS : EV_VIDEO_READ_BURST_WORDS]++;
        return;
    }
    const int width = size == 1 ? 0 : size == 2 ? 1 : 2;
    n[(store ? EV_VIDEO_WRITE_B : EV_VIDEO_READ_B) + width]++;
}

static void on_access(unsigned int vcpu, qemu_plugin_meminfo_t info, uint64_t vaddr,
                      void* userdata) {
    (void)vcpu;
    const struct Insn* insn = userdata;
    const unsigned size = 1u << qemu_plugin_mem_size_shift(info);
    const bool store = qemu_plugin_mem_is_store(info);
    if (vaddr & (size - 1)) {
        if (board.unaligned++ < FAULTS_LISTED) {
            fault("unaligned", insn, vaddr, size, store);
        }
    }
    uint64_t* n = board.counts[phase()][board.step];
    // A load/store-multiple makes one access per register, in a row.
    bool first = true;
    if (insn->registers > 0) {
        if (board.multiple == insn && board.multiple_left > 0) {
            first = false;
            board.multiple_left--;
            n[EV_MULTIPLE_EXTRA]++;
        } else {
            board.multiple = insn;
            board.multiple_left = insn->registers - 1u;
        }
    }
    if (first && insn->use != 0) {
        n[insn->use]++;
    }
    if (board.video_window != 0 && vaddr - board.video_window < board.video_bytes) {
        video_memory(n, vaddr, size, store, insn->registers > 0, first);
        return;
    }
    if (board.reg_window == 0 || vaddr - board.reg_window >= REGISTER_BYTES) {
        own_memory(n, vaddr, store, first);
        return;
    }
    n[store ? EV_REG_WRITE : EV_REG_READ]++;
    const uint32_t offset = (uint32_t)(vaddr - board.reg_window);
    if (size != 2) {
        if (board.bad_width++ < FAULTS_LISTED) {
            fault("register-width", insn, vaddr, size, store);
        }
    } else if (store) {
        on_register_write(offset);
    } else if (offset == REG_SYNC) {
        on_sync_read(board.insns - insn->after, insn->after);
    }
}

// A block begins: a taken branch if it does not follow on from the last one, its step, its
// instructions, and its code lines through the instruction cache.
static void on_block(unsigned int vcpu, void* userdata) {
    (void)vcpu;
    const struct Block* block = userdata;
    const int p = phase();
    if (block->start != board.fallthrough) {
        board.counts[p][board.step][EV_TAKEN]++;
    }
    board.fallthrough = block->fallthrough;
    if (block->step[p] != STEP_KEEP) {
        board.step = block->step[p];
    }
    uint64_t* n = board.counts[p][board.step];
    n[EV_INSNS] += block->insns;
    for (uint32_t line = block->first_line; line <= block->last_line; ++line) {
        uint32_t castout;
        if (!cache_read(&board.icache, line << LINE_SHIFT, &castout)) {
            n[EV_IFILL]++;
        }
    }
}

static int8_t step_at(uint32_t pc, int p) {
    for (int i = 0; i < board.range_count; ++i) {
        const struct StepRange* range = &board.ranges[i];
        if (pc >= range->start && pc < range->end && (range->phases >> p & 1)) {
            return (int8_t)range->step;
        }
    }
    return STEP_KEEP;
}

static void on_translate(qemu_plugin_id_t id, struct qemu_plugin_tb* tb) {
    (void)id;
    const size_t n = qemu_plugin_tb_n_insns(tb);
    qemu_plugin_register_vcpu_tb_exec_inline(tb, QEMU_PLUGIN_INLINE_ADD_U64, &board.insns, n);
    // Both live as long as the translation.
    struct Insn* insns = calloc(n, sizeof *insns);
    struct Block* block = calloc(1, sizeof *block);
    struct ArmInsn previous = {0, -1, false, 0}, before = previous;
    for (size_t i = 0; i < n; ++i) {
        struct qemu_plugin_insn* insn = qemu_plugin_tb_get_insn(tb, i);
        const uint64_t pc = qemu_plugin_insn_vaddr(insn);
        if (!board.have_base && qemu_plugin_insn_haddr(insn) != NULL) {
            // User mode: guest memory is host memory at a fixed distance.
            board.guest_base = (uintptr_t)qemu_plugin_insn_haddr(insn) - (uintptr_t)pc;
            board.have_base = true;
        }
        uint32_t word;
        memcpy(&word, qemu_plugin_insn_data(insn), sizeof word);
        const struct ArmInsn decoded = arm_decode(word);
        insns[i].pc = (uint32_t)pc;
        insns[i].after = (uint32_t)(n - 1 - i);
        insns[i].registers = decoded.registers;
        if (i > 0 && previous.loaded >= 0 && (decoded.reads >> previous.loaded & 1)) {
            insns[i - 1].use = previous.narrow ? EV_USE_NARROW : EV_USE_WORD;
        } else if (i > 1 && before.narrow && before.loaded >= 0 && insns[i - 2].use == 0 &&
                   (decoded.reads >> before.loaded & 1)) {
            insns[i - 2].use = EV_USE_NARROW_LATE;
        }
        before = previous;
        previous = decoded;
        qemu_plugin_register_vcpu_mem_cb(insn, on_access, QEMU_PLUGIN_CB_NO_REGS,
                                         QEMU_PLUGIN_MEM_RW, &insns[i]);
    }
    block->start = n ? insns[0].pc : 0;
    block->fallthrough = n ? insns[n - 1].pc + 4 : 0;
    block->insns = (uint32_t)n;
    block->first_line = block->start >> LINE_SHIFT;
    block->last_line = n ? insns[n - 1].pc >> LINE_SHIFT : block->first_line;
    for (int p = 0; p < PHASES; ++p) {
        block->step[p] = step_at(block->start, p);
    }
    qemu_plugin_register_vcpu_tb_exec_cb(tb, on_block, QEMU_PLUGIN_CB_NO_REGS, block);
}

// Every system call the demo makes, with what it passes by address.
static void on_syscall(qemu_plugin_id_t id, unsigned int vcpu, int64_t num, uint64_t a1,
                       uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5, uint64_t a6, uint64_t a7,
                       uint64_t a8) {
    (void)id, (void)vcpu, (void)a4, (void)a5, (void)a6, (void)a7, (void)a8;
    FILE* r = board.report;
    if (num == NR_OPEN || num == NR_CHDIR) {
        fprintf(r, "call=%s path=%s", num == NR_OPEN ? "open" : "chdir", (const char*)guest(a1));
        if (num == NR_OPEN) {
            fprintf(r, " flags=%llu", (unsigned long long)a2);
        }
    } else if (num == NR_MMAP) {
        const uint32_t* block = guest(a1);
        board.mmap_offset = block[5];
        board.mmap_length = block[1];
        fprintf(r, "call=mmap block=%#x,%#x,%u,%u,%u,%#x", block[0], block[1], block[2], block[3],
                block[4], block[5]);
    } else if (num == NR_MUNMAP) {
        fprintf(r, "call=munmap address=%#llx length=%#llx", (unsigned long long)a1,
                (unsigned long long)a2);
        if (a1 == board.reg_window) {
            board.reg_window = 0;
        }
        if (a1 == board.video_window) {
            board.video_window = 0;
        }
    } else if (num == NR_CLOSE) {
        fprintf(r, "call=close %llu", (unsigned long long)a1);
    } else if (num == NR_EXIT) {
        fprintf(r, "call=exit %llu\n", (unsigned long long)a1);  // it does not return
    } else if (num == NR_EXECVE) {
        fprintf(r, "call=execve path=%s argv=%#llx envp=%#llx\n", (const char*)guest(a1),
                (unsigned long long)a2, (unsigned long long)a3);
        finish("execve");  // the process image is about to be replaced
        return;
    } else {
        fprintf(r, "call=%lld", (long long)num);
    }
    fflush(r);
}

static void on_syscall_return(qemu_plugin_id_t id, unsigned int vcpu, int64_t num, int64_t ret) {
    (void)id, (void)vcpu;
    if (num == NR_EXECVE) {
        fprintf(board.report, "execve_failed=%lld\n", (long long)ret);
        fflush(board.report);
        return;
    }
    if (num == NR_MMAP && board.mmap_offset == REGISTER_PHYSICAL && ret > 0) {
        board.reg_window = (uint64_t)ret;
    }
    if (num == NR_MMAP && board.mmap_offset == VIDEO_PHYSICAL && ret > 0) {
        board.video_window = (uint64_t)ret;
        board.video_bytes = board.mmap_length;
    }
    fprintf(board.report, " result=%#llx\n", (unsigned long long)ret);
    fflush(board.report);
}

static void on_exit_(qemu_plugin_id_t id, void* userdata) {
    (void)id, (void)userdata;
    finish("exit");
    fclose(board.report);
}

// Only the file the harness made may stand at the device's path: the demo writes to whatever
// /dev/mem it opens.
static int map_device(const char* path, unsigned long long inode, unsigned long long device) {
    struct stat before, opened;
    if (lstat(path, &before) != 0 || !S_ISREG(before.st_mode) ||
        (uint64_t)before.st_size != DEVICE_BYTES || before.st_ino != inode ||
        before.st_dev != device) {
        fprintf(stderr, "board: %s is not the harness's regular file of %#llx bytes\n", path,
                (unsigned long long)DEVICE_BYTES);
        return -1;
    }
    const int fd = open(path, O_RDWR | O_NOFOLLOW);
    if (fd < 0 || fstat(fd, &opened) != 0 || opened.st_ino != before.st_ino ||
        opened.st_dev != before.st_dev) {
        fprintf(stderr, "board: cannot open %s as the file checked\n", path);
        return -1;
    }
    void* regs = mmap(NULL, REGISTER_BYTES, PROT_READ | PROT_WRITE, MAP_SHARED, fd,
                      (off_t)REGISTER_PHYSICAL);
    close(fd);
    if (regs == MAP_FAILED) {
        perror("board: mmap");
        return -1;
    }
    board.regs = regs;
    return 0;
}

static int load_pins(const char* path) {
    FILE* f = fopen(path, "rb");
    long size = -1;
    if (f != NULL && fseek(f, 0, SEEK_END) == 0) {
        size = ftell(f);
        rewind(f);
    }
    if (size <= 0 || size % 4 != 0) {
        fprintf(stderr, "board: %s: not a file of pin levels per pulse\n", path);
        if (f != NULL) {
            fclose(f);
        }
        return -1;
    }
    board.pin_pulses = (uint32_t)(size / 4);
    board.pins = malloc((size_t)size);
    const bool read = fread(board.pins, (size_t)size, 1, f) == 1;
    fclose(f);
    return read ? 0 : -1;
}

// The functions that begin a step; step 0, "other", holds what runs before any of them.
static int load_steps(const char* path) {
    snprintf(board.step_names[0], sizeof board.step_names[0], "other");
    board.steps = 1;
    if (path == NULL) {
        return 0;
    }
    FILE* f = fopen(path, "r");
    if (f == NULL) {
        fprintf(stderr, "board: cannot read %s\n", path);
        return -1;
    }
    unsigned start, end;
    char phases[4], name[32];
    while (fscanf(f, "%x %x %3s %31s", &start, &end, phases, name) == 4) {
        int step = 0;
        while (step < board.steps && strcmp(board.step_names[step], name) != 0) {
            ++step;
        }
        if (step == board.steps) {
            if (board.steps == STEPS_MAX) {
                fprintf(stderr, "board: %s names more than %d steps\n", path, STEPS_MAX);
                fclose(f);
                return -1;
            }
            snprintf(board.step_names[board.steps++], sizeof board.step_names[0], "%s", name);
        }
        board.ranges =
            realloc(board.ranges, (size_t)(board.range_count + 1) * sizeof *board.ranges);
        board.ranges[board.range_count++] = (struct StepRange){
            start, end, (uint8_t)((strchr(phases, 's') ? 1 : 0) | (strchr(phases, 'f') ? 2 : 0)),
            (uint8_t)step};
    }
    const bool complete = feof(f);
    fclose(f);
    if (!complete) {
        fprintf(stderr, "board: %s: not lines of \"start end phases name\"\n", path);
        return -1;
    }
    return 0;
}

// The counter's upper half is the seed; nothing is pressed on the ports without buttons; the
// first status read sees the rise of pulse 1.
static void preset(uint32_t seed) {
    board.regs[REG_COUNTER_LOW / 2] = 0;
    board.regs[REG_COUNTER_HIGH / 2] = (uint16_t)seed;
    for (int port = 0; port < PIN_PORTS; ++port) {
        board.regs[REG_PINS / 2 + port] = 0xFFFF;
    }
    set_pins(0);
    board.regs[REG_SYNC / 2] = SYNC_BIT;
}

static const char* option(int argc, char** argv, const char* name) {
    const size_t length = strlen(name);
    for (int i = 0; i < argc; ++i) {
        if (strncmp(argv[i], name, length) == 0 && argv[i][length] == '=') {
            return argv[i] + length + 1;
        }
    }
    return NULL;
}

PB_PLUGIN_EXPORT int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t* info, int argc,
                                         char** argv) {
    const char* mem = option(argc, argv, "mem");
    const char* inode = option(argc, argv, "inode");
    const char* device = option(argc, argv, "device");
    const char* pins = option(argc, argv, "pins");
    const char* seed = option(argc, argv, "seed");
    const char* frames = option(argc, argv, "frames");
    const char* steps = option(argc, argv, "steps");
    board.report_path = option(argc, argv, "report");
    board.palette_path = option(argc, argv, "palette");
    if (info->system_emulation || !mem || !inode || !device || !pins || !seed ||
        !board.report_path || !board.palette_path) {
        fprintf(stderr, "board: user mode with mem= inode= device= pins= seed= report= palette=\n");
        return -1;
    }
    if (map_device(mem, strtoull(inode, NULL, 10), strtoull(device, NULL, 10)) != 0 ||
        load_pins(pins) != 0 || load_steps(steps) != 0) {
        return -1;
    }
    cache_reset(&board.dcache);
    cache_reset(&board.icache);
    board.report = fopen(board.report_path, "w");
    board.frames = frames ? fopen(frames, "w") : NULL;
    if (board.report == NULL || (frames && board.frames == NULL)) {
        perror("board: report");
        return -1;
    }
    preset((uint32_t)strtoul(seed, NULL, 10));
    qemu_plugin_register_vcpu_tb_trans_cb(id, on_translate);
    qemu_plugin_register_vcpu_syscall_cb(id, on_syscall);
    qemu_plugin_register_vcpu_syscall_ret_cb(id, on_syscall_return);
    qemu_plugin_register_atexit_cb(id, on_exit_, NULL);
    return 0;
}
