// A font as the settings store keeps it: name, size, colour and style flags.
#pragma once

#include <cstdint>
#include <string>

namespace gravon {

struct tfontdesc {
    std::string name = "Tahoma";
    std::int32_t size = 8;   // points
    std::uint32_t color = 0; // TColor, red in the lowest byte
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
};

} // namespace gravon
