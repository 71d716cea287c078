#pragma once
// The 48 balls: random placement, the elastic collision pass over all pairs, and the per-ball pass
// of thrust, motion, wall reflection, spin and drawing. Positions are 2^21 units per pixel.

#include <stdint.h>

#include "fixed/fixed.h"

constexpr int BALL_COUNT = 48;
constexpr int32_t BALL_SPAN = 0x2000000;      // 16 pixels
constexpr int32_t ARENA_RIGHT = 0x26000000;   // 304 pixels
constexpr int32_t ARENA_BOTTOM = 0x1C000000;  // 224 pixels
constexpr int32_t THRUST_STEP = 0x4000;       // 1/128 pixel per frame

struct Ball {
    int32_t x;
    int32_t y;
    Angle angle;
    int32_t vx;
    int32_t vy;
    Angle spin;
    uint8_t rotation;
    uint8_t sprite[256];
};

extern Ball balls[BALL_COUNT];

// Places balls 0-47 by rejection sampling, painting each sprite right after its ball.
void place_balls();
// Exchanges velocity along the line of centres for every touching, closing pair.
void collide_balls();
// Thrust, motion, walls, spin and drawing of every ball into target.
void move_balls(uint8_t* target);
void balls_reset();
