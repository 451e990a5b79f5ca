// The application's pseudo-random generator. Every user on one thread draws from the same
// sequence, so the order of draws decides results such as dithered binning; seeding with 0
// makes a replay reproducible bit for bit. Each thread has a sequence of its own: an analysis
// runs on one thread from its seeding to its end, so analyses on threads side by side give
// exactly what each gives alone, with no lock between them.
#pragma once

#include <cstdint>

namespace gravon {

// s := s * 134775813 + 1 (mod 2^32); returns s / 2^32, uniform in [0, 1).
double Random();
// Seeds the calling thread's sequence from the system clock.
void Randomize();
void RandSeed(std::uint32_t seed);
std::uint32_t RandSeedValue();

} // namespace gravon
