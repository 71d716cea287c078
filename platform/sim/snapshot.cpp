// Snapshots: the format (little-endian, fixed size), the checks that refuse a state no run can be
// in, and the last step of a load, which writes the data over a run already at its position.

#include "platform/sim/snapshot.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "driver/demo.h"
#include "fixed/fixed.h"
#include "hw/hw.h"
#include "platform/sim/bytes.h"
#include "scene/palette.h"
#include "scene/plasma.h"
#include "scene/sprites.h"

namespace sim::snapshot {
namespace {

constexpr uint8_t kMagic[8] = {'P', 'B', 'S', 'N', 'A', 'P', 0x0D, 0x0A};
constexpr size_t kHeaderBytes = 16;  // magic, version, size
constexpr size_t kPositionEnd = 22;  // and the counter, the stage and the slow-motion wait

constexpr uint32_t kBufferA = Board::kVideoBase + BUFFER_A_OFFSET;
constexpr uint32_t kBufferB = Board::kVideoBase + BUFFER_B_OFFSET;
constexpr uint32_t kBackground = Board::kVideoBase + BACKGROUND_OFFSET;

uint32_t counter(const Board& board) {
    return (uint32_t)board.peek_register(Board::kCounterHigh) << 16 |
           board.peek_register(Board::kCounterLow);
}

bool is_frame_buffer(uint32_t address) {
    return address == kBufferA || address == kBufferB;
}

// The palette as set-up builds it, by the demo's own code into a store of ours; the live run's
// pointers are put back.
const PaletteStore& built_palette() {
    static const PaletteStore built = [] {
        PaletteStore store{};
        uint16_t* const live[] = {palette_red, palette_green, palette_blue};
        build_palette(&store);
        palette_red = live[0], palette_green = live[1], palette_blue = live[2];
        return store;
    }();
    return built;
}

Rgb built_entry(int index) {
    const PaletteStore& built = built_palette();
    return Rgb{(uint8_t)built.red[index], (uint8_t)built.green[index], (uint8_t)built.blue[index]};
}

// The built palette with its background wheel turned by some number of entries.
bool is_built_palette(const std::array<Rgb, 256>& palette) {
    for (int i = 0; i < BACKGROUND_WHEEL_START; ++i) {
        if (palette[i] != built_entry(i)) {
            return false;
        }
    }
    for (int turn = 0; turn < BACKGROUND_WHEEL_STEPS; ++turn) {
        int j = 0;
        while (j < BACKGROUND_WHEEL_STEPS &&
               palette[BACKGROUND_WHEEL_START + (j + turn) % BACKGROUND_WHEEL_STEPS] ==
                   built_entry(BACKGROUND_WHEEL_START + j)) {
            ++j;
        }
        if (j == BACKGROUND_WHEEL_STEPS) {
            return true;
        }
    }
    return false;
}

// Empty for a header this version writes, else why not.
std::string check_header(const uint8_t* data, size_t size) {
    if (size != kBytes) {
        return "a state has " + std::to_string(kBytes) + " bytes, not " + std::to_string(size);
    }
    if (std::memcmp(data, kMagic, sizeof kMagic) != 0) {
        return "not a state of this program";
    }
    ByteReader in(data + sizeof kMagic);
    const uint32_t version = in.u32();
    if (version != kVersion) {
        return "a state of format version " + std::to_string(version) + ", not " +
               std::to_string(kVersion);
    }
    if (in.u32() != kBytes) {
        return "a state whose header gives another size";
    }
    return "";
}

void read_state(ByteReader& in, Snapshot& snapshot) {
    BoardState& board = snapshot.board;
    board.buttons = in.u16();
    board.pulse = in.u32();
    board.scan_address = in.u32();
    snapshot.scroll_counter = in.i32();
    for (Rgb& c : board.palette) {
        c.r = in.u8(), c.g = in.u8(), c.b = in.u8();
    }
    for (SavedBall& ball : snapshot.balls) {
        ball.x = in.i32(), ball.y = in.i32(), ball.angle = in.i32();
        ball.vx = in.i32(), ball.vy = in.i32(), ball.spin = in.i32();
        ball.rotation = in.u8();
    }
}

// Empty for a state some run can be in, else why not.
std::string check(const Snapshot& s) {
    const Position& p = s.position;
    if (p.stage > Stage::kEnded || p.slow_wait > SLOW_MOTION_WAITS ||
        (p.slow_wait != 0 && p.stage != Stage::kWaiting)) {
        return "control position out of range";
    }
    const uint32_t scan = s.board.scan_address;
    if (!is_frame_buffer(scan) && scan != kBackground) {
        return "no display address the demo sets";
    }
    if (scan == kBackground && (p.slow_wait != 0 || s.scroll_counter != 0)) {
        return "the plasma on display after the first frame";
    }
    if ((s.board.buttons & ~kAllButtons) != 0) {
        return "buttons the console does not have";
    }
    if (s.scroll_counter < 0 || s.scroll_counter > 255) {
        return "scroll counter out of range";
    }
    if (!is_built_palette(s.board.palette)) {
        return "a palette no run shows";
    }
    for (const SavedBall& ball : s.balls) {
        if (ball.rotation != (uint8_t)trunc_div_pow2<24>(ball.angle)) {
            return "a ball's rotation index does not follow from its angle";
        }
    }
    return "";
}

ScanChange scan_change_at(Position position) {
    if (position.slow_wait == 0) {
        return ScanChange{};
    }
    return ScanChange{kSelect, position.slow_wait - 1u};
}

// The buffer on display drawn again as the last frame drew it from the globals it left: the
// background window, then the balls in index order where move_balls drew them.
void redraw(const Snapshot& snapshot, Board& board) {
    const uint32_t scan = snapshot.board.scan_address;
    if (!is_frame_buffer(scan)) {
        scroll_counter = snapshot.scroll_counter;  // no frame yet: the plasma is on display
        return;
    }
    uint8_t* shown = board.video() + (scan - Board::kVideoBase);
    scroll_counter = (snapshot.scroll_counter - 1) & 255;
    draw_background(shown);
    for (const ::Ball& ball : balls) {
        blit_rotated(shown, ball.sprite, trunc_div_pow2<21>(ball.x), trunc_div_pow2<21>(ball.y),
                     ball.rotation);
    }
}

}  // namespace

Position waiting_position(const Board& board) {
    const ScanChange& change = board.since_scan_change();
    if (is_frame_buffer(board.scan_address()) && (change.buttons & kSelect) != 0 &&
        change.rises_seen < (uint32_t)SLOW_MOTION_WAITS) {
        return Position{Stage::kWaiting, (uint8_t)(change.rises_seen + 1)};
    }
    return Position{Stage::kWaiting, 0};
}

void save(const Board& board, Position position, uint8_t* out) {
    std::memset(out, 0, kBytes);
    std::memcpy(out, kMagic, sizeof kMagic);
    ByteWriter w(out + sizeof kMagic);
    w.u32(kVersion);
    w.u32(kBytes);
    w.u32(counter(board));
    w.u8((uint8_t)position.stage);
    w.u8(position.slow_wait);
    if (position.stage == Stage::kNotStarted) {
        return;
    }
    const BoardState state = board.state();
    w.u16(state.buttons);
    w.u32(state.pulse);
    w.u32(state.scan_address);
    w.u32((uint32_t)scroll_counter);
    for (const Rgb& c : state.palette) {
        w.u8(c.r), w.u8(c.g), w.u8(c.b);
    }
    for (const ::Ball& ball : balls) {
        for (int32_t v : {ball.x, ball.y, ball.angle, ball.vx, ball.vy, ball.spin}) {
            w.u32((uint32_t)v);
        }
        w.u8(ball.rotation);
    }
}

std::optional<Snapshot> read(const uint8_t* data, size_t size, std::string& error) {
    error = check_header(data, size);
    if (!error.empty()) {
        return {};
    }
    ByteReader in(data + kHeaderBytes);
    Snapshot snapshot;
    snapshot.counter = in.u32();
    snapshot.position.stage = (Stage)in.u8();
    snapshot.position.slow_wait = in.u8();
    if (snapshot.position.stage == Stage::kNotStarted) {
        const bool empty =
            std::all_of(data + kPositionEnd, data + kBytes, [](uint8_t b) { return b == 0; });
        error = empty && snapshot.position.slow_wait == 0 ? ""
                                                          : "a state before set-up with more in it";
    } else {
        read_state(in, snapshot);
        error = check(snapshot);
    }
    if (!error.empty()) {
        return {};
    }
    return snapshot;
}

bool needs_fresh_run(const Snapshot& snapshot, const Board& board, Position live) {
    const Stage target = snapshot.position.stage;
    return target == Stage::kNotStarted || snapshot.counter != counter(board) ||
           (live.stage == Stage::kEnded && target != Stage::kEnded);
}

std::optional<Buttons> next_pulse(Position live, Position target) {
    if (live == target) {
        return {};
    }
    if (target.stage == Stage::kEnded) {
        return kStart;  // seen at the top of the next pass
    }
    // SELECT held for a frame enters slow motion at its first wait; without it the waits run out.
    const bool at_frame_loop = live.stage == Stage::kNotStarted || live.slow_wait == 0;
    return at_frame_loop && target.slow_wait != 0 ? kSelect : 0;
}

std::optional<Buttons> Load::next_pulse(Position live) {
    // From any position the target is at most a slow motion's waits and two passes away.
    constexpr int kMostPulses = 2 * SLOW_MOTION_WAITS + 2;
    const std::optional<Buttons> buttons = snapshot::next_pulse(live, snapshot_.position);
    if (buttons && pulses_++ == kMostPulses) {
        throw std::logic_error("the demo does not reach the snapshot's position");
    }
    return buttons;
}

void apply(const Snapshot& snapshot, Board& board) {
    if (snapshot.position.stage == Stage::kNotStarted) {
        return;
    }
    for (int k = 0; k < BALL_COUNT; ++k) {
        const SavedBall& saved = snapshot.balls[k];
        ::Ball& ball = balls[k];
        ball.x = saved.x, ball.y = saved.y, ball.angle = saved.angle;
        ball.vx = saved.vx, ball.vy = saved.vy, ball.spin = saved.spin;
        ball.rotation = saved.rotation;
    }
    // Set-up's one flip leaves buffer B to be drawn next, and each frame shows what it drew.
    flip_state = snapshot.board.scan_address == kBufferB ? 0 : 1;
    if (snapshot.position.stage == Stage::kWaiting) {
        // The store lives in the demo's frame while it runs; its pointers reach it.
        for (int i = 0; i < 256; ++i) {
            const Rgb& c = snapshot.board.palette[i];
            palette_red[i] = c.r, palette_green[i] = c.g, palette_blue[i] = c.b;
        }
    }
    board.restore(snapshot.board, scan_change_at(snapshot.position));
    redraw(snapshot, board);
}

}  // namespace sim::snapshot
