#include "analysis/background_noise.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

using namespace gravon;

namespace {
tbackgroundnoise noise_with_bins(int n) {
    tbackgroundnoise b;
    b.resize(n);
    b.reset();
    return b;
}
} // namespace

TEST(BackgroundNoiseQuantile, TwoClassesGiveOneDbAboveTheSecond) {
    // 1 s at 20 dB (class 70) and 1 s at 30 dB (class 80): the running sum first exceeds
    // half of the 2 s when class 80 is added, so the noise level is 31 dB.
    tbackgroundnoise b = noise_with_bins(4);
    b.spechist(2, 70) = 1.0;
    b.spechist(2, 80) = 1.0;
    b.update_quantiles(2, 2, 0.5);
    EXPECT_EQ(b.specnoisequantile()[2], 31.0);
}

TEST(BackgroundNoiseQuantile, EmptyHistogramGives149) {
    tbackgroundnoise b = noise_with_bins(4);
    b.update_quantiles(0, 3, 0.5);
    for (double q : b.specnoisequantile()) EXPECT_EQ(q, 149.0);
}

TEST(BackgroundNoiseQuantile, OnlyTheBandIsUpdated) {
    tbackgroundnoise b = noise_with_bins(6);
    b.update_quantiles(2, 3, 0.5);
    const auto q = b.specnoisequantile();
    EXPECT_EQ(q[0], 200.0);
    EXPECT_EQ(q[1], 200.0);
    EXPECT_EQ(q[2], 149.0);
    EXPECT_EQ(q[3], 149.0);
    EXPECT_EQ(q[4], 200.0);
    EXPECT_EQ(q[5], 200.0);
}

TEST(BackgroundNoiseQuantile, BandOutsideTheBinsIsClipped) {
    tbackgroundnoise b = noise_with_bins(3);
    b.update_quantiles(-5, 10, 0.5);
    for (double q : b.specnoisequantile()) EXPECT_EQ(q, 149.0);
}

TEST(BackgroundNoiseQuantile, ClassZeroAndClass199CountOnlyInTheTotal) {
    // Class 0 weighs in the total but never in the running sum: with 1 s in class 0 and
    // 1 s in class 100 the running sum reaches only half the total, never more.
    tbackgroundnoise b = noise_with_bins(2);
    b.spechist(0, 0) = 1.0;
    b.spechist(0, 100) = 1.0;
    b.spechist(1, 199) = 3.0;
    b.spechist(1, 60) = 1.0;
    b.update_quantiles(0, 1, 0.5);
    EXPECT_EQ(b.specnoisequantile()[0], 149.0);
    EXPECT_EQ(b.specnoisequantile()[1], 149.0);
}

TEST(BackgroundNoiseQuantile, QuantileSelectsTheClass) {
    // 10 classes of 1 s each at 10...19 dB (classes 60...69).
    tbackgroundnoise b = noise_with_bins(1);
    for (int i = 60; i < 70; ++i) b.spechist(0, i) = 1.0;
    b.update_quantiles(0, 0, 0.5); // sum exceeds 5 s at class 65 -> 16 dB
    EXPECT_EQ(b.specnoisequantile()[0], 16.0);
    b.update_quantiles(0, 0, 0.05); // exceeds 0.5 s at class 60 -> 11 dB
    EXPECT_EQ(b.specnoisequantile()[0], 11.0);
    b.update_quantiles(0, 0, 0.95); // exceeds 9.5 s at class 69 -> 20 dB
    EXPECT_EQ(b.specnoisequantile()[0], 20.0);
    b.update_quantiles(0, 0, 1.0); // never exceeds the total
    EXPECT_EQ(b.specnoisequantile()[0], 149.0);
    b.update_quantiles(0, 0, 0.0); // the first non-empty class, class 60 -> 11 dB
    EXPECT_EQ(b.specnoisequantile()[0], 11.0);
}

TEST(BackgroundNoiseQuantile, FirstClassesOfTheRunningSum) {
    tbackgroundnoise b = noise_with_bins(1);
    b.spechist(0, 1) = 1.0;
    b.update_quantiles(0, 0, 0.5);
    EXPECT_EQ(b.specnoisequantile()[0], -48.0);
}

