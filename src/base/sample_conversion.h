// Sample-format conversions, range mapping and the peak of a block.
#pragma once

#include "base/types.h"

#include <cstdint>
#include <string>

namespace gravon {

// x as a signed 16-bit sample; saturates. With dither, two draws of Random (triangular
// dither of +-1 step) after limiting x to -32766..32765.
std::int16_t doubletosample(bool dither, double x);

// Maps x linearly from the range `from` to the range `to`.
double maprange(const tdoublepair& to, const tdoublepair& from, double x);
std::int16_t maprangetosample(const tdoublepair& from, const tdoublepair& to, bool dither,
                              double x);

// Packs v into 24 bits; raises ERangeError "Int24 overflow: v" / "Int24 underflow: v".
tint24 inttoint24(std::int32_t v);
inline std::int32_t int24toint(const tint24& b) {
    std::uint32_t u =
        std::uint32_t(b.b[0]) | (std::uint32_t(b.b[1]) << 8) | (std::uint32_t(b.b[2]) << 16);
    if (u & 0x800000u) u |= 0xFF000000u;
    return static_cast<std::int32_t>(u);
}

// Largest absolute value; 0 for an empty array.
float peakabs(const tsinglearr& a);

} // namespace gravon
