#include "analysis/frame_analysis.h"
#include "analysis/test_spectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

using namespace gravon;
using namespace gravon::testing;

namespace {
constexpr double fs = 44100.0;
constexpr int nfft = 2048;
constexpr int w = 1764;

std::vector<double> quiet_noise(int nbins, double db = -100.0) {
    return std::vector<double>(std::size_t(nbins), db);
}
} // namespace

TEST(F0SearchBand, DefaultsGiveBins1And94) {
    const tf0band b = f0_search_band(50.0, 2000.0, fs, nfft);
    EXPECT_EQ(b.lobin, 1);
    EXPECT_EQ(b.hibin, 94);
}

TEST(F0SearchBand, HalvesRoundToEven) {
    // 2.5 bins -> 2, 3.5 bins -> 4 (1 Hz bins).
    const tf0band b = f0_search_band(2.5, 3.5, 1024.0, 1024);
    EXPECT_EQ(b.lobin, 1);
    EXPECT_EQ(b.hibin, 5);
}

class F0OfSyntheticVoice : public ::testing::TestWithParam<double> {};

TEST_P(F0OfSyntheticVoice, FoundWithinFiveCents) {
    const double f0 = GetParam();
    const auto x =
        harmonic_window(w, fs, f0, voice_partials(f0, sine_amplitude_for_level(80), 2000));
    const tspectrum sp = hanning_spectrum(x, nfft);
    tanalysisparams p;
    const tf0result r = find_f0(sp.abs2, sp.db, quiet_noise(nfft / 2),
                                f0_search_band(p.lof0limit, p.hif0limit, fs, nfft), fs, p);
    ASSERT_EQ(r.maxpartno, 1);
    EXPECT_NEAR(cents(r.f0, f0), 0.0, 5.0) << r.f0;
    EXPECT_DOUBLE_EQ(r.f0, r.peakfreq);
    EXPECT_EQ(r.strongestbin, int(std::lround(f0 / fs * nfft)));
}

INSTANTIATE_TEST_SUITE_P(Pitches, F0OfSyntheticVoice,
                         ::testing::Values(110.0, 150.0, 220.0, 261.63, 440.0, 700.0, 1000.0));

TEST(F0Search, StrongSecondHarmonicGivesPartialNumberTwo) {
    // A 150 Hz voice whose second harmonic is 6 dB stronger than the first.
    const double f0 = 150.0;
    std::vector<tpartial> ps = voice_partials(f0, 1000.0, 2000);
    ps[1].amplitude = 2000.0;
    const tspectrum sp = hanning_spectrum(harmonic_window(w, fs, f0, ps), nfft);
    tanalysisparams p;
    const tf0result r = find_f0(sp.abs2, sp.db, quiet_noise(nfft / 2),
                                f0_search_band(p.lof0limit, p.hif0limit, fs, nfft), fs, p);
    ASSERT_EQ(r.maxpartno, 2);
    EXPECT_DOUBLE_EQ(r.f0, r.peakfreq / 2);
    EXPECT_NEAR(cents(r.f0, f0), 0.0, 5.0);
    EXPECT_NEAR(r.peakfreq, 300.0, 2.0);
}

TEST(F0Search, WeakFundamentalIsRejectedByTheRelativeFloor) {
    // The first harmonic 40 dB below the second: the hypothesis h = 2 fails the relative
    // floor of -30 dB, so the second harmonic is taken as the fundamental.
    const double f0 = 150.0;
    std::vector<tpartial> ps{{1, 10.0}, {2, 1000.0}, {3, 1.0}, {4, 500.0}, {6, 300.0}};
    const tspectrum sp = hanning_spectrum(harmonic_window(w, fs, f0, ps), nfft);
    tanalysisparams p;
    const tf0band band = f0_search_band(p.lof0limit, p.hif0limit, fs, nfft);
    const tf0result r = find_f0(sp.abs2, sp.db, quiet_noise(nfft / 2), band, fs, p);
    ASSERT_EQ(r.maxpartno, 1);
    EXPECT_NEAR(r.f0, 300.0, 2.0);
    // With a floor of -50 dB the fundamental is accepted, unless the subharmonic guard
    // judges the odd partials it adds, 41 dB below the even ones, too weak to be the voice's.
    p.minrelpartiallevel = -50.0;
    EXPECT_EQ(find_f0(sp.abs2, sp.db, quiet_noise(nfft / 2), band, fs, p).maxpartno, 1);
    p.subharmonicguard = false;
    const tf0result r2 = find_f0(sp.abs2, sp.db, quiet_noise(nfft / 2), band, fs, p);
    EXPECT_EQ(r2.maxpartno, 2);
    EXPECT_NEAR(r2.f0, 150.0, 1.0);
}

