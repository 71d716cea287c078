// The soak's front end: one pulse per wait like the headless one, and at every rising edge a
// check of what the demo did since the last edge, against a model of the frame loop.

#include "soak/soak_run.h"

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <random>
#include <stdexcept>

#include "hw/hw.h"
#include "platform/sim/board.h"
#include "platform/sim/run_demo.h"
#include "scene/balls.h"
#include "scene/plasma.h"
#include "scene/sprites.h"

namespace soak {
namespace {

constexpr uint32_t kScanA = sim::Board::kVideoBase + BUFFER_A_OFFSET;
constexpr uint32_t kScanB = sim::Board::kVideoBase + BUFFER_B_OFFSET;
constexpr int kSlowWaits = 16;
constexpr int32_t kPositionUnitsPerPixel = 1 << 21;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Video memory that only the frame buffers may change once set-up is done. Whole pages of it
// are made read-only, so a stray write faults at the writing instruction; the few bytes that
// share a page with a frame buffer are compared with their snapshot instead.
class Guard {
  public:
    void protect(uint8_t* video) {
        const uintptr_t page = (uintptr_t)sysconf(_SC_PAGESIZE);
        // Gaps between the areas; the rotation table and the background are compared per frame.
        const uint32_t gaps[][2] = {
            {0, BUFFER_A_OFFSET},
            {BUFFER_A_OFFSET + SCREEN_BYTES, BUFFER_B_OFFSET},
            {BUFFER_B_OFFSET + SCREEN_BYTES, ROTATION_TABLE_OFFSET},
            {ROTATION_TABLE_OFFSET + 0x10000, BACKGROUND_OFFSET},
            {BACKGROUND_OFFSET + BACKGROUND_BYTES, VIDEO_WINDOW_BYTES},
        };
        for (const auto& gap : gaps) {
            uint8_t* begin = video + gap[0];
            uint8_t* end = video + gap[1];
            uint8_t* first = (uint8_t*)(((uintptr_t)begin + page - 1) & ~(page - 1));
            uint8_t* last = (uint8_t*)((uintptr_t)end & ~(page - 1));
            if (first >= last) {
                keep_edge(begin, end);
                continue;
            }
            keep_edge(begin, first);
            keep_edge(last, end);
            if (mprotect(first, (size_t)(last - first), PROT_READ) != 0) {
                throw Failure("cannot write-protect video memory");
            }
            protected_.push_back({first, (size_t)(last - first)});
        }
    }
    void release() {
        for (const auto& [start, length] : protected_) {
            mprotect(start, length, PROT_READ | PROT_WRITE);
        }
        protected_.clear();
    }
    bool edges_unchanged() const {
        for (const auto& [start, bytes] : edges_) {
            if (std::memcmp(start, bytes.data(), bytes.size()) != 0) {
                return false;
            }
        }
        return true;
    }

  private:
    void keep_edge(uint8_t* begin, uint8_t* end) {
        if (begin < end) {
            edges_.push_back({begin, std::vector<uint8_t>(begin, end)});
        }
    }

    std::vector<std::pair<uint8_t*, size_t>> protected_;
    std::vector<std::pair<uint8_t*, std::vector<uint8_t>>> edges_;
};

class Observer : public sim::Frontend {
  public:
    explicit Observer(const Plan& plan) : plan_(plan), timeline_(plan.script, plan.pulses) {}

    sim::Buttons buttons_at(uint32_t pulse) const { return timeline_.at(pulse); }
    Report& report() { return report_; }
    void release() { guard_.release(); }

    void await_edge(sim::Board& board) override {
        console_ = &board;
        if (board.sync_high()) {
            board.end_pulse();
            return;
        }
        const uint32_t pulse = board.pulse() + 1;
        board.begin_pulse(pulse, buttons_at(pulse));
        report_.pulses = pulse;
        if (pulse == 1) {
            set_up_done();
        }
        if (frame_pending_) {
            frame_drawn(pulse - 1);
        } else if (pulse > 1) {
            check_idle();
        }
        if (pulse > next_pass_) {
            fail("the loop missed its wait on pulse " + std::to_string(next_pass_));
        }
        if (pulse == next_pass_) {
            if (buttons_at(pulse - 1) & sim::kStart) {
                fail("the loop went on with START held");
            }
            frame_pending_ = true;
        }
    }

    [[noreturn]] void hand_over(sim::Board& board) override {
        console_ = &board;
        if (frame_pending_) {
            frame_drawn(board.pulse());
        }
        // START is tested at the top of a pass, with the levels of the pulse before its wait.
        if (!(buttons_at(next_pass_ - 1) & sim::kStart)) {
            fail("the demo handed over without START");
        }
        throw sim::DemoEnded{sim::DemoEnded::kHandOver, 0};
    }

    [[noreturn]] void process_exit(sim::Board&, int status) override {
        fail("the demo ended the process with status " + std::to_string(status));
    }

