#pragma once
// The demo's entry: set-up in its fixed order, the frame loop paced by vertical sync, and the
// hand-over to the console's menu.

#include "hw/hw.h"

// Sync pulses waited after a frame while SELECT is held.
constexpr int SLOW_MOTION_WAITS = 16;

// Process entry; never returns.
extern "C" [[noreturn]] void demo_main();
// Palette, balls and sprites, rotation table, plasma, in that order.
void init_scene(PaletteStore* palette);
// Background, palette rotation, collisions, balls, into the back buffer.
void run_frame();
// Every piece of the demo's global state back to its start-of-run value.
void demo_reset();
