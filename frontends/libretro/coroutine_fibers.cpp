// The switch on Windows, which has no ucontext: the system's fibers, each with a stack of its own
// (guard page included). A thread that is not a fiber yet becomes one only for the time of a
// resume(), so the core leaves its caller's thread as it found it.

#include "frontends/libretro/coroutine.h"

// GetCurrentFiber reads the thread's block at gs:0x20, which GCC 12 takes for an access beyond
// an empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#pragma GCC diagnostic pop

#include <new>
#include <utility>

namespace frontends::libretro {

struct Coroutine::Context {
    void* self = nullptr;     // the body's fiber
    void* resumer = nullptr;  // the fiber that resumed it last

    static void WINAPI enter(void* coroutine) { ((Coroutine*)coroutine)->run_body(); }
};

Coroutine::Coroutine(std::function<void()> body, size_t stack_bytes)
    : body_(std::move(body)), context_(new Context) {
    context_->self = CreateFiberEx(0, stack_bytes, FIBER_FLAG_FLOAT_SWITCH, &Context::enter, this);
    if (context_->self == nullptr) {
        delete context_;
        throw std::bad_alloc();
    }
}

Coroutine::~Coroutine() {
    DeleteFiber(context_->self);
    delete context_;
}

void Coroutine::run_body() {
    call_body();
    // A fiber's procedure must not return (that would end the thread): this one is never resumed.
    SwitchToFiber(context_->resumer);
}

void Coroutine::resume() {
    if (finished_) {
        return;
    }
    const bool was_fiber = IsThreadAFiber();
    context_->resumer = was_fiber ? GetCurrentFiber() : ConvertThreadToFiber(nullptr);
    if (context_->resumer == nullptr) {
        throw std::bad_alloc();
    }
    SwitchToFiber(context_->self);
    if (!was_fiber) {
        ConvertFiberToThread();
    }
    rethrow_escaped();
}

void Coroutine::suspend() {
    SwitchToFiber(context_->resumer);
}

}  // namespace frontends::libretro
