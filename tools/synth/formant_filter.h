// Cascade of two-pole resonators shaping the glottal source into a vowel.
#pragma once

#include "synth/formant.h"

#include <vector>

namespace gravon::synth {

// One resonator y = a*x + b*y1 + c*y2, with unit gain at 0 Hz.
struct tresonator {
    double a = 1, b = 0, c = 0;
    double y1 = 0, y2 = 0;
};

class TFormantFilter {
  public:
    // Formants at or above 0.45 * rate cannot be carried by the rate and are left out.
    TFormantFilter(const std::vector<tformant>& formants, double rate);

    double process(double x) {
        for (auto& r : res_) {
            const double y = r.a * x + r.b * r.y1 + r.c * r.y2;
            r.y2 = r.y1;
            r.y1 = y;
            x = y;
        }
        return x;
    }
    void reset();
    // |H|^2 at `freq` Hz: the steady-state power gain for a sinusoid.
    double power_gain(double freq) const;
    // Output variance for white input of unit variance (sum of the squared impulse response).
    double white_noise_gain() const;
    std::size_t size() const { return res_.size(); }

  private:
    std::vector<tresonator> res_;
    double rate_;
    double minbandwidth_ = 1e9;
};

} // namespace gravon::synth