  private:
    [[noreturn]] void fail(const std::string& what) {
        throw Failure("pulse " + std::to_string(report_.pulses) + ", frame " +
                      std::to_string(report_.frames) + ": " + what);
    }

    uint8_t* video() { return console_->video(); }

    void set_up_done() {
        background_.assign(video() + BACKGROUND_OFFSET,
                           video() + BACKGROUND_OFFSET + BACKGROUND_BYTES);
        table_.assign(video() + ROTATION_TABLE_OFFSET, video() + ROTATION_TABLE_OFFSET + 0x10000);
        palette_ = console_->palette();
        guard_.protect(video());
        if (plan_.after_setup) {
            plan_.after_setup();
        }
        for (int k = 0; k < BALL_COUNT; ++k) {
            std::memcpy(sprites_[k].data(), balls[k].sprite, SPRITE_BYTES);
            spins_[k] = balls[k].spin;
            note_speed(balls[k].vx, ARENA_RIGHT, escaped_[k][0]);
            note_speed(balls[k].vy, ARENA_BOTTOM, escaped_[k][1]);
        }
    }

    void frame_drawn(uint32_t pass_pulse) {
        frame_pending_ = false;
        ++report_.frames;
        check_frame();
        const bool slow = buttons_at(pass_pulse) & sim::kSelect;
        report_.slow_pulses += slow ? kSlowWaits : 0;
        next_pass_ = pass_pulse + 1 + (slow ? kSlowWaits : 0);
        shown_ = console_->scan_address();
    }

    // A SELECT wait: nothing may have been drawn or shown since the last frame.
    void check_idle() {
        if (console_->scan_address() != shown_ ||
            scroll_counter != (int32_t)(report_.frames & 255)) {
            fail("something was drawn during a slow-motion wait");
        }
    }

    void check_frame() {
        const uint32_t frames = report_.frames;
        if (scroll_counter != (int32_t)(frames & 255)) {
            fail("scroll counter " + std::to_string(scroll_counter));
        }
        if (console_->scan_address() != (frames & 1 ? kScanB : kScanA)) {
            fail("the display does not show the buffer just drawn");
        }
        check_palette(frames);
        if (std::memcmp(video() + BACKGROUND_OFFSET, background_.data(), BACKGROUND_BYTES) != 0) {
            fail("the background image changed");
        }
        if (std::memcmp(video() + ROTATION_TABLE_OFFSET, table_.data(), table_.size()) != 0) {
            fail("the rotation table changed");
        }
        if (!guard_.edges_unchanged()) {
            fail("video memory next to a frame buffer changed");
        }
        for (int k = 0; k < BALL_COUNT; ++k) {
            check_ball(k);
        }
        if (plan_.check_pictures) {
            check_picture();
        }
    }

    // Set-up cycled the wheel once; every frame turns it one entry further.
    void check_palette(uint32_t frames) {
        const auto& loaded = console_->palette();
        for (int i = 0; i < 76; ++i) {
            if (!(loaded[i] == palette_[i])) {
                fail("palette entry " + std::to_string(i) + " changed");
            }
        }
        for (uint32_t i = 0; i < 180; ++i) {
            if (!(loaded[76 + (i + frames) % 180] == palette_[76 + i])) {
                fail("the background wheel is not " + std::to_string(frames % 180) + " entries on");
            }
        }
    }

    void note_speed(int32_t velocity, int32_t bound, bool& escaped) {
        const uint32_t speed = magnitude(velocity);
        report_.fastest = std::max<int64_t>(report_.fastest, speed);
        if (!escaped && speed > (uint32_t)bound) {
            escaped = true;
            ++report_.escaped_axes;
        }
    }

    void check_ball(int k) {
        const Ball& ball = balls[k];
        if (std::memcmp(ball.sprite, sprites_[k].data(), SPRITE_BYTES) != 0 ||
            ball.spin != spins_[k]) {
            fail("ball " + std::to_string(k) + " changed its sprite or spin");
        }
        note_speed(ball.vx, ARENA_RIGHT, escaped_[k][0]);
        note_speed(ball.vy, ARENA_BOTTOM, escaped_[k][1]);
        // Within the speed bounds the walls keep every ball in the arena, ends included.
        if (!escaped_[k][0] && (ball.x < 0 || ball.x > ARENA_RIGHT)) {
            fail("ball " + std::to_string(k) + " left the arena at x = " + std::to_string(ball.x));
        }
        if (!escaped_[k][1] && (ball.y < 0 || ball.y > ARENA_BOTTOM)) {
            fail("ball " + std::to_string(k) + " left the arena at y = " + std::to_string(ball.y));
        }
    }

