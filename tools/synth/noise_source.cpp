#include "synth/noise_source.h"

#include <cmath>
#include <numbers>

namespace gravon::synth {

TNoiseSource::TNoiseSource(tnoisecolour colour, TSynthRandom rng, double rate)
    : rng_(rng), pink_(colour == tnoisecolour::pink) {
    if (!pink_) return;
    const double w = 2.0 * std::numbers::pi * 40.0 / rate;
    const double alpha = std::sin(w) / std::sqrt(2.0); // Q = 1/sqrt(2)
    const double a0 = 1.0 + alpha;
    h_[0] = (1.0 + std::cos(w)) / 2.0 / a0;
    h_[1] = -(1.0 + std::cos(w)) / a0;
    h_[2] = h_[0];
    h_[3] = -2.0 * std::cos(w) / a0;
    h_[4] = (1.0 - alpha) / a0;
    // Output variance for unit-variance white input is the energy of the impulse response;
    // the slowest pole (0.99886) has fallen far below 1e-20 after 2^16 samples.
    double sum = 0;
    for (int i = 0; i < (1 << 16); ++i) {
        const double y = filter(i == 0 ? 1.0 : 0.0);
        sum += y * y;
    }
    clear();
    scale_ = 1.0 / std::sqrt(sum);
    // Start in the filter's steady state, so the first samples are as loud as the rest.
    for (int i = 0; i < 8192; ++i) filter(rng_.noise());
}

} // namespace gravon::synth
