// One entry point missing (renamed).
#define retro_run retro_walk
#include "clean.cpp"
