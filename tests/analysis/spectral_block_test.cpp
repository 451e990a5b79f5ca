#include "analysis/spectral_block.h"
#include "analysis/threshold_ratios.h"

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

TEST(SpectralBlock, DecidesAsTheBandSumsInBinOrderDoEvenWhenTooCloseToCall) {
    // Random spectra of every magnitude, with the mid band set so that the scaled high band
    // lies exactly on it, one unit in the last place either side, or clearly away: the test
    // over the spectrum decides as the test over the band sums taken in bin order.
    std::uint64_t r = 11;
    auto rnd = [&r] {
        r = r * 6364136223846793005ull + 1442695040888963407ull;
        return double(r >> 11) / double(1ull << 53);
    };
    tanalysisparams p;
    const double c = std::pow(10.0, p.hfblockthreshold / 10.0);
    int blocked = 0, passed = 0;
    for (int round = 0; round < 400; ++round) {
        const int n = 2048, lo = 4, hi = 46;
        std::vector<double> a(static_cast<std::size_t>(n));
        const double scale = std::pow(10.0, 40.0 * rnd() - 20.0);
        for (auto& v : a) v = rnd() * rnd() * scale;
        const tspectralbands exact = spectral_bands(a, lo, hi);
        const double target = c * exact.high;
        const double mids[] = {target,
                               std::nextafter(target, 0.0),
                               std::nextafter(target, 1e308),
                               target * (1 + 1e-9),
                               target * (1 - 1e-9),
                               target * 3};
        // The mid band's last bin carries what the target needs beyond the others.
        const double rest = exact.mid - a[std::size_t(hi)];
        for (double mid : mids) {
            a[std::size_t(hi)] = mid - rest;
            if (!(a[std::size_t(hi)] >= 0)) continue;
            const tspectralbands b = spectral_bands(a, lo, hi);
            tkillpoint k1, k2;
            const bool want = spectral_block_test(b, 1.0, p, k1);
            EXPECT_EQ(spectral_block_test(a, lo, hi, 1.0, p, k2), want) << round << " " << mid;
            EXPECT_EQ(k1.value(), k2.value());
            (want ? blocked : passed) += 1;
        }
    }
    // Both outcomes were met near the edge.
    EXPECT_GT(blocked, 100);
    EXPECT_GT(passed, 100);
}

TEST(ThresholdRatios, FollowEveryChangeOfTheThresholds) {
    // Kept from hop to hop, the ratios are always those of the settings given: after a change
    // of each threshold in turn, a NaN one and back.
    tanalysisparams p;
    tthresholdratios r;
    const auto check = [&] {
        r.update(p);
        const tblocklimits want(p);
        EXPECT_EQ(std::memcmp(&r.block.hf, &want.hf, sizeof want.hf), 0);
        EXPECT_EQ(std::memcmp(&r.block.hflevel, &want.hflevel, sizeof want.hflevel), 0);
        EXPECT_EQ(std::memcmp(&r.block.lf, &want.lf, sizeof want.lf), 0);
        const double relfloor = std::pow(10.0, p.minrelpartiallevel / 10.0);
        EXPECT_EQ(std::memcmp(&r.relfloor, &relfloor, sizeof relfloor), 0);
        const double shrfloor = std::pow(10.0, p.minsubharmonicratio / 10.0);
        EXPECT_EQ(std::memcmp(&r.shrfloor, &shrfloor, sizeof shrfloor), 0);
    };
    check();
    check();
    for (double* t : {&p.hfblockthreshold, &p.maxhfblocklevel, &p.lfblockthreshold,
                      &p.minrelpartiallevel, &p.minsubharmonicratio}) {
        const double was = *t;
        *t = was - 3.5;
        check();
        *t = std::nan("");
        check();
        *t = was;
        check();
    }
}
