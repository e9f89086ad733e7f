// Little-endian reading and writing of the save format's fields, byte by
// byte, so that the format is the same on any host's byte order. Floats go
// as their raw IEEE bits: NaN payloads and signed zeros survive.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace tsfilters::stream {

class ByteWriter {
public:
    explicit ByteWriter(unsigned char* out) : out_(out) {}

    void u16(std::uint16_t v) { bytes(v, 2); }
    void u32(std::uint32_t v) { bytes(v, 4); }
    void u64(std::uint64_t v) { bytes(v, 8); }
    void value(float v) { u32(std::bit_cast<std::uint32_t>(v)); }
    void value(double v) { u64(std::bit_cast<std::uint64_t>(v)); }
    std::size_t written() const { return at_; }

private:
    void bytes(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) out_[at_++] = static_cast<unsigned char>(v >> (8 * i));
    }
    unsigned char* out_;
    std::size_t at_ = 0;
};

// The caller checks the size before reading: the reader has no bounds of
// its own.
class ByteReader {
public:
    explicit ByteReader(const unsigned char* in) : in_(in) {}

    std::uint16_t u16() { return static_cast<std::uint16_t>(bytes(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(bytes(4)); }
    std::uint64_t u64() { return bytes(8); }
    void value(float& v) { v = std::bit_cast<float>(u32()); }
    void value(double& v) { v = std::bit_cast<double>(u64()); }

private:
    std::uint64_t bytes(int n) {
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= std::uint64_t(in_[at_++]) << (8 * i);
        return v;
    }
    const unsigned char* in_;
    std::size_t at_ = 0;
};

}  // namespace tsfilters::stream
