// G.711 companding of 16-bit linear samples to 8-bit A-law and mu-law codes and back.
//
// A-law works on the 13 most significant bits of the sample, mu-law on the 14 most
// significant bits; the codes are the transmitted octets, with the A-law even-bit inversion
// and the mu-law all-bit inversion applied. Decoding returns the segment midpoint scaled back
// to 16 bits. Both directions are total: every sample and every code has a result.
#pragma once

#include <cstdint>

namespace gravon {

std::uint8_t lineartoalaw(std::int16_t sample);
std::int16_t alawtolinear(std::uint8_t code);

std::uint8_t lineartoulaw(std::int16_t sample);
std::int16_t ulawtolinear(std::uint8_t code);

} // namespace gravon