TEST(F0Search, FundamentalMustStandAboveTheNoise) {
    const double f0 = 220.0;
    const auto x = harmonic_window(w, fs, f0, voice_partials(f0, 1000.0, 2000));
    const tspectrum sp = hanning_spectrum(x, nfft);
    tanalysisparams p;
    const tf0band band = f0_search_band(p.lof0limit, p.hif0limit, fs, nfft);
    // Not measured yet: 200 dB everywhere, no F0.
    tf0result r = find_f0(sp.abs2, sp.db, quiet_noise(nfft / 2, 200.0), band, fs, p);
    EXPECT_EQ(r.maxpartno, 0);
    EXPECT_EQ(r.f0, 0.0);
    // Noise exactly minsnr below the fundamental's bin: the margin must be exceeded.
    const int g = r.strongestbin;
    auto noise = quiet_noise(nfft / 2);
    noise[std::size_t(g)] = sp.db[std::size_t(g)] - p.minsnr;
    r = find_f0(sp.abs2, sp.db, noise, band, fs, p);
    EXPECT_EQ(r.maxpartno, 0);
    noise[std::size_t(g)] = sp.db[std::size_t(g)] - p.minsnr - 1e-9;
    r = find_f0(sp.abs2, sp.db, noise, band, fs, p);
    EXPECT_EQ(r.maxpartno, 1);
}

namespace {
// Crafted spectra with 1 Hz bins: fs = N = 1024.
struct tcrafted {
    std::vector<double> abs2 = std::vector<double>(1024, 0.0);
    std::vector<double> db() const { return to_db(abs2); }
};
} // namespace

TEST(F0Search, CandidateExactlyAtTheLowLimitIsNotTaken) {
    tcrafted s;
    s.abs2[49] = 0.25;
    s.abs2[50] = 1.0; // strongest, symmetric neighbours: p = 0, peak at exactly 50 Hz
    s.abs2[51] = 0.25;
    s.abs2[100] = 0.5;
    tanalysisparams p;
    p.lof0limit = 50.0;
    p.hif0limit = 400.0;
    const tf0band band = f0_search_band(p.lof0limit, p.hif0limit, 1024.0, 1024);
    tf0result r = find_f0(s.abs2, s.db(), quiet_noise(512), band, 1024.0, p);
    EXPECT_EQ(r.strongestbin, 50);
    EXPECT_EQ(r.offset, 0.0);
    EXPECT_EQ(r.peakfreq, 50.0);
    EXPECT_EQ(r.maxpartno, 0);
    p.lof0limit = 49.99;
    r = find_f0(s.abs2, s.db(), quiet_noise(512), band, 1024.0, p);
    EXPECT_EQ(r.maxpartno, 1);
    EXPECT_EQ(r.f0, 50.0);
}

TEST(F0Search, EqualScoresKeepTheLowerHarmonicNumber) {
    // M = 4 (4 Hz), 100 harmonics each: h = 1 collects bins 4, 8, ..., 400 and h = 2 bins
    // 2, 4, ..., 200. With power only at 1, 2, 3, 4, 5 and 400 both scores are 1.5.
    tcrafted s;
    s.abs2[1] = 0.125;
    s.abs2[2] = 0.5;
    s.abs2[3] = 0.25;
    s.abs2[4] = 1.0;
    s.abs2[5] = 0.25;
    s.abs2[400] = 0.5;
    tanalysisparams p;
    p.lof0limit = 1.5; // h = 3 would be 1.33 Hz
    p.hif0limit = 401.0;
    const tf0band band = f0_search_band(p.lof0limit, p.hif0limit, 1024.0, 1024);
    tf0result r = find_f0(s.abs2, s.db(), quiet_noise(512), band, 1024.0, p);
    EXPECT_EQ(r.maxpartno, 1);
    EXPECT_EQ(r.f0, 4.0);
    // A slightly stronger subharmonic tips the balance.
    s.abs2[2] = 0.625;
    r = find_f0(s.abs2, s.db(), quiet_noise(512), band, 1024.0, p);
    EXPECT_EQ(r.maxpartno, 2);
    EXPECT_EQ(r.f0, 2.0);
}

