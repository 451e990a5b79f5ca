// The distance from the mouth that a phonetogram's levels are referred to. A level referred
// to half the distance reads about 6 dB higher, so phonetograms referred to different
// distances cannot be laid over one another or compared level for level.
#pragma once

#include "phonetogram/pg_list.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

// "300 mm", or "no distance stated" for a distance that is not known (0 or less).
std::string referred_distance_text(double distance);

// Whether levels referred to distances a and b (m) can be compared: both the same to the
// millimetre, or neither known (nothing then tells them apart).
bool same_referred_distance(double a, double b);

// Empty when the phonetograms pgnos of list have their levels referred to one distance;
// otherwise a sentence that names each one's distance and says what that means.
std::string distance_mismatch(const tpglist& list, const std::vector<std::int32_t>& pgnos);

} // namespace gravon
