#include "analysis/voice_quality.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace gravon {

void tspectrumbalance::prepare(double fs, int fftsize) {
    fsize = fftsize;
    const int bins = fftsize / 2 + 1;
    fhigh.assign(std::size_t(bins), 0.0);
    flow.assign(std::size_t(bins), 0.0);
    // The bilinear transform's Butterworth response, with the corners pre-warped as the
    // filter sections design theirs: |H|^2 = 1 / (1 + (w / wc)^8) in warped frequency.
    const double high = std::tan(std::numbers::pi * specbalhighfrom / fs);
    const double low = std::tan(std::numbers::pi * specballowto / fs);
    for (int k = 0; k < bins; ++k) {
        const double w = std::tan(std::numbers::pi * std::min(0.5, double(k) / fftsize));
        const double h = k == 0 ? 0.0 : 1 / (1 + std::pow(high / w, 8));
        const double l = 2 * k == fftsize ? 0.0 : 1 / (1 + std::pow(w / low, 8));
        // The bins between 0 and N/2 stand for their mirror too.
        const double both = k == 0 || 2 * k == fftsize ? 1 : 2;
        fhigh[std::size_t(k)] = h * both;
        flow[std::size_t(k)] = l * both;
    }
}

double tspectrumbalance::of(std::span<const double> power) const {
    double high = 0, low = 0;
    const std::size_t n = std::min(power.size(), fhigh.size());
    for (std::size_t k = 0; k < n; ++k) {
        high += fhigh[k] * power[k];
        low += flow[k] * power[k];
    }
    if (!(high > 0) || !(low > 0)) return std::numeric_limits<double>::quiet_NaN();
    return 10 * std::log10(high / low);
}

void tvoicequality::prepare(double fs, int hop, double maxf0, int hoppositions, double timestep) {
    cppsmaxf0 = maxf0;
    tcppssettings s;
    s.peakhi = maxf0;
    s.hoppositions = hoppositions;
    s.timestep = timestep;
    cpps.prepare(fs, hop, s);
}

} // namespace gravon
