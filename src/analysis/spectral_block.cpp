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
    const int half = n / 2; // the centroid's bins 0...half-1
    const int lowend = std::min(lobin - 1, last);
    const int midlo = std::max(lobin, 0), midhi = std::min(hibin, last);
    const int highlo = std::max(hibin + 1, 0);
    // Every sum runs in bin order. A bin outside a band adds 0 to its sum, which leaves the
    // sum as it was (a sum that starts at +0 never becomes -0), so the five sums need no
    // branches and overlap in the processor.
    const double* a = outabs2.data();
    double low = 0, mid = 0, high = 0, moment = 0, total = 0;
    for (int k = 0; k <= last; ++k) {
        const double v = a[k];
        low += k <= lowend ? v : 0.0;
        mid += (k >= midlo && k <= midhi) ? v : 0.0;
        high += k >= highlo ? v : 0.0;
        moment += k < half ? double(k) * v : 0.0;
        total += k < half ? v : 0.0;
    }
    tspectralsums r;
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
