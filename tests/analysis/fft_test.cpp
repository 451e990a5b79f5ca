#include "analysis/fft.h"

#include <cmath>
#include <complex>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace gravon {
namespace {

constexpr double pi = std::numbers::pi;

// ---- A straightforward reference: the same steps, with a direct O(N^2) transform ----

struct treference {
    std::vector<std::complex<double>> x; // N bins
    tdoublearr win;                      // N window values
};

double referencewindow(TFFTWindow kind, int i, int w, double l, double r) {
    const double x = 2.0 * pi * i / (w - 1);
    if (kind == TFFTWindow::rectangle) return 1.0;
    double phi = x;
    if (l != 0.5 || r != 0.5) {
        const double d = x - 2.0 * pi * std::floor(x / (2.0 * pi));
        if (d < 2.0 * pi * l)
            phi = d * 0.5 / l;
        else if (d <= 2.0 * pi * r)
            phi = pi;
        else
            phi = (d - 2.0 * pi) * 0.5 / (1.0 - r) + 2.0 * pi;
    } else if (kind == TFFTWindow::Bartlett) {
        return 1.0 - std::abs(2.0 * i / (w - 1) - 1.0);
    }
    switch (kind) {
    case TFFTWindow::Bartlett:
        return 1.0 - std::abs(phi / pi - 1.0);
    case TFFTWindow::Hamming:
        return 0.54 - 0.46 * std::cos(phi);
    case TFFTWindow::Hanning:
        return (1.0 - std::cos(phi)) * 0.5;
    case TFFTWindow::Blackman:
        return 0.42 - 0.5 * std::cos(phi) + 0.08 * std::cos(2.0 * phi);
    default:
        return 1.0;
    }
}

treference referencetransform(const tdoublearr& inre, const tdoublearr& inim, int n, int w,
                              TFFTWindow kind, bool removedc, bool ignoreinim, double l = 0.5,
                              double r = 0.5) {
    treference ref;
    ref.win.assign(n, 0.0);
    for (int i = 0; i < w; ++i) ref.win[i] = referencewindow(kind, i, w, l, r);
    double mr = 0, mi = 0;
    if (removedc) {
        for (double v : inre) mr += v;
        if (!inre.empty()) mr /= inre.size();
        if (!ignoreinim) {
            for (double v : inim) mi += v;
            if (!inim.empty()) mi /= inim.size();
        }
    }
    std::vector<double> a(n, 0.0), b(n, 0.0);
    for (int i = 0; i < n && i < static_cast<int>(inre.size()); ++i)
        a[i] = (inre[i] - mr) * ref.win[i];
    if (!ignoreinim)
        for (int i = 0; i < n && i < static_cast<int>(inim.size()); ++i)
            b[i] = (inim[i] - mi) * ref.win[i];
    if (removedc) {
        double sa = 0, sb = 0;
        for (int i = 0; i < n; ++i) sa += a[i], sb += b[i];
        for (int i = 0; i < n; ++i) {
            a[i] -= sa / n;
            if (!ignoreinim) b[i] -= sb / n;
        }
    }
    ref.x.assign(n, {});
    for (int k = 0; k < n; ++k) {
        std::complex<double> s = 0;
        for (int i = 0; i < n; ++i) {
            const long long e = (static_cast<long long>(k) * i) % n;
            s += std::complex<double>(a[i], b[i]) * std::polar(1.0, 2.0 * pi * e / n);
        }
        ref.x[k] = s / static_cast<double>(w);
    }
    return ref;
}

tdoublearr randomarray(std::mt19937_64& rng, int len, double offset) {
    std::normal_distribution<double> g(0.0, 1.0);
    tdoublearr a(len);
    for (auto& v : a) v = offset + g(rng);
    return a;
}

void expectmatchesreference(TFFT& fft, const treference& ref, const std::string& what) {
    const int n = static_cast<int>(ref.x.size());
    double mx = 0;
    for (const auto& v : ref.x) mx = std::max(mx, std::abs(v));
    ASSERT_GT(mx, 0.0) << what;
    const double tol = 1e-9 * mx;
    const auto& re = fft.OutRe();
    const auto& im = fft.OutIm();
    const auto& c = fft.OutComplex();
    const auto& ab = fft.OutAbs();
    const auto& ab2 = fft.OutAbs2();
    const auto& db = fft.OutdB();
    const auto& ph = fft.OutPhase();
    ASSERT_EQ(static_cast<int>(re.size()), n) << what;
    for (const auto* arr : {&im, &ab, &ab2, &db, &ph}) ASSERT_EQ(static_cast<int>(arr->size()), n);
    ASSERT_EQ(static_cast<int>(c.size()), n);
    for (int k = 0; k < n; ++k) {
        const auto x = ref.x[k];
        ASSERT_NEAR(re[k], x.real(), tol) << what << " bin " << k;
        ASSERT_NEAR(im[k], x.imag(), tol) << what << " bin " << k;
        ASSERT_EQ(c[k].re, re[k]);
        ASSERT_EQ(c[k].im, im[k]);
        ASSERT_NEAR(ab[k], std::abs(x), tol) << what << " bin " << k;
        ASSERT_NEAR(ab2[k], std::norm(x), 2 * tol * mx) << what << " bin " << k;
        if (std::abs(x) > 1e-6 * mx) {
            ASSERT_NEAR(db[k], 10.0 * std::log10(std::norm(x)), 1e-7) << what << " bin " << k;
            // Compared modulo 2*pi: on the negative real axis the component gives -pi where
            // rounding may put the reference at +pi.
            const double dp = std::remainder(ph[k] - std::arg(x), 2.0 * pi);
            ASSERT_NEAR(dp, 0.0, 1e-6) << what << " bin " << k;
            ASSERT_LE(std::abs(ph[k]), pi);
        }
    }
}

// ---- Defaults and sizes ----

TEST(FFTSizes, NewComponentDefaults) {
    TFFT fft;
    EXPECT_EQ(fft.LogFFTSize(), 8);
    EXPECT_EQ(fft.FFTSize(), 256);
    EXPECT_EQ(fft.WindowSize(), 256);
    EXPECT_EQ(fft.Window(), TFFTWindow::Hamming);
    EXPECT_TRUE(fft.RemoveDC());
    EXPECT_TRUE(fft.IgnoreInIm());
    EXPECT_EQ(fft.windowleftskew(), 0.5);
    EXPECT_EQ(fft.windowrightskew(), 0.5);
    EXPECT_TRUE(fft.Dirty());
    EXPECT_EQ(fft.WinValues().size(), 256u);
}

TEST(FFTSizes, FFTSizeRoundsUpToPowerOfTwo) {
    TFFT fft;
    fft.setFFTSize(1000);
    EXPECT_EQ(fft.FFTSize(), 1024);
    EXPECT_EQ(fft.LogFFTSize(), 10);
    fft.setFFTSize(1024);
    EXPECT_EQ(fft.FFTSize(), 1024);
    fft.setFFTSize(1025);
    EXPECT_EQ(fft.FFTSize(), 2048);
    fft.setFFTSize(2);
    EXPECT_EQ(fft.FFTSize(), 2);
    EXPECT_EQ(fft.LogFFTSize(), 1);
    fft.setFFTSize(3);
    EXPECT_EQ(fft.FFTSize(), 4);
    fft.setFFTSize(16777216);
    EXPECT_EQ(fft.FFTSize(), 16777216);
    EXPECT_EQ(fft.LogFFTSize(), 24);
}

TEST(FFTSizes, FFTSizeOutOfRangeRaisesAndKeepsSizes) {
    TFFT fft;
    fft.setFFTSize(512);
    try {
        fft.setFFTSize(1);
        FAIL() << "no exception";
    } catch (const EFFTError& e) {
        EXPECT_STREQ(e.what(), "FFT size out of range (1)");
    }
    try {
        fft.setFFTSize(16777217);
        FAIL() << "no exception";
    } catch (const EFFTError& e) {
        EXPECT_STREQ(e.what(), "FFT size out of range (16777217)");
    }
    EXPECT_THROW(fft.setFFTSize(-5), EFFTError);
    EXPECT_THROW(fft.setFFTSize(0), EFFTError);
    EXPECT_EQ(fft.FFTSize(), 512);
    EXPECT_EQ(fft.LogFFTSize(), 9);
    EXPECT_EQ(fft.WindowSize(), 256);
}

TEST(FFTSizes, WindowSizeRaisesFFTSizeWhenLarger) {
    TFFT fft;
    fft.setFFTSize(2048);
    fft.setWindowSize(1764);
    EXPECT_EQ(fft.FFTSize(), 2048);
    fft.setWindowSize(3000);
    EXPECT_EQ(fft.FFTSize(), 4096);
    EXPECT_EQ(fft.LogFFTSize(), 12);
    EXPECT_EQ(fft.WindowSize(), 3000);
    // A smaller window leaves the frame as it is.
    fft.setWindowSize(100);
    EXPECT_EQ(fft.FFTSize(), 4096);
}

TEST(FFTSizes, WindowSizeOutOfRangeRaisesAndKeepsSizes) {
    TFFT fft;
    for (std::int32_t bad : {1, 0, -1, 16777217}) {
        try {
            fft.setWindowSize(bad);
            FAIL() << "no exception for " << bad;
        } catch (const EFFTError& e) {
            EXPECT_STREQ(e.what(), "Window size out of range");
        }
    }
    EXPECT_EQ(fft.WindowSize(), 256);
    EXPECT_EQ(fft.FFTSize(), 256);
}

TEST(FFTSizes, LogFFTSizeOutsideTwoToTwentyIsIgnored) {
    TFFT fft;
    fft.setLogFFTSize(1);
    EXPECT_EQ(fft.FFTSize(), 256);
    fft.setLogFFTSize(21);
    EXPECT_EQ(fft.FFTSize(), 256);
    fft.setLogFFTSize(11);
    EXPECT_EQ(fft.FFTSize(), 2048);
    EXPECT_EQ(fft.LogFFTSize(), 11);
    fft.setLogFFTSize(2);
    EXPECT_EQ(fft.FFTSize(), 4);
}

TEST(FFTSizes, AnalysisSizingFromBandwidth) {
    // fs / B * factor with the defaults 44100 Hz, 50 Hz and Hanning.
    EXPECT_EQ(windowsizefactor(TFFTWindow::rectangle), 1);
    EXPECT_EQ(windowsizefactor(TFFTWindow::Bartlett), 2);
    EXPECT_EQ(windowsizefactor(TFFTWindow::Hamming), 2);
    EXPECT_EQ(windowsizefactor(TFFTWindow::Hanning), 2);
    EXPECT_EQ(windowsizefactor(TFFTWindow::Blackman), 4);
    TFFT fft;
    fft.setWindow(TFFTWindow::Hanning);
    fft.setFFTSize(16);
    fft.setWindowSize(
        static_cast<std::int32_t>(std::nearbyint(44100.0 / 50.0 * windowsizefactor(fft.Window()))));
    EXPECT_EQ(fft.WindowSize(), 1764);
    EXPECT_EQ(fft.FFTSize(), 2048);
}

TEST(FFTSizes, FrameSmallerThanWindowIsRefusedOnRead) {
    TFFT fft;
    fft.setInRe(tdoublearr(1764, 1.0));
    fft.setFFTSize(16);
    EXPECT_EQ(fft.FFTSize(), 16);
    EXPECT_THROW(fft.OutdB(), EFFTError);
    EXPECT_THROW(fft.WinValues(), EFFTError);
    // Writing the window kind while the frame is too small only stores it.
    fft.setWindow(TFFTWindow::Blackman);
    EXPECT_EQ(fft.Window(), TFFTWindow::Blackman);
    // Writing the window size restores N >= W.
    fft.setWindowSize(1764);
    EXPECT_EQ(fft.FFTSize(), 2048);
    EXPECT_EQ(fft.OutdB().size(), 2048u);
    EXPECT_NEAR(fft.WinValues()[1763], 0.0, 1e-15); // Blackman ends
}

// ---- Inputs ----

TEST(FFTInputs, InReOfNewLengthResizes) {
    TFFT fft;
    fft.setWindowSize(1024);
    fft.setInRe(tdoublearr(1764, 0.0));
    EXPECT_EQ(fft.WindowSize(), 1764);
    EXPECT_EQ(fft.FFTSize(), 2048);
    EXPECT_EQ(fft.InRe().size(), 1764u);
    // A shorter input shrinks the frame too.
    fft.setInRe(tdoublearr(100, 0.0));
    EXPECT_EQ(fft.WindowSize(), 100);
    EXPECT_EQ(fft.FFTSize(), 128);
    fft.setInIm(tdoublearr(300, 0.0));
    EXPECT_EQ(fft.WindowSize(), 300);
    EXPECT_EQ(fft.FFTSize(), 512);
}

TEST(FFTInputs, InputWrittenInPlaceActsLikeSetInRe) {
    std::mt19937_64 rng(41);
    const tdoublearr x = randomarray(rng, 1764, 0.1);
    TFFT a, b;
    a.setWindow(TFFTWindow::Hanning);
    b.setWindow(TFFTWindow::Hanning);
    a.setInRe(x);
    const tdoublearr want = a.OutdB();
    b.OutdB();
    const std::span<double> in = b.InReForWriting(x.size()); // 1764 values: W and N follow
    EXPECT_EQ(b.WindowSize(), 1764);
    EXPECT_EQ(b.FFTSize(), 2048);
    EXPECT_TRUE(b.Dirty());
    std::copy(x.begin(), x.end(), in.begin());
    EXPECT_EQ(b.OutdB(), want);
    EXPECT_EQ(b.InRe(), x);
    // The values are kept until they are written again.
    in[5] += 1.0;
    EXPECT_EQ(b.InReForWriting(x.size())[5], x[5] + 1.0);
    EXPECT_THROW(b.InReForWriting(1), EFFTError);
}

TEST(FFTInputs, InReTooShortRaises) {
    TFFT fft;
    EXPECT_THROW(fft.setInRe(tdoublearr(1, 0.0)), EFFTError);
    EXPECT_THROW(fft.setInRe(tdoublearr{}), EFFTError);
    EXPECT_EQ(fft.WindowSize(), 256);
}

TEST(FFTInputs, InChunkCopiesSamples) {
    TFFT fft;
    tsamplechunk chunk;
    chunk.used = 1000;
    for (int i = 0; i < 16384; ++i) chunk.data[i] = static_cast<std::int16_t>(i * 7 - 30000);
    fft.setInChunk(chunk);
    EXPECT_EQ(fft.WindowSize(), 1000);
    EXPECT_EQ(fft.FFTSize(), 1024);
    ASSERT_EQ(fft.InRe().size(), 1000u);
    ASSERT_EQ(fft.InIm().size(), 1000u);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(fft.InRe()[i], chunk.data[i]);
        EXPECT_EQ(fft.InIm()[i], 0.0);
    }
    EXPECT_EQ(fft.InChunk().used, 1000);
    EXPECT_EQ(fft.InChunk().data[5], chunk.data[5]);
    EXPECT_TRUE(fft.Dirty());
    // The spectrum is that of the samples.
    const auto ref =
        referencetransform(fft.InRe(), {}, 1024, 1000, TFFTWindow::Hamming, true, true);
    expectmatchesreference(fft, ref, "chunk");
}

