// The x87 80-bit extended-precision format, as stored in settings containers: a 64-bit
// significand with an explicit integer bit, a 15-bit exponent biased by 16383 and a sign bit,
// least significant byte first. Encoded and decoded bit by bit so that the result does not
// depend on the host's long double.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace gravon {

using textended = std::array<std::uint8_t, 10>;

// Exact: every double is representable in the extended format. NaN payloads are kept.
textended double_to_extended(double v);
// Rounds to the nearest double, halves to even; out-of-range magnitudes become infinity or
// (gradually) zero. Denormal and unnormal encodings are taken at their numeric value.
double extended_to_double(std::span<const std::uint8_t, 10> bytes);

} // namespace gravon