TEST(BackgroundNoiseHistogram, HopEntersOnlyInsideTheNoiseRange) {
    tbackgroundnoise b = noise_with_bins(3);
    const std::vector<double> db{20.0, 30.0, 40.0};
    EXPECT_FALSE(b.add_hop(db, 25.0, 0.02, 25.0, 50.0)); // equal to the low end
    EXPECT_FALSE(b.add_hop(db, 50.0, 0.02, 25.0, 50.0)); // equal to the high end
    EXPECT_FALSE(b.add_hop(db, 10.0, 0.02, 25.0, 50.0));
    EXPECT_EQ(b.spechistcount(), 0);
    EXPECT_TRUE(b.add_hop(db, 30.0, 0.02, 25.0, 50.0));
    EXPECT_TRUE(b.add_hop(db, 49.9, 0.02, 25.0, 50.0));
    EXPECT_EQ(b.spechistcount(), 2);
    EXPECT_DOUBLE_EQ(b.spechist(0, 70), 0.04);
    EXPECT_DOUBLE_EQ(b.spechist(1, 80), 0.04);
    EXPECT_DOUBLE_EQ(b.spechist(2, 90), 0.04);
}

TEST(BackgroundNoiseHistogram, ClassesRoundHalvesToEvenAndIgnoreOutsideValues) {
    tbackgroundnoise b = noise_with_bins(6);
    // 20.5 dB -> 70.5 -> class 70; 21.5 dB -> 71.5 -> class 72; -3250 (zero power) and
    // 150 dB lie outside the classes; -50.4 -> -0.4 -> class 0; 149.4 -> class 199.
    const std::vector<double> db{20.5, 21.5, -3250.0, 150.0, -50.4, 149.4};
    ASSERT_TRUE(b.add_hop(db, 30.0, 1.0, 25.0, 50.0));
    EXPECT_EQ(b.spechist(0, 70), 1.0);
    EXPECT_EQ(b.spechist(1, 72), 1.0);
    EXPECT_EQ(b.spechist(4, 0), 1.0);
    EXPECT_EQ(b.spechist(5, 199), 1.0);
    for (int k = 2; k <= 3; ++k) {
        double total = 0;
        for (int i = 0; i < tbackgroundnoise::nclasses; ++i) total += b.spechist(k, i);
        EXPECT_EQ(total, 0.0) << "bin " << k;
    }
}

TEST(BackgroundNoiseHistogram, HopEntersTheBinsBelowHalfTheFftSizeOnly) {
    tbackgroundnoise b = noise_with_bins(2);
    const std::vector<double> db{20.0, 20.0, 20.0, 20.0}; // N = 4 values, 2 bins kept
    ASSERT_TRUE(b.add_hop(db, 30.0, 1.0, 25.0, 50.0));
    EXPECT_EQ(b.spechist(0, 70), 1.0);
    EXPECT_EQ(b.spechist(1, 70), 1.0);
}

TEST(BackgroundNoiseLifecycle, ResetEmptiesEverything) {
    tbackgroundnoise b = noise_with_bins(2);
    const std::vector<double> db{20.0, 30.0};
    b.add_hop(db, 30.0, 1.0, 25.0, 50.0);
    b.update_quantiles(0, 1, 0.5);
    EXPECT_EQ(b.specnoisequantile()[0], 21.0);
    b.reset();
    EXPECT_EQ(b.spechistcount(), 0);
    EXPECT_EQ(b.spechist(0, 70), 0.0);
    EXPECT_EQ(b.specnoisequantile()[0], 200.0);
    EXPECT_EQ(b.specnoisequantile()[1], 200.0);
}

