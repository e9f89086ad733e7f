// Signed fixed-point numbers with 32 integer bits and 320 fraction bits,
// in two's complement over eleven 32-bit limbs, most significant first.
// The slow path of exp and cos computes with them when a double-double
// result lies too close to a rounding boundary to decide it.
//
// Every operation is exact except mul and divSmall, which truncate below
// 2^-320; the sums in which they are used stay far above that.
#pragma once

#include <bit>
#include <cstdint>

namespace tsfilters::math {

struct WideFixed {
    static constexpr int kLimbs = 11;
    static constexpr int kFractionBits = 320;
    std::uint32_t limb[kLimbs];  // limb[0]: integer part, two's complement
};

inline WideFixed wideFromLimbs(const std::uint32_t (&limbs)[WideFixed::kLimbs]) {
    WideFixed w{};
    for (int i = 0; i < WideFixed::kLimbs; ++i) w.limb[i] = limbs[i];
    return w;
}

inline bool isNegative(const WideFixed& a) { return (a.limb[0] >> 31) != 0; }

inline bool isZero(const WideFixed& a) {
    for (std::uint32_t l : a.limb)
        if (l != 0) return false;
    return true;
}

inline WideFixed add(const WideFixed& a, const WideFixed& b) {
    WideFixed r{};
    std::uint64_t carry = 0;
    for (int i = WideFixed::kLimbs - 1; i >= 0; --i) {
        const std::uint64_t s = std::uint64_t{a.limb[i]} + b.limb[i] + carry;
        r.limb[i] = static_cast<std::uint32_t>(s);
        carry = s >> 32;
    }
    return r;
}

inline WideFixed negate(const WideFixed& a) {
    WideFixed r{};
    std::uint64_t carry = 1;
    for (int i = WideFixed::kLimbs - 1; i >= 0; --i) {
        const std::uint64_t s = std::uint64_t{~a.limb[i]} + carry;
        r.limb[i] = static_cast<std::uint32_t>(s);
        carry = s >> 32;
    }
    return r;
}

inline WideFixed sub(const WideFixed& a, const WideFixed& b) { return add(a, negate(b)); }

inline WideFixed magnitude(const WideFixed& a) { return isNegative(a) ? negate(a) : a; }

// |a| * m, for a magnitude below 2^32 / m.
inline WideFixed mulSmallMagnitude(const WideFixed& a, std::uint32_t m) {
    WideFixed r{};
    std::uint64_t carry = 0;
    for (int i = WideFixed::kLimbs - 1; i >= 0; --i) {
        const std::uint64_t p = std::uint64_t{a.limb[i]} * m + carry;
        r.limb[i] = static_cast<std::uint32_t>(p);
        carry = p >> 32;
    }
    return r;
}

// k times the nonnegative constant c, for |k c| < 2^31.
inline WideFixed multipleOf(const WideFixed& c, std::int64_t k) {
    const WideFixed m = mulSmallMagnitude(c, static_cast<std::uint32_t>(k < 0 ? -k : k));
    return k < 0 ? negate(m) : m;
}

// a / d, truncated toward zero.
inline WideFixed divSmall(const WideFixed& a, std::uint32_t d) {
    const WideFixed m = magnitude(a);
    WideFixed q{};
    std::uint64_t rest = 0;
    for (int i = 0; i < WideFixed::kLimbs; ++i) {
        const std::uint64_t cur = (rest << 32) | m.limb[i];
        q.limb[i] = static_cast<std::uint32_t>(cur / d);
        rest = cur % d;
    }
    return isNegative(a) ? negate(q) : q;
}

// a * b, the magnitude truncated below 2^-320. |a * b| must stay below 2^31.
inline WideFixed mul(const WideFixed& a, const WideFixed& b) {
    constexpr int n = WideFixed::kLimbs;
    const WideFixed x = magnitude(a), y = magnitude(b);
    std::uint32_t full[2 * n] = {};
    for (int i = n - 1; i >= 0; --i) {
        std::uint64_t carry = 0;
        for (int j = n - 1; j >= 0; --j) {
            const std::uint64_t t = std::uint64_t{x.limb[i]} * y.limb[j] + full[i + j + 1] + carry;
            full[i + j + 1] = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        full[i] = static_cast<std::uint32_t>(carry);
    }
    // full[] holds 64 integer bits and 640 fraction bits: full[1] is the
    // units limb of the product.
    WideFixed r{};
    for (int i = 0; i < n; ++i) r.limb[i] = full[i + 1];
    return isNegative(a) != isNegative(b) ? negate(r) : r;
}

// The double x exactly, for |x| < 2^31 whose last significant bit is worth
// at least 2^-320.
inline WideFixed wideFromDouble(double x) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased != 0) mantissa |= std::uint64_t{1} << 52;
    // x = mantissa * 2^scale; bit k of mantissa lands at fraction position
    // 320 + scale + k counted up from the least significant bit.
    const int scale = (biased == 0 ? 1 : biased) - 1075;
    WideFixed w{};
    for (int k = 0; k < 53; ++k) {
        if (((mantissa >> k) & 1) == 0) continue;
        const int pos = WideFixed::kFractionBits + scale + k;  // from the bottom
        const int limbIndex = WideFixed::kLimbs - 1 - pos / 32;
        w.limb[limbIndex] |= std::uint32_t{1} << (pos % 32);
    }
    return (bits >> 63) != 0 ? negate(w) : w;
}

// Bit of a nonnegative value worth 2^weight, weight from 31 down to -320.
inline int bitAt(const WideFixed& a, int weight) {
    const int pos = WideFixed::kFractionBits + weight;  // from the bottom
    return static_cast<int>((a.limb[WideFixed::kLimbs - 1 - pos / 32] >> (pos % 32)) & 1);
}

}  // namespace tsfilters::math