TEST(F0Search, ScoreStopsAtTheHighLimit) {
    // Same spectrum, but with hif0limit 399 Hz bin 400 leaves the h = 1 series.
    tcrafted s;
    s.abs2[1] = 0.125;
    s.abs2[2] = 0.5;
    s.abs2[3] = 0.25;
    s.abs2[4] = 1.0;
    s.abs2[5] = 0.25;
    s.abs2[400] = 0.5;
    tanalysisparams p;
    p.lof0limit = 1.5;
    p.hif0limit = 399.0;
    const tf0band band = f0_search_band(p.lof0limit, p.hif0limit, 1024.0, 1024);
    const tf0result r = find_f0(s.abs2, s.db(), quiet_noise(512), band, 1024.0, p);
    EXPECT_EQ(r.maxpartno, 2); // 1.5 against 1.0
}

TEST(F0Search, AMirroredSpectrumIsReadBelowItsMiddle) {
    // With a high limit above half the sampling rate the harmonic score reaches bins above
    // N/2. Told that the spectrum is a real input's, the search reads them at their mirror,
    // so that a stale upper half gives what the whole spectrum gives.
    tcrafted s;
    s.abs2[399] = 0.25;
    s.abs2[400] = 1.0;
    s.abs2[401] = 0.25;
    s.abs2[224] = 0.5; // the mirror of bin 800, the second partial of 400 Hz
    for (int k = 1; k < 512; ++k) s.abs2[std::size_t(1024 - k)] = s.abs2[std::size_t(k)];
    const std::vector<double> db = s.db();
    tanalysisparams p;
    p.lof0limit = 150.0;
    p.hif0limit = 900.0;
    const tf0band band = f0_search_band(p.lof0limit, p.hif0limit, 1024.0, 1024);
    const tf0result whole = find_f0(s.abs2, db, quiet_noise(512), band, 1024.0, p);
    EXPECT_EQ(whole.f0, 400.0);
    std::vector<double> stale = s.abs2;
    std::fill(stale.begin() + 513, stale.end(), std::nan(""));
    const tf0result mirrored = find_f0(stale, db, quiet_noise(512), band, 1024.0, p, true);
    EXPECT_EQ(mirrored.f0, whole.f0);
    EXPECT_EQ(mirrored.maxpartno, whole.maxpartno);
    EXPECT_EQ(mirrored.strongestbin, whole.strongestbin);
    EXPECT_EQ(mirrored.offset, whole.offset);
    // Read where they lie, the stale bins spoil the score.
    EXPECT_NE(find_f0(stale, db, quiet_noise(512), band, 1024.0, p).f0, whole.f0);
}

TEST(F0Search, SubharmonicMustBeALocalPeak) {
    tcrafted s;
    s.abs2[99] = 0.25;
    s.abs2[100] = 1.0;
    s.abs2[101] = 0.25;
    s.abs2[49] = 0.3; // bin 50 is not above its left neighbour
    s.abs2[50] = 0.3;
    s.abs2[150] = 0.5;
    tanalysisparams p;
    p.lof0limit = 40.0;
    p.hif0limit = 400.0;
    const tf0band band = f0_search_band(p.lof0limit, p.hif0limit, 1024.0, 1024);
    tf0result r = find_f0(s.abs2, s.db(), quiet_noise(512), band, 1024.0, p);
    EXPECT_EQ(r.maxpartno, 1);
    EXPECT_EQ(r.f0, 100.0);
    s.abs2[49] = 0.29;
    r = find_f0(s.abs2, s.db(), quiet_noise(512), band, 1024.0, p);
    EXPECT_EQ(r.maxpartno, 2);
    EXPECT_EQ(r.f0, 50.0);
}

TEST(F0Search, LowestBinWinsOnEqualPowers) {
    tcrafted s;
    s.abs2[100] = 1.0;
    s.abs2[200] = 1.0;
    tanalysisparams p;
    p.hif0limit = 400.0;
    const tf0band band = f0_search_band(p.lof0limit, p.hif0limit, 1024.0, 1024);
    const tf0result r = find_f0(s.abs2, s.db(), quiet_noise(512), band, 1024.0, p);
    EXPECT_EQ(r.strongestbin, 100);
    EXPECT_EQ(r.strongestpower, 1.0);
}