TEST(FFTInputs, InChunkRangeChecks) {
    TFFT fft;
    tsamplechunk chunk;
    chunk.used = 16385;
    EXPECT_THROW(fft.setInChunk(chunk), ERangeError);
    chunk.used = 1;
    EXPECT_THROW(fft.setInChunk(chunk), EFFTError);
    chunk.used = -7;
    EXPECT_THROW(fft.setInChunk(chunk), EFFTError);
    EXPECT_EQ(fft.WindowSize(), 256);
    chunk.used = 16384;
    fft.setInChunk(chunk);
    EXPECT_EQ(fft.FFTSize(), 16384);
}

TEST(FFTInputs, SelfAssignmentKeepsValues) {
    TFFT fft;
    tdoublearr x(256);
    for (int i = 0; i < 256; ++i) x[i] = i;
    fft.setInRe(x);
    fft.setInRe(fft.InRe());
    EXPECT_EQ(fft.InRe(), x);
}

// ---- Worked values ----

TEST(FFTValues, AllZeroInput) {
    TFFT fft;
    fft.setInRe(tdoublearr(1764, 0.0));
    for (double v : fft.OutdB()) ASSERT_EQ(v, fftzerodb);
    for (double v : fft.OutAbs2()) ASSERT_EQ(v, 0.0);
    for (double v : fft.OutPhase()) ASSERT_EQ(v, 0.0);
}

