// On Windows: a system DLL the core has no business importing.
extern "C" __declspec(dllimport) int MessageBoxA(void*, const char*, const char*, unsigned);
int f() {
    return MessageBoxA(0, "", "", 0);
}
#include "entry_points.h"
