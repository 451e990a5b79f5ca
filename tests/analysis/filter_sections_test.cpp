#include "analysis/filter_sections.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <vector>

namespace gravon {
namespace {

constexpr double pi = std::numbers::pi;

// Magnitude of the transfer function at frequency f, from the published coefficients.
template <class S> double gainat(const S& s, double f) {
    const std::complex<double> zi = std::polar(1.0, -2.0 * pi * f / s.SampFreq()); // z^-1
    const auto num = 1.0 + s.b1() * zi + s.b2() * zi * zi;
    const auto den = 1.0 - s.a1() * zi - s.a2() * zi * zi;
    return std::abs(s.Gain() * s.b0() * s.a0() * num / den);
}

double gainat(const TRealFilterSection& s, double f) {
    const std::complex<double> zi = std::polar(1.0, -2.0 * pi * f / s.SampFreq());
    return std::abs(s.Gain() * s.b0() * s.a0() * (1.0 + s.b1() * zi) / (1.0 - s.a1() * zi));
}

// The last output after n samples of the input sequence (constant or alternating).
template <class S> double settle(S& s, bool alternating, int n = 20000) {
    double y = 0;
    for (int i = 0; i < n; ++i) y = s.filter(alternating && (i % 2) ? -1.0 : 1.0);
    return y;
}

// ---- Second-order sections ----

TEST(SecondOrderSections, Defaults) {
    TLPFilterSection lp;
    EXPECT_EQ(lp.SampFreq(), 16000.0);
    EXPECT_EQ(lp.F0(), 1000.0);
    EXPECT_EQ(lp.Q(), 1.0);
    EXPECT_EQ(lp.Gain(), 1.0);
    EXPECT_EQ(lp.bw(), 1000.0);
    // Designed for the defaults at creation.
    const double t = std::tan(pi * 1000.0 / 16000.0);
    const double p = 1 / (t * t), q = 1 / t, c = 1 + q + p;
    EXPECT_NEAR(lp.a1(), 2 * (p - 1) / c, 1e-15);
    EXPECT_NEAR(lp.a2(), -(1 - q + p) / c, 1e-15);
    EXPECT_NEAR(lp.a0(), 4 / c, 1e-15);
    EXPECT_EQ(lp.b0(), 0.25);
    EXPECT_EQ(lp.b1(), 2.0);
    EXPECT_EQ(lp.b2(), 1.0);
    THPFilterSection hp;
    EXPECT_NEAR(hp.b0(), 0.25 * p, 1e-12);
    EXPECT_EQ(hp.b1(), -2.0);
    EXPECT_EQ(hp.b2(), 1.0);
    EXPECT_EQ(hp.a1(), lp.a1());
    EXPECT_EQ(hp.a2(), lp.a2());
    EXPECT_EQ(hp.a0(), lp.a0());
}

TEST(SecondOrderSections, WorkedFormantCoefficients) {
    TLPFilterSection lp;
    lp.setF0(700);
    lp.setQ(5);
    EXPECT_NEAR(lp.a0(), 0.0731051574, 1e-10);
    EXPECT_NEAR(lp.a1(), 1.8740414086, 1e-10);
    EXPECT_NEAR(lp.a2(), -0.9471465660, 1e-10);
    EXPECT_NEAR(lp.a0(), 1 - lp.a1() - lp.a2(), 1e-16);
    EXPECT_DOUBLE_EQ(lp.bw(), 140.0);
    EXPECT_DOUBLE_EQ(lp.Getbw(), 140.0);
    // The stored formant and f0 sections.
    lp.setF0(1100);
    lp.setQ(10);
    EXPECT_DOUBLE_EQ(lp.bw(), 110.0);
    lp.setF0(3000);
    EXPECT_DOUBLE_EQ(lp.bw(), 300.0);
    lp.setF0(6);
    lp.setQ(1);
    EXPECT_DOUBLE_EQ(lp.bw(), 6.0);
}

TEST(SecondOrderSections, LowPassPassesDC) {
    TLPFilterSection lp;
    EXPECT_NEAR(settle(lp, false), 1.0, 1e-12);
    EXPECT_NEAR(gainat(lp, 0.0), 1.0, 1e-14);
    EXPECT_NEAR(gainat(lp, 1000.0), 1.0, 1e-12); // Q times the gain at F0
    lp.setQ(5);
    EXPECT_NEAR(gainat(lp, 1000.0), 5.0, 1e-10);
    EXPECT_LT(gainat(lp, 7900.0), 0.01);
}

TEST(SecondOrderSections, HighPassPassesNyquistAndBlocksDC) {
    THPFilterSection hp;
    const double y = settle(hp, true);
    EXPECT_NEAR(std::abs(y), 1.0, 1e-12);
    EXPECT_NEAR(hp.filter(1.0), -y, 2e-12); // keeps alternating at +-1
    hp.reset();
    EXPECT_NEAR(settle(hp, false), 0.0, 1e-12);
    EXPECT_NEAR(gainat(hp, 8000.0), 1.0, 1e-14);
    EXPECT_NEAR(gainat(hp, 0.0), 0.0, 1e-14);
    hp.setQ(1.4);
    EXPECT_NEAR(gainat(hp, 1000.0), 1.4, 1e-10);
}

TEST(SecondOrderSections, AnalysisHighPassCascade) {
    // Two sections per channel at the default 40 Hz, Q 0.53 and 1.4, at 44.1 kHz.
    THPFilterSection s1, s2;
    for (auto* s : {&s1, &s2}) {
        s->setSampFreq(44100);
        s->setF0(40);
        s->setGain(1);
    }
    s1.setQ(0.53);
    s2.setQ(1.4);
    s1.reset();
    s2.reset();
    EXPECT_NEAR(gainat(s1, 40) * gainat(s2, 40), 0.53 * 1.4, 1e-9);
    EXPECT_NEAR(gainat(s1, 1000) * gainat(s2, 1000), 1.0, 1e-3);
    EXPECT_LT(gainat(s1, 10) * gainat(s2, 10), 0.01);
    // Filtering a 1 kHz sine leaves its amplitude.
    double peak = 0;
    for (int i = 0; i < 44100; ++i) {
        const double y = s2.filter(s1.filter(std::sin(2 * pi * 1000 * i / 44100.0)));
        if (i > 22050) peak = std::max(peak, std::abs(y));
    }
    EXPECT_NEAR(peak, 1.0, 2e-3);
}

TEST(SecondOrderSections, RecursionIsDirectFormTwo) {
    TLPFilterSection lp;
    lp.setF0(700);
    lp.setQ(5);
    lp.setGain(0.5);
    double z1 = 0, z2 = 0;
    const double xs[] = {1.0, -0.5, 0.25, 2.0, 0.0, 0.0, -3.0};
    for (double x : xs) {
        const double w = lp.a0() * x + lp.a1() * z1 + lp.a2() * z2;
        const double y = 0.5 * lp.b0() * (w + lp.b1() * z1 + lp.b2() * z2);
        z2 = z1;
        z1 = w;
        EXPECT_DOUBLE_EQ(lp.filter(x), y);
    }
}

TEST(SecondOrderSections, CoefficientAndBandwidthWritesAreIgnored) {
    TLPFilterSection lp;
    const double a0 = lp.a0(), a1 = lp.a1(), b0 = lp.b0(), bw = lp.bw();
    lp.seta0(99);
    lp.seta1(99);
    lp.seta2(99);
    lp.setb0(99);
    lp.setb1(99);
    lp.setb2(99);
    lp.setbw(99);
    EXPECT_EQ(lp.a0(), a0);
    EXPECT_EQ(lp.a1(), a1);
    EXPECT_EQ(lp.b0(), b0);
    EXPECT_EQ(lp.bw(), bw);
}

TEST(SecondOrderSections, GainTakesEffectFromTheNextSample) {
    TLPFilterSection a, b;
    const double ya = a.filter(1.0);
    b.filter(1.0);
    b.setGain(2.0);
    a.setGain(1.0);
    EXPECT_DOUBLE_EQ(b.filter(1.0), 2.0 * a.filter(1.0));
    EXPECT_GT(ya, 0.0);
}

TEST(SecondOrderSections, RedesignKeepsStateAndResetClearsIt) {
    TLPFilterSection a, fresh;
    for (int i = 0; i < 10; ++i) a.filter(1.0);
    a.setF0(2000);
    fresh.setF0(2000);
    // The state is kept: the output differs from that of a fresh section.
    EXPECT_NE(a.filter(0.0), fresh.filter(0.0));
    a.reset();
    fresh.reset();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.filter(i * 0.3), fresh.filter(i * 0.3));
}

TEST(SecondOrderSections, SampFreqRedesignsFromPresentF0AndQ) {
    TLPFilterSection a, b;
    a.setF0(700);
    a.setQ(5);
    a.setSampFreq(44100);
    b.setSampFreq(44100);
    b.setQ(5);
    b.setF0(700);
    EXPECT_EQ(a.a0(), b.a0());
    EXPECT_EQ(a.a1(), b.a1());
    EXPECT_EQ(a.a2(), b.a2());
    EXPECT_NEAR(gainat(a, 700), 5.0, 1e-9);
}

TEST(SecondOrderSections, LowPassRaisesOnImpossibleDesign) {
    TLPFilterSection lp;
    const double a0 = lp.a0(), a1 = lp.a1(), a2 = lp.a2();
    EXPECT_THROW(lp.setF0(0), EFilterError);
    EXPECT_EQ(lp.a0(), a0);
    EXPECT_EQ(lp.a1(), a1);
    EXPECT_EQ(lp.a2(), a2);
    lp.setF0(1000);
    EXPECT_THROW(lp.setQ(0), EFilterError);
    lp.setQ(1);
    EXPECT_THROW(lp.setSampFreq(0), EFilterError);
    lp.setSampFreq(16000);
    EXPECT_THROW(lp.setF0(std::numeric_limits<double>::quiet_NaN()), EFilterError);
    try {
        lp.setF0(0);
        FAIL();
    } catch (const EFilterError& e) {
        EXPECT_NE(std::string(e.what()).find("F0 = 0 Hz"), std::string::npos) << e.what();
    }
    // Coefficients unchanged: it still filters as designed.
    EXPECT_EQ(lp.a1(), a1);
    lp.reset();
    EXPECT_TRUE(std::isfinite(lp.filter(1.0)));
}

TEST(SecondOrderSections, HighPassIgnoresImpossibleDesign) {
    THPFilterSection hp;
    const double a0 = hp.a0(), a1 = hp.a1(), a2 = hp.a2(), b0 = hp.b0();
    EXPECT_NO_THROW(hp.setF0(0));
    EXPECT_EQ(hp.F0(), 0.0);
    EXPECT_NO_THROW(hp.setQ(0));
    EXPECT_NO_THROW(hp.setSampFreq(0));
    EXPECT_EQ(hp.a0(), a0);
    EXPECT_EQ(hp.a1(), a1);
    EXPECT_EQ(hp.a2(), a2);
    EXPECT_EQ(hp.b0(), b0);
    EXPECT_TRUE(std::isfinite(hp.filter(1.0)));
}

// ---- First-order section ----

TEST(RealSection, NewSectionIsSilentUntilDesigned) {
    TRealFilterSection s;
    EXPECT_EQ(s.SampFreq(), 16000.0);
    EXPECT_EQ(s.FZero(), 1000.0);
    EXPECT_EQ(s.FPole(), 1000.0);
    EXPECT_FALSE(s.UnityGainAtHF());
    EXPECT_EQ(s.Gain(), 1.0);
    EXPECT_EQ(s.a0(), 0.0);
    EXPECT_EQ(s.a1(), 0.0);
    EXPECT_EQ(s.b0(), 0.0);
    EXPECT_EQ(s.b1(), 0.0);
    for (double x : {1.0, -2.0, 3.0, 1e6}) EXPECT_EQ(s.filter(x), 0.0);
    s.setGain(3.0); // not a design property
    EXPECT_EQ(s.filter(1.0), 0.0);
}

TEST(RealSection, AnyFirstDesignWriteDesignsZeroAndPole) {
    // Writing only the zero of a new section designs the pole too (from FPole 1000 Hz), so
    // the section is never left half designed and silent.
    TRealFilterSection s, ref;
    s.setFZero(500);
    ref.setSampFreq(16000);
    ref.setFZero(500);
    EXPECT_EQ(s.a0(), ref.a0());
    EXPECT_EQ(s.a1(), ref.a1());
    EXPECT_EQ(s.b0(), ref.b0());
    EXPECT_EQ(s.b1(), ref.b1());
    EXPECT_NE(s.filter(1.0), 0.0);
    TRealFilterSection p;
    p.setFPole(100);
    EXPECT_NE(p.b0(), 0.0);
    EXPECT_NEAR(settle(p, false), 1.0, 1e-12);
}

TEST(RealSection, WorkedBrownNoiseCoefficients) {
    TRealFilterSection s;
    s.setFZero(1e10);
    s.setFPole(2000);
    s.setUnityGainAtHF(false);
    EXPECT_NEAR(s.b1(), 0.9998429406, 1e-10);
    EXPECT_NEAR(s.b0(), 0.5000392679, 1e-10);
    EXPECT_NEAR(s.a1(), 0.4142135624, 1e-10);
    EXPECT_NEAR(s.a0(), 0.5857864376, 1e-10);
    EXPECT_EQ(s.FZero(), 1e10);
    EXPECT_NEAR(settle(s, false), 1.0, 1e-12);
    EXPECT_NEAR(gainat(s, 0.0), 1.0, 1e-14);
}

TEST(RealSection, UnityGainAtHighFrequency) {
    TRealFilterSection s;
    s.setFZero(1e10);
    s.setFPole(2000);
    s.setUnityGainAtHF(true);
    EXPECT_NEAR(std::abs(settle(s, true)), 1.0, 1e-12);
    EXPECT_NEAR(gainat(s, 8000.0), 1.0, 1e-12);
    // The A-weighting style stage: a zero near 0 Hz, a pole at 107.7 Hz, unity at HF.
    TRealFilterSection w;
    w.setSampFreq(16000);
    w.setFZero(0.01);
    w.setFPole(107.7);
    w.setUnityGainAtHF(true);
    EXPECT_NEAR(gainat(w, 8000.0), 1.0, 1e-12);
    EXPECT_NEAR(gainat(w, 107.7), 1.0 / std::sqrt(2.0), 2e-3);
}

TEST(RealSection, ZeroFrequencyIsLimitedForTheDesignOnly) {
    TRealFilterSection a, b;
    a.setSampFreq(16000);
    a.setFZero(20000);
    b.setSampFreq(16000);
    b.setFZero(16000 / 2.0001);
    EXPECT_EQ(a.FZero(), 20000.0);
    EXPECT_EQ(a.b1(), b.b1());
    EXPECT_EQ(a.b0(), b.b0());
    // Negative zero frequencies are limited too.
    a.setFZero(-20000);
    b.setFZero(-16000 / 2.0001);
    EXPECT_EQ(a.b1(), b.b1());
    EXPECT_EQ(a.FZero(), -20000.0);
    // The pole is limited above only.
    a.setFPole(1e9);
    b.setFPole(16000 / 2.0001);
    EXPECT_EQ(a.a1(), b.a1());
    a.setFPole(-100);
    EXPECT_EQ(a.FPole(), -100.0);
    const double t = std::tan(pi * -100 / 16000);
    EXPECT_NEAR(a.a1(), (1 - t) / (1 + t), 1e-15);
}

TEST(RealSection, WritesRedesignOnlyWhatDependsOnThem) {
    TRealFilterSection s;
    s.setFZero(300);
    s.setFPole(3000);
    const double a0 = s.a0(), a1 = s.a1(), b0 = s.b0(), b1 = s.b1();
    s.setFZero(400);
    EXPECT_EQ(s.a0(), a0);
    EXPECT_EQ(s.a1(), a1);
    EXPECT_NE(s.b1(), b1);
    s.setFZero(300);
    EXPECT_EQ(s.b0(), b0);
    s.setSampFreq(44100);
    EXPECT_NE(s.a1(), a1);
    EXPECT_NE(s.b1(), b1);
    s.seta0(5);
    s.setb1(5);
    EXPECT_NE(s.a0(), 5.0);
    EXPECT_NE(s.b1(), 5.0);
}

TEST(RealSection, RecursionAndReset) {
    TRealFilterSection s;
    s.setFZero(1e10);
    s.setFPole(2000);
    s.setGain(std::pow(10.0, -0.675));
    double z1 = 0;
    for (double x : {1.0, 0.0, -1.0, 0.5}) {
        const double w = s.a0() * x + s.a1() * z1;
        const double y = s.Gain() * s.b0() * (w + s.b1() * z1);
        z1 = w;
        EXPECT_DOUBLE_EQ(s.filter(x), y);
    }
    s.reset();
    TRealFilterSection f = s;
    f.reset();
    EXPECT_EQ(s.filter(1.0), f.filter(1.0));
    EXPECT_NEAR(s.Gain(), 0.2113, 1e-4);
}

TEST(RealSection, PinkNoiseFilterBank) {
    // Ten sections, poles at 20*2^i Hz and zeros half an octave above: unity at 0 Hz and
    // about -3 dB per octave in the band.
    std::vector<TRealFilterSection> bank(10);
    for (int i = 0; i < 10; ++i) {
        bank[i].setSampFreq(44100);
        bank[i].setFPole(20 * std::pow(2.0, i));
        bank[i].setFZero(20 * std::pow(2.0, i + 0.5));
        bank[i].setUnityGainAtHF(false);
        bank[i].setGain(1);
        bank[i].reset();
    }
    EXPECT_NEAR(bank[9].FZero(), 14481.5, 0.1);
    auto bankgain = [&](double f) {
        double g = 1;
        for (const auto& s : bank) g *= gainat(s, f);
        return g;
    };
    EXPECT_NEAR(bankgain(0.0), 1.0, 1e-12);
    for (double f : {200.0, 400.0, 800.0, 1600.0}) {
        const double slope = 20 * std::log10(bankgain(2 * f) / bankgain(f));
        EXPECT_NEAR(slope, -3.0, 0.5) << f;
    }
    double y = 0;
    for (int i = 0; i < 100000; ++i) {
        double x = 1.0;
        for (auto& s : bank) x = s.filter(x);
        y = x;
    }
    EXPECT_NEAR(y, 1.0, 1e-6);
}

TEST(RealSection, ImpossibleDesignRaisesAndKeepsCoefficients) {
    TRealFilterSection s;
    s.setFZero(1e10);
    s.setFPole(2000);
    const double a0 = s.a0(), a1 = s.a1(), b0 = s.b0(), b1 = s.b1();
    EXPECT_THROW(s.setSampFreq(0), EFilterError);
    EXPECT_EQ(s.SampFreq(), 0.0);
    EXPECT_EQ(s.a0(), a0);
    EXPECT_EQ(s.a1(), a1);
    EXPECT_EQ(s.b0(), b0);
    EXPECT_EQ(s.b1(), b1);
    s.setSampFreq(16000);
    // A zero at 0 Hz cannot have unity gain at 0 Hz.
    EXPECT_THROW(s.setFZero(0), EFilterError);
    EXPECT_EQ(s.b0(), b0);
    s.setUnityGainAtHF(true); // now it can: unity gain at half the sampling rate
    EXPECT_NEAR(s.b0(), 0.5, 1e-15);
    EXPECT_NEAR(s.b1(), -1.0, 1e-15);
    EXPECT_THROW(s.setFPole(std::numeric_limits<double>::quiet_NaN()), EFilterError);
}

} // namespace
} // namespace gravon
