// Whole pictures from fixed seeds and button scripts, in two ways. The baselines recorded by this
// code (tests/golden/frames.txt) catch any change to what the demo computes; to re-baseline after
// an intended change, run with PLASMABALLS_REBASELINE=1 and review the diff. The hashes computed
// by a separate model of the demo catch a picture that was wrong all along; nothing rewrites them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/independent_pictures.h"
#include "support/run_demo.h"

namespace {

struct Case {
    std::string name;
    uint16_t seed;
    uint32_t frames;
    std::string script;
};

const std::vector<Case> kCases = {
    {"plasma-only", 0, 0, ""},
    {"one-frame", 0, 1, ""},
    {"seed1-300", 1, 300, ""},
    {"seed65535-257", 65535, 257, ""},
    {"all-directions", 4242, 400,
     "10 up\n40 up-right\n70 right\n100 down-right\n130 down\n160 down-left\n190 left\n"
     "220 up-left\n250 up+down+left\n280 none\n"},
    {"slow-motion", 777, 120, "5 select\n60 select+right\n90 none\n"},
    {"held-long", 31337, 1500, "0 down-left\n"},
};

std::string picture_key(const pbtest::Run& run) {
    std::ostringstream key;
    key << std::hex << pbtest::fnv1a(run.picture.pixels.data(), run.picture.pixels.size()) << " "
        << pbtest::fnv1a(run.picture.palette.data(), sizeof run.picture.palette) << " "
        << pbtest::fnv1a(run.video.data(), run.video.size()) << " " << run.scan_address;
    return key.str();
}

std::string baseline_path() {
    return std::string(PLASMABALLS_SOURCE_DIR) + "/tests/golden/frames.txt";
}

TEST(Frames, MatchTheRecordedBaselines) {
    std::vector<std::string> lines;
    for (const Case& c : kCases) {
        lines.push_back(c.name + " " +
                        picture_key(pbtest::run_headless(c.seed, c.frames, c.script)));
    }
    if (std::getenv("PLASMABALLS_REBASELINE")) {
        std::ofstream out(baseline_path());
        for (const std::string& line : lines) {
            out << line << "\n";
        }
        GTEST_SKIP() << "baselines rewritten";
    }
    std::ifstream in(baseline_path());
    ASSERT_TRUE(in) << baseline_path();
    std::vector<std::string> expected;
    for (std::string line; std::getline(in, line);) {
        expected.push_back(line);
    }
    ASSERT_EQ(expected.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], expected[i]);
    }
}

TEST(Frames, MatchAnIndependentModelOfTheDemo) {
    for (const pbtest::IndependentPicture& c : pbtest::independent_pictures()) {
        EXPECT_EQ(pbtest::picture_hash(pbtest::run_headless(c.seed, c.frames, c.script).picture),
                  c.hash)
            << "seed " << c.seed << ", " << c.frames << " frames"
            << (c.script.empty() ? "" : ", thrust");
    }
}

}  // namespace
