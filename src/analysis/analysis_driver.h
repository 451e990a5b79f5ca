// The analysis driver: takes sample blocks of any length, cuts them into hops at fixed sample
// positions, runs the per-hop analysis and keeps the stores that are saved and shown later:
// the raw audio and one track per measure. Each accepted frame of a channel goes to a sink,
// which the owner connects to whatever collects frames (the recording phonetograms).
#pragma once

#include "analysis/analysis_params.h"
#include "analysis/analysis_tracks.h"
#include "analysis/hop_analysis.h"
#include "analysis/sample_store.h"
#include "base/page_prefaulter.h"
#include "base/types.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace gravon {

// Deliveries are taken only while fewer samples than this are stored (30 minutes at 44.1 kHz).
inline constexpr std::int32_t maxaudioarrpos = 79380001;
// How far ahead of where they are written the audio stores' memory is backed while a take
// records: some 95 s of a channel at 44.1 kHz, so that the backing thread may fall far behind
// on a busy machine (or a replay far faster than real time) before the writing overtakes it.
// Record backs the first stretch itself, some 24 s, before the first buffer can come.
inline constexpr std::size_t prefaultahead = std::size_t(32) << 20;
inline constexpr std::size_t prefaultfirst = std::size_t(8) << 20;
// Growth steps of the stores, so that growth is rare.
inline constexpr std::int32_t audioarrgrowth = 10000;
inline constexpr std::int32_t paramarrgrowth = 100;
// A sample counts as full scale from this fraction on: the largest positive value of an 8-bit
// coding (127/128) must count, a voice peaking just below full scale in a finer coding not.
inline constexpr double clipfraction = 127.0 / 128.0;
// Equal samples at full scale in a row from which a frame counts as clipped. A recording
// normalised to its peak reaches full scale in one sample, or in two equal ones either side
// of a crest; a converter or a coding that clips holds the extreme code for longer.
inline constexpr std::int32_t clippedrun = 3;

// Samples first ... last - 1 of the stream delivered since the analysis was reset.
struct tsamplestretch {
    std::int64_t first = 0;
    std::int64_t last = 0;
};

// Receives what the driver stores, frame by frame, on the thread that delivers the samples.
class tframesink {
  public:
    virtual ~tframesink() = default;
    // An accepted frame of channel c (0 or 1) that lasts `duration` seconds.
    virtual void frame_accepted(int c, const tchannelmeasures& m, double duration) = 0;
    // A frame was stored; the audio store now holds `seconds` of sound.
    virtual void frame_stored(double seconds) {}
};

class TAnalysisDriver {
  public:
    using tchannelrows = std::array<tsinglearr, 2>;
    using tchannelaudio = std::array<tsamplestore, 2>;

    // The driver reads its settings from params and hands accepted frames to sink; both must
    // outlive it. The constructor reads neither.
    TAnalysisDriver(tanalysisparams& params, tframesink& sink);

    // ---- Settings the analysis reads ----
    tanalysisparams& analysisparams;
    bool fpaused = false;
    // Milliseconds during which a sounding keyboard tone blocks the analysis.
    std::int32_t keyboardblocktime = 0;
    // Whether the analysed samples go into the audio store. A batch run whose results need no
    // recording turns it off: the store's size still follows the stored frames, but its
    // memory is never touched.
    bool storeaudio = true;
    // Called after every analysed hop, for the repaint of the live view.
    std::function<void()> onhopanalysed;

    // ---- Driver state ----
    trecarr recarr;
    std::int32_t recarrpos = 0;
    std::int32_t samplecount = 0;
    std::int32_t holdcount = 0;
    std::int32_t downsamplingfactor = 0;
    std::int32_t arrpos = -1;
    std::array<tchannelrows, ntracks> paramarr;
    // The peak magnitude of each stored frame's samples (Pa), beside the tracks: frame k's
    // samples are hop k of the audio store, so what the store holds can be judged frame by
    // frame without a pass over it.
    tchannelrows framepeak;
    // 1 for each stored frame whose samples clip (a run of equal samples at full scale, or
    // samples beyond it), 0 for the others.
    tchannelrows frameclipped;
    // Stretches of the stream that hold no voice: the reference tone or vowel that
    // calibrated a take. Every frame whose window overlaps one is rejected for `reference`,
    // so the reference shows in the tracks but never in a phonetogram.
    std::vector<tsamplestretch> novoicestretches;
    tchannelaudio audioarr;
    std::int32_t audioarrpos = -1;
    std::array<double, 2> audiofsd{1.0, 1.0};
    std::array<double, 2> audiopeak{0.0, 0.0};
    std::array<bool, 2> recarroverloaded{false, false};
    std::array<bool, 2> prevrecarroverloaded{false, false};
    thopanalyser analyser;

