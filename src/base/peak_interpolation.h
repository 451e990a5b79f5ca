// Parabolic interpolation on three equally spaced values A (at -1), B (at 0), C (at +1).
#pragma once

#include <cmath>

namespace gravon {

// Vertex position of the parabola through the three points; +-1 towards the larger outer
// value (0 when equal) for a straight line. With clamp the result is limited to -1..+1.
// An arithmetic failure (non-finite input) gives 0, also with clamp: a vertex that cannot be
// computed is no evidence of a peak at the edge.
inline double parabolicoffset(bool clamp, double a, double b, double c) {
    double d = 2.0 * (a - 2.0 * b + c);
    double p;
    if (d != 0) {
        p = (a - c) / d;
    } else {
        p = c > a ? 1.0 : (c < a ? -1.0 : 0.0);
    }
    if (!std::isfinite(p)) return 0.0;
    if (clamp) {
        if (p > 1.0) p = 1.0;
        if (p < -1.0) p = -1.0;
    }
    return p;
}

inline double parabolicpeak(bool clamp, double a, double b, double c) {
    double p = parabolicoffset(clamp, a, b, c);
    return b + ((c - a) / 2.0) * p + ((a + c) / 2.0 - b) * p * p;
}

inline bool islocalpeak(double a, double b, double c) { return b > a && b > c; }

} // namespace gravon
