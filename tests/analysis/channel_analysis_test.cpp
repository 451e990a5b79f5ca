#include "analysis/channel_analysis.h"
#include "analysis/fft.h"
#include "analysis/test_spectrum.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace gravon;
using namespace gravon::testing;

namespace {

constexpr double fs = 44100.0;
constexpr int w = 1764;
constexpr int nfft = 2048;

// One channel fed with whole analysis windows, each analysed on its own.
struct tchannel {
    TFFT fft;
    tchannelstate st;
    tanalysisparams p;
    thopcontext ctx;
    std::vector<double> x;

    explicit tchannel(const tanalysisparams& params = {}) : p(params) {
        fft.setWindow(TFFTWindow::Hanning);
        fft.setWindowSize(w);
        st.resize(fft.FFTSize());
        st.noise.reset();
        // Background noise measured at -20 dB in every bin.
        for (int k = 0; k < nfft / 2; ++k) st.noise.spechist(k, 30) = 1.0;
        st.noise.update_quantiles(0, nfft / 2 - 1, p.noisequantile);
        st.prevpower = 1e-20;
        ctx.band = f0_search_band(p.lof0limit, p.hif0limit, fs, nfft);
        ctx.d = 882 / fs;
        ctx.measurenoise = false;
    }
    bool analyse(const std::vector<double>& window) {
        x = window;
        fft.setInRe(x);
        return analyse_channel(x, fft.OutAbs2(), fft.OutdB(), ctx, p, 0, st);
    }
    bool voice(double f0, double db) {
        return analyse(
            harmonic_window(w, fs, f0, voice_partials(f0, sine_amplitude_for_level(db), 2000)));
    }
    const tchannelmeasures& m() const { return st.live; }
};

} // namespace

TEST(ChannelAnalysis, VoicedWindowHasAllMeasures) {
    tchannel ch;
    ASSERT_TRUE(ch.voice(220.0, 80.0));
    ASSERT_TRUE(ch.voice(220.0, 80.0)); // second window: no level jump from 1e-20
    const tchannelmeasures& m = ch.m();
    EXPECT_TRUE(m.killpoint.empty()) << m.killpoint.value();
    EXPECT_NEAR(cents(m.f0, 220.0), 0.0, 5.0);
    EXPECT_EQ(m.maxpartno, 1);
    EXPECT_GT(m.hnr, 20.0);
    EXPECT_NE(m.h1h2, -50.0);
    EXPECT_GT(m.centroid, 220.0);
    EXPECT_EQ(ch.st.prevf0, m.f0);
    EXPECT_EQ(ch.st.prevpower, m.power);
}

TEST(ChannelAnalysis, FirstWindowAfterAStartFailsTheLevelRate) {
    tchannel ch;
    ch.voice(220.0, 80.0);
    EXPECT_EQ(ch.m().killpoint.value(), 16);
}

TEST(ChannelAnalysis, F0RateBetweenWholeWindows) {
    {
        tchannel ch;
        ch.voice(200.0, 80.0);
        // 7.3 semitones (the exact limit is tested on the rate tests alone: the measured
        // F0s carry an interpolation error of a few cents)
        ch.voice(305.0, 80.0);
        EXPECT_EQ(ch.m().killpoint.value(), 8);
        ch.voice(200.0, 80.0);
        EXPECT_EQ(ch.m().killpoint.value(), 8);
    }
    {
        tchannel ch;
        ch.voice(200.0, 80.0);
        ch.voice(295.0, 80.0); // 6.7 semitones
        EXPECT_TRUE(ch.m().killpoint.empty()) << ch.m().killpoint.value();
    }
}

TEST(ChannelAnalysis, LevelRateBetweenWholeWindows) {
    tchannel ch;
    ch.voice(220.0, 80.0);
    ch.voice(220.0, 83.9);
    EXPECT_TRUE(ch.m().killpoint.empty());
    ch.voice(220.0, 88.1);
    EXPECT_EQ(ch.m().killpoint.value(), 16);
    ch.voice(220.0, 86.2); // fall of 1.9 dB
    EXPECT_TRUE(ch.m().killpoint.empty());
    ch.voice(220.0, 84.0); // fall of 2.2 dB
    EXPECT_EQ(ch.m().killpoint.value(), 16);
}

