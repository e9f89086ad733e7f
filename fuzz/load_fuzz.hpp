// What the harnesses of saved bytes share (a stream's and a book's): the
// way they fail, a CRC-32 of their own, little-endian fields, the damage
// done to a valid save and the code it must get, and how byte 0 picks a
// mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fuzz_case.hpp"

namespace fuzzing {

using Bytes = std::vector<unsigned char>;

[[noreturn]] inline void fail(const char* what, long a = 0, long b = 0) {
    std::fprintf(stderr, "%s (%ld, %ld)\n", what, a, b);
    std::abort();
}

// The CRC-32 the formats use (IEEE 802.3, reflected), bit by bit: a
// harness must not share the library's own table to check it.
inline std::uint32_t crc32(const unsigned char* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

inline void put(unsigned char* p, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The last 4 bytes made the CRC of all before them, as a crafter would.
inline void seal(Bytes& b) { put(b.data() + b.size() - 4, crc32(b.data(), b.size() - 4), 4); }

// Damages a valid save `b` as bit 2 or 3 of `damage` says, at a place
// chosen by `where` (from the samples, so that the fuzzer steers it), and
// checks the code `load(b)` gives: a truncation is refused for its size, a
// flipped bit as `codeForFlip(byte)` says. False when `damage` leaves the
// save intact, for the caller to continue it.
template <class Load, class CodeForFlip>
bool damaged(Bytes& b, std::uint8_t damage, std::uint32_t where, Load load, CodeForFlip codeForFlip,
             int sizeCode) {
    if (damage & 4) {
        b.resize(where % b.size());
        const int rc = load(b);
        if (rc != sizeCode) fail("a truncated save was not refused for its size", long(b.size()), rc);
        return true;
    }
    if (damage & 8) {
        const std::size_t at = (where >> 3) % b.size();
        b[at] ^= static_cast<unsigned char>(1u << (where & 7));
        const int rc = load(b);
        if (rc != codeForFlip(at)) fail("a flipped bit got the wrong code", long(at), rc);
        return true;
    }
    return false;
}

// Byte 0 picks the mode: odd, a valid save damaged or continued; 2 mod 4,
// bytes resealed; 0 mod 4, the bytes as they are.
template <class Valid, class Resealed, class AsIs>
int byMode(const std::uint8_t* data, std::size_t size, Valid valid, Resealed resealed, AsIs asIs) {
    ByteReader in(data, size);
    const std::uint8_t mode = in.byte();
    if (mode & 1) valid(in);
    else if (mode & 2) resealed(in);
    else asIs(Bytes(in.rest(), in.rest() + in.restSize()));
    return 0;
}

}  // namespace fuzzing
