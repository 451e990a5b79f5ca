// IEEE 754 binary16 ("half precision") conversions for 16-bit float sound data.
#pragma once

#include <cstdint>

namespace gravon {

inline constexpr double half_max = 65504.0;

// The value of a binary16 bit pattern (subnormals, infinities and NaN included).
float halftofloat(std::uint16_t h);

// x as binary16, rounded to nearest with halfway cases away from zero. Magnitudes beyond
// 65504 saturate, values that round below the smallest subnormal give 0, NaN stays NaN.
std::uint16_t floattohalf(double x);

// One unit in the last binary16 place at x (2^-24 in the subnormal range).
double halfulp(double x);

} // namespace gravon
