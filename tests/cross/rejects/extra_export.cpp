// One export besides the entry points.
#include "clean.cpp"
API void helper() {}
