// Whole pictures from fixed seeds and button scripts, in two ways. The baselines recorded by this
// code (tests/golden/frames.txt) catch any change to what the demo computes; to re-baseline after
// an intended change, run with PLASMABALLS_REBASELINE=1 and review the diff. The hashes computed
// by a separate model of the demo catch a picture that was wrong all along; nothing rewrites them.

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// SHA-256 of the 76,800 displayed palette indices, then the 768 bytes of the palette.
std::string picture_hash(const sim::Picture& picture) {
    static_assert(sizeof picture.palette == 768);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestInit_ex(context, EVP_sha256(), nullptr);
    EVP_DigestUpdate(context, picture.pixels.data(), picture.pixels.size());
    EVP_DigestUpdate(context, picture.palette.data(), sizeof picture.palette);
    EVP_DigestFinal_ex(context, digest, &size);
    EVP_MD_CTX_free(context);
    std::string hex;
    char byte[3];
    for (unsigned int i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, "%02x", digest[i]);
        hex += byte;
    }
    return hex;
}

TEST(Frames, MatchAnIndependentModelOfTheDemo) {
    const std::string thrust =
        "30 right\n90 up-left\n91 up-left+select\n130 none\n200 down\n"
        "260 down-right+select\n280 left\n";
    const struct {
        uint16_t seed;
        uint32_t frames;
        std::string script;
        const char* hash;
    } cases[] = {
        {3, 0, "", "94ff699ddcffc8427f0af8cf5f79795943aee88135ffb537ce79174eebf46937"},
        {500, 1, "", "bef5e73ab07020620a7a6f50830a8508577a1633f9caa0f46f86ac5785ee4b28"},
        {1024, 90, "", "36a8329b7f83be6c20006995a015412d292dafc3bd7921fa34e6f3bdb43db780"},
        {4096, 300, thrust, "399aa073ff94787cf8e2f116621d21c2ebcaab115d0709a0116fef4c04bf1e2b"},
        {8191, 333, "", "d83b3e1289c5fe76195837c6c22db97943a6203486eb8447a9aec056795f0877"},
        {16384, 450, thrust, "50b2d8d1da04b44313a17765825d696cf95522aed980561a5e98f309a3afde52"},
        {22222, 1200, "", "0ab7a4d3e602cdbd6a7b55d799cf60790074c02e20f4fa921b74ef2e51226787"},
        {65000, 800, thrust, "3e78ff88edd37166b7337eb3583f715eadf33f8dd8f7d813aa47d2acf1de97f1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(picture_hash(pbtest::run_headless(c.seed, c.frames, c.script).picture), c.hash)
            << "seed " << c.seed << ", " << c.frames << " frames"
            << (c.script.empty() ? "" : ", thrust");
    }
}

}  // namespace
