#pragma once
// Little-endian fields written and read in place, for the byte layouts that must read the same on
// every machine (snapshots, the window's save slots).

#include <stddef.h>
#include <stdint.h>

#include <cstring>

namespace sim {

class ByteWriter {
  public:
    explicit ByteWriter(uint8_t* out) : out_(out) {}
    void u8(uint32_t v) { *out_++ = (uint8_t)v; }
    void u16(uint32_t v) { u8(v), u8(v >> 8); }
    void u32(uint32_t v) { u16(v), u16(v >> 16); }
    void raw(const uint8_t* data, size_t size) {
        std::memcpy(out_, data, size);
        out_ += size;
    }

  private:
    uint8_t* out_;
};

class ByteReader {
  public:
    explicit ByteReader(const uint8_t* in) : in_(in) {}
    uint8_t u8() { return *in_++; }
    // Each half in a statement of its own: the two operands of `|` may be evaluated in either
    // order, and the layout must not depend on the compiler's choice.
    uint16_t u16() {
        const uint32_t low = u8();
        const uint32_t high = u8();
        return (uint16_t)(low | high << 8);
    }
    uint32_t u32() {
        const uint32_t low = u16();
        const uint32_t high = u16();
        return low | high << 16;
    }
    int32_t i32() { return (int32_t)u32(); }
    // The next `size` bytes, skipped.
    const uint8_t* take(size_t size) { return (in_ += size) - size; }

  private:
    const uint8_t* in_;
};

}  // namespace sim
