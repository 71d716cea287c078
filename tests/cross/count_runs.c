// Instructions between marks, as a TCG plugin of the user-mode emulator (make bench): a mark is a
// getppid() system call, and the count from each odd-numbered mark to the next one is written to
// the file out= names, one per line. The small frontend of host/ marks around each retro_run of
// a case, after one empty pair that measures the marks' own cost.

#include <stdio.h>
#include <string.h>

#include "qemu_plugin_api.h"

PB_PLUGIN_EXPORT int qemu_plugin_version = 1;

static uint64_t executed;  // instructions, each block's added as it starts
static uint64_t opened;    // at the mark that opened the interval
static bool open_interval;
static int64_t mark_call;
static FILE* out;

static void on_translate(qemu_plugin_id_t id, struct qemu_plugin_tb* tb) {
    (void)id;
    qemu_plugin_register_vcpu_tb_exec_inline(tb, QEMU_PLUGIN_INLINE_ADD_U64, &executed,
                                             qemu_plugin_tb_n_insns(tb));
}

static void on_syscall(qemu_plugin_id_t id, unsigned int vcpu, int64_t num, uint64_t a1,
                       uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5, uint64_t a6, uint64_t a7,
                       uint64_t a8) {
    (void)id, (void)vcpu, (void)a1, (void)a2, (void)a3, (void)a4, (void)a5, (void)a6, (void)a7,
        (void)a8;
    if (num != mark_call) {
        return;
    }
    if (open_interval) {
        fprintf(out, "%llu\n", (unsigned long long)(executed - opened));
    }
    opened = executed;
    open_interval = !open_interval;
}

static void on_exit_(qemu_plugin_id_t id, void* userdata) {
    (void)id, (void)userdata;
    fclose(out);
}

PB_PLUGIN_EXPORT int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t* info, int argc,
                                         char** argv) {
    // getppid's number on each machine
    if (strcmp(info->target_name, "aarch64") == 0) {
        mark_call = 173;
    } else if (strcmp(info->target_name, "arm") == 0) {
        mark_call = 64;
    }
    const char* path = argc == 1 && strncmp(argv[0], "out=", 4) == 0 ? argv[0] + 4 : NULL;
    if (info->system_emulation || mark_call == 0 || path == NULL) {
        fprintf(stderr, "count_runs: user mode on aarch64 or arm, with out=FILE\n");
        return -1;
    }
    out = fopen(path, "w");
    if (out == NULL) {
        perror(path);
        return -1;
    }
    qemu_plugin_register_vcpu_tb_trans_cb(id, on_translate);
    qemu_plugin_register_vcpu_syscall_cb(id, on_syscall);
    qemu_plugin_register_atexit_cb(id, on_exit_, NULL);
    return 0;
}
