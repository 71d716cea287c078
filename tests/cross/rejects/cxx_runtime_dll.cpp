// On Windows: the C++ runtime taken from its DLL rather than linked in.
#include <string>
int f(const char* s) {
    return (int)std::string(s).size();
}
#include "entry_points.h"
