// The per-hop analysis of both channels: high-pass filtering, overload, the analysis window
// and its spectra, then per channel level and crest, background noise and block tests, F0
// and partials, the voice measures and rate tests; then the blocking between the channels
// and by keyboard tones, and the clearing of rejected channels.
//
// The caller (the analysis driver) cuts the sample stream into hops, stores the results and
// bins the accepted frames; this object owns everything that carries over from hop to hop.
#pragma once

#include "analysis/analysis_params.h"
#include "analysis/channel_analysis.h"
#include "analysis/channel_measures.h"
#include "analysis/fft.h"
#include "analysis/filter_run.h"
#include "analysis/filter_sections.h"
#include "analysis/voice_quality.h"
#include "base/types.h"

#include <array>
#include <cstdint>
#include <span>

namespace gravon {

// The longest analysis window taken, in samples: 2^17, about 3 s at 44.1 kHz and far longer
// than any analysis frame a setting asks for. Only an absurd sampling rate or bandwidth (from
// a damaged file) asks for more; the transform and noise tables of a window of 2^20 samples
// already take more than a gigabyte.
inline constexpr std::int32_t maxanalysiswindowsize = 1 << 17;

// The window length fs / fftbw x the window kind's factor, unrounded (NaN or infinite for
// values that give no length).
double analysis_window_length(double fs, double fftbw, TFFTWindow kind);
// Whether that length, rounded, is a window the analysis takes: 2 ... maxanalysiswindowsize.
bool analysis_window_fits(double fs, double fftbw, TFFTWindow kind);

struct thopresult {
    // The measures of channel 0 ("Left") and channel 1 ("Right") as they are stored and
    // binned: a rejected channel has f0 0 and its other measures cleared.
    std::array<tchannelmeasures, 2> ch;
};

class thopanalyser {
  public:
    static constexpr int nchannels = 2;
    // Pressure in Pa times this gives units of 20 uPa.
    static constexpr double pascaltoref = tfilterrun::pascaltoref;
    // Quality factors of the two cascaded high-pass sections of each channel.
    static constexpr double hpq0 = 0.53;
    static constexpr double hpq1 = 1.4;

    thopanalyser();

    // The window kind of the first FFT (the second takes it at setup).
    void set_window(TFFTWindow kind);
    void set_window(std::int32_t kind) { set_window(TFFTWindow(kind)); }
    // Sizes the first FFT for the sampling rate and analysis bandwidth: FFT size 16, then
    // window size fs / fftbw x the window kind's factor, rounded, which raises the FFT size
    // to the next power of two. A size the FFT refuses, or one beyond maxanalysiswindowsize,
    // leaves both sizes as they were.
    void set_analysis_bandwidth(double fs, double fftbw);

    // Window size W of the first FFT (the driver's downsamplingfactor), hop H = W div 2
    // (the driver's block length) and FFT size N.
    std::int32_t windowsize() const { return ffft[0].WindowSize(); }
    std::int32_t hopsize() const { return ffft[0].WindowSize() / 2; }
    std::int32_t fftsize() const { return ffft[0].FFTSize(); }

    // Preparation of a recording or a file replay (call after the settings are applied):
    // previous power 1e-20, high-pass filters designed for fs and hpfreq and cleared, the
    // second FFT takes the first one's sizes and window, the noise tables are sized for N
    // (measured bins are kept), the previous filtered block is cleared and the overload
    // flags are reset.
    void setup(const tanalysisparams& p);
    // A new recording: empties the noise histograms (quantiles "not measured") and marks
    // both channels not analysed.
    void reset();

    // Analyses one hop of H samples per channel (sound pressure in Pa, unfiltered).
    // factors: full-scale value of each channel in Pa (a sample of greater magnitude is an
    // overload). holdcount: frames received since the recording or replay started.
    // keyboardblocktime: ms during which a keyboard tone blocks the analysis.
    // Returns the results of this hop (valid until the next call). Afterwards the live f0 of
    // a rejected channel reads 1.0, as the live display expects.
    // next0, next1: the following hop's samples, when the caller has them already and leaves
    // them as they are until the next call, which analyses them. Their filtering then runs
    // side by side with this hop's analysis; the results are the same.
    const thopresult& analyse(std::span<const float> ch0, std::span<const float> ch1,
                              std::span<const double> factors, const tanalysisparams& p,
                              std::int32_t holdcount, std::int32_t keyboardblocktime,
                              std::span<const float> next0 = {}, std::span<const float> next1 = {});
    const thopresult& analyse(const trecarr& recarr, std::span<const double> factors,
                              const tanalysisparams& p, std::int32_t holdcount,
                              std::int32_t keyboardblocktime);

