// Unit-variance room noise, white or pink. Pink noise is high-passed at 40 Hz: the rumble
// below that would make the level of single 20 ms frames swing by several dB, and the
// analysis removes it with its own 40 Hz high-pass anyway.
#pragma once

#include "synth/synth_params.h"
#include "synth/synth_random.h"

namespace gravon::synth {

class TNoiseSource {
  public:
    TNoiseSource(tnoisecolour colour, TSynthRandom rng, double rate);

    double next() {
        const double w = rng_.noise();
        if (!pink_) return w;
        return scale_ * filter(w);
    }

  private:
    // Paul Kellet's pink-noise filter: -3 dB per octave from about 10 Hz up (tuned for
    // 44.1 kHz; at other rates the corner frequencies move with the rate).
    double filter(double w) {
        b_[0] = 0.99886 * b_[0] + w * 0.0555179;
        b_[1] = 0.99332 * b_[1] + w * 0.0750759;
        b_[2] = 0.96900 * b_[2] + w * 0.1538520;
        b_[3] = 0.86650 * b_[3] + w * 0.3104856;
        b_[4] = 0.55000 * b_[4] + w * 0.5329522;
        b_[5] = -0.7616 * b_[5] - w * 0.0168980;
        const double y = b_[0] + b_[1] + b_[2] + b_[3] + b_[4] + b_[5] + b_[6] + w * 0.5362;
        b_[6] = w * 0.115926;
        // Second-order Butterworth high-pass (direct form I).
        const double z = h_[0] * y + h_[1] * x1_ + h_[2] * x2_ - h_[3] * z1_ - h_[4] * z2_;
        x2_ = x1_;
        x1_ = y;
        z2_ = z1_;
        z1_ = z;
        return z;
    }
    void clear() {
        for (double& b : b_) b = 0;
        x1_ = x2_ = z1_ = z2_ = 0;
    }

    TSynthRandom rng_;
    bool pink_;
    double scale_ = 1;
    double b_[7] = {0, 0, 0, 0, 0, 0, 0};
    double h_[5] = {1, 0, 0, 0, 0}; // b0 b1 b2 a1 a2 of the high-pass
    double x1_ = 0, x2_ = 0, z1_ = 0, z2_ = 0;
};

} // namespace gravon::synth
