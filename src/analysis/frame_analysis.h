// F0 and partials of one channel's frame spectrum.
//
// The strongest peak inside the F0 search band is taken as harmonic h of the voice for
// h = 1, 2, 3, ...; a hypothesis survives only when its fundamental is a local spectral peak,
// not too weak against the strongest peak and clearly above the background noise. Of the
// survivors, the one whose harmonic series collects the most power wins (the smallest h on
// equal scores). A lower candidate collects every partial of a higher one and more, so with
// the subharmonic guard on, it replaces the higher one only when the partials it adds hold a
// real share of the power (a subharmonic-to-harmonic ratio test).
#pragma once

#include "analysis/analysis_params.h"

#include <cstdint>
#include <span>

namespace gravon {

// F0 search band in FFT bins: nearest bin to lof0limit minus one, nearest bin to hif0limit
// plus one (1 and 94 with the defaults at 44.1 kHz and N = 2048).
struct tf0band {
    int lobin = 0;
    int hibin = 0;
};
tf0band f0_search_band(double lof0limit, double hif0limit, double fs, int fftsize);

struct tf0result {
    int strongestbin = 0;       // M: strongest bin of the band (lowest on equal powers)
    double strongestpower = 0;  // P: its power
    double offset = 0;          // p: parabolic vertex offset of the peak, -1...+1
    double peakfreq = 0;        // (M + p) fs / N, Hz
    double f0 = 0;              // Hz; 0 when no hypothesis survived
    std::int32_t maxpartno = 0; // harmonic number of the strongest partial; 0 = no F0
};

// Step 1 of find_f0: the strongest bin of the band clipped to the bins 0...nq-1, strictly
// greater, so the lowest bin wins on equal powers; 0 when no bin has power.
int strongest_bin(std::span<const double> outabs2, tf0band band, int nq);

// outabs2 and outdb: the N-bin power and dB spectra; specnoisequantile: N/2 noise levels.
// The band is clipped to the bins 0...N/2-1 for which a noise level exists. mirrored: the
// spectra are those of a real input, whose bins above N/2 mirror those below; such a bin is
// then read at its mirror, so that only bins 0...N/2 need to be valid.
tf0result find_f0(std::span<const double> outabs2, std::span<const double> outdb,
                  std::span<const double> specnoisequantile, tf0band band, double fs,
                  const tanalysisparams& p, bool mirrored = false);
// The same with the relative floor 10^(minrelpartiallevel / 10) and the subharmonic floor
// 10^(minsubharmonicratio / 10) already taken, and the strongest bin too when strongest >= 0
// (as strongest_bin gives it).
tf0result find_f0(std::span<const double> outabs2, std::span<const double> outdb,
                  std::span<const double> specnoisequantile, tf0band band, double fs,
                  const tanalysisparams& p, bool mirrored, double relfloor, double shrfloor,
                  int strongest = -1);

// Marks the bins that belong to a partial (for the HNR): each multiple of the fundamental
// spacing (M + p)/maxpartno owns its nearest bin and the strictly falling flanks on both
// sides. isharm holds N/2 flags and is cleared first; nothing is marked when maxpartno < 1.
void mark_partials(std::span<const double> outabs2, const tf0result& f0,
                   std::span<std::uint8_t> isharm);

} // namespace gravon