TEST(FFTValues, ConstantInputWithRemoveDCIsZero) {
    TFFT fft;
    fft.setWindow(TFFTWindow::Hanning);
    fft.setInRe(tdoublearr(1764, 123.456));
    for (double v : fft.OutAbs()) ASSERT_NEAR(v, 0.0, 1e-12);
    fft.setIgnoreInIm(false);
    fft.setInIm(tdoublearr(1764, -7.5));
    for (double v : fft.OutAbs()) ASSERT_NEAR(v, 0.0, 1e-12);
}

TEST(FFTValues, RectangleOnesGiveUnitDC) {
    TFFT fft;
    fft.setWindow(TFFTWindow::rectangle);
    fft.setRemoveDC(false);
    fft.setInRe(tdoublearr(256, 1.0));
    const auto& re = fft.OutRe();
    const auto& im = fft.OutIm();
    EXPECT_NEAR(re[0], 1.0, 1e-15);
    for (int k = 1; k < 256; ++k) {
        ASSERT_NEAR(re[k], 0.0, 1e-15);
        ASSERT_NEAR(im[k], 0.0, 1e-15);
    }
    EXPECT_NEAR(fft.OutdB()[0], 0.0, 1e-12);
}

TEST(FFTValues, CosineOnBinHasHalfItsAmplitude) {
    for (int n : {8, 64, 2048}) {
        const int k0 = n / 8 + 1;
        const double a = 3.5;
        tdoublearr x(n);
        for (int i = 0; i < n; ++i) x[i] = a * std::cos(2.0 * pi * k0 * i / n);
        TFFT fft;
        fft.setWindow(TFFTWindow::rectangle);
        fft.setRemoveDC(false);
        fft.setInRe(x);
        EXPECT_NEAR(fft.OutAbs()[k0], a / 2, 1e-12) << n;
        EXPECT_NEAR(fft.OutAbs()[n - k0], a / 2, 1e-12) << n;
        EXPECT_NEAR(fft.OutAbs2()[k0], a * a / 4, 1e-11) << n;
        EXPECT_NEAR(fft.OutdB()[k0], 20 * std::log10(a / 2), 1e-10) << n;
        EXPECT_NEAR(fft.OutAbs()[k0 + 1], 0.0, 1e-12) << n;
    }
}

