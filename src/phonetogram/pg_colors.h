// Colours of the phonetograms: the plain RGB colour, its 32-bit form, the colour table and the
// light and dark shades derived from a base colour.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

// An 8-bit-per-channel colour. Stored settings and files use the 32-bit form 0x00BBGGRR
// (red in the lowest byte), see colorvalue and colorfromvalue.
struct TColor {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const TColor&, const TColor&) = default;
};

inline constexpr TColor rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return {r, g, b};
}

inline constexpr std::uint32_t colorvalue(TColor c) {
    return std::uint32_t(c.r) | (std::uint32_t(c.g) << 8) | (std::uint32_t(c.b) << 16);
}
// The top byte of the value is ignored.
inline constexpr TColor colorfromvalue(std::uint32_t v) {
    return {std::uint8_t(v & 0xFFu), std::uint8_t((v >> 8) & 0xFFu),
            std::uint8_t((v >> 16) & 0xFFu)};
}

// Each channel as a fraction v = byte/255 becomes 1 - a + a*v, clamped to 0..1, and back to a
// byte as the nearest integer to 255 times it. a < 1 blends towards white (0 gives white),
// a > 1 darkens (components below (a - 1)/a become 0). The same arithmetic as the display's
// tint of a colour by a value fraction.
TColor shade(TColor c, double a);

// Shade factors of the light and the dark variant of a phonetogram's base colour.
inline constexpr double ltshadefactor = 0.3;
inline constexpr double dkshadefactor = 1.4;

// The colour table offered for phonetograms (10 entries) and the names shown for it, index for
// index: Blue, Red, Purple, Green, Brown, Yellow, Light blue, Gray, White, Black.
std::vector<TColor> default_pgcolors();

// Gray: the colour of the baseline, which no other phonetogram takes by itself. The entries
// before it are those a loaded phonetogram takes by itself; White and Black after it would
// vanish against the view's ground or its grid lines.
inline constexpr std::int32_t baselinecolorindex = 7;
std::vector<std::string> default_pgcolornames();

} // namespace gravon
