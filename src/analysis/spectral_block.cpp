#include "analysis/spectral_block.h"

#include "analysis/simd_clones.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gravon {

namespace {
double band_sum(std::span<const double> a, int from, int to) {
    double s = 0;
    for (int k = from; k <= to; ++k) s += a[std::size_t(k)];
    return s;
}
} // namespace

tspectralbands spectral_bands(std::span<const double> outabs2, int lobin, int hibin) {
    const int n = int(outabs2.size());
    const int last = std::min(n / 2, n - 1); // N/2, the highest bin that is not a mirror
    tspectralbands b;
    b.low = band_sum(outabs2, 0, std::min(lobin - 1, last));
    b.mid = band_sum(outabs2, std::max(lobin, 0), std::min(hibin, last));
    b.high = band_sum(outabs2, std::max(hibin + 1, 0), last);
    return b;
}

namespace {

// A sum of bins in no particular order, in eight interleaved partial sums, and the sum of
// their magnitudes, which bounds how far apart two orders of the same additions can lie.
struct tquicksum {
    double sum = 0;
    double magnitude = 0;
};

GRAVON_SIMD_CLONES
tquicksum quick_sum(const double* a, int from, int to) {
    using v4 = double __attribute__((vector_size(32)));
    v4 s0 = {}, s1 = {}, m0 = {}, m1 = {};
    const auto magnitude = [](v4 v) { return v < 0.0 ? -v : v; };
    int k = from;
    for (; k + 8 <= to + 1; k += 8) {
        v4 x, y;
        std::memcpy(&x, a + k, sizeof x);
        std::memcpy(&y, a + k + 4, sizeof y);
        s0 += x;
        s1 += y;
        m0 += magnitude(x);
        m1 += magnitude(y);
    }
    const v4 s = s0 + s1, m = m0 + m1;
    tquicksum q{(s[0] + s[1]) + (s[2] + s[3]), (m[0] + m[1]) + (m[2] + m[3])};
    for (; k <= to; ++k) {
        q.sum += a[k];
        q.magnitude += std::fabs(a[k]);
    }
    return q;
}

bool block_test(const tspectralbands& b, double power, const tblocklimits& l, tkillpoint& kp) {
    if (l.hf * b.high >= b.mid && power < l.hflevel) {
        kp.add(tkillreason::hfblock);
        return true;
    }
    if (l.lf * b.low >= b.mid) {
        kp.add(tkillreason::lfblock);
        return true;
    }
    return false;
}

} // namespace

tblocklimits::tblocklimits(const tanalysisparams& p)
    : hf(std::pow(10.0, p.hfblockthreshold / 10.0)),
      hflevel(std::pow(10.0, p.maxhfblocklevel / 10.0)),
      lf(std::pow(10.0, p.lfblockthreshold / 10.0)) {}

bool spectral_block_test(std::span<const double> outabs2, int lobin, int hibin, double power,
                         const tanalysisparams& p, tkillpoint& kp) {
    return spectral_block_test(outabs2, lobin, hibin, power, tblocklimits(p), kp);
}

bool spectral_block_test(std::span<const double> outabs2, int lobin, int hibin, double power,
                         const tblocklimits& limits, tkillpoint& kp) {
    const int n = int(outabs2.size());
    const int last = std::min(n / 2, n - 1);
    tspectralbands b;
    b.low = band_sum(outabs2, 0, std::min(lobin - 1, last));
    b.mid = band_sum(outabs2, std::max(lobin, 0), std::min(hibin, last));
    // The high band holds most of the spectrum, and its sum in bin order is one long chain of
    // dependent additions. The test needs only the side of mid on which its scaled sum lies,
    // and a sum in any order lies within count x 2^-53 of the magnitudes' sum of the sum in
    // bin order. So the quick sum decides, with twice that margin, and only a sum too close to
    // call, or one that does not decide the test at all, is taken again in bin order. A loud
    // hop is never blocked by this test, whatever the band holds.
    const int from = std::max(hibin + 1, 0);
    const double c = limits.hf;
    bool decided = !(power < limits.hflevel);
    if (!decided && from <= last) {
        const tquicksum q = quick_sum(outabs2.data(), from, last);
        const double margin = 4.0 * double(last - from + 3) * 0x1p-53 * c * q.magnitude;
        const double gap = c * q.sum - b.mid;
        if (std::isfinite(margin) && margin > 1e-280 && std::isfinite(gap) &&
            std::fabs(gap) > margin) {
            b.high = q.sum;
            decided = true;
        }
    }
    if (!decided) b.high = band_sum(outabs2, from, last);
    return block_test(b, power, limits, kp);
}

bool spectral_block_test(const tspectralbands& b, double power, const tanalysisparams& p,
                         tkillpoint& kp) {
    return block_test(b, power, tblocklimits(p), kp);
}

} // namespace gravon
