// A target position of the phonetogram plane.
#pragma once

#include <vector>

namespace gravon {

struct ttarget {
    double level = 0; // dB
    double f0 = 0;    // Hz
};

using ttargetarr = std::vector<ttarget>;

} // namespace gravon
