// Background noise of one channel, measured per FFT bin as a quantile of a level histogram
// that collects the hops whose broadband level lies in the channel's noise range.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace gravon {

class tbackgroundnoise {
  public:
    // Level classes of 1 dB; class i holds the spectrum level i - 50 dB (-50...149 dB).
    static constexpr int nclasses = 200;
    static constexpr int classoffset = 50;
    // Quantile of a bin whose noise has not been measured.
    static constexpr double notmeasured = 200.0;

    // Sets the number of bins (N/2). Entries that exist in both sizes are kept; new histogram
    // classes start at 0 and new quantiles at "not measured".
    void resize(int nbins);
    // Empties every histogram, marks every quantile as not measured, zeroes the hop count.
    void reset();

    // Enters one hop when noiselo < level < noisehi: each bin's dB value adds the hop
    // duration d to its level class (values outside the classes are ignored).
    // outdb must hold at least nbins() values. Returns true when the hop was entered.
    bool add_hop(std::span<const double> outdb, double level, double d, double noiselo,
                 double noisehi);
    // Enters one hop whose spectrum is all zero (-3250 dB in every bin, below every class):
    // counted when noiselo < level < noisehi, like add_hop, but no class changes. Returns
    // true when the hop was counted.
    bool add_silent_hop(double level, double noiselo, double noisehi);
    // Brings the quantile of the bins lobin...hibin (clipped to the bins there are) up to
    // date: each gets the value a recomputation from its histogram gives. Only the bins whose
    // histogram changed since their last computation, or that were never computed since the
    // reset, are recomputed (all of them when noisequantile changed), since the quantile is a
    // function of the histogram and the quantile share alone.
    void update_quantiles(int lobin, int hibin, double noisequantile);

    int nbins() const { return fnbins; }
    std::int32_t spechistcount() const { return fspechistcount; }
    // Background-noise level per bin in dB (nbins values).
    std::span<const double> specnoisequantile() const { return fspecnoisequantile; }
    // Seconds spent in level class i of bin k.
    double spechist(int k, int i) const { return fspechist[std::size_t(k) * nclasses + i]; }
    // Write access for restoring or constructing a histogram (tests, diagnostics); the bin's
    // quantile is recomputed at its next update.
    double& spechist(int k, int i) {
        fstale[std::size_t(k)] = 1;
        // Any class may now hold time.
        fminclass[std::size_t(k)] = 0;
        fmaxclass[std::size_t(k)] = nclasses - 1;
        return fspechist[std::size_t(k) * nclasses + i];
    }

  private:
    // The quantiles of count (1 to 4) bins from their histograms.
    void recompute(const std::array<int, 4>& bins, int count, double share);

    int fnbins = 0;
    std::vector<double> fspechist; // [bin][class], flat
    // Per bin: the lowest and highest class that may hold time (nclasses and -1 when none
    // does). The classes outside are empty, and adding their +0 changes no sum.
    std::vector<std::int16_t> fminclass, fmaxclass;
    std::vector<double> fspecnoisequantile;
    // Per bin: the quantile does not yet follow the histogram (changed, or not computed since
    // the reset), so the next update of a band that holds the bin recomputes it.
    std::vector<std::uint8_t> fstale;
    // The quantile share the up-to-date bins were computed with; NaN: none yet.
    double fquantileshare = std::numeric_limits<double>::quiet_NaN();
    std::int32_t fspechistcount = 0;
};

} // namespace gravon