    // Sizes the analysis window for analysisparams' fs, window kind and the bandwidth v,
    // then stores v as the bandwidth. A size the transform refuses leaves the window as it
    // was.
    void set_fftbw(double v);

    // Repacks the frames of block ([channel][sample], Pa) into hops and analyses every hop
    // that completes; a partial hop waits for the next delivery. factors: full scale of each
    // channel in Pa.
    void crunch_arr(const trecarr& block, std::span<const double> factors);
    // The same for the first n frames of block.
    void crunch_arr(const trecarr& block, std::size_t n, std::span<const double> factors);
    // Analysis of the complete hop in recarr.
    void crunch_recarr(const trecarr& hop, std::span<const double> factors);

    // The driver's part of preparing a recording or a replay: filters, FFTs, noise tables,
    // the hop buffer. What was stored is kept.
    void setup_analysis();
    // The driver's part of a new recording: noise statistics, the not-analysed mark, the
    // counters and the track store (the phonetogram cells are cleared by the owner).
    void reset_analysis();
    // Makes room in the audio store for `samples` more samples per channel, and in the tracks
    // for the frames they fill, so that a replay of known length never moves the stores while
    // they grow; their sizes and contents stay as they are.
    void reserve_stores(std::size_t samples);
    // From now until stop_prefaulting the audio store's memory is backed ahead of where it is
    // written, on a thread of its own, so that the delivering thread never waits for the
    // system to zero a page; the first stretch is backed before this returns. Room for the
    // take must be reserved first: a store that has to move stops it.
    void start_prefaulting();
    void stop_prefaulting() noexcept;
    // Empties the audio store (2 channels of audioarrgrowth samples, nothing valid).
    void reset_audio_store();
    // Trims the stores to whole frames, as after a stop.
    void trim_stores();

    // Whether every stored frame's samples are in the audio store (none was left out since the
    // store was emptied).
    bool audiokept() const { return !faudioleftout; }
    // Number of stored frames and of stored audio samples per channel.
    std::int32_t frames() const { return arrpos + 1; }
    std::int32_t audiosamples() const { return audioarrpos + 1; }
    // Live values of the last hop (f0 reads 1.0 for a rejected channel).
    const tchannelmeasures& live(int c) const { return analyser.live(c); }
    // Measures of the last hop as stored.
    const tchannelmeasures& last(int c) const { return flast.ch[c]; }

  private:
    // The analysis of one hop of each channel, as crunch_recarr; next0 and next1 are the
    // following hop when it is at hand (see thopanalyser::analyse).
    void crunch_hop(std::span<const float> ch0, std::span<const float> ch1,
                    std::span<const double> factors, std::span<const float> next0 = {},
                    std::span<const float> next1 = {});
    void store_frame(const std::array<std::span<const float>, 2>& hop, const thopresult& r);
    // Rejects the frame of the hop that ends at samplecount when its window overlaps a
    // stretch without voice.
    void reject_novoice(thopresult& r, std::size_t hop) const;
    // Whether the hop clips, carrying a run of full-scale samples on from the hop before.
    bool clips(int c, std::span<const float> hop, double peak);

    tframesink& fsink;
    thopresult flast;
    bool faudioleftout = false;
    std::array<float, 2> frunvalue{0.0f, 0.0f};
    std::array<std::int32_t, 2> frunlength{0, 0};
    // After the stores, so that it stops before they go.
    tpageprefaulter fprefaulter;
};

} // namespace gravon
