// The generated cosine and tangent tables: entries that check the rule, the mirror relations
// the single-precision rounding leaves, and the order of the entries.

#include <gtest/gtest.h>

#include <cstdint>

#include "fixed/trig.h"

namespace {

TEST(TrigTables, CheckEntries) {
    const struct {
        int k;
        int32_t cosine;
        int32_t tangent;
    } entries[] = {
        {0, 16777216, 0},          {1, 16772163, 411858},     {32, 11863283, 16777216},
        {43, 8269460, 29615928},   {62, 823219, 341508064},   {63, 411734, 683428032},
        {64, 0, INT32_MIN},        {65, -411733, -683428031}, {96, -11863282, -16777215},
        {127, -16772162, -411857}, {128, -16777215, 0},
    };
    for (const auto& e : entries) {
        EXPECT_EQ(cos_table[e.k], e.cosine) << e.k;
        EXPECT_EQ(tan_table[e.k], e.tangent) << e.k;
    }
}

// Negative entries lie one unit nearer zero than the mirrored positive ones.
TEST(TrigTables, MirrorRelations) {
    for (int k = 0; k <= 128; ++k) {
        if (k != 64) {
            EXPECT_EQ(cos_table[128 - k], 1 - cos_table[k]) << k;
        }
        if (k != 0 && k != 64 && k != 128) {
            EXPECT_EQ(tan_table[128 - k], 1 - tan_table[k]) << k;
        }
    }
}

TEST(TrigTables, EntriesAreInOrder) {
    for (int k = 1; k <= 128; ++k) {
        EXPECT_LT(cos_table[k], cos_table[k - 1]) << k;
        if (k != 64) {
            EXPECT_GT(tan_table[k], tan_table[k - 1]) << k;
        }
    }
}

}  // namespace