TEST(F0Search, InterpolationOfFlatTopAndRamp) {
    tanalysisparams p;
    p.hif0limit = 400.0;
    const tf0band band = f0_search_band(p.lof0limit, p.hif0limit, 1024.0, 1024);
    {
        // Three equal bins: the lowest is M, with an empty left neighbour (-3250 dB), so
        // the vertex lies half a bin to the right.
        tcrafted s;
        s.abs2[99] = s.abs2[100] = s.abs2[101] = 1.0;
        const tf0result r = find_f0(s.abs2, s.db(), quiet_noise(512), band, 1024.0, p);
        EXPECT_EQ(r.strongestbin, 99);
        EXPECT_EQ(r.offset, 0.5);
        EXPECT_EQ(r.peakfreq, 99.5);
    }
    {
        tcrafted s; // straight ramp in dB: C halfway between L and R -> +1 towards R
        s.abs2[99] = 1e-2;
        s.abs2[100] = 1e-1;
        s.abs2[101] = 1.0;
        s.abs2[102] = 1e-3;
        const tf0result r = find_f0(s.abs2, s.db(), quiet_noise(512), band, 1024.0, p);
        EXPECT_EQ(r.strongestbin, 101);
        EXPECT_NEAR(r.offset, -0.25, 1e-12); // L -10, C 0, R -30 dB
    }
    {
        std::vector<double> db(1024, -3250.0), a2(1024, 0.0);
        a2[100] = 1.0; // a straight ramp -20, -10, 0 dB: +1 towards the larger side
        db[99] = -20;
        db[100] = -10;
        db[101] = 0;
        const tf0result r = find_f0(a2, db, quiet_noise(512), band, 1024.0, p);
        EXPECT_EQ(r.strongestbin, 100);
        EXPECT_EQ(r.offset, 1.0);
        EXPECT_EQ(r.peakfreq, 101.0);
    }
}

TEST(F0Search, SilenceAndDegenerateInputsNeverFail) {
    tanalysisparams p;
    const tf0band band = f0_search_band(p.lof0limit, p.hif0limit, fs, nfft);
    std::vector<double> zero(nfft, 0.0), zerodb(nfft, -3250.0);
    tf0result r = find_f0(zero, zerodb, quiet_noise(nfft / 2), band, fs, p);
    EXPECT_EQ(r.maxpartno, 0);
    EXPECT_EQ(r.strongestbin, 0);
    // A band starting at bin 0 and a zero low limit (which would ask for an endless number
    // of hypotheses) end quickly.
    p.lof0limit = 0.0;
    const tf0band band0 = f0_search_band(p.lof0limit, p.hif0limit, fs, nfft);
    EXPECT_EQ(band0.lobin, -1);
    r = find_f0(zero, zerodb, quiet_noise(nfft / 2), band0, fs, p);
    EXPECT_EQ(r.maxpartno, 0);
    std::vector<double> a2(nfft, 0.0);
    a2[0] = 1.0;
    a2[10] = 0.5;
    r = find_f0(a2, to_db(a2), quiet_noise(nfft / 2), band0, fs, p);
    EXPECT_EQ(r.strongestbin, 0);
    EXPECT_EQ(r.offset, 0.0);
    EXPECT_EQ(r.maxpartno, 0);
    // Band reaching beyond the spectrum.
    p = tanalysisparams{};
    p.hif0limit = 1e6;
    r = find_f0(zero, zerodb, quiet_noise(nfft / 2), f0_search_band(50, 1e6, fs, nfft), fs, p);
    EXPECT_EQ(r.maxpartno, 0);
    // Empty spectra.
    r = find_f0({}, {}, {}, band, fs, p);
    EXPECT_EQ(r.maxpartno, 0);
}

TEST(PartialRegions, CentreBinsAndFallingFlanks) {
    // 16 bins, N/2 = 8 flags; spacing 3 bins (M = 3, p = 0, maxpartno = 1).
    std::vector<double> a2{5, 1, 2, 4, 3, 1, 9, 8, 0, 0, 0, 0, 0, 0, 0, 0};
    tf0result f;
    f.strongestbin = 3;
    f.offset = 0;
    f.maxpartno = 1;
    std::vector<std::uint8_t> isharm(8, 1);
    mark_partials(a2, f, isharm);
    // q = 3: bin 3; left 2 (2 < 4), 1 (1 < 2), stop at i = 0; right 4 (3 < 4), 5 (1 < 3).
    // q = 6: bin 6; left 5 (1 < 9); right: 7 would be i = n - 1, not walked.
    // The step q = 9 lies beyond n - 1 = 7.
    const std::vector<std::uint8_t> expect{0, 1, 1, 1, 1, 1, 1, 0};
    EXPECT_EQ(isharm, expect);
}