TEST(FFTValues, SignConventionIsPositiveExponent) {
    // A sine on bin k0: the usual forward transform gives -j*A/2 at k0; this kernel gives
    // +j*A/2, phase +pi/2, and the conjugate at N - k0.
    const int n = 64, k0 = 5;
    const double a = 2.0;
    tdoublearr x(n);
    for (int i = 0; i < n; ++i) x[i] = a * std::sin(2.0 * pi * k0 * i / n);
    TFFT fft;
    fft.setWindow(TFFTWindow::rectangle);
    fft.setRemoveDC(false);
    fft.setInRe(x);
    EXPECT_NEAR(fft.OutIm()[k0], a / 2, 1e-13);
    EXPECT_NEAR(fft.OutRe()[k0], 0.0, 1e-13);
    EXPECT_NEAR(fft.OutIm()[n - k0], -a / 2, 1e-13);
    EXPECT_NEAR(fft.OutPhase()[k0], pi / 2, 1e-12);
    EXPECT_NEAR(fft.OutPhase()[n - k0], -pi / 2, 1e-12);
}

TEST(FFTValues, ScalingIsByWindowSizeNotFrameSize) {
    // 100 ones in a 128-point frame with a rectangle window: bin 0 = 100/100 = 1.
    TFFT fft;
    fft.setWindow(TFFTWindow::rectangle);
    fft.setRemoveDC(false);
    fft.setInRe(tdoublearr(100, 1.0));
    EXPECT_EQ(fft.FFTSize(), 128);
    EXPECT_NEAR(fft.OutRe()[0], 1.0, 1e-15);
}

TEST(FFTValues, SecondMeanRemovalZeroesBinZero) {
    // With a window the windowed block has a mean of its own; it is removed too.
    TFFT fft;
    fft.setWindow(TFFTWindow::Hanning);
    std::mt19937_64 rng(5);
    fft.setInRe(randomarray(rng, 1764, 10.0));
    EXPECT_NEAR(fft.OutRe()[0], 0.0, 1e-13);
    EXPECT_EQ(fft.OutIm()[0], 0.0);
}

// ---- Windows ----

TEST(FFTWindows, WorkedWindowValues) {
    TFFT fft;
    fft.setWindow(TFFTWindow::Bartlett);
    fft.setFFTSize(4);
    fft.setWindowSize(4);
    const auto& b = fft.WinValues();
    ASSERT_EQ(b.size(), 4u);
    EXPECT_NEAR(b[0], 0.0, 1e-15);
    EXPECT_NEAR(b[1], 2.0 / 3.0, 1e-15);
    EXPECT_NEAR(b[2], 2.0 / 3.0, 1e-15);
    EXPECT_NEAR(b[3], 0.0, 1e-15);

    fft.setWindow(TFFTWindow::Hamming);
    fft.setWindowSize(3);
    const auto& h = fft.WinValues();
    EXPECT_EQ(h.size(), 4u);
    EXPECT_NEAR(h[0], 0.08, 1e-15);
    EXPECT_NEAR(h[1], 1.0, 1e-15);
    EXPECT_NEAR(h[2], 0.08, 1e-15);
    EXPECT_EQ(h[3], 0.0);
}

TEST(FFTWindows, HanningInLargerFrameIsZeroPadded) {
    TFFT fft;
    fft.setWindow(TFFTWindow::Hanning);
    fft.setInRe(tdoublearr(1764, 1.0));
    const auto& w = fft.WinValues();
    ASSERT_EQ(w.size(), 2048u);
    EXPECT_EQ(w[0], 0.0);
    EXPECT_NEAR(w[1763], 0.0, 1e-15);
    for (int i = 1764; i < 2048; ++i) ASSERT_EQ(w[i], 0.0) << i;
    // The peak is in the middle.
    EXPECT_NEAR(w[881], 1.0, 1e-5);
    EXPECT_NEAR(w[882], 1.0, 1e-5);
}