    // ---- Live state for the display ----
    // The measures of the last hop as the display sees them (f0 1.0 when rejected).
    const tchannelmeasures& live(int c) const { return fch[c].live; }
    // Interpolated frequency of the strongest peak of the last channel searched.
    double peakfreq() const { return fpeakfreq; }
    // Spectrum of the last hop (N bins), the partial flags (N/2) and the noise (N/2).
    const tdoublearr& outdb(int c) { return fft(c).OutdB(); }
    const tdoublearr& outabs2(int c) { return fft(c).OutAbs2(); }
    std::span<const std::uint8_t> isharm(int c) const { return fch[c].isharm; }
    const tbackgroundnoise& noise(int c) const { return fch[c].noise; }
    std::span<const double> specnoisequantile(int c) const {
        return fch[c].noise.specnoisequantile();
    }
    std::int32_t spechistcount(int c) const { return fch[c].noise.spechistcount(); }
    // Overload of the last hop (current block only).
    bool recarroverloaded(int c) const { return foverloaded[c]; }
    // The samples of channel c that the last hop analysed: those given, or a copy of them
    // with every NaN or infinite sample zero. Valid until the next call of analyse.
    std::span<const float> input(int c) const { return fin[c]; }
    double prevpower(int c) const { return fch[c].prevpower; }
    double prevf0(int c) const { return fch[c].prevf0; }

    // The spectrum component of channel c, holding the last hop's window. Its input is the
    // analysis window, which the next hop continues: writing it disturbs the next hop.
    TFFT& fft(int c) {
        if (fspectrumpending[c]) give_silent_window(c);
        return ffft[c];
    }
    THPFilterSection& hpfilter(int c, int section) {
        ++ffiltergen; // the caller may change it
        return fhp[c][section];
    }

  private:
    // The filtering of a channel's next hop, begun during this hop.
    struct tprefiltered {
        tfilterrun run;
        const float* src = nullptr; // where its samples lay
        double* dest = nullptr;     // where it is filtered into
        std::size_t hop = 0;
        std::uint64_t gen = 0;         // of the filters it started from
        double sumfrom = 0;            // the window's first half it continues
        double lanesfrom[4] = {};      // and its running sums for the mean
        std::array<double, 4> state{}; // of the sections it started from
        bool valid = false;
    };
    // limit: the full scale the next block's overload is judged against.
    void start_next_filter(int c, std::span<const float> next, std::size_t hop, float limit);
    bool prefiltered(int c, std::span<const float> in, std::size_t hop, double sumfrom,
                     const double (&lanesfrom)[4], const double* dest) const;

    void fit_buffers(std::size_t hop);
    void give_silent_window(int c);
    void give_pending_windows();
    void measure_quality(int c, std::span<const float> in, tchannelmeasures& m);

    std::array<TFFT, nchannels> ffft;
    std::array<std::array<THPFilterSection, 2>, nchannels> fhp;
    std::array<tchannelstate, nchannels> fch;
    // CPPS and spectrum balance of each channel.
    std::array<tvoicequality, nchannels> fquality;
    double ffs = 44100; // sampling rate of the set-up
    // The analysis window (units of 20 uPa: the previous filtered block, then the current
    // one) is two of the channel's three block buffers, which the FFT reads as its input; the
    // next hop's first half is this hop's second half, and the next block goes into the third
    // buffer. fnewer and folder index the current and the previous block.
    std::array<std::array<tdoublearr, 3>, nchannels> fblocks;
    std::array<int, nchannels> fnewer{0, 0}, folder{1, 1};
    std::size_t fhop = 0;
    // The previous filtered block is all zero (its half of the window may be stale).
    std::array<bool, nchannels> fprevzero{true, true};
    // Sum of squares (from 0, in sample order) and peak of the previous block's window
    // values, valid unless fprevzero; level and crest of this hop's window.
    std::array<double, nchannels> fhalfsquares{};
    std::array<double, nchannels> fhalfpeak{};
    // The running sums for the transform's mean (inputsum) of the previous block as a first
    // half, valid unless fprevzero.
    double fhalflanes[nchannels][4] = {};
    std::array<tlevelcrest, nchannels> flevelcrest{};
    // The last hop's window was all zero and was analysed without a transform; the window
    // (and so the spectrum) goes to the FFT only when someone asks for it.
    std::array<bool, nchannels> fspectrumpending{false, false};
    std::array<bool, nchannels> foverloaded{};
    std::array<bool, nchannels> fprevoverloaded{};
    // The last block, and the one before, held a NaN or infinite sample; fclean holds the
    // last block with zeros in their place, fin what the last hop analysed.
    std::array<bool, nchannels> fnonfinite{};
    std::array<bool, nchannels> fprevnonfinite{};
    std::array<tsinglearr, nchannels> fclean;
    std::array<std::span<const float>, nchannels> fin;
    double fpeakfreq = 0;
    thopresult fresult;
    std::array<tprefiltered, nchannels> fnext;
    // The thresholds of the settings as power ratios, kept from hop to hop.
    tthresholdratios fratios;
    std::uint64_t ffiltergen = 0; // counts the changes of the filters' design or state
};

} // namespace gravon
