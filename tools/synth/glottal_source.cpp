#include "synth/glottal_source.h"

#include <cmath>
#include <numbers>

namespace gravon::synth {

namespace {

// Rosenberg glottal flow over one period, phase in [0, 1).
double rosenberg_flow(double phase, double tp, double tn) {
    const double pi = std::numbers::pi;
    if (phase < tp) return 0.5 * (1.0 - std::cos(pi * phase / tp));
    if (phase < tp + tn) return std::cos(0.5 * pi * (phase - tp) / tn);
    return 0.0;
}

} // namespace

TGlottalSource::TGlottalSource(double open_quotient, double skew, double rate) : rate_(rate) {
    constexpr int n = ktablesize;
    constexpr int mask = n - 1;
    const double tp = open_quotient * skew;
    const double tn = open_quotient * (1.0 - skew);

    std::vector<double> costab(n), sintab(n), flow(n);
    for (int i = 0; i < n; ++i) {
        const double w = 2.0 * std::numbers::pi * i / n;
        costab[i] = std::cos(w);
        sintab[i] = std::sin(w);
        flow[i] = rosenberg_flow(static_cast<double>(i) / n, tp, tn);
    }

    // Fourier series of the flow; its derivative has a jump at closure, the flow only a kink,
    // so the flow's coefficients (falling as 1/h^2) come out of a sampled transform with far
    // less aliasing. The derivative's coefficients follow as 2*pi*h times the flow's.
    std::array<double, kmaxharmonics + 1> ca{}, cb{};
    double total = 0;
    for (int h = 1; h <= kmaxharmonics; ++h) {
        double re = 0, im = 0;
        for (int i = 0; i < n; ++i) {
            const int k = (h * i) & mask;
            re += flow[i] * costab[k];
            im += flow[i] * sintab[k];
        }
        const double alpha = 2.0 * re / n, beta = 2.0 * im / n;
        const double w = 2.0 * std::numbers::pi * h;
        ca[h] = w * beta;   // cos coefficient of the derivative
        cb[h] = -w * alpha; // sin coefficient of the derivative
        power_[h] = 0.5 * (ca[h] * ca[h] + cb[h] * cb[h]);
        total += power_[h];
    }
    const double scale = 1.0 / std::sqrt(total);
    for (int h = 1; h <= kmaxharmonics; ++h) {
        ca[h] *= scale;
        cb[h] *= scale;
        power_[h] /= total;
    }

    // Table t holds harmonics 1 ... 2^t; each one adds the next band to the previous table.
    std::vector<double> acc(n, 0.0);
    tables_.assign(ktables, std::vector<float>(n + 1));
    int done = 0;
    for (int t = 0; t < ktables; ++t) {
        for (int h = done + 1; h <= harmonics(t); ++h)
            for (int i = 0; i < n; ++i) {
                const int k = (h * i) & mask;
                acc[i] += ca[h] * costab[k] + cb[h] * sintab[k];
            }
        done = harmonics(t);
        for (int i = 0; i < n; ++i) tables_[t][i] = static_cast<float>(acc[i]);
        tables_[t][n] = tables_[t][0];
    }
}

int TGlottalSource::table_for(double f0) const {
    // A 5 % margin keeps the top harmonic below Nyquist while the F0 drifts up within the
    // period (glide, vibrato, jitter).
    int t = 0;
    while (t + 1 < ktables && harmonics(t + 1) * f0 * 1.05 < 0.5 * rate_) ++t;
    return t;
}

} // namespace gravon::synth
