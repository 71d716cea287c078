// Runs as links: every run comes back as it went, the bytes are laid out as documented, damage of
// any one character or a cut is caught by the checksum, and a hand-made link is told what is wrong.

#include <gtest/gtest.h>

#include "frontends/web/run_link.h"

namespace {

using RunFile = frontends::Run;
using frontends::web::read_run_link;
using frontends::web::run_link;
using frontends::web::sealed_link;

TEST(RunLink, EveryRunComesBackAsItWent) {
    const RunFile runs[] = {
        {0, {{5, sim::kStart}}, std::nullopt},
        {65535, {}, 0},
        {7, {{0, sim::kRight}, {1, sim::kUpLeft | sim::kSelect}, {30, 0}}, 31},
        // Sets a stick never closes, and every button at once.
        {3, {{0, sim::kUp | sim::kDown}, {2, sim::kAllButtons}, {3, sim::kLeft}}, 9},
        {9, {{4294967294u, sim::kStart | sim::kSelect}}, 4294967295u},
        {1, {{0, sim::kUp}}, 4000000000u},
    };
    for (const RunFile& original : runs) {
        const std::string link = run_link(original);
        const auto read = read_run_link(link);
        ASSERT_TRUE(read.run) << link << ": " << read.error;
        EXPECT_EQ(*read.run, original) << link;
    }
    EXPECT_EQ(read_run_link(run_link(RunFile{std::nullopt, {{3, sim::kUp}}, 4})).run->seed, 0);
}

TEST(RunLink, BytesAreLaidOutAsDocumented) {
    // The CRC's published check value.
    const std::string digits = "123456789";
    EXPECT_EQ(frontends::web::link_checksum((const uint8_t*)digits.data(), digits.size()), 0x29B1);
    // Format 1, seed 0x1234, three changes: right at 0 (gap 0, code 16), up-left + select at 1
    // (gap 0, code 22), up + down at 200 (gap 198, the raw code and then the bits 12); end 300
    // (gap 99).
    const RunFile original{
        0x1234,
        {{0, sim::kRight}, {1, sim::kUpLeft | sim::kSelect}, {200, sim::kUp | sim::kDown}},
        300};
    EXPECT_EQ(run_link(original),
              sealed_link({0x01, 0x34, 0x12, 0x03, 0x10, 0x16, 0xBC, 0x63, 0x0C, 0x63}));
    // The alphabet, and no padding: 12 bytes are 16 characters, 3 are 4, 4 are 6, 5 are 7.
    const std::string twelve = sealed_link({0xFB, 0xFF, 0xBF, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(twelve.substr(0, 12), "-_-_AAAAAAAA");
    EXPECT_EQ(twelve.size(), 16u);
    for (size_t bytes : {1u, 2u, 3u}) {
        EXPECT_EQ(sealed_link(std::vector<uint8_t>(bytes, 0x41)).size(), ((bytes + 2) * 4 + 2) / 3)
            << bytes;
    }
}

TEST(RunLink, DamageAndCutsAreCaught) {
    const std::string link =
        run_link(RunFile{42, {{0, sim::kRight}, {17, 0}, {60, sim::kUp | sim::kSelect}}, 95});
    const std::string alphabet = "AQgw-_9z";
    for (size_t i = 0; i < link.size(); ++i) {
        for (char c : alphabet) {
            std::string damaged = link;
            if (damaged[i] == c) {
                continue;
            }
            damaged[i] = c;
            EXPECT_FALSE(read_run_link(damaged).run) << damaged;
        }
    }
    for (size_t size = 0; size < link.size(); ++size) {
        EXPECT_FALSE(read_run_link(link.substr(0, size)).run) << size;
    }
    EXPECT_EQ(read_run_link(link + "A").run, std::nullopt);
}

TEST(RunLink, RefusesWhatIsWrongWithOneLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "run: the link holds nothing"},
        {"AB=C", "run: \"=\" is not one of the link's characters (A-Z, a-z, 0-9, - and _)"},
        {"ABCDE", "run: the link has a character too many or too few"},
        {"AB", "run: the link's last character is not one a link ends with"},
        {"AAA", "run: the link is too short to hold a run"},
        {run_link(RunFile{}).substr(0, 6) + "AA",
         "run: the checksum does not match (the link is damaged or incomplete)"},
        {sealed_link({0x02, 0x00, 0x00, 0x00}),
         "run: format 2 is newer than this page reads (it reads format 1)"},
        {sealed_link({0x81, 0x80, 0x80}), "run: the link ends within the format"},
        {sealed_link({0x01, 0x05, 0x00}), "run: the link ends within the number of changes"},
        {sealed_link({0x01, 0x05, 0x00, 0x02, 0x10}), "run: the link ends within change 2"},
        {sealed_link({0x01, 0x05, 0x00, 0x01, 0x24}),
         "run: change 1 holds buttons the console does not have"},
        {sealed_link({0x01, 0x05, 0x00, 0x01, 0x3C, 0x80, 0x08}),
         "run: change 1 holds buttons the console does not have"},
        {sealed_link({0x01, 0x05, 0x00, 0x01, 0x80, 0x80, 0x80, 0x80, 0x80, 0x08}),
         "run: change 1 comes after pulse 4294967295"},
        {sealed_link({0x01, 0x05, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                      0xFF, 0x01}),
         "run: change 1 is longer than any number of a link"},
        {sealed_link({0x01, 0x05, 0x00, 0x00, 0x80, 0x80, 0x80, 0x80, 0x10}),
         "run: the end comes after pulse 4294967295"},
        {sealed_link({0x01, 0x05, 0x00, 0x00, 0x10, 0x00, 0x00}), "run: 2 bytes follow the end"},
    };
    for (const auto& [link, message] : cases) {
        const auto read = read_run_link(link);
        EXPECT_FALSE(read.run) << link;
        EXPECT_EQ(read.error, message) << link;
    }
}

}  // namespace
