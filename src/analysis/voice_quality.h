// The two voice-quality measures of a channel beside the per-hop analysis: the smoothed
// cepstral peak prominence (CPPS) and the spectrum balance, the level above 2 kHz against the
// level below 1.5 kHz. Both are taken only for accepted hops; the CPPS stream takes every
// hop's samples, so that the frames of an accepted hop see the signal before it.
#pragma once

#include "analysis/cepstral_peak.h"
#include "analysis/channel_measures.h"

#include <span>
#include <vector>

namespace gravon {

// Corners of the spectrum balance's two fourth-order Butterworth filters, Hz.
inline constexpr double specbalhighfrom = 2000;
inline constexpr double specballowto = 1500;

// The spectrum balance of a power spectrum: 10 log10 of the power the high-pass passes over
// the power the low-pass passes, the filters' power gains taken bin by bin (which is what
// their RMS after filtering comes to, by Parseval's theorem).
class tspectrumbalance {
  public:
    // Power gains of both filters for `bins` bins of a transform of `fftsize` at `fs` Hz.
    // Allocates.
    void prepare(double fs, int fftsize);
    int fftsize() const { return fsize; }
    // dB; NaN when either band holds no power.
    double of(std::span<const double> power) const;

  private:
    int fsize = 0;
    std::vector<double> fhigh, flow;
};

struct tvoicequality {
    tcppstrack cpps;
    tspectrumbalance balance;
    double cppsmaxf0 = 330; // Hz; no CPPS above

    // Prepares for hops of `hop` samples at fs; cppsmaxf0 is the top of the cepstral peak
    // search and of the F0s that get a CPPS. Allocates.
    void prepare(double fs, int hop, double maxf0, int hoppositions = 0, double timestep = 0.002);
};

} // namespace gravon
