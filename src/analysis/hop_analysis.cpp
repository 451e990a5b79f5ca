#include "analysis/hop_analysis.h"

#pragma GCC diagnostic ignored "-Wpsabi" // vector values never cross an ABI boundary

#include "analysis/channel_blocking.h"
#include "analysis/frame_acceptance.h"
#include "analysis/simd_clones.h"
#include "base/pitch.h"
#include "base/rounding.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace gravon {

namespace {

GRAVON_SIMD_CLONES
tblockpeak peak_of_block(std::span<const float> v, float limit) {
    // 32 samples at a time, in four running maxima of eight lanes that do not wait for each
    // other. A NaN sample neither raises the peak nor overloads, but it is not zero; the
    // largest of the lane peaks is the largest of all, whatever the order.
    using v8f = float __attribute__((vector_size(32)));
    using v8i = int __attribute__((vector_size(32)));
    constexpr int lanes = 8;
    const std::size_t n = v.size();
    const float* p = v.data();
    v8f peakv = {}, peakw = {}, peakx = {}, peaky = {};
    v8i overv = {}, nonzerov = {}, nonfinitev = {};
    const v8f limv = v8f{} + limit;
    const v8f maxv = v8f{} + __FLT_MAX__;
    const v8i absmask = v8i{} + 0x7fffffff;
    const auto scan = [&](const float* q, v8f& peaks) {
        v8f s;
        std::memcpy(&s, q, sizeof s);
        v8i bits;
        std::memcpy(&bits, &s, sizeof bits);
        bits &= absmask;
        v8f a;
        std::memcpy(&a, &bits, sizeof a);
        overv |= a > limv;
        nonzerov |= s != v8f{};
        nonfinitev |= ~(a <= maxv);
        peaks = a > peaks ? a : peaks;
    };
    std::size_t i = 0;
    for (; i + 4 * lanes <= n; i += 4 * lanes) {
        scan(p + i, peakv);
        scan(p + i + lanes, peakw);
        scan(p + i + 2 * lanes, peakx);
        scan(p + i + 3 * lanes, peaky);
    }
    for (; i + lanes <= n; i += lanes) scan(p + i, peakv);
    peakv = peakw > peakv ? peakw : peakv;
    peakx = peaky > peakx ? peaky : peakx;
    peakv = peakx > peakv ? peakx : peakv;
    float peak = 0;
    int over = 0, nonzero = 0, nonfinite = 0;
    for (int l = 0; l < lanes; ++l) {
        peak = peakv[l] > peak ? peakv[l] : peak;
        over |= overv[l];
        nonzero |= nonzerov[l];
        nonfinite |= nonfinitev[l];
    }
    for (; i < n; ++i) {
        const float a = std::fabs(p[i]);
        over |= a > limit;
        nonzero |= p[i] != 0.0f;
        nonfinite |= !(a <= __FLT_MAX__);
        peak = a > peak ? a : peak;
    }
    return {peak, over != 0, nonzero == 0, nonfinite != 0};
}

// v with every sample that is NaN or infinite set to zero, in out (of at least v's length).
std::span<const float> finite_copy(std::span<const float> v, std::span<float> out) {
    for (std::size_t i = 0; i < v.size(); ++i) out[i] = std::isfinite(v[i]) ? v[i] : 0.0f;
    return out.first(v.size());
}

// Sums of squares of a block in sample order and its peak counted from 0: the running
// quantities of level_and_crest.
struct tsquares {
    double sum = 0;  // continued from the window's first half
    double half = 0; // of this block alone, from 0: the next window's first half
    double peak = 0;
};

} // namespace

thopanalyser::thopanalyser() {
    ffft[0].setLogFFTSize(11);
    ffft[0].setWindowSize(1024);
    ffft[0].setWindow(TFFTWindow::Blackman);
    ffft[1].setLogFFTSize(8);
    ffft[1].setWindowSize(256);
    ffft[1].setWindow(TFFTWindow::Hamming);
    for (auto& ch : fch) ch.resize(ffft[0].FFTSize());
    fit_buffers(std::size_t(hopsize()));
}

