#include "phonetogram/pg_colors.h"

#include "base/rounding.h"

namespace gravon {

namespace {

std::uint8_t shade_channel(std::uint8_t byte, double a) {
    double v = static_cast<double>(byte) / 255.0;
    double w = 1.0 - a + a * v;
    // Written so that NaN (an absurd factor) also lands at 0 instead of reaching the cast.
    if (!(w > 0.0)) w = 0.0;
    if (w > 1.0) w = 1.0;
    return static_cast<std::uint8_t>(roundint(255.0 * w));
}

} // namespace

TColor shade(TColor c, double a) {
    return {shade_channel(c.r, a), shade_channel(c.g, a), shade_channel(c.b, a)};
}

std::vector<TColor> default_pgcolors() {
    return {rgb(64, 64, 255),   rgb(255, 64, 64),  rgb(192, 64, 192), rgb(90, 192, 80),
            rgb(192, 80, 64),   rgb(225, 205, 64), rgb(64, 205, 225), rgb(200, 200, 200),
            rgb(255, 255, 255), rgb(0, 0, 0)};
}

std::vector<std::string> default_pgcolornames() {
    return {"Blue",   "Red",        "Purple", "Green", "Brown",
            "Yellow", "Light blue", "Gray",   "White", "Black"};
}

} // namespace gravon
