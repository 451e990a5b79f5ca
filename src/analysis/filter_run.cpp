#include "analysis/filter_run.h"

#pragma GCC diagnostic ignored "-Wpsabi" // vector values never cross an ABI boundary

#include "analysis/simd_clones.h"

#include <algorithm>

namespace gravon {

void tfilterrun::start(const std::array<THPFilterSection, 2>& h, std::span<const float> v,
                       double* o, std::size_t n, double sumfrom, const double (&lanesfrom)[4],
                       float lim) {
    const THPFilterSection& s0 = h[0];
    const THPFilterSection& s1 = h[1];
    a00 = s0.a0(), a01 = s0.a1(), a02 = s0.a2();
    g0 = s0.Gain() * s0.b0(), b01 = s0.b1(), b02 = s0.b2();
    a10 = s1.a0(), a11 = s1.a1(), a12 = s1.a2();
    g1 = s1.Gain() * s1.b0(), b11 = s1.b1(), b12 = s1.b2();
    in = v.data();
    nv = std::min(v.size(), n);
    out = o;
    hop = n;
    next = 0;
    pending = 0;
    n1 = 0;
    c1 = 0;
    cur = 0;
    sum = sumfrom;
    half = 0;
    peak = 0;
    std::fill(std::begin(peaks), std::end(peaks), 0.0);
    std::fill(std::begin(first), std::end(first), 0.0);
    limit = lim;
    std::fill(std::begin(rawpeaks), std::end(rawpeaks), 0.0f);
    std::fill(std::begin(rawover), std::end(rawover), 0);
    std::fill(std::begin(rawnonzero), std::end(rawnonzero), 0);
    std::fill(std::begin(rawnonfinite), std::end(rawnonfinite), 0);
    for (std::size_t l = 0; l < 4; ++l) second[l] = lanesfrom[(n + l) % 4];
    p0 = s0.w1(), q0 = s0.w2(), p1 = s1.w1(), q1 = s1.w2();
}

void tfilterrun::last_sums() {
    for (std::size_t i = 0; i < pending; ++i) {
        sum += squares[cur ^ 1][i];
        half += squares[cur ^ 1][i];
    }
    pending = 0;
    // The largest of the lane peaks is the largest of all, whatever the order.
    for (double l : peaks) peak = l > peak ? l : peak;
}

tblockpeak tfilterrun::rawpeak() const {
    tblockpeak b;
    for (std::size_t l = 0; l < 4; ++l) {
        b.peak = rawpeaks[l] > b.peak ? rawpeaks[l] : b.peak;
        b.over = b.over || rawover[l] != 0;
        b.zero = b.zero && rawnonzero[l] == 0;
        b.nonfinite = b.nonfinite || rawnonfinite[l] != 0;
    }
    return b;
}

void tfilterrun::blocklanes(double (&out)[4]) const {
    std::copy(std::begin(first), std::end(first), std::begin(out));
}

void tfilterrun::windowlanes(double (&out)[4]) const {
    for (std::size_t l = 0; l < 4; ++l) out[(hop + l) % 4] = second[l];
}

GRAVON_SIMD_CLONES
void tfilterrun::finish() {
    while (!done()) step_with([](std::size_t) {});
}

} // namespace gravon