void thopanalyser::set_window(TFFTWindow kind) {
    give_pending_windows();
    ffft[0].setWindow(kind);
}

double analysis_window_length(double fs, double fftbw, TFFTWindow kind) {
    return fs / fftbw * windowsizefactor(kind);
}

bool analysis_window_fits(double fs, double fftbw, TFFTWindow kind) {
    const double w = analysis_window_length(fs, fftbw, kind);
    // Compared before rounding, so that no value can overflow the conversion.
    return w >= 1.5 && w < maxanalysiswindowsize + 0.5;
}

void thopanalyser::set_analysis_bandwidth(double fs, double fftbw) {
    give_pending_windows();
    TFFT& f = ffft[0];
    if (!analysis_window_fits(fs, fftbw, f.Window())) return;
    const std::int32_t oldn = f.FFTSize();
    try {
        f.setFFTSize(16);
        f.setWindowSize(roundint(analysis_window_length(fs, fftbw, f.Window())));
    } catch (const EFFTError&) {
        // A refused window size must not leave the frame smaller than the window, or no
        // spectrum could be computed any more.
        f.setFFTSize(oldn);
    }
}

void thopanalyser::setup(const tanalysisparams& p) {
    give_pending_windows();
    ++ffiltergen;
    for (auto& ch : fch) ch.prevpower = 1e-20;
    for (auto& sections : fhp) {
        for (int s = 0; s < 2; ++s) {
            THPFilterSection& h = sections[std::size_t(s)];
            h.setSampFreq(p.fs);
            h.setF0(p.hpfreq);
            h.setQ(s == 0 ? hpq0 : hpq1);
            h.setGain(1.0);
            h.reset();
        }
    }
    ffft[1].setFFTSize(ffft[0].FFTSize());
    ffft[1].setWindowSize(ffft[0].WindowSize());
    ffft[1].setWindow(ffft[0].Window());
    for (auto& ch : fch) ch.resize(ffft[0].FFTSize());
    fit_buffers(std::size_t(hopsize()));
    ffs = p.fs;
    for (auto& q : fquality) {
        q.prepare(p.fs, hopsize(), p.cppsmaxf0, p.cppshoppositions, p.cppstimestep);
        q.balance.prepare(p.fs, ffft[0].FFTSize());
    }
    fprevzero = {true, true};
    foverloaded = {false, false};
    fprevoverloaded = {false, false};
    fnonfinite = {false, false};
    fprevnonfinite = {false, false};
}

void thopanalyser::reset() {
    for (auto& ch : fch) {
        ch.noise.reset();
        ch.live.killpoint.bits = std::uint16_t(tkillreason::notanalysed);
    }
    for (auto& q : fquality) q.cpps.reset();
}

void thopanalyser::fit_buffers(std::size_t hop) {
    // A new hop size starts from silence: the previous block no longer fits the window.
    if (hop != fhop) {
        fprevzero = {true, true};
        fnonfinite = {false, false};
    }
    fhop = hop;
    for (auto& pf : fnext) pf.valid = false;
    for (auto& c : fclean) c.resize(hop, 0.0f);
    for (auto& blocks : fblocks)
        for (auto& b : blocks) b.resize(hop, 0.0);
}

void thopanalyser::give_pending_windows() {
    // Before the sizes change: the transform holds the window it would have held.
    for (int c = 0; c < nchannels; ++c)
        if (fspectrumpending[c]) give_silent_window(c);
}

void thopanalyser::give_silent_window(int c) {
    const std::span<double> x = ffft[c].InReForWriting(2 * fhop);
    std::fill(x.begin(), x.end(), 0.0);
    fspectrumpending[c] = false;
}

