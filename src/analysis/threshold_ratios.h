// The settings' dB thresholds that every hop compares powers against, as power ratios. A
// power of ten per threshold and hop shows in a whole-file analysis, so they are taken again
// only when a threshold changes.
#pragma once

#include "analysis/analysis_params.h"
#include "analysis/spectral_block.h"

namespace gravon {

struct tthresholdratios {
    // Takes the ratios of p unless they are those of the thresholds taken last (compared bit
    // for bit, so that a NaN threshold is taken once as well).
    void update(const tanalysisparams& p);

    tblocklimits block;  // of the spectral block tests
    double relfloor = 0; // 10^(minrelpartiallevel / 10), the F0 search's relative floor
    double shrfloor = 0; // 10^(minsubharmonicratio / 10), the F0 search's subharmonic floor

  private:
    double fkeys[5] = {};
    bool fvalid = false;
};

} // namespace gravon
