// The switch itself: swapcontext between the resumer's stack and one we map, with a guard page
// below it. Under AddressSanitizer every switch is announced, so it knows which stack is live.

#include "frontends/libretro/coroutine.h"

#include <stdint.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define PB_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PB_ASAN_FIBERS 1
#endif
#endif

#ifdef PB_ASAN_FIBERS
#include <sanitizer/common_interface_defs.h>
#endif

namespace frontends::libretro {

struct Coroutine::Context {
    ucontext_t self{};
    ucontext_t resumer{};
    void* mapping = nullptr;
    size_t mapping_bytes = 0;
    void* stack = nullptr;
    size_t stack_bytes = 0;
    // What the sanitizer needs to hear about each switch.
    void* fake_stack = nullptr;
    const void* resumer_bottom = nullptr;
    size_t resumer_bytes = 0;

    // makecontext passes int arguments only: the object's address comes in two halves.
    static void enter(unsigned high, unsigned low) {
        const uintptr_t self = (uintptr_t)high << 16 << 16 | (uintptr_t)low;
        ((Coroutine*)self)->run_body();
    }
};

namespace {

// Announce a switch before it (to `bottom`, `bytes`) and complete it after, on the new stack.
// `save` null means the stack being left is never entered again.
void leaving(void** save, const void* bottom, size_t bytes) {
#ifdef PB_ASAN_FIBERS
    __sanitizer_start_switch_fiber(save, bottom, bytes);
#else
    (void)save, (void)bottom, (void)bytes;
#endif
}

void arrived(void* saved, const void** old_bottom, size_t* old_bytes) {
#ifdef PB_ASAN_FIBERS
    __sanitizer_finish_switch_fiber(saved, old_bottom, old_bytes);
#else
    (void)saved, (void)old_bottom, (void)old_bytes;
#endif
}

}  // namespace

Coroutine::Coroutine(std::function<void()> body, size_t stack_bytes)
    : body_(std::move(body)), context_(new Context) {
    const size_t page = (size_t)sysconf(_SC_PAGESIZE);
    const size_t bytes = (stack_bytes + page - 1) / page * page;
    void* mapping = mmap(nullptr, bytes + page, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (mapping == MAP_FAILED) {
        delete context_;
        throw std::bad_alloc();
    }
    // The stack grows down: an overflow hits the inaccessible lowest page, not other memory.
    mprotect(mapping, page, PROT_NONE);
    context_->mapping = mapping;
    context_->mapping_bytes = bytes + page;
    context_->stack = (uint8_t*)mapping + page;
    context_->stack_bytes = bytes;

    getcontext(&context_->self);
    context_->self.uc_stack.ss_sp = context_->stack;
    context_->self.uc_stack.ss_size = bytes;
    context_->self.uc_link = nullptr;
    const uintptr_t self = (uintptr_t)this;
    makecontext(&context_->self, (void (*)()) & Context::enter, 2, (unsigned)(self >> 16 >> 16),
                (unsigned)(self & 0xFFFFFFFFu));
}

Coroutine::~Coroutine() {
    munmap(context_->mapping, context_->mapping_bytes);
    delete context_;
}

void Coroutine::run_body() {
    arrived(nullptr, &context_->resumer_bottom, &context_->resumer_bytes);
    call_body();
    leaving(nullptr, context_->resumer_bottom, context_->resumer_bytes);
    setcontext(&context_->resumer);
}

void Coroutine::resume() {
    if (finished_) {
        return;
    }
    void* fake_stack = nullptr;
    leaving(&fake_stack, context_->stack, context_->stack_bytes);
    swapcontext(&context_->resumer, &context_->self);
    arrived(fake_stack, nullptr, nullptr);
    rethrow_escaped();
}

void Coroutine::suspend() {
    leaving(&context_->fake_stack, context_->resumer_bottom, context_->resumer_bytes);
    swapcontext(&context_->self, &context_->resumer);
    arrived(context_->fake_stack, &context_->resumer_bottom, &context_->resumer_bytes);
}

}  // namespace frontends::libretro
