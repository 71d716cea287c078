#pragma once
// The palette: fixed entries, a 60-step ball wheel (12-71) and a 180-step background wheel
// (76-255) that rotates by one entry every frame.

#include <stdint.h>

#include "hw/hw.h"

// The palette's regions. The balls' wheel: 60 hues from entry 12, used by the sprites. The
// background's wheel: 180 hues from entry 76 to the last, the only indices of the plasma image,
// rotated by one entry every frame.
constexpr int32_t BALL_WHEEL_START = 12;
constexpr int32_t BALL_WHEEL_STEPS = 60;
constexpr int32_t BACKGROUND_WHEEL_START = 76;
constexpr int32_t BACKGROUND_WHEEL_STEPS = 180;
constexpr int32_t BACKGROUND_WHEEL_LAST = BACKGROUND_WHEEL_START + BACKGROUND_WHEEL_STEPS - 1;
static_assert(BACKGROUND_WHEEL_LAST == 255, "the background wheel ends at the last entry");

extern uint16_t* palette_red;
extern uint16_t* palette_green;
extern uint16_t* palette_blue;

// Points the three globals into store and fills the entries; the rest of store is left as it is.
void build_palette(PaletteStore* store);
// Rotates entries 76-255 by one and loads the whole palette.
void cycle_palette();
void palette_reset();
