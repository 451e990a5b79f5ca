// The analysis of one channel in one hop, from the analysis window and its spectra to the
// rejection set: level and crest, background noise, spectral block tests, F0 and partials,
// H1/H2, centroid, HNR and the rate tests, in that order.
#pragma once

#include "analysis/analysis_params.h"
#include "analysis/background_noise.h"
#include "analysis/channel_measures.h"
#include "analysis/fft.h"
#include "analysis/filter_run.h"
#include "analysis/frame_analysis.h"
#include "analysis/threshold_ratios.h"

#include <cstdint>
#include <span>
#include <vector>

namespace gravon {

// What one channel carries from hop to hop.
struct tchannelstate {
    tbackgroundnoise noise;
    std::vector<std::uint8_t> isharm; // N/2 flags: bin belongs to a partial
    tchannelmeasures live;            // the measures as the live display sees them
    tf0result f0search;               // strongest peak and hypothesis of the last search
    double prevpower = 0;             // power of the previous hop
    double prevf0 = 0;                // f0 of the previous hop

    // Sizes the per-bin tables for an FFT of fftsize bins (kept entries stay).
    void resize(int fftsize);
};

// The per-hop values that are the same for both channels.
struct thopcontext {
    tf0band band;             // F0 search band in bins
    double d = 0;             // hop duration, s
    bool measurenoise = true; // the noise hold time of this recording or replay is over
    // The filtering of the channel's next hop, whose steps the longer loops take along with
    // their own work (nullptr when there is none).
    tfilterrun* alongside = nullptr;
    // The thresholds of the settings as power ratios, when the caller keeps them (nullptr:
    // taken from the settings).
    const tthresholdratios* ratios = nullptr;
};

// Steps 1-9 of one channel: x is the analysis window (units of 20 uPa), outabs2 and outdb
// the N-bin spectra of it, c the channel (it selects the noise range). Leaves the results in
// st.live; st.live.killpoint holds the reasons found so far (the cross-channel and keyboard
// blocking and the clearing come after both channels). Returns false when a block test
// stopped the channel before the F0 search.
bool analyse_channel(std::span<const double> x, std::span<const double> outabs2,
                     std::span<const double> outdb, const thopcontext& ctx,
                     const tanalysisparams& p, int c, tchannelstate& st);
// The same with the spectra taken from fft, whose input is the window x: of the level
// spectrum only the bins that the steps read are computed.
bool analyse_channel(std::span<const double> x, TFFT& fft, const thopcontext& ctx,
                     const tanalysisparams& p, int c, tchannelstate& st);
// The same with the level and crest of x already known (level_and_crest of it).
bool analyse_channel(const tlevelcrest& lc, TFFT& fft, const thopcontext& ctx,
                     const tanalysisparams& p, int c, tchannelstate& st);
// Steps 1-9 for a window whose samples are all exactly zero (a silent channel), from what
// such a window is known to give: power 0, every bin of the spectrum 0. The results are
// those analyse_channel gives for it. Returns false, having changed nothing, when the block
// tests would let such a window through to the F0 search (possible only with extreme block
// settings); the caller then analyses the window in full.
bool analyse_silent_channel(const thopcontext& ctx, const tanalysisparams& p, int c,
                            tchannelstate& st);

} // namespace gravon
