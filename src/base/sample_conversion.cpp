#include "base/sample_conversion.h"

#include "base/errors.h"
#include "base/random.h"
#include "base/rounding.h"

#include <cmath>

namespace gravon {

std::int16_t doubletosample(bool dither, double x) {
    if (!(x == x)) x = 0;
    if (dither) {
        if (x > 32765.0) x = 32765.0;
        if (x < -32766.0) x = -32766.0;
        double u1 = Random();
        double u2 = Random();
        return static_cast<std::int16_t>(roundint(x + u1 - u2));
    }
    if (x > 32767.0) return 32767;
    if (x < -32768.0) return -32768;
    return static_cast<std::int16_t>(roundint(x));
}

double maprange(const tdoublepair& to, const tdoublepair& from, double x) {
    return to.lo + (x - from.lo) * (to.hi - to.lo) / (from.hi - from.lo);
}

std::int16_t maprangetosample(const tdoublepair& from, const tdoublepair& to, bool dither,
                              double x) {
    return doubletosample(dither, maprange(to, from, x));
}

tint24 inttoint24(std::int32_t v) {
    if (v > 8388607) throw ERangeError("Int24 overflow: " + std::to_string(v));
    if (v < -8388608) throw ERangeError("Int24 underflow: " + std::to_string(v));
    std::uint32_t u = static_cast<std::uint32_t>(v);
    tint24 r;
    r.b[0] = std::uint8_t(u & 0xFF);
    r.b[1] = std::uint8_t((u >> 8) & 0xFF);
    r.b[2] = std::uint8_t((u >> 16) & 0xFF);
    return r;
}

float peakabs(const tsinglearr& a) {
    float m = 0;
    for (float v : a) m = std::fmax(m, std::fabs(v));
    return m;
}

} // namespace gravon
