// How phonetogram parameters are shown: the colour range of a display parameter, and the
// mapping from parameter names found in phonetogram files to display parameters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

// Colour range used to show a parameter.
struct tdisplayparam {
    std::string name;
    double min = 0;
    double max = 0;
    bool logarithmic = false;
    std::string axisunit;
};

// A parameter name as found in phonetogram files and the index of the display parameter
// (into the list of display parameters) that shows it.
struct tstdpgparam {
    std::string name;
    std::int32_t displaymapping = 0;
};

using tdisplayparamarr = std::vector<tdisplayparam>;
using tstdpgparamarr = std::vector<tstdpgparam>;

} // namespace gravon
