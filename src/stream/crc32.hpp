// CRC-32 with the IEEE 802.3 polynomial (reflected, 0xEDB88320), as zlib
// and PNG compute it: a saved state's check against damaged bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tsfilters::stream {

inline constexpr std::array<std::uint32_t, 256> kCrc32Table = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

inline std::uint32_t crc32(const unsigned char* bytes, std::size_t size) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) c = kCrc32Table[(c ^ bytes[i]) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

static_assert(kCrc32Table[1] == 0x77073096u && kCrc32Table[255] == 0x2D02EF8Du);

}  // namespace tsfilters::stream
