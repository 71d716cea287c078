// The coroutine the core runs the demo on: turns between the two stacks, and what escapes its body.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "frontends/libretro/coroutine.h"

namespace {

using frontends::libretro::Coroutine;

TEST(Coroutine, TakesTurnsWithItsResumerUntilItsBodyReturns) {
    std::string trace;
    Coroutine* self = nullptr;
    Coroutine coroutine([&] {
        for (char step : {'a', 'b'}) {
            trace += step;
            self->suspend();
        }
        trace += 'c';
    });
    self = &coroutine;
    for (int i = 0; i < 4; ++i) {
        coroutine.resume();
        trace += '.';
    }
    EXPECT_EQ(trace, "a.b.c..");  // the last resume() finds the body returned and does nothing
    EXPECT_TRUE(coroutine.finished());
}

TEST(Coroutine, AnExceptionThatEscapesTheBodyComesOutOfResumeOnceWithItsMessage) {
    Coroutine* self = nullptr;
    Coroutine coroutine([&] {
        self->suspend();
        throw std::out_of_range("no pulse 70000");
    });
    self = &coroutine;
    coroutine.resume();
    EXPECT_FALSE(coroutine.finished());
    try {
        coroutine.resume();
        ADD_FAILURE() << "nothing came out of resume()";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "no pulse 70000");
    }
    EXPECT_TRUE(coroutine.finished());
    EXPECT_NO_THROW(coroutine.resume());
}

}  // namespace
