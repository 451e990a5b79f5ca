// Filter sections that process one sample at a time: a second-order low-pass and high-pass
// set by a centre frequency and a Q, and a first-order section with one real zero and one
// real pole. Each designs its own coefficients with the bilinear transform and frequency
// pre-warping whenever a design property is written, and keeps its state between calls.
// Cascades of them make the analysis high-pass, the noise colouring and tone shaping, and the
// frequency weighting of the sound-level-meter calibration.
//
// Transfer function of the second-order sections (direct form II):
//   H(z) = Gain * b0 * a0 * (1 + b1 z^-1 + b2 z^-2) / (1 - a1 z^-1 - a2 z^-2)
// and of the first-order section:
//   H(z) = Gain * b0 * a0 * (1 + b1 z^-1) / (1 - a1 z^-1)
// filter() does no allocation and no transcendental arithmetic.
#pragma once

#include "base/errors.h"

namespace gravon {

// A design that cannot be computed (a division by zero or a non-finite coefficient, for
// example an F0 or Q of 0, or a sampling rate of 0).
struct EFilterError : EGravonError {
    using EGravonError::EGravonError;
};

// What the low-pass and high-pass sections share: properties, state and the recursion. The
// design differs only in the numerator and in how a failed design is reported.
template <bool HighPass> class TSecondOrderFilterSection {
  public:
    // SampFreq 16000 Hz, F0 1000 Hz, Q 1, Gain 1, coefficients designed, state zero.
    TSecondOrderFilterSection();

    double a0() const { return fa0; }
    double a1() const { return fa1; }
    double a2() const { return fa2; }
    double b0() const { return fb0; }
    double b1() const { return fb1; }
    double b2() const { return fb2; }
    // The coefficients are always derived from the design; writing them does nothing.
    void seta0(double) {}
    void seta1(double) {}
    void seta2(double) {}
    void setb0(double) {}
    void setb1(double) {}
    void setb2(double) {}

    // Bandwidth F0 / Q in Hz; read only (writing does nothing).
    double bw() const { return Getbw(); }
    double Getbw() const { return ff0 / fq; }
    void setbw(double) {}

    // Output gain; takes effect from the next sample.
    double Gain() const { return fgain; }
    void setGain(double value) { fgain = value; }
    // Writing Q, F0 or SampFreq stores the value and redesigns the coefficients from the
    // present F0, Q and SampFreq; the state is left as it is. A design that cannot be
    // computed keeps the previous coefficients: the low-pass section then raises
    // EFilterError, the high-pass section stays silent.
    double Q() const { return fq; }
    void setQ(double value);
    double F0() const { return ff0; }
    void setF0(double value);
    double SampFreq() const { return fsf; }
    void setSampFreq(double value);

    // Filters one sample.
    double filter(double x) {
        const double w = fa0 * x + fa1 * z1 + fa2 * z2;
        const double y = fgain * fb0 * (w + fb1 * z1 + fb2 * z2);
        z0 = w;
        z2 = z1;
        z1 = z0;
        return y;
    }
    // Clears the state.
    void reset() { z0 = z1 = z2 = 0.0; }
    // The state is zero, so zero input gives zero output (and leaves the state zero).
    bool idle() const { return z1 == 0.0 && z2 == 0.0; }
    // The recursion's last two values w[n-1], w[n-2], for a caller that runs the recursion
    // and the output of filter() in separate loops, with the same arithmetic.
    double w1() const { return z1; }
    double w2() const { return z2; }
    void setstate(double w1, double w2) {
        z0 = z1 = w1;
        z2 = w2;
    }

  private:
    void design();

    double fgain = 1.0;
    double fa0 = 0.0, fa1 = 0.0, fa2 = 0.0, fb0 = 0.0, fb1 = 0.0, fb2 = 0.0;
    double fsf = 16000.0;
    double ff0 = 1000.0;
    double fq = 1.0;
    double z0 = 0.0, z1 = 0.0, z2 = 0.0;
};

extern template class TSecondOrderFilterSection<false>;
extern template class TSecondOrderFilterSection<true>;

// Second-order low-pass: gain exactly Gain at 0 Hz, Q times Gain at F0.
class TLPFilterSection : public TSecondOrderFilterSection<false> {};

// Second-order high-pass: gain exactly Gain at half the sampling rate, Q times Gain at F0.
class THPFilterSection : public TSecondOrderFilterSection<true> {};

// First-order section with one real zero (FZero) and one real pole (FPole). With Gain 1 its
// gain is exactly 1 at 0 Hz, or at half the sampling rate when UnityGainAtHF is set.
class TRealFilterSection {
  public:
    // SampFreq 16000 Hz, FZero and FPole 1000 Hz, UnityGainAtHF false, Gain 1, state zero.
    // The coefficients stay 0, so the output stays 0, until a design property is written.
    TRealFilterSection() = default;

    double a0() const { return fa0; }
    double a1() const { return fa1; }
    double b0() const { return fb0; }
    double b1() const { return fb1; }
    void seta0(double) {}
    void seta1(double) {}
    void setb0(double) {}
    void setb1(double) {}

    double Gain() const { return fgain; }
    void setGain(double value) { fgain = value; }
    // The zero frequency is limited to -fs/2.0001 .. +fs/2.0001 and the pole frequency to at
    // most fs/2.0001 for the design only; both read back the value written. The first write
    // of any design property designs both the zero and the pole. A design that cannot be
    // computed (a sampling rate of 0, or a zero at 0 Hz with unity gain at 0 Hz) raises
    // EFilterError and keeps the previous coefficients.
    double FZero() const { return ffzero; }
    void setFZero(double value);
    double FPole() const { return ffpole; }
    void setFPole(double value);
    double SampFreq() const { return fsf; }
    void setSampFreq(double value);
    bool UnityGainAtHF() const { return funitygainathf; }
    void setUnityGainAtHF(bool value);

    double filter(double x) {
        const double w = fa0 * x + fa1 * z1;
        const double y = fgain * fb0 * (w + fb1 * z1);
        z0 = w;
        z1 = z0;
        return y;
    }
    void reset() { z0 = z1 = 0.0; }

  private:
    // Designs the zero, the pole, or both, all or nothing.
    void design(bool zero, bool pole);

    double fgain = 1.0;
    double fa0 = 0.0, fa1 = 0.0, fb0 = 0.0, fb1 = 0.0;
    double fsf = 16000.0;
    double ffzero = 1000.0;
    double ffpole = 1000.0;
    bool funitygainathf = false;
    bool fdesigned = false;
    double z0 = 0.0, z1 = 0.0;
};

} // namespace gravon