TEST(FFTWindows, FormulasOfEveryKind) {
    const int wsize = 101;
    for (auto kind : {TFFTWindow::rectangle, TFFTWindow::Bartlett, TFFTWindow::Hamming,
                      TFFTWindow::Hanning, TFFTWindow::Blackman}) {
        TFFT fft;
        fft.setWindow(kind);
        fft.setWindowSize(wsize);
        const auto& w = fft.WinValues();
        ASSERT_EQ(w.size(), 256u); // the default frame holds the window
        for (int i = 0; i < wsize; ++i)
            ASSERT_NEAR(w[i], referencewindow(kind, i, wsize, 0.5, 0.5), 1e-15)
                << static_cast<int>(kind) << " " << i;
        for (int i = wsize; i < 256; ++i) ASSERT_EQ(w[i], 0.0);
    }
    TFFT fft;
    fft.setWindow(TFFTWindow::Blackman);
    fft.setWindowSize(101);
    EXPECT_NEAR(fft.WinValues()[0], 0.0, 1e-15);
    EXPECT_NEAR(fft.WinValues()[50], 1.0, 1e-15);
}

TEST(FFTWindows, SkewMovesThePeak) {
    TFFT fft;
    fft.setWindow(TFFTWindow::Hanning);
    fft.setWindowSize(201);
    fft.setwindowleftskew(0.25);
    fft.setwindowrightskew(0.75);
    const auto& w = fft.WinValues();
    // Rises over the first quarter, flat at the peak up to three quarters, then falls.
    EXPECT_NEAR(w[0], 0.0, 1e-15);
    EXPECT_NEAR(w[25], (1 - std::cos(pi / 2)) * 0.5, 1e-12); // phi = pi/2 at an eighth
    EXPECT_NEAR(w[50], 1.0, 1e-12);
    for (int i = 50; i <= 150; ++i) ASSERT_NEAR(w[i], 1.0, 1e-12) << i;
    EXPECT_NEAR(w[175], 0.5, 1e-12);
    EXPECT_NEAR(w[200], 0.0, 1e-12);
    for (int i = 0; i < 201; ++i)
        ASSERT_NEAR(w[i], referencewindow(TFFTWindow::Hanning, i, 201, 0.25, 0.75), 1e-15);

    // A rectangle is not affected; a skewed Bartlett is a trapezoid.
    fft.setWindow(TFFTWindow::rectangle);
    for (int i = 0; i < 201; ++i) ASSERT_EQ(fft.WinValues()[i], 1.0);
    fft.setWindow(TFFTWindow::Bartlett);
    EXPECT_NEAR(fft.WinValues()[0], 0.0, 1e-15);
    EXPECT_NEAR(fft.WinValues()[25], 0.5, 1e-12);
    EXPECT_NEAR(fft.WinValues()[100], 1.0, 1e-12);
    EXPECT_NEAR(fft.WinValues()[200], 0.0, 1e-12);

    // Back to 0.5/0.5 gives the plain window.
    fft.setWindow(TFFTWindow::Hanning);
    fft.setwindowleftskew(0.5);
    fft.setwindowrightskew(0.5);
    for (int i = 0; i < 201; ++i)
        ASSERT_NEAR(fft.WinValues()[i], (1 - std::cos(2 * pi * i / 200)) * 0.5, 1e-15);
}

TEST(FFTWindows, BadWindowSettingsRaise) {
    TFFT fft;
    EXPECT_THROW(fft.setwindowleftskew(std::numeric_limits<double>::quiet_NaN()), EFFTError);
    EXPECT_THROW(fft.setwindowrightskew(std::numeric_limits<double>::infinity()), EFFTError);
    EXPECT_THROW(fft.setWindow(static_cast<TFFTWindow>(7)), EFFTError);
    EXPECT_EQ(fft.Window(), TFFTWindow::Hamming);
    EXPECT_EQ(fft.windowleftskew(), 0.5);
}

// ---- Against the reference transform ----

TEST(FFTReference, MatchesDirectTransformForEverySetting) {
    std::mt19937_64 rng(20240611);
    struct tcase {
        int n, w;
    };
    const tcase cases[] = {{2, 2},   {4, 3},    {4, 4},     {8, 5},     {16, 16},     {32, 20},
                           {64, 64}, {128, 77}, {256, 256}, {512, 300}, {1024, 1000}, {2048, 1764}};
    for (const auto& c : cases) {
        for (auto kind : {TFFTWindow::rectangle, TFFTWindow::Bartlett, TFFTWindow::Hamming,
                          TFFTWindow::Hanning, TFFTWindow::Blackman}) {
            if (c.n >= 1024 && kind != TFFTWindow::Hanning) continue; // keep the run short
            for (int flags = 0; flags < 4; ++flags) {
                const bool removedc = flags & 1;
                const bool ignoreinim = flags & 2;
                TFFT fft;
                fft.setWindow(kind);
                fft.setRemoveDC(removedc);
                fft.setIgnoreInIm(ignoreinim);
                const auto re = randomarray(rng, c.w, 3.0);
                const auto im = randomarray(rng, c.w, -2.0);
                fft.setInIm(im);
                fft.setInRe(re);
                ASSERT_EQ(fft.FFTSize(), c.n);
                const auto ref = referencetransform(re, im, c.n, c.w, kind, removedc, ignoreinim);
                if (c.w == 2 && kind != TFFTWindow::rectangle) continue; // window all zero
                expectmatchesreference(fft, ref,
                                       "n=" + std::to_string(c.n) + " w=" + std::to_string(c.w) +
                                           " kind=" + std::to_string(static_cast<int>(kind)) +
                                           " flags=" + std::to_string(flags));
            }
        }
    }
}

