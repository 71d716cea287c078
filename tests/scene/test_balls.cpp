// Ball placement, the collision pass on worked pairs, walls, spin and thrust.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "fixed/fixed.h"
#include "hw/hw.h"
#include "platform/sim/board.h"
#include "platform/sim/buttons.h"
#include "scene/balls.h"
#include "scene/sprites.h"
#include "support/run_demo.h"

namespace {

constexpr int32_t PX = 0x200000;  // one pixel

// Every ball at rest on a 24-pixel grid low in the arena, clear of the pairs the tests put above.
void park_balls() {
    balls_reset();
    for (int k = 0; k < BALL_COUNT; ++k) {
        balls[k].x = (k % 12) * 24 * PX;
        balls[k].y = (150 + (k / 12) * 24) * PX;
    }
}

struct Motion {
    int32_t x, y, vx, vy;
};

void put(Ball& ball, const Motion& m) {
    ball.x = m.x, ball.y = m.y, ball.vx = m.vx, ball.vy = m.vy;
}

TEST(CollideBalls, WorkedPairs) {
    struct {
        const char* name;
        Motion i, k;
        int32_t vxi, vyi, vxk, vyk;  // after the pass
    } cases[] = {
        {"head-on",
         {0xC800000, 0x6400000, -0x100000, 0},
         {0xAA00000, 0x6400000, 0x100000, 0},
         0x100000,
         0,
         -0x100000,
         0},
        {"moving apart",
         {0xC800000, 0x6400000, 0x100000, 0},
         {0xAA00000, 0x6400000, -0x100000, 0},
         0x100000,
         0,
         -0x100000,
         0},
        {"glancing",
         {0xC800000, 0x6400000, 0, 0},
         {0xB000000, 0x5200000, 0x200000, 0},
         0x147AE0,
         0xF5C28,
         0xB8520,
         -0xF5C28},
        {"diagonal",
         {111 * PX, 61 * PX, -PX, -PX},
         {100 * PX, 50 * PX, PX, PX},
         0x1FFFFF,
         0x1FFFFF,
         -0x1FFFFF,
         -0x1FFFFF},
        {"12 pixels on both axes",
         {112 * PX, 62 * PX, -PX, -PX},
         {100 * PX, 50 * PX, PX, PX},
         -PX,
         -PX,
         PX,
         PX},
        {"16 pixels along x",
         {116 * PX, 50 * PX, -PX, 0},
         {100 * PX, 50 * PX, PX, 0},
         -PX,
         0,
         PX,
         0},
        {"16 pixels along y",
         {100 * PX, 66 * PX, 0, -PX},
         {100 * PX, 50 * PX, 0, PX},
         0,
         -PX,
         0,
         PX},
        {"one unit under 16 pixels",
         {100 * PX + 0x1FFFFFF, 50 * PX, -0x100000, 0},
         {100 * PX, 50 * PX, 0x100000, 0},
         0x100000,
         0,
         -0x100000,
         0},
        {"overlapping at rest", {110 * PX, 50 * PX, 0, 0}, {100 * PX, 50 * PX, 0, 0}, 0, 0, 0, 0},
        {"overlapping, moving alike",
         {110 * PX, 50 * PX, PX, 0},
         {100 * PX, 50 * PX, PX, 0},
         PX,
         0,
         PX,
         0},
        // No normal can be formed: the pair is left as it is.
        {"coincident centres",
         {100 * PX, 50 * PX, 0x10000, -0x20000},
         {100 * PX, 50 * PX, 0x10000, -0x20000},
         0x10000,
         -0x20000,
         0x10000,
         -0x20000},
        {"centres 1/600 pixel apart",
         {100 * PX + 3500, 50 * PX - 3500, 0x30000, 0},
         {100 * PX, 50 * PX, 0x30000, 0},
         0x30000,
         0,
         0x30000,
         0},
    };
    for (const auto& c : cases) {
        park_balls();
        put(balls[0], c.i);
        put(balls[1], c.k);
        collide_balls();
        EXPECT_EQ(balls[0].vx, c.vxi) << c.name;
        EXPECT_EQ(balls[0].vy, c.vyi) << c.name;
        EXPECT_EQ(balls[1].vx, c.vxk) << c.name;
        EXPECT_EQ(balls[1].vy, c.vyk) << c.name;
        EXPECT_EQ(balls[0].x, c.i.x) << c.name;
    }
}

TEST(CollideBalls, LaterPairsSeeEarlierExchanges) {
    // Three touching balls in a row, the first running into the others: in one pass the push
    // goes from ball 0 to ball 1 and then, in pair (1, 2), on to ball 2.
    park_balls();
    put(balls[0], {70 * PX, 50 * PX, 0x100000, 0});
    put(balls[1], {85 * PX, 50 * PX, 0, 0});
    put(balls[2], {100 * PX, 50 * PX, 0, 0});
    collide_balls();
    EXPECT_EQ(balls[0].vx, 0);
    EXPECT_EQ(balls[1].vx, 0);
    EXPECT_EQ(balls[2].vx, 0x100000);
}

TEST(PlaceBalls, KnownDrawsGiveTheListedBallZero) {
    pbtest::OpenBoard open(0);  // draws 74, 5624, 28652, 51790, 17641, 12409
    place_balls();
    const Ball& b = balls[0];
    EXPECT_EQ(b.x, 0x24000000);
    EXPECT_EQ(b.y, 0x18000000);
    EXPECT_EQ(b.vx, -0x40500);
    EXPECT_EQ(b.vy, 0x129380);
    EXPECT_EQ(b.angle, 0xE9);
    EXPECT_EQ(b.spin, -0x4F87000);
    EXPECT_EQ(b.rotation, 0);
}

TEST(PlaceBalls, RejectedCandidatesCostFourDrawsAndTheBoundIsInclusive) {
    // A seed whose first candidate for ball 1 lies exactly 16 pixels from ball 0 on one axis and
    // at most that on the other, and whose second candidate is free.
    int32_t draws[16];
    uint32_t seed = 0;
    for (;; ++seed) {
        ASSERT_LT(seed, 65536u);
        seed_random(seed);
        for (int32_t& d : draws) {
            d = rand16();
        }
        auto cells = [&](int a, int b, int n) {
            return int_mod(draws[a], n) - int_mod(draws[b], n);
        };
        const bool first_on_bound =
            std::abs(cells(0, 6, 38)) == 2 && std::abs(cells(1, 7, 28)) <= 2;
        const bool second_free = std::abs(cells(0, 10, 38)) > 2 || std::abs(cells(1, 11, 28)) > 2;
        if (first_on_bound && second_free) {
            break;
        }
    }
    pbtest::OpenBoard open((uint16_t)seed);
    place_balls();
    EXPECT_EQ(balls[1].x, int_mod(draws[10], 38) * 0x1000000);
    EXPECT_EQ(balls[1].y, int_mod(draws[11], 28) * 0x1000000);
    EXPECT_EQ(balls[1].vx, draws[12] * 64 - 0x200000);
    EXPECT_EQ(balls[1].vy, draws[13] * 64 - 0x200000);
    EXPECT_EQ(balls[1].angle, draws[14] % 256);
    EXPECT_EQ(balls[1].spin, draws[15] * 4096 - 0x8000000);
}

TEST(PlaceBalls, ApartOnTheGridWithSpritesPainted) {
    for (uint16_t seed : {1, 40000, 65535}) {
        pbtest::OpenBoard open(seed);
        place_balls();
        for (int i = 0; i < BALL_COUNT; ++i) {
            const Ball& a = balls[i];
            EXPECT_TRUE(a.x % 0x1000000 == 0 && a.x <= 296 * PX && a.y % 0x1000000 == 0 &&
                        a.y <= 216 * PX)
                << "ball " << i;
            for (int k = i + 1; k < BALL_COUNT; ++k) {
                EXPECT_FALSE(std::abs(a.x - balls[k].x) <= BALL_SPAN &&
                             std::abs(a.y - balls[k].y) <= BALL_SPAN)
                    << "balls " << i << " and " << k;
            }
            uint8_t sprite[SPRITE_BYTES] = {};
            paint_ball_sprite(sprite, i);
            EXPECT_TRUE(std::equal(sprite, sprite + SPRITE_BYTES, a.sprite)) << "ball " << i;
        }
        std::vector<int32_t> before;
        for (const Ball& b : balls) {
            before.insert(before.end(), {b.vx, b.vy});
        }
        collide_balls();  // finds no pair
        for (int k = 0; k < BALL_COUNT; ++k) {
            EXPECT_TRUE(balls[k].vx == before[2 * k] && balls[k].vy == before[2 * k + 1]) << k;
        }
    }
}

// Balls at rest in the middle of the arena, on a console with the table built.
class MoveBalls : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int k = 0; k < BALL_COUNT; ++k) {
            paint_ball_sprite(balls[k].sprite, k);
        }
        build_rotation_table();
        for (int k = 0; k < BALL_COUNT; ++k) {
            balls[k].x = (16 + (k % 12) * 24) * PX;
            balls[k].y = (16 + (k / 12) * 48) * PX;
        }
    }
    void press(sim::Buttons buttons) { open.board().set_buttons(buttons); }
    pbtest::OpenBoard open;
};

