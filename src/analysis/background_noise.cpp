#include "analysis/background_noise.h"

#include "analysis/fft.h"
#include "analysis/simd_clones.h"
#include "base/rounding.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#pragma GCC diagnostic ignored "-Wpsabi" // v4 values never cross an ABI boundary

namespace gravon {

void tbackgroundnoise::resize(int nbins) {
    if (nbins < 0) nbins = 0;
    // Both arrays are laid out bin by bin, so growing or shrinking keeps the common bins.
    fspechist.resize(std::size_t(nbins) * nclasses, 0.0);
    // A bin that has never been measured must not look quiet: it starts as "not measured"
    // so that no fundamental is accepted against it before its noise is known.
    fspecnoisequantile.resize(std::size_t(nbins), notmeasured);
    fstale.resize(std::size_t(nbins), 1);
    fminclass.resize(std::size_t(nbins), std::int16_t(nclasses));
    fmaxclass.resize(std::size_t(nbins), std::int16_t(-1));
    fnbins = nbins;
}

void tbackgroundnoise::reset() {
    std::fill(fspechist.begin(), fspechist.end(), 0.0);
    std::fill(fspecnoisequantile.begin(), fspecnoisequantile.end(), notmeasured);
    std::fill(fstale.begin(), fstale.end(), std::uint8_t(1));
    std::fill(fminclass.begin(), fminclass.end(), std::int16_t(nclasses));
    std::fill(fmaxclass.begin(), fmaxclass.end(), std::int16_t(-1));
    fspechistcount = 0;
}

GRAVON_SIMD_CLONES
bool tbackgroundnoise::add_hop(std::span<const double> outdb, double level, double d,
                               double noiselo, double noisehi) {
    if (!(noiselo < level && level < noisehi)) return false;
    ++fspechistcount;
    const int n = std::min<int>(fnbins, int(outdb.size()));
    double* hist = fspechist.data();
    std::uint8_t* stale = fstale.data();
    std::int16_t* minc = fminclass.data();
    std::int16_t* maxc = fmaxclass.data();
    const auto enter = [&](int k, int i) {
        hist[std::size_t(k) * nclasses + std::size_t(i)] += d;
        stale[k] = 1;
        // Seldom true once a bin's noise is known.
        if (i < minc[k]) minc[k] = std::int16_t(i);
        if (i > maxc[k]) maxc[k] = std::int16_t(i);
    };
    const double* db = outdb.data();
    // The classes of four bins at a time. Adding and then subtracting 1.5 * 2^52 rounds a
    // value below 2^51 in magnitude to the nearest integer, halves to even, as roundint does;
    // a larger value, an infinity or a NaN comes out (or stays) outside the classes, as it is
    // with roundint. Only the entering of the bins that fall in a class is one at a time.
    using v4 = double __attribute__((vector_size(32)));
    constexpr double magic = 6755399441055744.0;
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        v4 v;
        std::memcpy(&v, db + k, sizeof v);
        const v4 r = ((v + double(classoffset)) + magic) - magic;
        const auto in = (r >= 0.0) & (r <= double(nclasses - 1));
        for (int l = 0; l < 4; ++l)
            if (in[l]) enter(k + l, int(r[l]));
    }
    for (; k < n; ++k) {
        const double v = classoffset + db[k];
        if (!std::isfinite(v)) continue;
        const std::int32_t i = roundint(v);
        if (i >= 0 && i <= nclasses - 1) enter(k, i);
    }
    return true;
}

// A bin of zero power lies below the lowest class, so a silent hop changes no class.
static_assert(tbackgroundnoise::classoffset + fftzerodb < -0.5);

bool tbackgroundnoise::add_silent_hop(double level, double noiselo, double noisehi) {
    if (!(noiselo < level && level < noisehi)) return false;
    ++fspechistcount;
    return true;
}

void tbackgroundnoise::update_quantiles(int lobin, int hibin, double noisequantile) {
    const int lo = std::max(lobin, 0);
    const int hi = std::min(hibin, fnbins - 1);
    // A new share changes every quantile (a NaN share never equals itself, so every bin is
    // then recomputed each time, as it must be).
    if (!(noisequantile == fquantileshare)) {
        std::fill(fstale.begin(), fstale.end(), std::uint8_t(1));
        fquantileshare = noisequantile;
    }
    // The stale bins of the band, four at a time: each bin's sums run in class order, and
    // the four independent sums overlap in the processor.
    std::array<int, 4> group{};
    int ng = 0;
    for (int k = lo; k <= hi; ++k) {
        if (!fstale[std::size_t(k)]) continue;
        fstale[std::size_t(k)] = 0;
        group[std::size_t(ng++)] = k;
        if (ng == 4) {
            recompute(group, ng, noisequantile);
            ng = 0;
        }
    }
    if (ng > 0) recompute(group, ng, noisequantile);
}

void tbackgroundnoise::recompute(const std::array<int, 4>& bins, int count, double share) {
    std::array<const double*, 4> h{};
    // The classes that may hold time in any of the bins; outside them every bin's classes
    // are empty.
    int lo = nclasses, hi = -1;
    for (int l = 0; l < 4; ++l) {
        const std::size_t k = std::size_t(bins[std::size_t(l < count ? l : 0)]);
        h[std::size_t(l)] = &fspechist[k * nclasses];
        lo = std::min<int>(lo, fminclass[k]);
        hi = std::max<int>(hi, fmaxclass[k]);
    }
    std::array<double, 4> total{};
    for (int i = lo; i <= hi; ++i)
        for (int l = 0; l < 4; ++l) total[std::size_t(l)] += h[std::size_t(l)][i];
    // The running sum starts at class 1 and stops at class 198 at the latest, so the result
    // lies in -48...149 dB; an empty histogram gives 149 dB. Below the lowest class that
    // holds time the running sums stay 0, so the test there is that of class 1; above the
    // highest one they stay as they are, and a bin that has not ended there ends at 198.
    std::array<double, 4> cum{};
    std::array<int, 4> end{};
    int open = count;
    for (int l = count; l < 4; ++l) end[std::size_t(l)] = 1; // lanes without a bin
    const auto test = [&](int j) {
        for (int l = 0; l < count; ++l) {
            if (end[std::size_t(l)]) continue;
            if (share * total[std::size_t(l)] < cum[std::size_t(l)] || j + 1 >= nclasses - 1) {
                end[std::size_t(l)] = j + 1;
                --open;
            }
        }
    };
    int j = 1;
    if (lo > j) {
        test(j);
        j = std::min(lo, nclasses - 2);
    }
    const int last = std::max(hi, j);
    for (; open > 0 && j <= last; ++j) {
        for (int l = 0; l < count; ++l) cum[std::size_t(l)] += h[std::size_t(l)][j];
        test(j);
    }
    for (int l = 0; l < count; ++l)
        if (!end[std::size_t(l)]) end[std::size_t(l)] = nclasses - 1;
    for (int l = 0; l < count; ++l)
        fspecnoisequantile[std::size_t(bins[std::size_t(l)])] =
            double(end[std::size_t(l)] - classoffset);
}

} // namespace gravon