const thopresult& thopanalyser::analyse(const trecarr& recarr, std::span<const double> factors,
                                        const tanalysisparams& p, std::int32_t holdcount,
                                        std::int32_t keyboardblocktime) {
    static const tsinglearr empty;
    return analyse(recarr.size() > 0 ? std::span<const float>(recarr[0]) : empty,
                   recarr.size() > 1 ? std::span<const float>(recarr[1]) : empty, factors, p,
                   holdcount, keyboardblocktime);
}

const thopresult& thopanalyser::analyse(std::span<const float> ch0, std::span<const float> ch1,
                                        std::span<const double> factors, const tanalysisparams& p,
                                        std::int32_t holdcount, std::int32_t keyboardblocktime,
                                        std::span<const float> next0,
                                        std::span<const float> next1) {
    std::array<std::span<const float>, nchannels> in{ch0, ch1};
    const std::array<std::span<const float>, nchannels> next{next0, next1};
    const std::size_t hop = std::max(ch0.size(), ch1.size());
    // The driver delivers hops of the set-up size; anything else only re-sizes the buffers.
    if (hop != fhop) fit_buffers(hop);

    // 2. Overload of the unfiltered block. The samples are single precision, so the full
    // scale is compared in single precision too: a sample at exactly full scale is no
    // overload. The same pass finds blocks of zeros.
    fprevoverloaded = foverloaded;
    fprevnonfinite = fnonfinite;
    std::array<bool, nchannels> zeroin{};
    std::array<float, nchannels> limits{};
    for (int c = 0; c < nchannels; ++c) {
        const double fsd = std::size_t(c) < factors.size() ? factors[std::size_t(c)] : 0.0;
        const float limit = float(std::fabs(fsd));
        limits[c] = limit;
        // A block filtered along during the last hop was scanned on the way.
        const tprefiltered& pf = fnext[c];
        tblockpeak b = pf.valid && pf.src == in[c].data() && in[c].size() == pf.hop &&
                               pf.run.done() && pf.run.rawlimit() == limit
                           ? pf.run.rawpeak()
                           : peak_of_block(in[c], limit);
        // A NaN or infinite sample would stay in the filters' state and the window's sums for
        // good: the block is analysed with zeros in their place (its frames are rejected),
        // and a block filtered along from the samples as they were is filtered again.
        fnonfinite[c] = b.nonfinite;
        if (b.nonfinite) {
            in[c] = finite_copy(in[c], fclean[c]);
            b = peak_of_block(in[c], limit);
        }
        fin[c] = in[c];
        foverloaded[c] = b.over;
        zeroin[c] = b.zero;
        fresult.ch[c].peak = b.peak;
    }

    // 1. High-pass: two cascaded sections per channel, state kept between hops; 3. the
    // analysis window: previous and current filtered block, in units of 20 uPa. Zero input
    // into filters at rest gives exactly zero, so such a block is not filtered, and a window
    // of two such blocks is not even written: the channel is silent.
    std::array<bool, nchannels> silent{};
    for (int c = 0; c < nchannels; ++c) {
        auto& h = fhp[c];
        const bool zeroout = zeroin[c] && h[0].idle() && h[1].idle();
        silent[c] = zeroout && fprevzero[c];
        if (silent[c]) {
            fnext[c].valid = false;
            continue;
        }
        // The window is two blocks of three that take turns, which the transform reads where
        // they lie: the previous block, this one, and the next one's while it is filtered
        // along.
        auto& blocks = fblocks[c];
        const int free = 3 - fnewer[c] - folder[c];
        double* first = blocks[std::size_t(fnewer[c])].data();
        double* x = blocks[std::size_t(free)].data();
        // The window's sum of squares runs over the first half (the previous block, whose
        // own sum from 0 is known) and then over the second; its peak is the larger of the
        // two halves' peaks. The running sums for the transform's mean go the same way.
        double sumfrom = 0, peakfrom = 0;
        double lanesfrom[4] = {};
        if (fprevzero[c]) {
            std::fill(first, first + hop, 0.0);
        } else {
            sumfrom = fhalfsquares[c];
            peakfrom = fhalfpeak[c];
            std::copy(std::begin(fhalflanes[c]), std::end(fhalflanes[c]), std::begin(lanesfrom));
        }
        tsquares sq;
        double lanes[4];
        tprefiltered& pf = fnext[c];
        if (zeroout) {
            // Zero samples add +0 to the sums, which leaves them as they are.
            std::fill(x, x + hop, 0.0);
            sq.sum = sumfrom;
            std::copy(std::begin(lanesfrom), std::end(lanesfrom), std::begin(lanes));
        } else {
            tfilterrun& r = pf.run;
            // Filtered along, the block is in place already.
            if (!prefiltered(c, in[c], hop, sumfrom, lanesfrom, x)) {
                r.start(h, in[c], x, hop, sumfrom, lanesfrom, limits[c]);
                r.finish();
            }
            sq = {r.sum, r.half, r.peak};
            h[0].setstate(r.p0, r.q0);
            h[1].setstate(r.p1, r.q1);
            r.windowlanes(lanes);
            r.blocklanes(fhalflanes[c]);
        }
        ffft[c].setInReHalves(std::span<const double>(first, hop), std::span<const double>(x, hop));
        folder[c] = fnewer[c];
        fnewer[c] = free;
        pf.valid = false;
        // A block of odd length puts samples of the window's second half into other lanes
        // than the running sums take them; the transform then sums the window itself.
        if (hop % 2 == 0) ffft[c].setInReSum(inputsum(lanes));
        flevelcrest[c] =
            level_and_crest_of(sq.sum, sq.peak > peakfrom ? sq.peak : peakfrom, 2 * hop);
        fhalfsquares[c] = sq.half;
        fhalfpeak[c] = sq.peak;
        fprevzero[c] = zeroout;
        start_next_filter(c, next[c], hop, limits[c]);
    }

    // 4.-6. Spectra, then the analysis of each channel, channel 0 first. A silent channel's
    // results are known without a transform.
    thopcontext ctx;
    ctx.d = double(hop) / p.fs;
    ctx.measurenoise = double(holdcount) > p.fs * p.holdnoisemeasurementtime;
    fratios.update(p);
    ctx.ratios = &fratios;
    for (int c = 0; c < nchannels; ++c) {
        TFFT& fft = ffft[c];
        tchannelstate& st = fch[c];
        const std::int32_t n = fft.FFTSize();
        if (st.noise.nbins() != n / 2) st.resize(n);
        ctx.band = f0_search_band(p.lof0limit, p.hif0limit, p.fs, n);
        tprefiltered& pf = fnext[c];
        ctx.alongside = pf.valid ? &pf.run : nullptr;
        if (silent[c]) {
            // The window goes to the FFT as it is, so the sizes must already fit it.
            if (std::size_t(fft.WindowSize()) == 2 * hop && analyse_silent_channel(ctx, p, c, st)) {
                fspectrumpending[c] = true;
                continue;
            }
            const std::span<double> x = fft.InReForWriting(2 * hop);
            std::fill(x.begin(), x.end(), 0.0);
            flevelcrest[c] = level_and_crest(x);
        }
        fspectrumpending[c] = false;
        // A window of a length the transform did not have yet has changed its frame size.
        const std::int32_t nn = std::int32_t(fft.OutAbs2Lower().size());
        if (st.noise.nbins() != nn / 2) st.resize(nn);
        ctx.band = f0_search_band(p.lof0limit, p.hif0limit, p.fs, nn);
        if (analyse_channel(flevelcrest[c], fft, ctx, p, c, st)) fpeakfreq = st.live.peakfreq;
        if (pf.valid) pf.run.finish();
    }

    // A window that held a NaN or infinite sample, in this block or the one before.
    for (int c = 0; c < nchannels; ++c)
        if (fnonfinite[c] || fprevnonfinite[c]) fch[c].live.killpoint.add(tkillreason::nonfinite);

    // 7. Blocking between the channels and by keyboard tones, on this hop's levels.
    block_channels(fch[0].live.level, fch[1].live.level, keyboardblocktime, p,
                   fch[0].live.killpoint, fch[1].live.killpoint);

    // 8. Clearing of rejected channels; the result is what the driver stores and bins.
    for (int c = 0; c < nchannels; ++c) {
        tchannelmeasures& m = fch[c].live;
        clear_rejected(m);
        m.semitone = m.f0 > 0 ? freqtosemitone(m.f0) : 0.0;
        m.overloaded = foverloaded[c] || fprevoverloaded[c];
        m.peak = fresult.ch[c].peak;
        measure_quality(c, in[c], m);
        fresult.ch[c] = m;
    }

    // The live marker of a rejected channel is drawn only for an F0 inside the search band,
    // so a rejected channel shows 1.0.
    for (auto& ch : fch)
        if (!ch.live.killpoint.empty()) ch.live.f0 = 1.0;
    return fresult;
}

