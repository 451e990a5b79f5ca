#include "analysis/hop_analysis.h"

#include "analysis/channel_blocking.h"
#include "analysis/frame_acceptance.h"
#include "analysis/pitch.h"
#include "analysis/rounding.h"

#include <algorithm>
#include <cmath>

namespace gravon {

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
    for (auto& b : fprevfilt) std::fill(b.begin(), b.end(), 0.0f);
    foverloaded = {false, false};
    fprevoverloaded = {false, false};
}

void thopanalyser::reset() {
    for (auto& ch : fch) {
        ch.noise.reset();
        ch.live.killpoint.bits = std::uint16_t(tkillreason::notanalysed);
    }
}

void thopanalyser::fit_buffers(std::size_t hop) {
    for (int c = 0; c < nchannels; ++c) {
        // A new hop size starts from silence: the previous block no longer fits the window.
        if (fprevfilt[c].size() != hop) fprevfilt[c].assign(hop, 0.0f);
        ffilt[c].resize(hop, 0.0f);
        fwindow[c].resize(2 * hop, 0.0);
    }
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
                                        std::int32_t holdcount, std::int32_t keyboardblocktime) {
    const std::array<std::span<const float>, nchannels> in{ch0, ch1};
    const std::size_t hop = std::max(ch0.size(), ch1.size());
    // The driver delivers hops of the set-up size; anything else only re-sizes the buffers.
    if (hop != ffilt[0].size()) fit_buffers(hop);

    // 1. High-pass: two cascaded sections per channel, state kept between hops.
    for (int c = 0; c < nchannels; ++c) {
        auto& h = fhp[c];
        tsinglearr& out = ffilt[c];
        for (std::size_t i = 0; i < hop; ++i) {
            const double v = i < in[c].size() ? double(in[c][i]) : 0.0;
            out[i] = float(h[1].filter(h[0].filter(v)));
        }
    }

    // 2. Overload of the unfiltered block. The samples are single precision, so the full
    // scale is compared in single precision too: a sample at exactly full scale is no
    // overload.
    fprevoverloaded = foverloaded;
    for (int c = 0; c < nchannels; ++c) {
        const double fsd = std::size_t(c) < factors.size() ? factors[std::size_t(c)] : 0.0;
        const float limit = float(std::fabs(fsd));
        bool over = false;
        float peak = 0;
        for (float v : in[c]) {
            const float a = std::fabs(v);
            if (a > limit) over = true;
            if (a > peak) peak = a;
        }
        foverloaded[c] = over;
        fresult.ch[c].peak = peak;
    }

    // 3. Analysis window: previous and current filtered block, in units of 20 uPa.
    for (int c = 0; c < nchannels; ++c) {
        tdoublearr& x = fwindow[c];
        for (std::size_t i = 0; i < hop; ++i) {
            x[i] = double(fprevfilt[c][i]) * pascaltoref;
            x[hop + i] = double(ffilt[c][i]) * pascaltoref;
        }
        std::copy(ffilt[c].begin(), ffilt[c].end(), fprevfilt[c].begin());
    }

    // 4. Spectra.
    for (int c = 0; c < nchannels; ++c) ffft[c].setInRe(fwindow[c]);

    // 5./6. Per channel, channel 0 first.
    thopcontext ctx;
    ctx.d = double(hop) / p.fs;
    ctx.measurenoise = double(holdcount) > p.fs * p.holdnoisemeasurementtime;
    for (int c = 0; c < nchannels; ++c) {
        const tdoublearr& db = ffft[c].OutdB();
        const tdoublearr& abs2 = ffft[c].OutAbs2();
        const std::int32_t n = std::int32_t(abs2.size());
        tchannelstate& st = fch[c];
        if (st.noise.nbins() != n / 2) st.resize(n);
        ctx.band = f0_search_band(p.lof0limit, p.hif0limit, p.fs, n);
        if (analyse_channel(fwindow[c], abs2, db, ctx, p, c, st)) fpeakfreq = st.live.peakfreq;
    }

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
        fresult.ch[c] = m;
    }

    // The live marker of a rejected channel is drawn only for an F0 inside the search band,
    // so a rejected channel shows 1.0.
    for (auto& ch : fch)
        if (!ch.live.killpoint.empty()) ch.live.f0 = 1.0;
    return fresult;
}

} // namespace gravon
