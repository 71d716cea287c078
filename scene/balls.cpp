// Placement of the 48 balls, the elastic collision pass over all pairs, and the per-ball pass of
// thrust, motion, walls, spin and drawing. Every sum wraps as a 32-bit value.

#include "scene/balls.h"

#include "hw/hw.h"
#include "scene/sprites.h"

Ball balls[BALL_COUNT];

namespace {

constexpr int32_t GRID_COLUMNS = 38;  // 8-pixel grid of starting corners
constexpr int32_t GRID_ROWS = 28;
constexpr int32_t GRID_STEP = 0x1000000;
constexpr int32_t START_SPEED = 0x200000;  // one pixel per frame
constexpr int32_t START_SPIN = 0x8000000;  // eight rotation steps per frame
constexpr int32_t CIRCLE_LIMIT = 0x400000;

bool blocked_by_earlier(int k, int32_t x, int32_t y) {
    for (int j = 0; j < k; ++j) {
        if (magnitude(wrap_sub(x, balls[j].x)) <= (uint32_t)BALL_SPAN &&
            magnitude(wrap_sub(y, balls[j].y)) <= (uint32_t)BALL_SPAN) {
            return true;
        }
    }
    return false;
}

Fixed squared_length(int32_t dx, int32_t dy) {
    return wrap_add(fix_mul(dx, dx), fix_mul(dy, dy));
}

// Where a ball will be 1/64 of a frame on.
int32_t look_ahead(int32_t position, int32_t velocity) {
    return wrap_add(position, trunc_div_pow2<6>(velocity));
}

void collide_pair(Ball& a, Ball& b) {
    const int32_t dx = wrap_sub(a.x, b.x);
    const int32_t dy = wrap_sub(a.y, b.y);
    if (magnitude(dx) >= (uint32_t)BALL_SPAN || magnitude(dy) >= (uint32_t)BALL_SPAN) {
        return;
    }
    if (squared_length(trunc_div_pow2<2>(dx), trunc_div_pow2<2>(dy)) >= CIRCLE_LIMIT) {
        return;
    }
    const Fixed now = squared_length(dx, dy);
    const Fixed next = squared_length(wrap_sub(look_ahead(a.x, a.vx), look_ahead(b.x, b.vx)),
                                      wrap_sub(look_ahead(a.y, a.vy), look_ahead(b.y, b.vy)));
    // Separating pairs are left alone; centres closer than 1/512 pixel have no normal.
    if (now < next || now == 0) {
        return;
    }
    const Fixed len = fix_sqrt(now);
    const Fixed nx = fix_div(dx, len);
    const Fixed ny = fix_div(dy, len);

    // fix_mul floors, so each ball's products keep their own signs of the normal.
    const Fixed si = wrap_add(fix_mul(a.vx, wrap_neg(nx)), fix_mul(a.vy, wrap_neg(ny)));
    const Fixed P = fix_mul(si, wrap_neg(nx));
    const Fixed Q = fix_mul(si, wrap_neg(ny));
    const Fixed sk = wrap_add(fix_mul(b.vx, nx), fix_mul(b.vy, ny));
    const Fixed R = fix_mul(sk, nx);
    const Fixed S = fix_mul(sk, ny);

    const int32_t avx = wrap_add(wrap_sub(a.vx, P), R);
    const int32_t avy = wrap_add(wrap_sub(a.vy, Q), S);
    const int32_t bvx = wrap_add(wrap_sub(b.vx, R), P);
    const int32_t bvy = wrap_add(wrap_sub(b.vy, S), Q);
    a.vx = avx;
    a.vy = avy;
    b.vx = bvx;
    b.vy = bvy;
}

// Thrust on one axis: the first row's codes in order, then the second row's only if none held.
int32_t thrust(int32_t velocity, const int (&falling)[3], const int (&rising)[3]) {
    for (int code : falling) {
        if (button_pressed(code)) {
            return wrap_sub(velocity, THRUST_STEP);
        }
    }
    for (int code : rising) {
        if (button_pressed(code)) {
            return wrap_add(velocity, THRUST_STEP);
        }
    }
    return velocity;
}

// One axis of motion, mirrored at 0 and at limit.
void move_axis(int32_t& position, int32_t& velocity, int32_t limit) {
    const int32_t n = wrap_add(position, velocity);
    if (n >= limit) {
        position = wrap_sub(wrap_add(limit, limit), n);
        velocity = wrap_neg(velocity);
    } else if (n < 0) {
        position = wrap_neg(n);
        velocity = wrap_neg(velocity);
    } else {
        position = n;
    }
}

constexpr int UP_CODES[3] = {BUTTON_UP, BUTTON_UP_LEFT, BUTTON_UP_RIGHT};
constexpr int DOWN_CODES[3] = {BUTTON_DOWN, BUTTON_DOWN_LEFT, BUTTON_DOWN_RIGHT};
constexpr int LEFT_CODES[3] = {BUTTON_LEFT, BUTTON_UP_LEFT, BUTTON_DOWN_LEFT};
constexpr int RIGHT_CODES[3] = {BUTTON_RIGHT, BUTTON_UP_RIGHT, BUTTON_DOWN_RIGHT};

}  // namespace

void place_balls() {
    for (int k = 0; k < BALL_COUNT; ++k) {
        int32_t x, y, vx, vy;
        do {
            x = int_mod(rand16(), GRID_COLUMNS) * GRID_STEP;
            y = int_mod(rand16(), GRID_ROWS) * GRID_STEP;
            vx = rand16() * 64 - START_SPEED;
            vy = rand16() * 64 - START_SPEED;
        } while (blocked_by_earlier(k, x, y));
        Ball& ball = balls[k];
        ball.x = x;
        ball.y = y;
        ball.vx = vx;
        ball.vy = vy;
        // A raw Angle below one step: every ball starts at rotation 0.
        ball.angle = rand16() & 0xFF;
        ball.spin = rand16() * 4096 - START_SPIN;
        paint_ball_sprite(ball.sprite, k);
    }
}

void collide_balls() {
    for (int i = 0; i < BALL_COUNT - 1; ++i) {
        for (int k = i + 1; k < BALL_COUNT; ++k) {
            collide_pair(balls[i], balls[k]);
        }
    }
}

void move_balls(uint8_t* target) {
    for (Ball& ball : balls) {
        // Buttons are read per ball, so a change mid-pass reaches only the balls still to come.
        ball.vy = thrust(ball.vy, UP_CODES, DOWN_CODES);
        ball.vx = thrust(ball.vx, LEFT_CODES, RIGHT_CODES);
        move_axis(ball.x, ball.vx, ARENA_RIGHT);
        move_axis(ball.y, ball.vy, ARENA_BOTTOM);
        ball.angle = wrap_add(ball.angle, ball.spin);
        ball.rotation = (uint8_t)trunc_div_pow2<24>(ball.angle);
        blit_rotated(target, ball.sprite, trunc_div_pow2<21>(ball.x), trunc_div_pow2<21>(ball.y),
                     ball.rotation);
    }
}

void balls_reset() {
    for (Ball& ball : balls) {
        ball = Ball{};
    }
}
