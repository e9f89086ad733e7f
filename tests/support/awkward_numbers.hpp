// Random numbers chosen to break arithmetic that is only nearly right: any
// sign and exponent, denormals, zeros, infinities and NaN, and families of
// values of one magnitude, whose sums round at every step and where a
// different grouping of the same terms shows in the last bit.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace testing_support {

class AwkwardNumbers {
public:
    explicit AwkwardNumbers(std::uint64_t seed) : rng_(seed) {}

    bool chance(unsigned percent) { return rng_() % 100 < percent; }

    std::uint32_t below(std::uint32_t n) { return std::uint32_t(rng_() % n); }

    // Any float: mostly finite with a uniform exponent, often denormal,
    // sometimes one of the special values.
    float anyFloat() {
        const std::uint32_t r = below(100);
        if (r < 3) return specialFloat();
        const std::uint32_t sign = std::uint32_t(rng_() & 1) << 31;
        const std::uint32_t mantissa = std::uint32_t(rng_()) & 0x007FFFFFu;
        const std::uint32_t exponent = r < 15 ? 0 : 1 + below(254);  // 0: denormal
        return std::bit_cast<float>(sign | exponent << 23 | mantissa);
    }

    // A float within a factor of about 16 of 2^exponent, of either sign.
    // Exponents below -126 give denormals, above 127 infinities.
    float floatAround(int exponent) {
        const double m = std::uniform_real_distribution<double>(1.0, 16.0)(rng_);
        const double v = std::ldexp(m, exponent - 2);
        return float(rng_() & 1 ? -v : v);
    }

    // A double with all 52 bits of mantissa in use, around 2^exponent.
    double doubleAround(int exponent) {
        const std::uint64_t mantissa = rng_() & 0x000FFFFFFFFFFFFFull;
        const double m = std::bit_cast<double>(0x3FF0000000000000ull | mantissa);  // [1, 2)
        const double v = std::ldexp(m, exponent - 2 + int(below(4)));
        return rng_() & 1 ? -v : v;
    }

    // An exponent for a family of values: mostly ordinary magnitudes, but
    // also the edges of the float range, where the double terms of a sum
    // reach the float's denormals or overflow on rounding.
    int familyExponent() {
        const std::uint32_t r = below(100);
        if (r < 60) return int(below(40)) - 20;
        if (r < 75) return -150 + int(below(30));  // around float denormals
        if (r < 85) return 110 + int(below(20));   // near float overflow
        return int(below(300)) - 150;
    }

    float specialFloat() {
        constexpr float inf = std::numeric_limits<float>::infinity();
        static constexpr float kSpecial[] = {
            0.0f, -0.0f, inf, -inf, std::numeric_limits<float>::quiet_NaN(),
            std::numeric_limits<float>::denorm_min(), -std::numeric_limits<float>::denorm_min(),
            std::numeric_limits<float>::min(), std::numeric_limits<float>::max(),
            -std::numeric_limits<float>::max(), 1.0f, -1.0f};
        return kSpecial[below(sizeof kSpecial / sizeof kSpecial[0])];
    }

    // A period: mostly usable ones, also the shortest (where the input gains
    // round differently), negative ones, 0 and any 32-bit value.
    std::int32_t period() {
        const std::uint32_t r = below(100);
        if (r < 50) return 1 + std::int32_t(below(100));
        if (r < 70) return 1 + std::int32_t(below(6));
        if (r < 85) return -std::int32_t(below(200));
        return std::int32_t(std::uint32_t(rng_()));
    }

    // A damping factor: mostly in [0, 1], also its ends and any float.
    float gamma() {
        const std::uint32_t r = below(100);
        if (r < 70) return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng_);
        if (r < 80) return float(below(2));
        if (r < 90) return std::uniform_real_distribution<float>(-2.0f, 2.0f)(rng_);
        return anyFloat();
    }

private:
    std::mt19937_64 rng_;
};

}  // namespace testing_support