TEST(BackgroundNoiseLifecycle, ResizeKeepsCommonBinsAndMarksNewOnesUnmeasured) {
    tbackgroundnoise b = noise_with_bins(2);
    b.spechist(1, 80) = 1.0;
    b.update_quantiles(0, 1, 0.5);
    b.resize(4);
    EXPECT_EQ(b.nbins(), 4);
    EXPECT_EQ(b.spechist(1, 80), 1.0);
    EXPECT_EQ(b.specnoisequantile()[1], 31.0);
    EXPECT_EQ(b.specnoisequantile()[0], 149.0);
    EXPECT_EQ(b.specnoisequantile()[2], 200.0);
    EXPECT_EQ(b.specnoisequantile()[3], 200.0);
    EXPECT_EQ(b.spechist(3, 80), 0.0);
    b.resize(1);
    EXPECT_EQ(b.nbins(), 1);
    EXPECT_EQ(b.specnoisequantile()[0], 149.0);
}

namespace {
// The quantile of every bin of the band recomputed from its histogram, as the definition
// reads: the reference the cached update must match exactly.
void reference_update(const tbackgroundnoise& b, int lobin, int hibin, double share,
                      std::vector<double>& q) {
    for (int k = std::max(lobin, 0); k <= std::min(hibin, b.nbins() - 1); ++k) {
        double total = 0;
        for (int i = 0; i < tbackgroundnoise::nclasses; ++i) total += b.spechist(k, i);
        double cum = 0;
        int j = 1;
        do {
            cum += b.spechist(k, j);
            ++j;
        } while (!(share * total < cum || j >= tbackgroundnoise::nclasses - 1));
        q[std::size_t(k)] = double(j - tbackgroundnoise::classoffset);
    }
}
} // namespace

TEST(BackgroundNoiseQuantile, CachedUpdateEqualsFullRecomputation) {
    // Hops of random spectra, some inside the noise range and some not, with the band and the
    // quantile share changing between updates, ties of equal class times, resets and a
    // resize: after every update each quantile equals the full recomputation's, bit for bit.
    const int nbins = 64;
    tbackgroundnoise b = noise_with_bins(nbins);
    static_assert(tbackgroundnoise::classoffset == 50 && tbackgroundnoise::nclasses == 200);
    std::vector<double> ref(nbins, tbackgroundnoise::notmeasured);
    std::uint64_t s = 12345;
    auto rnd = [&s] {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        return double(s >> 11) / double(1ull << 53);
    };
    std::vector<double> db(nbins);
    const double shares[] = {0.5, 0.5, 0.25, 0.0, 1.0, -0.5, std::nan(""), 0.9};
    for (int hop = 0; hop < 3000; ++hop) {
        // Few distinct levels, so that classes tie often.
        for (int k = 0; k < nbins; ++k) db[k] = std::floor(rnd() * 6) * 10 - 20 + (k % 3) * 0.5;
        if (hop % 7 == 0) db[5] = -3250; // a bin of zero power
        // The edge classes, which count in the total but not in the running sum, in bins
        // that hold only them and in bins with others.
        const double edges[] = {-50, -49, 148, 149};
        db[7] = edges[(hop / 13) % 4];
        db[8] = edges[(hop / 5) % 4];
        if (hop % 3 == 0) db[9] = edges[hop % 4];
        const double level = rnd() * 60;
        b.add_hop(db, level, hop % 11 == 0 ? 0.0 : 0.02, 25, 50);
        const int lo = int(rnd() * 20) - 2;
        const int hi = lo + int(rnd() * 50);
        const double share = shares[(hop / 50) % 8];
        b.update_quantiles(lo, hi, share);
        reference_update(b, lo, hi, share, ref);
        if (hop % 97 == 0) b.spechist(int(rnd() * nbins), int(rnd() * 200)) += 1.0;
        if (hop == 1500) {
            b.reset();
            std::fill(ref.begin(), ref.end(), tbackgroundnoise::notmeasured);
        }
        for (int k = 0; k < nbins; ++k)
            ASSERT_EQ(b.specnoisequantile()[std::size_t(k)], ref[std::size_t(k)])
                << "hop " << hop << " bin " << k;
    }
    // Growing keeps the measured bins; the new ones are computed at their first update.
    b.resize(96);
    ref.resize(96, tbackgroundnoise::notmeasured);
    b.update_quantiles(0, 95, 0.5);
    reference_update(b, 0, 95, 0.5, ref);
    for (int k = 0; k < 96; ++k)
        ASSERT_EQ(b.specnoisequantile()[std::size_t(k)], ref[std::size_t(k)]);
}
