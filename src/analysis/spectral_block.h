// The spectral balance tests that block a hop which is not voice-like: much energy above
// the F0 search band in a soft hop, or much energy below it.
#pragma once

#include "analysis/analysis_params.h"
#include "analysis/kill_point.h"

#include <span>

namespace gravon {

struct tspectralbands {
    double low = 0;  // bins 0...lobin-1
    double mid = 0;  // bins lobin...hibin
    double high = 0; // bins hibin+1...N/2
};

// Sums of the power spectrum (N values) over the three bands; every band is clipped to the
// bins 0...N/2.
tspectralbands spectral_bands(std::span<const double> outabs2, int lobin, int hibin);

// The band sums and the two sums of the spectral power centroid (sum of k * P[k] and of
// P[k] over bins 0...N/2-1), in one pass over the spectrum when the bands follow each
// other; each sum equals the one taken on its own (spectral_bands, spectral_centroid).
struct tspectralsums {
    tspectralbands bands;
    double moment = 0;
    double total = 0;
};
tspectralsums spectral_sums(std::span<const double> outabs2, int lobin, int hibin);
// The block reason for the hop, or nothing. The high-frequency test comes first and applies
// only while the window's power lies below maxhfblocklevel; a silent hop (all sums 0) is
// blocked by it. Returns true and adds the reason to kp when the hop is blocked.
bool spectral_block_test(std::span<const double> outabs2, int lobin, int hibin, double power,
                         const tanalysisparams& p, tkillpoint& kp);
// The same tests on band sums already taken.
bool spectral_block_test(const tspectralbands& b, double power, const tanalysisparams& p,
                         tkillpoint& kp);

} // namespace gravon
