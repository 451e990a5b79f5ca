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
