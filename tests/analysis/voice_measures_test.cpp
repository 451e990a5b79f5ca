#include "analysis/test_spectrum.h"
#include "analysis/voice_measures.h"
#include "base/peak_interpolation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace gravon;
using namespace gravon::testing;

TEST(LevelAndCrest, SineLevelAndCrest) {
    // 80 dB sine, whole number of periods (441 Hz at 44.1 kHz: 100 samples per period).
    const double a = sine_amplitude_for_level(80.0);
    const auto x = harmonic_window(1700, 44100.0, 441.0, {{1, a, 0.0}});
    const tlevelcrest lc = level_and_crest(x);
    EXPECT_NEAR(lc.level, 80.0, 1e-6);
    EXPECT_NEAR(lc.power, 1e8, 1e8 * 1e-6);
    EXPECT_NEAR(lc.crestlevel, 10 * std::log10(2.0), 1e-4);
}

TEST(LevelAndCrest, SquareWaveAndClippedSine) {
    std::vector<double> sq(1000);
    for (int i = 0; i < 1000; ++i) sq[i] = (i / 50) % 2 ? -100.0 : 100.0;
    tlevelcrest lc = level_and_crest(sq);
    EXPECT_NEAR(lc.level, 40.0, 1e-9);
    EXPECT_NEAR(lc.crestlevel, 0.0, 1e-9);
    // A sine clipped at half its amplitude has a crest level between 0 and 3 dB.
    auto x = harmonic_window(1000, 44100.0, 441.0, {{1, 200.0, 0.0}});
    for (double& v : x) v = std::clamp(v, -100.0, 100.0);
    lc = level_and_crest(x);
    EXPECT_GT(lc.crestlevel, 0.5);
    EXPECT_LT(lc.crestlevel, 10 * std::log10(2.0) - 0.5);
}

TEST(LevelAndCrest, OnlyPositiveSamplesCountForThePeak) {
    // A window without a positive sample has no crest level.
    const std::vector<double> neg(100, -5.0);
    tlevelcrest lc = level_and_crest(neg);
    EXPECT_EQ(lc.crestlevel, nomeasure);
    EXPECT_NEAR(lc.level, 20 * std::log10(5.0), 1e-12);
    // A large negative excursion does not raise the crest level.
    std::vector<double> x(100, 1.0);
    x[3] = -1000.0;
    lc = level_and_crest(x);
    EXPECT_NEAR(lc.crestlevel, -lc.level, 1e-12); // 20 log10(1) - level
}

TEST(LevelAndCrest, SilenceHasAFiniteLevel) {
    const std::vector<double> z(100, 0.0);
    const tlevelcrest lc = level_and_crest(z);
    EXPECT_EQ(lc.power, 0.0);
    EXPECT_DOUBLE_EQ(lc.level, -1000.0);
    EXPECT_EQ(lc.crestlevel, nomeasure);
    EXPECT_DOUBLE_EQ(level_and_crest({}).level, -1000.0);
}

TEST(H1H2, DifferenceOfInterpolatedPeaks) {
    std::vector<double> db(64, -100.0);
    // First harmonic around bin 10 (peak value 0 dB at bin 10, symmetric), second at 20
    // with a straight -6 dB top.
    db[9] = -3;
    db[10] = 0;
    db[11] = -3;
    db[19] = -6;
    db[20] = -6;
    db[21] = -6; // flat top: p = 0, value -6
    EXPECT_DOUBLE_EQ(h1h2_level(db, 10, 1), 6.0);
    // Strongest partial number 2, M = 20: b1 = 10, b2 = 20 likewise.
    EXPECT_DOUBLE_EQ(h1h2_level(db, 20, 2), 6.0);
    // Integer division: M = 21, maxpartno 2 -> b1 = 10, b2 = 21.
    db[22] = -20;
    const double v2 = parabolicpeak(true, db[20], db[21], db[22]);
    EXPECT_DOUBLE_EQ(h1h2_level(db, 21, 2), 0.0 - v2);
}