TEST(FFTReference, LargerFramesOfBothParities) {
    // log2 N odd and even, real and complex input.
    std::mt19937_64 rng(77);
    for (int n : {4096, 8192}) {
        for (bool ignoreinim : {true, false}) {
            TFFT fft;
            fft.setWindow(TFFTWindow::Blackman);
            fft.setIgnoreInIm(ignoreinim);
            const auto re = randomarray(rng, n - 10, 1.0);
            const auto im = randomarray(rng, n - 10, 0.0);
            fft.setInIm(im);
            fft.setInRe(re);
            // Compare a few bins only, to keep the direct transform cheap.
            const auto& out = fft.OutComplex();
            double mr = 0;
            for (double v : re) mr += v;
            mr /= re.size();
            double mi = 0;
            for (double v : im) mi += v;
            mi /= im.size();
            const auto& w = fft.WinValues();
            std::vector<std::complex<double>> y(n);
            std::complex<double> s0 = 0;
            for (int i = 0; i < n - 10; ++i) {
                y[i] = {(re[i] - mr) * w[i], ignoreinim ? 0.0 : (im[i] - mi) * w[i]};
                s0 += y[i];
            }
            for (auto& v : y) v -= s0 / static_cast<double>(n);
            double mx = 0;
            for (const auto& v : out) mx = std::max(mx, std::hypot(v.re, v.im));
            for (int k : {0, 1, 7, n / 4 + 3, n / 2, n / 2 + 1, n - 1}) {
                std::complex<double> s = 0;
                for (int i = 0; i < n; ++i)
                    s += y[i] *
                         std::polar(1.0, 2.0 * pi * ((static_cast<long long>(k) * i) % n) / n);
                s /= static_cast<double>(n - 10);
                ASSERT_NEAR(out[k].re, s.real(), 1e-9 * mx) << n << " " << k;
                ASSERT_NEAR(out[k].im, s.imag(), 1e-9 * mx) << n << " " << k;
            }
        }
    }
}

TEST(FFTReference, SkewedWindowSpectrum) {
    std::mt19937_64 rng(3);
    TFFT fft;
    fft.setWindow(TFFTWindow::Blackman);
    fft.setwindowleftskew(0.3);
    fft.setwindowrightskew(0.6);
    const auto re = randomarray(rng, 200, 0.5);
    fft.setInRe(re);
    const auto ref =
        referencetransform(re, {}, 256, 200, TFFTWindow::Blackman, true, true, 0.3, 0.6);
    expectmatchesreference(fft, ref, "skewed");
}

TEST(FFTReference, RealAndComplexPathsAgree) {
    std::mt19937_64 rng(11);
    const auto re = randomarray(rng, 1764, 0.0);
    TFFT a, b;
    a.setWindow(TFFTWindow::Hanning);
    b.setWindow(TFFTWindow::Hanning);
    b.setIgnoreInIm(false);
    a.setInRe(re);
    b.setInIm(tdoublearr(1764, 0.0));
    b.setInRe(re);
    for (int k = 0; k < 2048; ++k) {
        ASSERT_NEAR(a.OutRe()[k], b.OutRe()[k], 1e-14);
        ASSERT_NEAR(a.OutIm()[k], b.OutIm()[k], 1e-14);
    }
}

// ---- Derived outputs ----

TEST(FFTOutputs, LevelMatchesLog10OverTheWholeRange) {
    // From subnormal to huge powers, OutdB is 10*log10 of OutAbs2 to a few units in the
    // last place.
    std::mt19937_64 rng(99);
    for (double scale : {1e-165, 1e-155, 1e-100, 1e-20, 1.0, 1e5, 1e100, 1e150}) {
        TFFT fft;
        fft.setWindow(TFFTWindow::Hanning);
        auto x = randomarray(rng, 1000, 0.0);
        for (auto& v : x) v *= scale;
        fft.setInRe(x);
        const auto& db = fft.OutdB();
        const auto& p = fft.OutAbs2();
        for (int k = 0; k < 1024; ++k) {
            if (p[k] > 0)
                ASSERT_NEAR(db[k], 10.0 * std::log10(p[k]), 4e-15 * std::max(1.0, std::abs(db[k])))
                    << scale << " " << k;
            else
                ASSERT_EQ(db[k], fftzerodb);
        }
    }
}

TEST(FFTOutputs, PhaseQuadrants) {
    // N = W = 2, rectangle, no DC removal, complex input z, z: bin 0 is z and bin 1 is 0.
    struct tcase {
        double re, im, phase;
    };
    const tcase cases[] = {
        {1, 1, pi / 4}, {-1, 1, 3 * pi / 4}, {-1, -1, -3 * pi / 4},
        {-1, 0, -pi},   {0, 2, pi / 2},      {0, -2, -pi / 2},
        {0, 0, 0},      {2, 0, 0},           {3, -1, std::atan(-1.0 / 3)},
    };
    for (const auto& c : cases) {
        TFFT fft;
        fft.setWindow(TFFTWindow::rectangle);
        fft.setRemoveDC(false);
        fft.setIgnoreInIm(false);
        fft.setInIm(tdoublearr{c.im, c.im});
        fft.setInRe(tdoublearr{c.re, c.re});
        ASSERT_EQ(fft.OutRe()[0], c.re);
        ASSERT_EQ(fft.OutIm()[0], c.im);
        EXPECT_NEAR(fft.OutPhase()[0], c.phase, 1e-15) << c.re << " " << c.im;
        EXPECT_EQ(fft.OutPhase()[1], 0.0);
    }
}

TEST(FFTOutputs, OverflowedBinReadsZero) {
    TFFT fft;
    fft.setWindow(TFFTWindow::rectangle);
    fft.setRemoveDC(false);
    fft.setInRe(tdoublearr(4, 1e200));
    EXPECT_NEAR(fft.OutRe()[0], 1e200, 1e186);
    EXPECT_EQ(fft.OutAbs2()[0], 0.0);
    EXPECT_EQ(fft.OutAbs()[0], 0.0);
    EXPECT_EQ(fft.OutdB()[0], 0.0);
    EXPECT_EQ(fft.OutdB()[1], fftzerodb);
    EXPECT_EQ(fft.OutAbs2()[2], 0.0);
}

TEST(FFTOutputs, NonFiniteInputNeverRaises) {
    TFFT fft;
    tdoublearr x(256, 1.0);
    x[10] = std::numeric_limits<double>::quiet_NaN();
    fft.setInRe(x);
    for (double v : fft.OutdB()) ASSERT_EQ(v, 0.0);
    for (double v : fft.OutAbs2()) ASSERT_EQ(v, 0.0);
    for (double v : fft.OutAbs()) ASSERT_EQ(v, 0.0);
    for (double v : fft.OutPhase()) ASSERT_EQ(v, 0.0);
}