TEST(ChannelAnalysis, BlockedWindowKeepsThePreviousF0) {
    tchannel ch;
    ch.voice(220.0, 80.0);
    ch.voice(220.0, 80.0);
    const double f0 = ch.m().f0;
    ASSERT_GT(f0, 0);
    EXPECT_FALSE(ch.analyse(std::vector<double>(w, 0.0))); // silence: high-frequency block
    EXPECT_EQ(ch.m().killpoint.value(), 2);
    EXPECT_EQ(ch.st.prevf0, f0);     // the f0 left from before
    EXPECT_EQ(ch.st.prevpower, 0.0); // the power always follows
    for (auto v : ch.st.isharm) ASSERT_EQ(v, 0);
    // The driver sets a rejected channel's live f0 to 1.0; the next blocked window passes
    // that on, and the next voiced one fails the F0 rate against it.
    ch.st.live.f0 = 1.0;
    ch.analyse(std::vector<double>(w, 0.0));
    EXPECT_EQ(ch.st.prevf0, 1.0);
    ch.st.prevpower = 1e8; // as if the last window had been voiced
    ch.voice(220.0, 80.0);
    EXPECT_EQ(ch.m().killpoint.value(), 8);
}

TEST(ChannelAnalysis, NoF0AgainstUnmeasuredNoise) {
    tchannel ch;
    ch.st.noise.reset();
    ch.voice(220.0, 80.0);
    ch.voice(220.0, 80.0);
    EXPECT_EQ(ch.m().killpoint.value(), 4);
    EXPECT_EQ(ch.m().f0, 0.0);
    EXPECT_EQ(ch.m().maxpartno, 0);
    EXPECT_EQ(ch.m().hnr, -50.0);
    EXPECT_EQ(ch.st.prevf0, 0.0);
    for (auto v : ch.st.isharm) ASSERT_EQ(v, 0);
}

TEST(ChannelAnalysis, LowHnrFiresExactlyBelowTheMinimum) {
    tchannel ch;
    ch.voice(220.0, 80.0);
    ch.voice(220.0, 80.0);
    const double hnr = ch.m().hnr;
    ch.p.minhnr = hnr; // not below: passes
    ch.voice(220.0, 80.0);
    ASSERT_EQ(ch.m().hnr, hnr);
    EXPECT_TRUE(ch.m().killpoint.empty());
    ch.p.minhnr = std::nextafter(hnr, 1e9);
    ch.voice(220.0, 80.0);
    EXPECT_EQ(ch.m().killpoint.value(), 32);
}

TEST(ChannelAnalysis, NoiseEntersOnlyWhileMeasuring) {
    tchannel ch;
    ch.st.noise.reset();
    std::vector<double> quiet(w);
    for (int i = 0; i < w; ++i) quiet[i] = 50.0 * std::sin(0.37 * i * i); // about 31 dB
    ch.analyse(quiet);
    EXPECT_EQ(ch.st.noise.spechistcount(), 0);
    EXPECT_EQ(ch.st.noise.specnoisequantile()[10], 200.0);
    ch.ctx.measurenoise = true;
    ch.analyse(quiet);
    EXPECT_EQ(ch.st.noise.spechistcount(), 1);
    EXPECT_LT(ch.st.noise.specnoisequantile()[10], 149.0);
    EXPECT_EQ(ch.st.noise.specnoisequantile()[ch.ctx.band.hibin + 1], 200.0);
}