TEST_F(MoveBalls, WallsMirrorPositionAndVelocity) {
    struct {
        bool vertical;
        int32_t position, velocity, new_position, new_velocity;
    } cases[] = {
        {false, 0x25F00000, PX, 0x25F00000, -PX}, {false, 0x25E00000, PX, ARENA_RIGHT, -PX},
        {false, 0x100000, -PX, 0x100000, PX},     {false, PX, -PX, 0, -PX},
        {true, 0x1BF00000, PX, 0x1BF00000, -PX},  {true, 0x1BE00000, PX, ARENA_BOTTOM, -PX},
        {true, 0x1BDFFFFF, PX, 0x1BFFFFFF, PX},   {true, 0x100000, -PX, 0x100000, PX},
    };
    for (const auto& c : cases) {
        int32_t& position = c.vertical ? balls[5].y : balls[5].x;
        int32_t& velocity = c.vertical ? balls[5].vy : balls[5].vx;
        position = c.position;
        velocity = c.velocity;
        move_balls(back_buffer());
        EXPECT_EQ(position, c.new_position) << std::hex << c.position;
        EXPECT_EQ(velocity, c.new_velocity) << std::hex << c.position;
        position = 16 * PX;  // back clear of the walls
        velocity = 0;
    }
}

TEST_F(MoveBalls, BallAtTheRightWallIsDrawnAtColumn304) {
    put(balls[47], {0x25E00000, 100 * PX, PX, 0});
    uint8_t* target = back_buffer();
    clear_bytes(target, SCREEN_BYTES);
    move_balls(target);
    ASSERT_EQ(balls[47].x, ARENA_RIGHT);
    // At rotation 0 the ring pixel at row 7, column 0 of the sprite shows in place.
    const uint8_t* row = target + 107 * SCREEN_WIDTH;
    EXPECT_EQ(row[304], balls[47].sprite[7 * 16]);
    EXPECT_NE(row[304], 0);
    EXPECT_EQ(row[303], 0);
}

