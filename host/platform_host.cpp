// The platform calls on the desktop: they reach the attached simulated console, never the host's
// own /dev/mem. The device opens only read-write and maps only the two windows the console has.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/console.h"
#include "hw/platform.h"

namespace platform {
namespace {

constexpr long kDeviceHandle = 3;
constexpr long kENOENT = -2;
constexpr long kEBADF = -9;
constexpr long kEACCES = -13;
constexpr long kEINVAL = -22;

host::Console& console() {
    host::Console* console = host::attached();
    if (console == nullptr) {
        std::fputs("plasmaballs: internal error: no console attached\n", stderr);
        std::abort();
    }
    return *console;
}

std::string hex(unsigned long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%#lx", value);
    return text;
}

}  // namespace

long sys_open(const char* path, int flags) {
    host::Console& c = console();
    c.log_call("open " + std::string(path) + " " + std::to_string(flags));
    if (std::strcmp(path, "/dev/mem") != 0) {
        return kENOENT;
    }
    if (flags != O_RDWR || c.fail_open) {
        return kEACCES;
    }
    c.device_open = true;
    return kDeviceHandle;
}

long sys_close(long fd) {
    host::Console& c = console();
    c.log_call("close " + std::to_string(fd));
    if (fd != kDeviceHandle || !c.device_open) {
        return kEBADF;
    }
    c.device_open = false;
    return 0;
}

long sys_mmap(const unsigned long block[6]) {
    host::Console& c = console();
    c.log_call("mmap " + hex(block[0]) + " " + hex(block[1]) + " " + std::to_string(block[2]) +
               " " + std::to_string(block[3]) + " " + std::to_string((long)block[4]) + " " +
               hex(block[5]));
    if ((long)block[4] != kDeviceHandle || !c.device_open) {
        return kEBADF;
    }
    const unsigned long length = block[1];
    const unsigned long offset = block[5];
    if (offset == host::Console::kRegisterBase && length > 0 &&
        length <= host::Console::kRegisterBytes && !c.fail_register_map) {
        return (long)(unsigned long)c.register_window();
    }
    if (offset == host::Console::kVideoBase && length > 0 && length <= host::Console::kVideoBytes &&
        !c.fail_video_map) {
        return (long)(unsigned long)c.video();
    }
    return kEINVAL;
}

long sys_munmap(void* address, unsigned long length) {
    host::Console& c = console();
    const char* what = address == (void*)c.register_window() ? "registers"
                       : address == (void*)c.video()         ? "video"
                                                             : "unknown";
    c.log_call("munmap " + std::string(what) + " " + hex(length));
    return 0;
}

long sys_chdir(const char* path) {
    host::Console& c = console();
    c.log_call("chdir " + std::string(path));
    c.working_directory = path;
    return 0;
}

long sys_execve(const char* path, char* const argv[], char* const envp[]) {
    host::Console& c = console();
    c.log_call("execve " + std::string(path) + (argv == nullptr ? " null" : " argv") +
               (envp == nullptr ? " null" : " envp"));
    // The desktop has no menu program: reaching it ends the run through the front end.
    const std::string wanted = "/usr/gp2x/gp2xmenu";
    const bool found = path == wanted || (c.working_directory == "/usr/gp2x" &&
                                          std::string("/usr/gp2x/") + path == wanted);
    if (!found || c.fail_menu) {
        return kENOENT;
    }
    c.frontend().hand_over(c);
    std::abort();  // a front end's hand-over never returns
}

void sys_exit(int status) {
    host::Console& c = console();
    c.log_call("exit " + std::to_string(status));
    c.frontend().process_exit(c, status);
    std::abort();
}

uint16_t reg_read(volatile uint16_t*, uint32_t offset) {
    return console().read_register(offset);
}

void reg_write(volatile uint16_t*, uint32_t offset, uint16_t value) {
    console().write_register(offset, value);
}

}  // namespace platform