TEST(H1H2, NoMeasureAtTheSpectrumEdge) {
    std::vector<double> db(16, 0.0);
    EXPECT_EQ(h1h2_level(db, 0, 1), nomeasure);  // b1 = 0
    EXPECT_EQ(h1h2_level(db, 8, 1), nomeasure);  // b2 = 16 = N
    EXPECT_EQ(h1h2_level(db, 1, 2), nomeasure);  // b1 = 0
    EXPECT_EQ(h1h2_level(db, 7, 1), 0.0);        // b2 = 14 < N - 1
    EXPECT_EQ(h1h2_level(db, 15, 2), nomeasure); // b2 = 15 = N - 1
    EXPECT_EQ(h1h2_level(db, 7, 0), nomeasure);
}

TEST(Centroid, WeightedMeanOfTheLowerHalf) {
    std::vector<double> a2(16, 0.0);
    a2[2] = 1.0;
    a2[6] = 3.0;
    a2[12] = 100.0; // upper half: ignored
    // (2*1 + 6*3)/4 = 5 bins; fs/N = 1000/16.
    EXPECT_DOUBLE_EQ(spectral_centroid(a2, 1000.0), 5.0 * 1000.0 / 16.0);
    EXPECT_EQ(spectral_centroid(std::vector<double>(16, 0.0), 1000.0), 0.0);
}

TEST(Hnr, RatioOfMeanPowers) {
    std::vector<double> a2(16, 0.0);
    std::vector<std::uint8_t> isharm(8, 0);
    for (int k = 0; k < 8; ++k) a2[k] = 1.0;
    a2[2] = 100.0;
    a2[3] = 100.0;
    isharm[2] = isharm[3] = 1;
    EXPECT_DOUBLE_EQ(harmonic_to_noise(a2, isharm), 20.0);
    // Mirror half ignored.
    a2[10] = 1e9;
    EXPECT_DOUBLE_EQ(harmonic_to_noise(a2, isharm), 20.0);
}

TEST(Hnr, NoMeasureForEmptyClassesOrZeroPower) {
    std::vector<double> a2(16, 1.0);
    std::vector<std::uint8_t> none(8, 0), all(8, 1), some(8, 0);
    EXPECT_EQ(harmonic_to_noise(a2, none), nomeasure);
    EXPECT_EQ(harmonic_to_noise(a2, all), nomeasure);
    some[1] = 1;
    std::vector<double> zeros(16, 0.0);
    zeros[1] = 1.0;
    EXPECT_EQ(harmonic_to_noise(zeros, some), nomeasure); // Z = 0
    zeros[1] = 0.0;
    zeros[2] = 1.0;
    EXPECT_EQ(harmonic_to_noise(zeros, some), nomeasure); // A = 0
}

TEST(CentroidAndHnr, OnePassGivesTheMeasuresTakenOnTheirOwn) {
    // Random spectra and partial marks, with marks as long as the lower half, shorter, empty
    // and all set: the one pass gives bit for bit the centroid and the HNR of their own
    // functions.
    std::uint64_t r = 5;
    auto rnd = [&r] {
        r = r * 6364136223846793005ull + 1442695040888963407ull;
        return double(r >> 11) / double(1ull << 53);
    };
    for (int n : {2, 16, 2048}) {
        for (int marks : {n / 2, n / 2 - 1, 0}) {
            for (int fill = 0; fill < 3; ++fill) {
                std::vector<double> a(static_cast<std::size_t>(n));
                for (auto& v : a) v = rnd() * rnd() * 1e8;
                std::vector<std::uint8_t> isharm(static_cast<std::size_t>(std::max(marks, 0)));
                for (auto& h : isharm) h = fill == 2 ? 1 : std::uint8_t(fill == 1 && rnd() < 0.3);
                const tcentroidhnr both = centroid_and_hnr(a, isharm, 44100.0);
                const double c = spectral_centroid(a, 44100.0);
                const double h = harmonic_to_noise(a, isharm);
                EXPECT_EQ(std::memcmp(&both.centroid, &c, sizeof c), 0) << n << " " << marks;
                EXPECT_EQ(std::memcmp(&both.hnr, &h, sizeof h), 0) << n << " " << marks;
            }
        }
    }
}
