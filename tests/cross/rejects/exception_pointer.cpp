// std::exception_ptr, whose release Debian 12's compiler takes from GCC 11's runtime.
#include <exception>
bool f() {
    std::exception_ptr p = std::current_exception();
    return !p;
}
#include "entry_points.h"
