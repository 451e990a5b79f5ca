#include "files/extended_float.h"

#include <bit>
#include <limits>

namespace gravon {

static_assert(std::numeric_limits<double>::is_iec559, "doubles must be IEEE 754 binary64");

namespace {

constexpr int extbias = 16383;
constexpr int dblbias = 1023;
constexpr std::uint64_t intbit = 1ull << 63;
constexpr std::uint64_t dblfracmask = (1ull << 52) - 1;

textended pack(bool negative, int exponent, std::uint64_t significand) {
    textended r{};
    for (int i = 0; i < 8; ++i) r[i] = static_cast<std::uint8_t>(significand >> (8 * i));
    unsigned se = static_cast<unsigned>(exponent) | (negative ? 0x8000u : 0u);
    r[8] = static_cast<std::uint8_t>(se);
    r[9] = static_cast<std::uint8_t>(se >> 8);
    return r;
}

double from_bits(bool negative, std::uint64_t bits) {
    return std::bit_cast<double>(bits | (negative ? intbit : 0));
}

} // namespace

textended double_to_extended(double v) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
    const bool negative = (bits >> 63) != 0;
    const int dexp = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t frac = bits & dblfracmask;

    if (dexp == 0x7FF) // infinity (fraction 0) or NaN; the quiet bit lands on bit 62
        return pack(negative, 0x7FFF, intbit | (frac << 11));
    if (dexp == 0) {
        if (frac == 0) return pack(negative, 0, 0);
        // Subnormal double: normalise, the extended range is wide enough.
        const int top = 63 - std::countl_zero(frac); // position of the leading one
        return pack(negative, -1074 + top + extbias, frac << (63 - top));
    }
    return pack(negative, dexp - dblbias + extbias, intbit | (frac << 11));
}

double extended_to_double(std::span<const std::uint8_t, 10> b) {
    std::uint64_t m = 0;
    for (int i = 0; i < 8; ++i) m |= static_cast<std::uint64_t>(b[i]) << (8 * i);
    const unsigned se = b[8] | (static_cast<unsigned>(b[9]) << 8);
    const bool negative = (se & 0x8000u) != 0;
    const int e = static_cast<int>(se & 0x7FFFu);

    if (e == 0x7FFF) {
        if ((m & ~intbit) == 0) return from_bits(negative, 0x7FFull << 52); // infinity
        std::uint64_t frac = (m >> 11) & dblfracmask;
        if (frac == 0) frac = 1ull << 51; // payload only in the dropped bits: stay a NaN
        return from_bits(negative, (0x7FFull << 52) | frac);
    }
    if (m == 0) return from_bits(negative, 0);

    // value = m * 2^E, the significand read as an integer.
    const int E = (e == 0 ? 1 : e) - extbias - 63;
    const int top = 63 - std::countl_zero(m);
    const int magnitude = E + top; // the value lies in [2^magnitude, 2^(magnitude+1))
    if (magnitude > 1023) return from_bits(negative, 0x7FFull << 52);

    // Weight of the last bit kept: 53 significant bits, but never finer than 2^-1074.
    const int lsb = magnitude - 52 > -1074 ? magnitude - 52 : -1074;
    const int drop = lsb - E;
    std::uint64_t q;
    if (drop <= 0) {
        q = m << -drop; // exact; -drop <= 63 - top keeps it inside 64 bits
    } else if (drop > 64) {
        q = 0; // below half of the smallest subnormal
    } else {
        const std::uint64_t rem = drop == 64 ? m : m & ((1ull << drop) - 1);
        const std::uint64_t half = 1ull << (drop - 1);
        q = drop == 64 ? 0 : m >> drop;
        if (rem > half || (rem == half && (q & 1))) ++q;
    }
    if (q == 0) return from_bits(negative, 0);

    int l = lsb;
    if (q >> 53) { // rounding carried into a new bit; q is then exactly 2^53
        q >>= 1;
        ++l;
    }
    if (q >> 52) { // normal
        const int biased = l + 52 + dblbias;
        if (biased >= 0x7FF) return from_bits(negative, 0x7FFull << 52);
        return from_bits(negative, (static_cast<std::uint64_t>(biased) << 52) | (q & dblfracmask));
    }
    return from_bits(negative, q); // subnormal: l is -1074
}

} // namespace gravon