// ---- Caching and staleness ----

TEST(FFTCache, OutputsAreComputedLazilyAndCached) {
    std::mt19937_64 rng(1);
    TFFT fft;
    fft.setInRe(randomarray(rng, 256, 0.0));
    EXPECT_TRUE(fft.Dirty());
    const double* db = fft.OutdB().data();
    EXPECT_TRUE(fft.Dirty()); // the other outputs are still stale
    fft.OutRe();
    fft.OutAbs();
    fft.OutAbs2();
    fft.OutPhase();
    fft.OutComplex();
    EXPECT_FALSE(fft.Dirty());
    EXPECT_EQ(fft.OutdB().data(), db); // the component's own buffer
    fft.setDirty(false);               // any value marks stale
    EXPECT_TRUE(fft.Dirty());
}

TEST(FFTCache, NewInputRecomputesIntoTheSameBuffers) {
    std::mt19937_64 rng(2);
    TFFT fft;
    fft.setWindow(TFFTWindow::Hanning);
    fft.setInRe(randomarray(rng, 1764, 0.0));
    const double* buffers[] = {fft.OutRe().data(),   fft.OutIm().data(),  fft.OutdB().data(),
                               fft.OutAbs2().data(), fft.OutAbs().data(), fft.OutPhase().data()};
    const double before = fft.OutdB()[100];
    fft.setInRe(randomarray(rng, 1764, 0.0));
    EXPECT_NE(fft.OutdB()[100], before);
    const double* after[] = {fft.OutRe().data(),   fft.OutIm().data(),  fft.OutdB().data(),
                             fft.OutAbs2().data(), fft.OutAbs().data(), fft.OutPhase().data()};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(buffers[i], after[i]) << i;
    EXPECT_EQ(fft.OutComplex().size(), 2048u);
}

TEST(FFTCache, WindowChangeKeepsComputedOutputs) {
    std::mt19937_64 rng(4);
    TFFT fft;
    fft.setInRe(randomarray(rng, 256, 0.0));
    const tdoublearr hamming = fft.OutdB();
    fft.setWindow(TFFTWindow::Blackman);
    EXPECT_EQ(fft.OutdB(), hamming); // already computed, left as it is
    EXPECT_NEAR(fft.WinValues()[0], 0.0, 1e-15);
    fft.setDirty(true);
    EXPECT_NE(fft.OutdB(), hamming);
}

TEST(FFTCache, SizeChangeMakesOutputsStale) {
    std::mt19937_64 rng(6);
    TFFT fft;
    fft.setInRe(randomarray(rng, 256, 0.0));
    EXPECT_EQ(fft.OutdB().size(), 256u);
    fft.setFFTSize(1024);
    EXPECT_TRUE(fft.Dirty());
    EXPECT_EQ(fft.OutdB().size(), 1024u);
    EXPECT_EQ(fft.OutRe().size(), 1024u);
    const auto ref = referencetransform(fft.InRe(), {}, 1024, 256, TFFTWindow::Hamming, true, true);
    expectmatchesreference(fft, ref, "resized");
}

TEST(FFTCache, LeadingLevelBinsEqualTheFullLevelSpectrum) {
    // Every prefix length, real and complex input, with zero and non-finite bins among the
    // first ones (a group of four holding such a bin is computed differently): the leading
    // bins and the completed spectrum are bit for bit those of OutdB alone.
    std::mt19937_64 rng(21);
    for (bool ignoreinim : {true, false}) {
        TFFT full, part;
        for (TFFT* f : {&full, &part}) {
            f->setWindow(TFFTWindow::rectangle);
            f->setRemoveDC(false);
            f->setIgnoreInIm(ignoreinim);
        }
        for (int count : {0, 1, 3, 4, 5, 8, 13, 64, 126, 127, 128, 129, 130, 200, 256, 300}) {
            tdoublearr re = randomarray(rng, 256, 0.5);
            tdoublearr im = randomarray(rng, 256, 0.0);
            if (count % 2 == 1) {
                re.assign(256, 0.0); // a cosine on bin 2 and its mirror: the rest is 0
                for (int i = 0; i < 256; ++i) re[i] = std::cos(2 * pi * 2 * i / 256);
            }
            for (TFFT* f : {&full, &part}) {
                f->setInIm(im);
                f->setInRe(re);
            }
            const tdoublearr want = full.OutdB();
            const tdoublearr& head = part.OutdBFirst(count);
            for (int k = 0; k < std::min(count, 256); ++k)
                ASSERT_EQ(std::memcmp(&head[k], &want[k], sizeof(double)), 0)
                    << "count " << count << " bin " << k << " complex " << !ignoreinim;
            part.OutdBFirst(count / 2); // a shorter prefix is already there
            const tdoublearr& all = part.OutdB();
            for (int k = 0; k < 256; ++k)
                ASSERT_EQ(std::memcmp(&all[k], &want[k], sizeof(double)), 0)
                    << "count " << count << " bin " << k;
        }
    }
}

TEST(FFTCache, UpperHalfIsTheSameWhicheverOutputIsReadFirst) {
    // The bins above N/2 of a real input are filled in only for the outputs that show them;
    // read after the power and level spectra they are bit for bit those read first.
    std::mt19937_64 rng(31);
    const tdoublearr x = randomarray(rng, 1764, 0.3);
    TFFT first, later;
    for (TFFT* f : {&first, &later}) {
        f->setWindow(TFFTWindow::Hanning);
        f->setInRe(x);
    }
    const tdoublearr re = first.OutRe(), im = first.OutIm();
    later.OutAbs2();
    later.OutdBFirst(100);
    later.OutdB();
    const tdoublearr& ph = later.OutPhase();
    const tcomplexarr& c = later.OutComplex();
    ASSERT_EQ(std::memcmp(later.OutRe().data(), re.data(), re.size() * sizeof(double)), 0);
    ASSERT_EQ(std::memcmp(later.OutIm().data(), im.data(), im.size() * sizeof(double)), 0);
    for (std::size_t k = 0; k < re.size(); ++k) {
        ASSERT_EQ(c[k].re, re[k]);
        ASSERT_EQ(c[k].im, im[k]);
        ASSERT_EQ(ph[k], first.OutPhase()[k]);
    }
}

