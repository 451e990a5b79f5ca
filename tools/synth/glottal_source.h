// Band-limited glottal source: the time derivative of a Rosenberg flow pulse (what the lips
// radiate), held as wavetables with 1, 2, 4, ... 1024 harmonics. Each period reads the table
// with the most harmonics that still stay below the Nyquist frequency, so the source does
// not alias.
#pragma once

#include <array>
#include <vector>

namespace gravon::synth {

class TGlottalSource {
  public:
    static constexpr int ktablebits = 14;
    static constexpr int ktablesize = 1 << ktablebits; // samples per period in a table
    static constexpr int ktables = 11;                 // 2^0 ... 2^10 harmonics
    static constexpr int kmaxharmonics = 1 << (ktables - 1);

    // open_quotient: open share of the period; skew: opening share of the open phase.
    // The derivative pulse is scaled to a mean square of 1 with all harmonics.
    TGlottalSource(double open_quotient, double skew, double rate);

    // Index of the table to use for a period at f0 Hz.
    int table_for(double f0) const;
    // Value of table `t` at phase 0 <= phase < 1 (linear interpolation).
    double value(int t, double phase) const {
        const double pos = phase * ktablesize;
        int i = static_cast<int>(pos);
        if (i >= ktablesize) i = ktablesize - 1; // phase just below 1 can round up
        const double fr = pos - i;
        const float* tab = tables_[t].data();
        return tab[i] + fr * (tab[i + 1] - tab[i]);
    }
    // Number of harmonics in table t.
    static int harmonics(int t) { return 1 << t; }
    // Power of harmonic h (1-based), i.e. amplitude^2 / 2.
    double harmonic_power(int h) const { return power_[h]; }

  private:
    double rate_;
    std::array<double, kmaxharmonics + 1> power_{};
    std::vector<std::vector<float>> tables_; // ktables of ktablesize + 1 (wrap sample)
};

} // namespace gravon::synth
