// Real-to-integer conversions. Rounding is to the nearest integer with halves to the even
// integer; truncation is towards zero. Values outside the int32 range saturate, NaN gives 0,
// so a corrupt value can never cause undefined behaviour.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace gravon {

inline std::int32_t saturate_int32(double x) {
    if (!(x == x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (x <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(x);
}

// Nearest integer, halves to even (the default floating-point rounding mode).
inline double roundeven(double x) { return std::nearbyint(x); }
inline std::int32_t roundint(double x) { return saturate_int32(std::nearbyint(x)); }
inline std::int64_t roundint64(double x) {
    if (!(x == x)) return 0;
    double r = std::nearbyint(x);
    // 2^63 exactly: every double below it converts; the next one down is 2^63 - 1024.
    if (r >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
    if (r <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(r);
}
inline std::int32_t truncint(double x) { return saturate_int32(std::trunc(x)); }
inline std::int32_t ceilint(double x) { return saturate_int32(std::ceil(x)); }
inline std::int32_t floorint(double x) { return saturate_int32(std::floor(x)); }

} // namespace gravon