TEST(ChannelAnalysis, SilentChannelGivesWhatTheZeroWindowGives) {
    // The shortcut for an all-zero window against the analysis of that window, after a
    // voiced window (so that the measures it keeps or clears are not trivial), with the
    // noise measurement on, with a noise range that counts a silent hop, and with block
    // settings that let a silent window through (the shortcut then declines).
    struct tcase {
        double noiselo, maxhfblocklevel, lfblockthreshold;
        bool measurenoise;
        bool shortcut;
    };
    for (const tcase& c : {tcase{25, 70, -10, false, true}, tcase{25, 70, -10, true, true},
                           tcase{-2000, 70, -10, true, true}, tcase{25, -4000, -10, true, true},
                           tcase{25, -4000, 4000, true, false}}) {
        tanalysisparams p;
        p.noiselo = {c.noiselo, c.noiselo};
        p.maxhfblocklevel = c.maxhfblocklevel;
        p.lfblockthreshold = c.lfblockthreshold;
        tchannel full(p), quick(p);
        for (tchannel* ch : {&full, &quick}) {
            ch->voice(220.0, 80.0);
            ch->ctx.measurenoise = c.measurenoise;
        }
        full.analyse(std::vector<double>(w, 0.0));
        const bool took = analyse_silent_channel(quick.ctx, p, 0, quick.st);
        ASSERT_EQ(took, c.shortcut);
        if (!took) continue;
        const tchannelmeasures& a = full.m();
        const tchannelmeasures& b = quick.m();
        EXPECT_EQ(a.killpoint.value(), b.killpoint.value());
        for (auto [x, y] : {std::pair{a.power, b.power},
                            {a.level, b.level},
                            {a.crestlevel, b.crestlevel},
                            {a.f0, b.f0},
                            {a.h1h2, b.h1h2},
                            {a.centroid, b.centroid},
                            {a.hnr, b.hnr},
                            {a.peakfreq, b.peakfreq}})
            EXPECT_EQ(std::memcmp(&x, &y, sizeof x), 0) << x << " " << y;
        EXPECT_EQ(a.maxpartno, b.maxpartno);
        EXPECT_EQ(full.st.isharm, quick.st.isharm);
        EXPECT_EQ(full.st.prevpower, quick.st.prevpower);
        EXPECT_EQ(full.st.prevf0, quick.st.prevf0);
        EXPECT_EQ(full.st.noise.spechistcount(), quick.st.noise.spechistcount());
        for (int k = 0; k < nfft / 2; ++k) {
            ASSERT_EQ(full.st.noise.specnoisequantile()[std::size_t(k)],
                      quick.st.noise.specnoisequantile()[std::size_t(k)]);
            for (int i = 0; i < tbackgroundnoise::nclasses; ++i)
                ASSERT_EQ(full.st.noise.spechist(k, i), quick.st.noise.spechist(k, i));
        }
    }
}

TEST(ChannelAnalysis, TheTransformsLazyOutputsGiveTheWholeSpectrasResults) {
    // Read from the transform, the analysis takes only the power bins up to N/2, the levels
    // it reads and the thresholds as ratios kept from before; fed the whole spectra it takes
    // everything. Voices whose strongest partial is the first, the second or the third, low
    // and high in the band, with a high limit above half the rate, give the same bits.
    for (const double hif0 : {1000.0, 30000.0}) {
        tanalysisparams p;
        p.hif0limit = hif0;
        tchannel whole(p), lazy(p);
        tthresholdratios ratios;
        ratios.update(p);
        lazy.ctx.ratios = &ratios;
        const std::vector<std::vector<tpartial>> voices = {
            voice_partials(95.0, sine_amplitude_for_level(75), 4000),
            {{1, 0.2, 0}, {2, 1.0, 0.3}, {3, 0.3, 0.6}},
            {{1, 0.1, 0}, {2, 0.2, 0.3}, {3, 1.0, 0.6}, {4, 0.3, 0.9}},
            voice_partials(880.0, sine_amplitude_for_level(85), 8000),
        };
        for (int i = 0; i < 8; ++i) {
            const double f0 = i % 4 == 3 ? 880.0 : 150.0 + 70.0 * i;
            std::vector<tpartial> ps = voices[std::size_t(i % 4)];
            if (i % 4 == 1 || i % 4 == 2)
                for (tpartial& q : ps) q.amplitude *= sine_amplitude_for_level(80);
            const std::vector<double> x = harmonic_window(w, fs, f0, ps, 37L * i);
            whole.analyse(x);
            lazy.fft.setInRe(x);
            analyse_channel(x, lazy.fft, lazy.ctx, lazy.p, 0, lazy.st);
            const tchannelmeasures &a = whole.m(), &b = lazy.m();
            EXPECT_EQ(a.killpoint.bits, b.killpoint.bits) << i;
            EXPECT_EQ(std::memcmp(&a.f0, &b.f0, sizeof a.f0), 0) << i;
            EXPECT_EQ(std::memcmp(&a.h1h2, &b.h1h2, sizeof a.h1h2), 0) << i;
            EXPECT_EQ(std::memcmp(&a.hnr, &b.hnr, sizeof a.hnr), 0) << i;
            EXPECT_EQ(std::memcmp(&a.centroid, &b.centroid, sizeof a.centroid), 0) << i;
            EXPECT_EQ(a.maxpartno, b.maxpartno) << i;
            EXPECT_EQ(whole.st.f0search.strongestbin, lazy.st.f0search.strongestbin) << i;
        }
    }
}