TEST(FFTCache, PowerBelowTheMirrorIsThePowerSpectrumsOwn) {
    // OutAbs2Lower gives bins 0..N/2 of a real input's power spectrum without its mirror;
    // OutAbs2 read afterwards completes it. A complex input has no mirror: all bins are
    // there at once.
    std::mt19937_64 rng(37);
    const tdoublearr x = randomarray(rng, 1764, 0.3);
    for (const bool ignoreinim : {true, false}) {
        TFFT whole, lower;
        for (TFFT* f : {&whole, &lower}) {
            f->setWindow(TFFTWindow::Hanning);
            f->setIgnoreInIm(ignoreinim);
            f->setInRe(x);
            if (!ignoreinim) f->setInIm(x);
        }
        const tdoublearr want = whole.OutAbs2();
        const std::size_t n = want.size();
        const tdoublearr& got = lower.OutAbs2Lower();
        const std::size_t valid = ignoreinim ? n / 2 + 1 : n;
        ASSERT_EQ(std::memcmp(got.data(), want.data(), valid * sizeof(double)), 0) << ignoreinim;
        ASSERT_EQ(std::memcmp(lower.OutAbs2().data(), want.data(), n * sizeof(double)), 0);
        if (ignoreinim)
            for (std::size_t k = 1; k < n / 2; ++k) ASSERT_EQ(want[n - k], want[k]) << k;
        // A new input makes the next OutAbs2 mirror the new spectrum, not keep the old one.
        lower.setInRe(tdoublearr(x.rbegin(), x.rend()));
        whole.setInRe(tdoublearr(x.rbegin(), x.rend()));
        lower.OutAbs2Lower();
        ASSERT_EQ(std::memcmp(lower.OutAbs2().data(), whole.OutAbs2().data(), n * sizeof(double)),
                  0);
    }
}

TEST(FFTCache, LevelsFromThePowerEqualLevelsFromTheBins) {
    // The level spectrum of a real input is taken from its power spectrum while the bins are
    // not unpacked, and from the bins once they are: a voice-like window, a cosine whose other
    // bins are exactly 0, and a window whose bins overflow give the same levels either way.
    std::mt19937_64 rng(41);
    tdoublearr cosine(256);
    for (int i = 0; i < 256; ++i) cosine[i] = std::cos(2 * pi * 2 * i / 256);
    for (const tdoublearr& x : {randomarray(rng, 1764, 0.3), cosine, tdoublearr(256, 1e200)}) {
        TFFT frombins, frompower;
        for (TFFT* f : {&frombins, &frompower}) {
            f->setWindow(x.size() == 1764 ? TFFTWindow::Hanning : TFFTWindow::rectangle);
            f->setRemoveDC(x.size() == 1764);
            f->setInRe(x);
        }
        frombins.OutRe();
        const tdoublearr want = frombins.OutdB();
        const tdoublearr& got = frompower.OutdB();
        ASSERT_EQ(std::memcmp(got.data(), want.data(), want.size() * sizeof(double)), 0);
        ASSERT_EQ(std::memcmp(frompower.OutRe().data(), frombins.OutRe().data(),
                              want.size() * sizeof(double)),
                  0);
    }
}

TEST(FFTCache, CopiesAreIndependent) {
    std::mt19937_64 rng(8);
    TFFT a;
    a.setInRe(randomarray(rng, 256, 0.0));
    TFFT b = a;
    b.setInRe(randomarray(rng, 256, 0.0));
    EXPECT_NE(a.OutdB(), b.OutdB());
}

TEST(FFTInput, HalvesEqualOneArray) {
    // The input as two halves that lie apart gives every output of the same input in one
    // array: with and without the mean removal, for the real and the complex transform, for
    // halves of odd and even lengths (a group of four where they meet), also after a window
    // change, which recomputes from the halves.
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> u(-1e4, 1e4);
    for (const auto& [n1, n2] :
         {std::pair{882, 882}, std::pair{441, 441}, std::pair{5, 9}, std::pair{1000, 24}}) {
        for (const bool ignoreinim : {true, false}) {
            for (const bool removedc : {true, false}) {
                tdoublearr a(static_cast<std::size_t>(n1)), b(static_cast<std::size_t>(n2));
                for (auto& v : a) v = u(gen) + 3e3;
                for (auto& v : b) v = u(gen);
                tdoublearr whole = a;
                whole.insert(whole.end(), b.begin(), b.end());
                TFFT one, two;
                for (TFFT* f : {&one, &two}) {
                    f->setWindow(TFFTWindow::Blackman);
                    f->setIgnoreInIm(ignoreinim);
                    f->setRemoveDC(removedc);
                }
                one.setInRe(whole);
                two.setInReHalves(a, b);
                EXPECT_EQ(two.InReValues(), whole);
                EXPECT_EQ(two.WindowSize(), n1 + n2);
                ASSERT_EQ(two.OutAbs2(), one.OutAbs2()) << n1 << " " << n2;
                ASSERT_EQ(two.OutRe(), one.OutRe());
                ASSERT_EQ(two.OutdB(), one.OutdB());
                one.setWindow(TFFTWindow::Hanning);
                two.setWindow(TFFTWindow::Hanning);
                ASSERT_EQ(two.OutIm(), one.OutIm()) << n1 << " " << n2;
            }
        }
    }
}

} // namespace
} // namespace gravon
