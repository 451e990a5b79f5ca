// Colour arithmetic of the phonetogram view: colours as triples of fractions, fading a colour
// from white by a value, and multiplying overlays.
#pragma once

#include "phonetogram/pg_colors.h"

#include <algorithm>
#include <cmath>

namespace gravon {

struct ttransparency {
    double r = 1;
    double g = 1;
    double b = 1;
};

inline ttransparency colortotransparency(TColor c) {
    return {c.r / 255.0, c.g / 255.0, c.b / 255.0};
}

namespace detail {
inline double clamp01(double x) {
    // NaN (a value fraction of an empty range) washes out to white rather than to black.
    return std::isnan(x) ? 1.0 : std::clamp(x, 0.0, 1.0);
}
} // namespace detail

// 1 - v + v*c per channel, clamped: white at v = 0, the full colour at v = 1.
inline ttransparency tint(ttransparency c, double v) {
    return {detail::clamp01(1 - v + v * c.r), detail::clamp01(1 - v + v * c.g),
            detail::clamp01(1 - v + v * c.b)};
}

inline ttransparency multiply(ttransparency a, ttransparency b) {
    return {detail::clamp01(a.r * b.r), detail::clamp01(a.g * b.g), detail::clamp01(a.b * b.b)};
}

inline TColor transparencytocolor(ttransparency t) {
    auto byte = [](double x) { return std::uint8_t(std::nearbyint(255.0 * detail::clamp01(x))); };
    return {byte(t.r), byte(t.g), byte(t.b)};
}

} // namespace gravon
