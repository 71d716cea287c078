#pragma once
// A second stack for code that blocks: resume() runs its body until the body suspends or returns,
// suspend() (from inside the body) goes back to the resumer. No threads: ucontext underneath
// (coroutine.cpp), or the system's fibers on Windows (coroutine_fibers.cpp).

#include <stddef.h>

#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

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
    // An exception that escaped the body comes out here, on the resumer's stack, as a
    // std::runtime_error with its message. (Not itself: an exception_ptr, as this compiler
    // builds it, needs a newer C++ runtime than the core may ask of the players' systems.)
    void resume();
    // From inside the body: back to the resumer, until the next resume().
    void suspend();
    bool finished() const { return finished_; }

  private:
    struct Context;   // each implementation's own; it also holds the body's entry point
    void run_body();  // on the body's stack: call_body(), then back to the resumer for good
    void call_body() noexcept {
        try {
            body_();
        } catch (const std::exception& error) {
            escaped_ = error.what();
        } catch (...) {
            escaped_ = "an exception of unknown type";
        }
        finished_ = true;
    }
    // On the resumer's stack, after each switch back.
    void rethrow_escaped() {
        if (escaped_) {
            throw std::runtime_error(*std::exchange(escaped_, std::nullopt));
        }
    }

    std::function<void()> body_;
    Context* context_;
    bool finished_ = false;
    std::optional<std::string> escaped_;
};

}  // namespace frontends::libretro
