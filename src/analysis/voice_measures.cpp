#include "analysis/voice_measures.h"

#pragma GCC diagnostic ignored "-Wpsabi" // vector values never cross an ABI boundary

#include "analysis/filter_run.h"
#include "analysis/simd_clones.h"
#include "base/peak_interpolation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gravon {

tlevelcrest level_and_crest(std::span<const double> x) {
    // The sum runs in sample order (its rounding depends on the order); the peak, which does
    // not, over four interleaved running maxima.
    const double* p = x.data();
    const std::size_t n = x.size();
    double sum = 0;
    double q0 = 0, q1 = 0, q2 = 0, q3 = 0;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const double a = p[i], b = p[i + 1], c = p[i + 2], d = p[i + 3];
        sum += a * a;
        sum += b * b;
        sum += c * c;
        sum += d * d;
        q0 = a > q0 ? a : q0;
        q1 = b > q1 ? b : q1;
        q2 = c > q2 ? c : q2;
        q3 = d > q3 ? d : q3;
    }
    for (; i < n; ++i) {
        sum += p[i] * p[i];
        q0 = p[i] > q0 ? p[i] : q0;
    }
    q0 = q1 > q0 ? q1 : q0;
    q2 = q3 > q2 ? q3 : q2;
    const double q = q2 > q0 ? q2 : q0;
    return level_and_crest_of(sum, q, n);
}

tlevelcrest level_and_crest_of(double sumsquares, double peak, std::size_t count) {
    tlevelcrest r;
    r.power = count == 0 ? 0.0 : sumsquares / double(count);
    r.level = 10.0 * std::log10(r.power + 1e-100);
    r.crestlevel = peak <= 0 ? nomeasure : 20.0 * std::log10(peak) - r.level;
    return r;
}

double h1h2_level(std::span<const double> outdb, int m, std::int32_t maxpartno) {
    if (maxpartno < 1) return nomeasure;
    const int n = int(outdb.size());
    const int b1 = m / maxpartno;
    const int b2 = (2 * m) / maxpartno;
    if (!(b1 > 0 && b1 < n - 1 && b2 > 0 && b2 < n - 1)) return nomeasure;
    const double v1 = parabolicpeak(true, outdb[b1 - 1], outdb[b1], outdb[b1 + 1]);
    const double v2 = parabolicpeak(true, outdb[b2 - 1], outdb[b2], outdb[b2 + 1]);
    return v1 - v2;
}

double spectral_centroid(std::span<const double> outabs2, double fs) {
    const std::size_t n = outabs2.size() / 2;
    double moment = 0;
    double total = 0;
    for (std::size_t k = 0; k < n; ++k) {
        moment += double(k) * outabs2[k];
        total += outabs2[k];
    }
    return spectral_centroid(moment, total, fs, outabs2.size());
}

double spectral_centroid(double moment, double total, double fs, std::size_t fftsize) {
    // A window without power has no centroid; it is blocked before this in practice.
    if (!(total > 0)) return 0.0;
    const double c = moment / total * fs / double(fftsize);
    return std::isfinite(c) ? c : 0.0;
}

namespace {

// The sums of the marked and of the unmarked bins, and the count of the marked ones.
struct tpartialsums {
    double sa = 0, sz = 0;
    std::size_t na = 0;
    // Without branches, whose outcome follows the partials and so is hard to predict: each
    // bin adds its power to one sum and +0 to the other (the power's bits masked off), which
    // leaves that sum as it was, since a sum that starts at +0 never becomes -0.
    void add(double power, std::uint8_t mark) {
        const std::uint64_t h = mark != 0;
        std::uint64_t bits;
        std::memcpy(&bits, &power, sizeof bits);
        const std::uint64_t ba = bits & (0 - h), bz = bits & (h - 1);
        double va, vz;
        std::memcpy(&va, &ba, sizeof va);
        std::memcpy(&vz, &bz, sizeof vz);
        sa += va;
        sz += vz;
        na += h;
    }
    // The ratio over n bins.
    double hnr(std::size_t n) const {
        const std::size_t nz = n - na;
        if (na == 0 || nz == 0) return nomeasure;
        const double a = sa / double(na);
        const double z = sz / double(nz);
        if (!(a > 0) || !(z > 0)) return nomeasure;
        const double r = 10.0 * std::log10(a / z);
        return std::isfinite(r) ? r : nomeasure;
    }
};

} // namespace

double harmonic_to_noise(std::span<const double> outabs2, std::span<const std::uint8_t> isharm) {
    const std::size_t n = std::min(outabs2.size() / 2, isharm.size());
    tpartialsums s;
    for (std::size_t k = 0; k < n; ++k) s.add(outabs2[k], isharm[k]);
    return s.hnr(n);
}

GRAVON_SIMD_CLONES
tcentroidhnr centroid_and_hnr(std::span<const double> outabs2, std::span<const std::uint8_t> isharm,
                              double fs, tfilterrun* alongside) {
    const std::size_t nc = outabs2.size() / 2;
    const std::size_t nh = std::min(nc, isharm.size());
    const double* a = outabs2.data();
    // The four sums in the lanes of one vector: the moment, the total, the marked and the
    // unmarked bins. Each lane is a sum in bin order as on its own: k * P[k], 1 * P[k] (which
    // is P[k]), and P[k] with its bits masked off where the bin is not of that class, which
    // adds +0 and leaves the sum as it was. One addition per bin instead of four leaves the
    // processor free for other work.
    using v4 = double __attribute__((vector_size(32)));
    using v4u = std::uint64_t __attribute__((vector_size(32)));
    constexpr std::uint64_t all = ~std::uint64_t(0);
    const v4u classmask[2] = {{all, all, 0, all}, {all, all, all, 0}};
    v4 acc = {};
    v4 kv = {0.0, 1.0, 1.0, 1.0};
    const v4 step = {1.0, 0.0, 0.0, 0.0};
    std::size_t na = 0;
    std::size_t k = 0;
    const auto bin = [&] {
        const std::uint8_t h = isharm[k] != 0;
        const v4 p = (v4{} + a[k]) * kv;
        v4u bits;
        std::memcpy(&bits, &p, sizeof bits);
        bits &= classmask[h];
        v4 v;
        std::memcpy(&v, &bits, sizeof v);
        acc += v;
        kv += step;
        na += h;
        ++k;
    };
    // The sums are chains of additions, like the filter's recursions: run in the same loop,
    // the processor works on all of them at once.
    if (alongside)
        while (k < nh && !alongside->done())
            alongside->step_with([&](std::size_t) {
                if (k < nh) bin();
            });
    while (k < nh) bin();
    double moment = acc[0], total = acc[1];
    for (; k < nc; ++k) {
        moment += double(k) * a[k];
        total += a[k];
    }
    tpartialsums s;
    s.sa = acc[2];
    s.sz = acc[3];
    s.na = na;
    return {spectral_centroid(moment, total, fs, outabs2.size()), s.hnr(nh)};
}

} // namespace gravon