    // The frame as it must look: the background window, then every ball in index order through
    // the table, pixel by pixel, keeping only the pixels that fall on the buffer.
    void check_picture() {
        if (scroll_x < 0 || scroll_x > 239 || scroll_y < 0 || scroll_y > 239) {
            fail("scroll offsets out of range");
        }
        std::memcpy(expected_.data(), background_.data() + scroll_y * SCREEN_WIDTH + scroll_x,
                    SCREEN_BYTES);
        for (const Ball& ball : balls) {
            const int32_t x = ball.x / kPositionUnitsPerPixel;  // both truncate toward zero
            const int32_t y = ball.y / kPositionUnitsPerPixel;
            if (x < 0 || x > SCREEN_WIDTH - 16 || y < 0 || y > SCREEN_HEIGHT - 16) {
                ++report_.clipped_squares;
            }
            const uint8_t* entries = table_.data() + ball.rotation * SPRITE_BYTES;
            for (int i = 0; i < SPRITE_BYTES; ++i) {
                const int32_t column = x + i % 16;
                const int32_t row = y + i / 16;
                if (ball.sprite[i] == 0 || entries[i] == 0 || column < 0 ||
                    column >= SCREEN_WIDTH || row < 0 || row >= SCREEN_HEIGHT) {
                    continue;
                }
                if (const uint8_t p = ball.sprite[entries[i]]) {
                    expected_[row * SCREEN_WIDTH + column] = p;
                }
            }
        }
        const uint8_t* shown = console_->display_pixels();
        if (std::memcmp(shown, expected_.data(), SCREEN_BYTES) != 0) {
            size_t i = 0;
            while (shown[i] == expected_[i]) {
                ++i;
            }
            fail("pixel (" + std::to_string(i % SCREEN_WIDTH) + ", " +
                 std::to_string(i / SCREEN_WIDTH) + ") is " + std::to_string(shown[i]) +
                 ", expected " + std::to_string(expected_[i]));
        }
    }

    const Plan& plan_;
    frontends::InputTimeline timeline_;
    sim::Board* console_ = nullptr;
    Report report_;
    Guard guard_;
    uint32_t next_pass_ = 1;  // the pulse the next pass of the loop waits for
    bool frame_pending_ = false;
    uint32_t shown_ = 0;
    std::vector<uint8_t> background_;
    std::vector<uint8_t> table_;
    std::array<sim::Rgb, 256> palette_{};
    std::array<std::array<uint8_t, SPRITE_BYTES>, BALL_COUNT> sprites_{};
    std::array<int32_t, BALL_COUNT> spins_{};
    bool escaped_[BALL_COUNT][2] = {};
    std::array<uint8_t, SCREEN_BYTES> expected_{};
};

}  // namespace

Report run(const Plan& plan) {
    Observer observer(plan);
    sim::Board board(observer);
    board.set_counter(sim::counter_for_seed(plan.seed));
    board.set_buttons(observer.buttons_at(0));
    try {
        // Protection is lifted before the console's memory goes back to the allocator.
        struct Release {
            Observer& observer;
            ~Release() { observer.release(); }
        } release{observer};
        const sim::DemoEnded ended = sim::run_demo(board);
        if (ended.kind != sim::DemoEnded::kHandOver) {
            observer.report().failure = "the demo did not end through the hand-over";
        }
    } catch (const Failure& failure) {
        observer.report().failure = failure.what();
    }
    return observer.report();
}

std::vector<frontends::ButtonChange> random_script(uint64_t seed, uint32_t pulses) {
    using namespace sim;
    constexpr Buttons kDirections[] = {kUp,     kDown,    kLeft,     kRight,
                                       kUpLeft, kUpRight, kDownLeft, kDownRight};
    constexpr Buttons kStick =
        kUp | kDown | kLeft | kRight | kUpLeft | kUpRight | kDownLeft | kDownRight;
    std::mt19937_64 random(seed);
    auto below = [&random](uint32_t n) { return (uint32_t)(random() % n); };
    std::vector<frontends::ButtonChange> script;
    Buttons held = 0;
    for (uint32_t pulse = 1; pulse < pulses;) {
        const uint32_t kind = below(100);
        Buttons buttons;
        uint32_t length;
        if (kind < 20) {
            buttons = 0;
            length = 1 + below(1000);
        } else if (kind < 60) {
            buttons = kDirections[below(8)];
            length = 1 + below(3000);
        } else if (kind < 70) {
            buttons = (Buttons)(random() & kStick);  // up with down, several diagonals at once
            length = 1 + below(500);
        } else if (kind < 80) {
            buttons = below(2) ? kDirections[below(8)] : 0;  // taps of a pulse or a few
            length = 1 + below(4);
        } else {
            buttons = kSelect | (below(2) ? kDirections[below(8)] : 0);
            length = 1 + below(1500);
        }
        if (buttons != held) {
            script.push_back({pulse, buttons});
            held = buttons;
        }
        pulse += length;
    }
    return script;
}

}  // namespace soak
