// The C++ runtime linked in statically brings new C library symbols with it.
#include <random>
unsigned f() {
    std::random_device r;
    return r();
}
#include "entry_points.h"
