// The progress line's wording and when a run is long enough to show it.

#include <gtest/gtest.h>

#include "frontends/desktop/progress.h"

namespace {

TEST(Progress, SaysHowFarHowFastAndHowLong) {
    struct Case {
        uint32_t done, total;
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {0, 600, 0.0, "pulse 0 of 600 (0%)"},
        {30000, 120000, 1.0, "pulse 30000 of 120000 (25%), 30000 pulses/s, 3 s left"},
        {1000, 100000, 1.0, "pulse 1000 of 100000 (1%), 1000 pulses/s, 1 min 39 s left"},
        {60, 400000, 1.0, "pulse 60 of 400000 (0%), 60 pulses/s, 1 h 51 min left"},
        {700, 600, 2.0, "pulse 600 of 600 (100%), 300 pulses/s, 0 s left"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(frontends::desktop::progress_text(c.done, c.total, c.seconds), c.text);
    }
}

TEST(Progress, ShowsOnlyForRunsOfMoreThanAboutASecond) {
    EXPECT_FALSE(frontends::desktop::progress_worth_showing(100, 100000, 0.1));  // too early to say
    EXPECT_TRUE(frontends::desktop::progress_worth_showing(20000, 100000, 0.6));    // 3 s in all
    EXPECT_FALSE(frontends::desktop::progress_worth_showing(90000, 100000, 0.6));   // 0.67 s in all
    EXPECT_FALSE(frontends::desktop::progress_worth_showing(100000, 100000, 0.6));  // done
}

}  // namespace
