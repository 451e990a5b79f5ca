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

// The thresholds of the tests as power ratios and the level limit as a power.
struct tblocklimits {
    double hf = 0, hflevel = 0, lf = 0;
    tblocklimits() = default;
    explicit tblocklimits(const tanalysisparams& p);
};

// The block reason for the hop, or nothing. The high-frequency test comes first and applies
// only while the window's power lies below maxhfblocklevel; a silent hop (all sums 0) is
// blocked by it. Returns true and adds the reason to kp when the hop is blocked. The result is
// that of the band sums taken in bin order (spectral_bands), however the sums are taken.
bool spectral_block_test(std::span<const double> outabs2, int lobin, int hibin, double power,
                         const tanalysisparams& p, tkillpoint& kp);
// The same with the limits of the settings already taken.
bool spectral_block_test(std::span<const double> outabs2, int lobin, int hibin, double power,
                         const tblocklimits& limits, tkillpoint& kp);
// The same tests on band sums already taken.
bool spectral_block_test(const tspectralbands& b, double power, const tanalysisparams& p,
                         tkillpoint& kp);

} // namespace gravon
