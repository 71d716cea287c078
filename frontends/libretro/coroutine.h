#pragma once
// A second stack for code that blocks: resume() runs its body until the body suspends or returns,
// suspend() (from inside the body) goes back to the resumer. No threads; ucontext underneath.

#include <stddef.h>

#include <exception>
#include <functional>

namespace frontends::libretro {

class Coroutine {
  public:
    static constexpr size_t kDefaultStackBytes = 1 << 20;

    explicit Coroutine(std::function<void()> body, size_t stack_bytes = kDefaultStackBytes);
    // Frees the stack. A body still suspended is abandoned without unwinding: its owner must make
    // it return first if its frames hold anything to release.
    ~Coroutine();
    Coroutine(const Coroutine&) = delete;
    Coroutine& operator=(const Coroutine&) = delete;

    // From outside: runs the body until it suspends or returns. Does nothing once it has returned.
    // An exception that escaped the body is rethrown here, on the resumer's stack.
    void resume();
    // From inside the body: back to the resumer, until the next resume().
    void suspend();
    bool finished() const { return finished_; }

  private:
    struct Context;
    static void enter(unsigned high, unsigned low);
    void run_body();

    std::function<void()> body_;
    Context* context_;
    bool finished_ = false;
    std::exception_ptr escaped_;
};

}  // namespace frontends::libretro
