// The little-endian layout of snapshots and slot files, pinned to a known byte string.

#include <gtest/gtest.h>

#include "platform/sim/bytes.h"

namespace {

const uint8_t kBytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xfe, 0xff, 0xff, 0xff};

TEST(Bytes, ReadLowByteFirst) {
    sim::ByteReader in(kBytes);
    EXPECT_EQ(in.u8(), 0x01u);
    EXPECT_EQ(in.u16(), 0x0302u);
    EXPECT_EQ(in.u32(), 0x07060504u);
    EXPECT_EQ(in.take(1), kBytes + 7);
    EXPECT_EQ(in.i32(), -2);
}

TEST(Bytes, WriteTheLayoutTheReaderReads) {
    uint8_t out[sizeof kBytes] = {};
    sim::ByteWriter w(out);
    w.u8(0x01);
    w.u16(0x0302);
    w.u32(0x07060504);
    w.raw(kBytes + 7, 1);
    w.u32((uint32_t)-2);
    for (size_t i = 0; i < sizeof kBytes; ++i)
        EXPECT_EQ(out[i], kBytes[i]) << "byte " << i;
}

}  // namespace
