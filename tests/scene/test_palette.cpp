// Palette: fixed entries, both hue wheels and the gaps, and the background wheel's rotation as
// the display controller receives it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <utility>

#include "platform/sim/board.h"
#include "scene/palette.h"
#include "support/run_demo.h"

namespace {

struct Entry {
    int index, r, g, b;
};

void expect_entries(const PaletteStore& store, std::initializer_list<Entry> entries) {
    for (const Entry& e : entries) {
        EXPECT_EQ(store.red[e.index], e.r) << "red " << e.index;
        EXPECT_EQ(store.green[e.index], e.g) << "green " << e.index;
        EXPECT_EQ(store.blue[e.index], e.b) << "blue " << e.index;
    }
}

TEST(Palette, EntriesWheelsAndGaps) {
    PaletteStore store;
    std::fill(&store.red[0], &store.red[0] + 3 * 256, uint16_t(0xBEEF));
    build_palette(&store);
    EXPECT_EQ(palette_red, store.red);
    EXPECT_EQ(palette_green, store.green);
    EXPECT_EQ(palette_blue, store.blue);
    expect_entries(store, {{0, 0, 0, 0},
                           {1, 255, 255, 255},
                           {2, 0, 0, 0},
                           {12, 255, 0, 0},
                           {13, 255, 25, 0},
                           {22, 255, 255, 0},
                           {23, 229, 255, 0},
                           {32, 0, 255, 0},
                           {42, 0, 255, 255},
                           {52, 0, 0, 255},
                           {62, 255, 0, 255},
                           {71, 255, 0, 25},
                           {76, 255, 0, 0},
                           {77, 255, 8, 0},
                           {78, 255, 17, 0},
                           {121, 127, 255, 0},
                           {166, 0, 255, 255},
                           {255, 255, 0, 8}});
    for (int i = 0; i < 256; ++i) {
        const bool gap = (i >= 3 && i <= 11) || (i >= 72 && i <= 75);
        EXPECT_EQ(store.red[i] == 0xBEEF && store.blue[i] == 0xBEEF, gap) << i;
    }
    // Around each wheel (last step to first included) one component moves by one level a step.
    for (auto [first, steps] : {std::pair{12, 60}, std::pair{76, 180}}) {
        for (int n = 0; n < steps; ++n) {
            const int a = first + n, b = first + (n + 1) % steps;
            const int changes[3] = {store.red[b] - store.red[a], store.green[b] - store.green[a],
                                    store.blue[b] - store.blue[a]};
            int moved = 0;
            for (int change : changes) {
                moved += change != 0;
                EXPECT_LE(std::abs(change), 255 / (steps / 6) + 1) << "entry " << a;
            }
            EXPECT_EQ(moved, 1) << "entry " << a;
        }
    }
    palette_reset();
}

TEST(Palette, CycleRotatesTheBackgroundWheelAndLoadsItAll) {
    pbtest::OpenBoard open;
    PaletteStore store{};
    build_palette(&store);
    const PaletteStore built = store;
    auto same_range = [&](int from, int to) {
        for (int i = from; i <= to; ++i) {
            if (store.red[i] != built.red[i] || store.green[i] != built.green[i] ||
                store.blue[i] != built.blue[i]) {
                return false;
            }
        }
        return true;
    };

    cycle_palette();
    expect_entries(store, {{76, 255, 0, 8}, {77, 255, 0, 0}, {78, 255, 8, 0}, {255, 255, 0, 17}});
    EXPECT_TRUE(same_range(0, 75));
    const auto& loaded = open.board().palette();
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(loaded[i], (sim::Rgb{(uint8_t)store.red[i], (uint8_t)store.green[i],
                                       (uint8_t)store.blue[i]}))
            << "loaded entry " << i;
    }
    for (int call = 2; call <= 180; ++call) {
        cycle_palette();
        ASSERT_EQ(same_range(76, 255), call == 180) << "after " << call << " calls";
    }
}

}  // namespace
