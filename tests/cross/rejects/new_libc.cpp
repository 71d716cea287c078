// A C library function of glibc 2.36.
#include <stdlib.h>
unsigned f() {
    return arc4random();
}
#include "entry_points.h"
