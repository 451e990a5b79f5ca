#include "analysis/spectral_block.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace gravon;

namespace {
// N = 16 bins; band 2...5: low 0..1, mid 2..5, high 6..8 (bin 8 = N/2 counts).
constexpr int lobin = 2, hibin = 5;
std::vector<double> spectrum(double low, double mid, double high) {
    std::vector<double> s(16, 0.0);
    s[1] = low;
    s[3] = mid;
    s[8] = high;
    return s;
}
} // namespace

TEST(SpectralBands, SumsOverTheThreeBands) {
    std::vector<double> s(16);
    for (int k = 0; k < 16; ++k) s[k] = double(1 << k);
    const tspectralbands b = spectral_bands(s, lobin, hibin);
    EXPECT_EQ(b.low, 1.0 + 2.0);
    EXPECT_EQ(b.mid, 4.0 + 8.0 + 16.0 + 32.0);
    EXPECT_EQ(b.high, 64.0 + 128.0 + 256.0); // bins 6, 7 and 8 (N/2), not the mirror
}

TEST(SpectralBands, BandsAreClippedToTheSpectrum) {
    std::vector<double> s(16, 1.0);
    const tspectralbands b = spectral_bands(s, -1, 40);
    EXPECT_EQ(b.low, 0.0);
    EXPECT_EQ(b.mid, 9.0); // bins 0...8
    EXPECT_EQ(b.high, 0.0);
}

TEST(SpectralBlock, SilentHopIsBlockedByTheHighFrequencyTest) {
    tanalysisparams p;
    tkillpoint kp;
    EXPECT_TRUE(spectral_block_test(std::vector<double>(16, 0.0), lobin, hibin, 0.0, p, kp));
    EXPECT_EQ(kp.value(), 2);
}

TEST(SpectralBlock, VoiceLikeHopPasses) {
    tanalysisparams p;
    tkillpoint kp;
    EXPECT_FALSE(spectral_block_test(spectrum(1e-3, 1.0, 1e-3), lobin, hibin, 1e5, p, kp));
    EXPECT_TRUE(kp.empty());
}

TEST(SpectralBlock, HighFrequencyThresholdIsInclusive) {
    tanalysisparams p;
    const double mid = std::pow(10.0, 1.5);
    {
        tkillpoint kp; // high exactly 15 dB below mid: 10^1.5 * high >= mid
        EXPECT_TRUE(spectral_block_test(spectrum(0, mid, 1.0), lobin, hibin, 1e5, p, kp));
        EXPECT_TRUE(kp.has(tkillreason::hfblock));
    }
    {
        tkillpoint kp;
        EXPECT_FALSE(spectral_block_test(spectrum(0, mid * 1.001, 1.0), lobin, hibin, 1e5, p, kp));
        EXPECT_TRUE(kp.empty());
    }
}

TEST(SpectralBlock, HighFrequencyBlockOnlyBelowMaxLevel) {
    tanalysisparams p; // maxhfblocklevel 70 dB -> power 1e7
    tkillpoint kp;
    EXPECT_FALSE(spectral_block_test(spectrum(0, 1.0, 1.0), lobin, hibin, 1e7, p, kp));
    EXPECT_TRUE(kp.empty());
    EXPECT_TRUE(spectral_block_test(spectrum(0, 1.0, 1.0), lobin, hibin, 0.99e7, p, kp));
    EXPECT_EQ(kp.value(), 2);
}

TEST(SpectralBlock, LowFrequencyBlock) {
    tanalysisparams p; // -10 dB: blocked when low >= 10 x mid
    {
        tkillpoint kp;
        EXPECT_TRUE(spectral_block_test(spectrum(10.0, 1.0, 0), lobin, hibin, 1e8, p, kp));
        EXPECT_EQ(kp.value(), 1);
    }
    {
        tkillpoint kp;
        EXPECT_FALSE(spectral_block_test(spectrum(9.99, 1.0, 0), lobin, hibin, 1e8, p, kp));
        EXPECT_TRUE(kp.empty());
    }
}

TEST(SpectralBlock, HighFrequencyTestComesFirst) {
    tanalysisparams p;
    tkillpoint kp;
    EXPECT_TRUE(spectral_block_test(spectrum(100.0, 1.0, 1.0), lobin, hibin, 1e5, p, kp));
    EXPECT_EQ(kp.value(), 2);
}

TEST(SpectralSums, EqualTheSumsTakenOneByOne) {
    // Bands in order, empty, overlapping, reversed and outside the spectrum: the band sums
    // and the centroid sums of one pass are bit for bit those of spectral_bands and of the
    // centroid's own loop.
    std::uint64_t r = 7;
    auto rnd = [&r] {
        r = r * 6364136223846793005ull + 1442695040888963407ull;
        return double(r >> 11) / double(1ull << 53);
    };
    for (int n : {0, 1, 2, 3, 8, 64, 2048}) {
        std::vector<double> a(static_cast<std::size_t>(n));
        for (auto& v : a) v = rnd() * 1e6 * rnd();
        for (auto [lo, hi] : {std::pair{1, 94},
                              {0, 5},
                              {1, 1},
                              {3, 2},
                              {-4, 3},
                              {5, 100000},
                              {n / 2, n / 2},
                              {n / 2 - 1, n / 2 - 1},
                              {40, 10},
                              {1, n / 2 - 1}}) {
            const tspectralsums s = spectral_sums(a, lo, hi);
            const tspectralbands b = spectral_bands(a, lo, hi);
            double moment = 0, total = 0;
            for (int k = 0; k < n / 2; ++k) {
                moment += double(k) * a[std::size_t(k)];
                total += a[std::size_t(k)];
            }
            EXPECT_EQ(std::memcmp(&s.bands.low, &b.low, sizeof(double)), 0) << n << " " << lo;
            EXPECT_EQ(std::memcmp(&s.bands.mid, &b.mid, sizeof(double)), 0) << n << " " << lo;
            EXPECT_EQ(std::memcmp(&s.bands.high, &b.high, sizeof(double)), 0) << n << " " << lo;
            EXPECT_EQ(std::memcmp(&s.moment, &moment, sizeof(double)), 0) << n << " " << lo;
            EXPECT_EQ(std::memcmp(&s.total, &total, sizeof(double)), 0) << n << " " << lo;
        }
    }
}
