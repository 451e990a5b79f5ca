// The application's one pseudo-random generator. Every user draws from the same sequence, so
// the order of draws decides results such as dithered binning; seeding with 0 makes a replay
// reproducible bit for bit.
#pragma once

#include <cstdint>

namespace gravon {

// s := s * 134775813 + 1 (mod 2^32); returns s / 2^32, uniform in [0, 1).
double Random();
// Seeds from the system clock; run once at program start.
void Randomize();
void RandSeed(std::uint32_t seed);
std::uint32_t RandSeedValue();

} // namespace gravon
