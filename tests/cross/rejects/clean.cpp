// Passes: the entry points and a call into the C library every system has.
#include <string.h>
size_t f(const char* s) {
    return strlen(s);
}
#include "entry_points.h"
