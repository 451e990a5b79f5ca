#include "analysis/spectral_block.h"

#include <algorithm>
#include <cmath>

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

tspectralsums spectral_sums(std::span<const double> outabs2, int lobin, int hibin) {
    const int n = int(outabs2.size());
    const int last = std::min(n / 2, n - 1);
    tspectralsums r;
    if (!(lobin >= 1 && lobin <= hibin && hibin + 1 <= last)) {
        // Bands that do not follow each other: each sum on its own.
        r.bands = spectral_bands(outabs2, lobin, hibin);
        for (int k = 0; k < n / 2; ++k) {
            r.moment += double(k) * outabs2[std::size_t(k)];
            r.total += outabs2[std::size_t(k)];
        }
        return r;
    }
    // Low, mid and high band follow each other, and the centroid's bins 0...N/2-1 are all
    // of them but the last: every sum runs in bin order, a band sum beside the two centroid
    // sums, so that the independent additions overlap in the processor.
    const double* a = outabs2.data();
    double low = 0, mid = 0, high = 0, moment = 0, total = 0;
    int k = 0;
    for (; k < lobin; ++k) {
        low += a[k];
        moment += double(k) * a[k];
        total += a[k];
    }
    for (; k <= hibin; ++k) {
        mid += a[k];
        moment += double(k) * a[k];
        total += a[k];
    }
    for (; k < last; ++k) {
        high += a[k];
        moment += double(k) * a[k];
        total += a[k];
    }
    high += a[last]; // bin N/2 is in the high band only
    r.bands = {low, mid, high};
    r.moment = moment;
    r.total = total;
    return r;
}

bool spectral_block_test(std::span<const double> outabs2, int lobin, int hibin, double power,
                         const tanalysisparams& p, tkillpoint& kp) {
    return spectral_block_test(spectral_bands(outabs2, lobin, hibin), power, p, kp);
}

bool spectral_block_test(const tspectralbands& b, double power, const tanalysisparams& p,
                         tkillpoint& kp) {
    if (std::pow(10.0, p.hfblockthreshold / 10.0) * b.high >= b.mid &&
        power < std::pow(10.0, p.maxhfblocklevel / 10.0)) {
        kp.add(tkillreason::hfblock);
        return true;
    }
    if (std::pow(10.0, p.lfblockthreshold / 10.0) * b.low >= b.mid) {
        kp.add(tkillreason::lfblock);
        return true;
    }
    return false;
}

} // namespace gravon
