#include "files/half_float.h"

#include <cmath>
#include <limits>

namespace gravon {

namespace {
constexpr double two_m14 = 1.0 / 16384.0;    // smallest normal binary16
constexpr double two_m24 = 1.0 / 16777216.0; // smallest subnormal binary16
} // namespace

float halftofloat(std::uint16_t h) {
    const bool neg = (h & 0x8000u) != 0;
    const int e = (h >> 10) & 0x1F;
    const int m = h & 0x3FF;
    double v;
    if (e == 0) {
        v = m * two_m24;
    } else if (e == 31) {
        v = m == 0 ? std::numeric_limits<double>::infinity()
                   : std::numeric_limits<double>::quiet_NaN();
    } else {
        v = std::ldexp(1.0 + m / 1024.0, e - 15);
    }
    return static_cast<float>(neg ? -v : v);
}

double halfulp(double x) {
    double a = std::fabs(x);
    if (!(a >= two_m14)) return two_m24; // subnormal range (and NaN)
    if (a > half_max) a = half_max;
    int k;
    std::frexp(a, &k); // a = f * 2^k, f in [0.5, 1)
    return std::ldexp(1.0, k - 1 - 10);
}

std::uint16_t floattohalf(double x) {
    if (std::isnan(x)) return 0x7E00;
    const std::uint16_t sign = std::signbit(x) ? 0x8000 : 0;
    double a = std::fabs(x);
    if (a > half_max) a = half_max;
    if (a < two_m14) {
        // Subnormal: a multiple of 2^-24; a result of 1024 units is the smallest normal.
        double units = std::floor(a / two_m24 + 0.5);
        if (units == 0) return 0;
        return static_cast<std::uint16_t>(sign | static_cast<std::uint16_t>(units));
    }
    int k;
    std::frexp(a, &k);
    int e = k - 1;                                  // a = 1.f * 2^e
    double frac = (std::ldexp(a, -e) - 1.0) * 1024; // exact
    double m = std::floor(frac + 0.5);
    if (m >= 1024) {
        m = 0;
        ++e;
    }
    if (e > 15) return static_cast<std::uint16_t>(sign | 0x7BFF); // cannot happen after the clamp
    return static_cast<std::uint16_t>(sign | ((e + 15) << 10) | static_cast<int>(m));
}

} // namespace gravon