TEST_F(MoveBalls, RotationIndexTruncatesTowardZero) {
    struct {
        Angle start, spin;
        int rotation;
    } cases[] = {
        {0, 0x1000000, 1},   {0, -0x1000000, 255}, {0, 0xFFFFFF, 0},
        {0, -0xFFFFFF, 0},   {0, -0x1FFFFFF, 255}, {0, -0x2000000, 254},
        {0, INT32_MIN, 128}, {0, 0x7FFFFFFF, 127}, {0xE9, -0x4F87000, 252},  // seed 0's ball 0
        {INT32_MAX, 1, 128},  // the sum wraps to -2^31
    };
    for (const auto& c : cases) {
        balls[3].angle = c.start;
        balls[3].spin = c.spin;
        move_balls(back_buffer());
        EXPECT_EQ(balls[3].angle, wrap_add(c.start, c.spin));
        EXPECT_EQ(balls[3].rotation, c.rotation) << std::hex << c.spin;
    }
}

TEST_F(MoveBalls, ThrustPrecedenceAndFreshReadsForEveryBall) {
    constexpr int32_t T = THRUST_STEP;
    using namespace sim;
    struct {
        Buttons held;
        int32_t dvx, dvy;
        int reads_per_ball;  // codes tested until each axis is decided
    } cases[] = {
        {0, 0, 0, 12},
        {kUp, 0, -T, 1 + 6},
        {kDown, 0, T, 4 + 6},
        {kUp | kDown, 0, -T, 1 + 6},
        {kLeft | kRight, -T, 0, 6 + 1},
        {kUpLeft, -T, -T, 2 + 2},
        {kUpRight, T, -T, 3 + 5},
        {kDownLeft, -T, T, 5 + 3},
        {kDownRight, T, T, 6 + 6},
        {kDownLeft | kUp, -T, -T, 1 + 3},
        {kUpRight | kLeft | kDown, -T, -T, 3 + 1},
        {kRight | kDownLeft, -T, T, 5 + 3},
        {kStart | kSelect, 0, 0, 12},
    };
    for (const auto& c : cases) {
        press(c.held);
        std::vector<Motion> before;
        for (const Ball& b : balls) {
            before.push_back({b.x, b.y, b.vx, b.vy});
        }
        std::vector<pbtest::RegisterAccess> log;
        {
            pbtest::RegisterLog register_log;
            move_balls(back_buffer());
            log = register_log.accesses();
        }
        const std::string held = buttons_to_string(c.held);
        for (int k = 0; k < BALL_COUNT; ++k) {
            EXPECT_EQ(balls[k].vx, before[k].vx + c.dvx) << held << ", ball " << k;
            EXPECT_EQ(balls[k].vy, before[k].vy + c.dvy) << held << ", ball " << k;
            EXPECT_EQ(balls[k].x, before[k].x + balls[k].vx) << held << ", ball " << k;
        }
        EXPECT_EQ(log.size(), size_t(BALL_COUNT * c.reads_per_ball)) << held;
        EXPECT_TRUE(std::all_of(log.begin(), log.end(), [](const pbtest::RegisterAccess& a) {
            return !a.write && a.offset == 0x1198;  // the joystick's pins
        }));
    }
}

TEST_F(MoveBalls, RunawaySpeedsWrapAndNeverDrawOutsideTheTarget) {
    constexpr size_t kGuard = 8192;
    std::vector<uint8_t> memory(kGuard + SCREEN_BYTES + kGuard, 0xCD);
    press(sim::kDownRight);
    put(balls[0], {balls[0].x, balls[0].y, 0x7FFF0000, INT32_MIN});
    put(balls[1], {balls[1].x, balls[1].y, -0x30000000, 0x29000000});
    put(balls[2], {INT32_MAX, balls[2].y, INT32_MAX, 0});
    for (int frame = 0; frame < 300; ++frame) {
        collide_balls();
        move_balls(memory.data() + kGuard);
    }
    auto untouched = [](uint8_t b) { return b == 0xCD; };
    EXPECT_TRUE(std::all_of(memory.begin(), memory.begin() + kGuard, untouched));
    EXPECT_TRUE(std::all_of(memory.end() - kGuard, memory.end(), untouched));
}

}  // namespace