TEST(PartialRegions, SpacingFromInterpolatedPeakAndPartialNumber) {
    std::vector<double> a2(64, 1.0);
    tf0result f;
    f.strongestbin = 10;
    f.offset = 0.5;
    f.maxpartno = 2; // spacing 5.25: centres 5, 10, 16 (15.75), 21, 26 (26.25), 32 > 31 stops
    std::vector<std::uint8_t> isharm(32, 0);
    mark_partials(a2, f, isharm);
    std::vector<std::uint8_t> expect(32, 0);
    for (int j : {5, 10, 16, 21, 26}) expect[std::size_t(j)] = 1;
    EXPECT_EQ(isharm, expect);
}

TEST(PartialRegions, FirstStepAlwaysRunsAndNoF0MarksNothing) {
    std::vector<double> a2(16, 0.0);
    tf0result f;
    f.strongestbin = 7;
    f.offset = 0.4; // spacing 7.4 > n - 1 = 7: the first centre, bin 7, is still marked
    f.maxpartno = 1;
    std::vector<std::uint8_t> isharm(8, 0);
    mark_partials(a2, f, isharm);
    EXPECT_EQ(isharm[7], 1);
    f.offset = 1.0; // centre bin 8 lies outside the flags and is ignored
    mark_partials(a2, f, isharm);
    for (auto v : isharm) EXPECT_EQ(v, 0);
    f.maxpartno = 0;
    std::fill(isharm.begin(), isharm.end(), 1);
    mark_partials(a2, f, isharm);
    for (auto v : isharm) EXPECT_EQ(v, 0);
}

namespace {
// The partial regions as the flank walks define them, bin by bin.
std::vector<std::uint8_t> walked_partials(const std::vector<double>& a, const tf0result& f,
                                          std::size_t flags) {
    std::vector<std::uint8_t> h(flags, 0);
    const int n = int(std::min(flags, a.size() / 2));
    const double s = (f.strongestbin + f.offset) / f.maxpartno;
    if (f.maxpartno < 1 || !(s > 0) || n < 1) return h;
    int k = 1;
    double q = s;
    do {
        const int j = int(std::nearbyint(q));
        if (j >= 0 && j < n) {
            h[std::size_t(j)] = 1;
            for (int i = j - 1; i > 0 && a[std::size_t(i)] < a[std::size_t(i + 1)]; --i)
                h[std::size_t(i)] = 1;
            for (int i = j + 1; i < n - 1 && a[std::size_t(i)] < a[std::size_t(i - 1)]; ++i)
                h[std::size_t(i)] = 1;
        }
        ++k;
        q = k * s;
    } while (q <= n - 1);
    return h;
}
} // namespace

TEST(PartialRegions, SameAsTheFlankWalksOnRandomSpectra) {
    // Spectra of many sizes (word boundaries of the bit sets included) with ties, plateaus
    // and NaN bins, spacings from below one bin to beyond the spectrum, more flags than bins.
    std::uint64_t r = 99;
    auto rnd = [&r] {
        r = r * 6364136223846793005ull + 1442695040888963407ull;
        return double(r >> 11) / double(1ull << 53);
    };
    for (int trial = 0; trial < 3000; ++trial) {
        const int sizes[] = {2, 4, 6, 64, 126, 128, 130, 190, 256, 258, 2048, 4096};
        const int nn = sizes[trial % 12];
        std::vector<double> a(static_cast<std::size_t>(nn));
        const int levels = 2 + trial % 7;
        for (auto& v : a) v = std::floor(rnd() * levels);
        // A NaN bin ends the walks on both sides of it.
        if (trial % 10 == 3)
            for (int k = 0; k < 1 + nn / 50; ++k) a[std::size_t(rnd() * nn)] = std::nan("");
        tf0result f;
        f.strongestbin = int(rnd() * nn / 2);
        f.offset = rnd() - 0.5;
        f.maxpartno = 1 + int(rnd() * 5);
        const std::size_t flags = std::size_t(nn / 2 + (trial % 5 == 0 ? 3 : 0));
        std::vector<std::uint8_t> got(flags, 1);
        mark_partials(a, f, got);
        ASSERT_EQ(got, walked_partials(a, f, flags)) << "trial " << trial << " n " << nn;
    }
}

TEST(PartialRegions, VeryLargeSpectrumWalksAsWell) {
    std::vector<double> a(1 << 18);
    for (std::size_t i = 0; i < a.size(); ++i) a[i] = 1.0 + std::sin(double(i) * 0.01);
    tf0result f;
    f.strongestbin = 700;
    f.offset = 0.25;
    f.maxpartno = 1;
    std::vector<std::uint8_t> got(a.size() / 2, 0);
    mark_partials(a, f, got);
    EXPECT_EQ(got, walked_partials(a, f, got.size()));
}