void thopanalyser::start_next_filter(int c, std::span<const float> next, std::size_t hop,
                                     float limit) {
    tprefiltered& pf = fnext[c];
    pf.valid = false;
    const auto& h = fhp[c];
    // Filters at rest most likely meet a silent next hop, which needs no filtering at all.
    auto& blocks = fblocks[c];
    double* dest = blocks[std::size_t(3 - fnewer[c] - folder[c])].data();
    if (next.size() != hop || blocks[0].size() < hop || (h[0].idle() && h[1].idle())) return;
    pf.src = next.data();
    pf.hop = hop;
    pf.gen = ffiltergen;
    pf.sumfrom = fprevzero[c] ? 0.0 : fhalfsquares[c];
    for (int l = 0; l < 4; ++l) pf.lanesfrom[l] = fprevzero[c] ? 0.0 : fhalflanes[c][l];
    pf.state = {h[0].w1(), h[0].w2(), h[1].w1(), h[1].w2()};
    pf.dest = dest;
    pf.run.start(h, next, dest, hop, pf.sumfrom, pf.lanesfrom, limit);
    pf.valid = true;
}

bool thopanalyser::prefiltered(int c, std::span<const float> in, std::size_t hop, double sumfrom,
                               const double (&lanesfrom)[4], const double* dest) const {
    const tprefiltered& pf = fnext[c];
    if (!pf.valid || pf.src != in.data() || pf.dest != dest || in.size() != hop || pf.hop != hop ||
        pf.gen != ffiltergen || !pf.run.done())
        return false;
    // Bit for bit: the run must have started where this hop starts.
    const auto& h = fhp[c];
    const std::array<double, 4> state{h[0].w1(), h[0].w2(), h[1].w1(), h[1].w2()};
    return std::memcmp(&pf.sumfrom, &sumfrom, sizeof sumfrom) == 0 &&
           std::memcmp(pf.lanesfrom, lanesfrom, sizeof lanesfrom) == 0 &&
           std::memcmp(pf.state.data(), state.data(), sizeof state) == 0;
}

void thopanalyser::measure_quality(int c, std::span<const float> in, tchannelmeasures& m) {
    tvoicequality& q = fquality[c];
    q.cpps.push(in);
    const double none = std::numeric_limits<double>::quiet_NaN();
    m.cpps = none;
    m.specbal = none;
    if (!m.accepted()) return;
    TFFT& f = fft(c);
    if (q.balance.fftsize() != f.FFTSize()) q.balance.prepare(ffs, f.FFTSize());
    m.specbal = q.balance.of(f.OutAbs2Lower());
    if (m.f0 <= q.cppsmaxf0) m.cpps = q.cpps.hopvalue(in.size());
}

} // namespace gravon
