#include "frontends/window/interrupt.h"

#include <pthread.h>
#include <signal.h>

#include <ctime>

namespace frontends::window {
namespace {

sigset_t interrupt_set() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    return set;
}

sigset_t g_before;

}  // namespace

InterruptAsStart::InterruptAsStart() {
    const sigset_t set = interrupt_set();
    pthread_sigmask(SIG_BLOCK, &set, &g_before);
}

InterruptAsStart::~InterruptAsStart() {
    pthread_sigmask(SIG_SETMASK, &g_before, nullptr);
}

bool InterruptAsStart::taken() {
    const sigset_t set = interrupt_set();
    const timespec now{0, 0};
    return sigtimedwait(&set, nullptr, &now) == SIGINT;
}

void InterruptAsStart::release() {
    const sigset_t set = interrupt_set();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

}  // namespace frontends::window
