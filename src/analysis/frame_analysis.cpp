#include "analysis/frame_analysis.h"

#include "analysis/peak_interpolation.h"
#include "analysis/rounding.h"

#include <algorithm>
#include <cmath>

namespace gravon {

tf0band f0_search_band(double lof0limit, double hif0limit, double fs, int fftsize) {
    tf0band b;
    b.lobin = roundint(lof0limit / fs * fftsize) - 1;
    b.hibin = roundint(hif0limit / fs * fftsize) + 1;
    return b;
}

tf0result find_f0(std::span<const double> outabs2, std::span<const double> outdb,
                  std::span<const double> specnoisequantile, tf0band band, double fs,
                  const tanalysisparams& p) {
    tf0result r;
    const int n = int(outabs2.size());
    const int nq = int(std::min(specnoisequantile.size(), std::size_t(n / 2)));
    if (n < 3 || int(outdb.size()) < n || nq < 1) return r;

    // 1. Strongest bin of the band; strictly greater, so the lowest bin wins on equal powers.
    int m = 0;
    double pw = 0;
    const int lo = std::max(band.lobin, 0);
    const int hi = std::min(band.hibin, nq - 1);
    for (int k = lo; k <= hi; ++k) {
        if (outabs2[k] > pw) {
            m = k;
            pw = outabs2[k];
        }
    }
    r.strongestbin = m;
    r.strongestpower = pw;

    // 2. Interpolated frequency of the peak. A peak on the edge of the spectrum has no
    // neighbour on one side and is taken as it is.
    double off = 0;
    if (m >= 1 && m + 1 < n) off = parabolicoffset(true, outdb[m - 1], outdb[m], outdb[m + 1]);
    r.offset = off;
    r.peakfreq = (m + off) * fs / n;

    // 3. No fundamental until a hypothesis survives.
    r.f0 = 0;
    r.maxpartno = 0;
    double best = 0;
    const double relfloor = std::pow(10.0, p.minrelpartiallevel / 10.0);

    // 4. Hypotheses: the peak is harmonic h of the voice.
    const std::int32_t hmax = roundint(p.hif0limit / p.lof0limit);
    for (std::int32_t h = 1; h <= hmax; ++h) {
        const double f = r.peakfreq / h;
        const std::int32_t b = roundint((m + off) / h);
        // The candidate bin only falls as h grows; once it reaches bin 0 no later
        // hypothesis can be tested, so the search ends (also for absurd F0 limits).
        if (b < 1) break;
        if (!(f > p.lof0limit)) continue;
        if (b + 1 >= n) continue;
        if (!islocalpeak(outabs2[b - 1], outabs2[b], outabs2[b + 1])) continue;
        // Score: power collected by the harmonic series, on the integer bin M.
        double s = 0;
        for (std::int32_t k = 1; k <= 100 && k * f < p.hif0limit; ++k) {
            const std::int32_t idx = roundint(double(k) * m / h);
            if (idx >= n) break;
            s += outabs2[idx];
        }
        if (!(s > best)) continue;
        const std::int32_t g = roundint(double(m) / h);
        if (!(outabs2[g] > pw * relfloor)) continue;
        if (!(specnoisequantile[g] + p.minsnr < outdb[g])) continue;
        best = s;
        r.f0 = f;
        r.maxpartno = h;
    }
    // 5. No hypothesis: no F0 (the caller enters the reason).
    if (r.maxpartno == 0) r.f0 = 0;
    return r;
}

void mark_partials(std::span<const double> outabs2, const tf0result& f0,
                   std::span<std::uint8_t> isharm) {
    std::fill(isharm.begin(), isharm.end(), std::uint8_t(0));
    if (f0.maxpartno < 1) return;
    const int n = int(std::min(isharm.size(), outabs2.size() / 2));
    const double s = (f0.strongestbin + f0.offset) / f0.maxpartno;
    if (!(s > 0) || n < 1) return;
    const auto a = outabs2;
    std::int32_t k = 1;
    double q = s;
    do {
        const std::int32_t j = roundint(q);
        if (j >= 0 && j < n) {
            isharm[j] = 1;
            for (int i = j - 1; i > 0 && a[i] < a[i + 1]; --i) isharm[i] = 1;
            for (int i = j + 1; i < n - 1 && a[i] < a[i - 1]; ++i) isharm[i] = 1;
        }
        ++k;
        q = k * s;
    } while (q <= n - 1);
}

} // namespace gravon
