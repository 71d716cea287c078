#pragma once
// The palette: fixed entries, a 60-step ball wheel (12-71) and a 180-step background wheel
// (76-255) that rotates by one entry every frame.

#include <stdint.h>

#include "hw/hw.h"

extern uint16_t* palette_red;
extern uint16_t* palette_green;
extern uint16_t* palette_blue;

// Points the three globals into store and fills the entries; the rest of store is left as it is.
void build_palette(PaletteStore* store);
// Rotates entries 76-255 by one and loads the whole palette.
void cycle_palette();
void palette_reset();
