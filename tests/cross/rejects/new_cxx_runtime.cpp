// A C++ runtime function of GCC 11.
namespace std {
void __throw_bad_array_new_length();
}
void f() {
    std::__throw_bad_array_new_length();
}
#include "entry_points.h"
