#include "synth/formant_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gravon::synth {

TFormantFilter::TFormantFilter(const std::vector<tformant>& formants, double rate) : rate_(rate) {
    const double pi = std::numbers::pi;
    for (const auto& f : formants) {
        if (f.freq >= 0.45 * rate) continue;
        tresonator r;
        r.c = -std::exp(-2.0 * pi * f.bandwidth / rate);
        r.b = 2.0 * std::exp(-pi * f.bandwidth / rate) * std::cos(2.0 * pi * f.freq / rate);
        r.a = 1.0 - r.b - r.c;
        res_.push_back(r);
        minbandwidth_ = std::min(minbandwidth_, f.bandwidth);
    }
}

void TFormantFilter::reset() {
    for (auto& r : res_) r.y1 = r.y2 = 0;
}

double TFormantFilter::power_gain(double freq) const {
    const double w = 2.0 * std::numbers::pi * freq / rate_;
    const double c1 = std::cos(w), s1 = std::sin(w);
    const double c2 = std::cos(2 * w), s2 = std::sin(2 * w);
    double g = 1;
    for (const auto& r : res_) {
        // Denominator 1 - b e^{-jw} - c e^{-2jw}.
        const double re = 1.0 - r.b * c1 - r.c * c2;
        const double im = r.b * s1 + r.c * s2;
        g *= r.a * r.a / (re * re + im * im);
    }
    return g;
}

double TFormantFilter::white_noise_gain() const {
    TFormantFilter f = *this;
    f.reset();
    // The impulse response decays as exp(-pi * bandwidth * n / rate); run it until the
    // slowest resonator has fallen below 1e-9 in amplitude.
    const double n = std::ceil(7.0 * rate_ / minbandwidth_) + 64.0;
    const long limit = static_cast<long>(std::min(n, 50.0 * rate_));
    double sum = 0;
    for (long i = 0; i < limit; ++i) {
        const double y = f.process(i == 0 ? 1.0 : 0.0);
        sum += y * y;
    }
    return sum;
}

} // namespace gravon::synth
