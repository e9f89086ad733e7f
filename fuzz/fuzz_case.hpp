// Turns the fuzzer's bytes into one call of one function: which function,
// count, periods, gamma and the series. Every byte string is a valid case,
// and short strings are padded with zeros, so a seed file can be written by
// hand. Layout (integers little-endian):
//   byte  0      function: its row in the filter table, counting from 0
//                (taken modulo the number of rows)
//   byte  1      flags: bit 0  long series: a positive count is taken modulo
//                              4097, otherwise modulo 160 (warm-ups, the
//                              oscillators' 100-sample window)
//                       bit 1  first period is the raw int32, else a signed byte
//                       bit 2  second period likewise
//                       bits 3-4 sample encoding, see decodeSamples
//   bytes 2-5    count; zero and negative values are used as they are
//   bytes 6-9    period, or highPassPeriod
//   bytes 10-13  smoothPeriod (BandPass, CyberneticOscillator)
//   bytes 14-17  gamma as raw float bits (Laguerre functions)
//   the rest     samples, repeated as often as `count` needs
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "filter_table.h"

namespace fuzzing {

struct Case {
    int function = 0;
    std::int32_t count = 0;
    std::int32_t period = 0;
    std::int32_t smoothPeriod = 0;
    float gamma = 0;
    std::vector<float> series;  // max(count, 0) samples
};

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }

    std::uint32_t word() {
        std::uint32_t w = 0;
        for (int i = 0; i < 4; ++i) w |= std::uint32_t(byte()) << (8 * i);
        return w;
    }

    const std::uint8_t* rest() const { return data_ + at_; }
    std::size_t restSize() const { return size_ - at_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// The four sample encodings, so that mutations reach both ordinary price
// series and every class of float:
//   0  raw float bits, 4 bytes a sample (NaNs with any payload, infinities,
//      denormals, huge values)
//   1  a walk around 100: each byte is a signed step of 1/8
//   2  2 bytes, signed mantissa and signed exponent: m * 2^e, from
//      denormals to overflow into infinity
//   3  1 byte picks one value from a table of awkward ones
inline std::vector<float> decodeSamples(int encoding, const std::uint8_t* bytes, std::size_t size,
                                        std::int32_t count) {
    static const float kAwkward[16] = {
        0.0f, -0.0f, 1.0f, -1.0f, 100.0f, 100.5f, 1e30f, -1e30f,
        std::bit_cast<float>(0x7F7FFFFFu),  // largest finite
        std::bit_cast<float>(0x00000001u),  // smallest denormal
        std::bit_cast<float>(0x00800000u),  // smallest normal
        std::bit_cast<float>(0x7F800000u),  // +inf
        std::bit_cast<float>(0xFF800000u),  // -inf
        std::bit_cast<float>(0x7FC00000u),  // quiet NaN
        std::bit_cast<float>(0xFFC01234u),  // negative NaN with a payload
        std::bit_cast<float>(0x7F800001u),  // signalling NaN
    };
    const std::size_t width = encoding == 0 ? 4 : encoding == 2 ? 2 : 1;
    const std::size_t available = size / width;
    std::vector<float> s(count > 0 ? std::size_t(count) : 0);
    float walk = 100.0f;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (available == 0) break;  // no sample bytes: a series of zeros
        const std::uint8_t* b = bytes + (i % available) * width;
        switch (encoding) {
            case 0:
                s[i] = std::bit_cast<float>(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                                            std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24);
                break;
            case 1:
                walk += float(std::int8_t(b[0])) * 0.125f;
                s[i] = walk;
                break;
            case 2:
                s[i] = std::ldexp(float(std::int8_t(b[0])), std::int8_t(b[1]));
                break;
            default:
                s[i] = kAwkward[b[0] % 16];
        }
    }
    return s;
}

inline Case decodeCase(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    Case c;
    c.function = in.byte() % TSF_FILTER_COUNT;
    const std::uint8_t flags = in.byte();
    const auto count = std::int32_t(in.word());
    const auto first = std::int32_t(in.word());
    const auto second = std::int32_t(in.word());
    c.gamma = std::bit_cast<float>(in.word());
    c.count = count <= 0 ? count : count % ((flags & 1) ? 4097 : 160);
    c.period = (flags & 2) ? first : std::int8_t(first & 0xFF);
    c.smoothPeriod = (flags & 4) ? second : std::int8_t(second & 0xFF);
    c.series = decodeSamples((flags >> 3) & 3, in.rest(), in.restSize(), c.count);
    return c;
}

}  // namespace fuzzing
