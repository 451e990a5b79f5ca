#include "base/errors.h"
#include "base/random.h"
#include "phonetogram/binning.h"
#include "phonetogram/pg_list.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using namespace gravon;

namespace {

double freq_of(double semitone) {
    return 440.0 * std::pow(2.0, (semitone - 69.0) / 12.0);
}

tbinningframe frame_at(double f0, double level, double d = 0.02) {
    tbinningframe f;
    f.f0 = f0;
    f.level = level;
    f.h1h2 = 6;
    f.hnr = 20;
    f.centroid = 1000;
    f.crestlevel = 12;
    f.maxpartno = 3;
    f.duration = d;
    return f;
}

double total_time(const tpg& pg) {
    double s = 0;
    for (double v : pg.param[pglayeracctime].arr.cells) s += v;
    return s;
}

int nonzero_cells(const tpgarr& a) {
    int n = 0;
    for (double v : a.cells) n += v != 0.0;
    return n;
}

class Binning : public ::testing::Test {
  protected:
    void SetUp() override {
        set_nchans(list, 2);
        RandSeed(0);
    }
    tpg& pg() { return list.pgs[0]; }
    double t(int x, int y) { return pg().param[pglayeracctime].arr[x][y]; }
    double layer(std::size_t k, int x, int y) { return pg().param[k].arr[x][y]; }
    tpglist list;
};

} // namespace

TEST(BinningPlacement, Captions) {
    EXPECT_STREQ(binningmethodcaptions[0], "Round to nearest bin");
    EXPECT_STREQ(binningmethodcaptions[1], "Add dither");
    EXPECT_STREQ(binningmethodcaptions[2], "Distribute contribution over four bins");
    EXPECT_EQ(defaultbinningmethod, 2);
}

TEST(BinningPlacement, NearestHalvesToEvenAndRange) {
    auto p = place_point(binroundtonearest, 69.0, 80.4);
    EXPECT_TRUE(p.inrange);
    EXPECT_EQ(p.x, 69);
    EXPECT_EQ(p.y, 80);
    EXPECT_EQ(p.fx, 0);
    EXPECT_EQ(p.fy, 0);
    // 138.5 dB rounds to 138 and is binned, anything above rounds to 139 and is not.
    EXPECT_TRUE(place_point(binroundtonearest, 60, 138.5).inrange);
    EXPECT_EQ(place_point(binroundtonearest, 60, 138.5).y, 138);
    EXPECT_FALSE(place_point(binroundtonearest, 60, 138.51).inrange);
    EXPECT_EQ(place_point(binroundtonearest, 0.5, 10).x, 0);
    EXPECT_EQ(place_point(binroundtonearest, 2.5, 10).x, 2);
    EXPECT_TRUE(place_point(binroundtonearest, -0.5, 10).inrange); // rounds to column 0
    EXPECT_FALSE(place_point(binroundtonearest, -0.51, 10).inrange);
    EXPECT_TRUE(place_point(binroundtonearest, 126.5, 10).inrange);
    EXPECT_FALSE(place_point(binroundtonearest, 126.51, 10).inrange); // column 127
}

TEST(BinningPlacement, DistributeSplitsAndKeepsTheLastColumnAndRowFree) {
    auto p = place_point(bindistribute, 69.25, 80.5);
    EXPECT_TRUE(p.inrange);
    EXPECT_EQ(p.x, 69);
    EXPECT_EQ(p.y, 80);
    EXPECT_DOUBLE_EQ(p.fx, 0.25);
    EXPECT_DOUBLE_EQ(p.fy, 0.5);
    EXPECT_TRUE(place_point(bindistribute, 126.99, 138.99).inrange);
    EXPECT_FALSE(place_point(bindistribute, 127.0, 100).inrange);
    EXPECT_FALSE(place_point(bindistribute, 100, 139.0).inrange);
    EXPECT_TRUE(place_point(bindistribute, 0.0, 0.0).inrange);
}

TEST(BinningPlacement, DistributeJustBelowZeroIsNotBinnedWithNegativeWeights) {
    // Truncation towards zero would put -0.5 into column 0 with fraction -0.5, i.e. a weight
    // of 1.5 on one cell and -0.5 on the other.
    EXPECT_FALSE(place_point(bindistribute, -0.5, 50).inrange);
    EXPECT_FALSE(place_point(bindistribute, 50, -0.25).inrange);
}

TEST(BinningPlacement, NonFiniteCoordinatesAreNeverInRange) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::int32_t m = 0; m <= 2; ++m) {
        EXPECT_FALSE(place_point(m, nan, 50).inrange);
        EXPECT_FALSE(place_point(m, -inf, 50).inrange);
        EXPECT_FALSE(place_point(m, 50, inf).inrange);
        EXPECT_FALSE(place_point(m, 1e300, 50).inrange);
    }
}

TEST(BinningPlacement, DitherDrawsTwiceFromTheSharedGeneratorEveryTime) {
    RandSeed(0);
    // First draws after seed 0: u1 = 1/2^32, u2 = 134775814/2^32 (about 0.0314).
    auto p = place_point(binadddither, 69.3, 80.4);
    EXPECT_TRUE(p.inrange);
    EXPECT_EQ(p.x, 69); // 69.3 + 0.0000 - 0.5 = 68.8
    EXPECT_EQ(p.y, 80); // 0.0314 + 80.4 - 0.5 = 79.93
    EXPECT_EQ(RandSeedValue(), 134775814u);
    // Out of range points still take their two draws.
    std::uint32_t before = RandSeedValue();
    EXPECT_FALSE(place_point(binadddither, 300, 80).inrange);
    RandSeed(before);
    Random();
    Random();
    std::uint32_t aftertwo = RandSeedValue();
    RandSeed(before);
    place_point(binadddither, 300, 80);
    EXPECT_EQ(RandSeedValue(), aftertwo);
    // The other methods draw nothing.
    place_point(binroundtonearest, 60, 60);
    place_point(bindistribute, 60, 60);
    EXPECT_EQ(RandSeedValue(), aftertwo);
}

TEST(BinningPlacement, UnknownMethodPlacesLikeTheDefault) {
    auto p = place_point(7, 69.25, 80.5);
    auto q = place_point(defaultbinningmethod, 69.25, 80.5);
    EXPECT_EQ(p.x, q.x);
    EXPECT_EQ(p.y, q.y);
    EXPECT_EQ(p.fx, q.fx);
    EXPECT_EQ(p.fy, q.fy);
    tpg pg = make_empty_pg();
    EXPECT_TRUE(bin_frame(pg, -1, frame_at(440, 80)));
}

TEST_F(Binning, NearestCellGainsTheHop) {
    ASSERT_TRUE(bin_frame(pg(), binroundtonearest, frame_at(440, 80.4)));
    EXPECT_DOUBLE_EQ(t(69, 80), 0.02);
    EXPECT_DOUBLE_EQ(total_time(pg()), 0.02);
    EXPECT_DOUBLE_EQ(layer(pglayerh1h2, 69, 80), 6);
    EXPECT_DOUBLE_EQ(layer(pglayerhnr, 69, 80), 20);
    EXPECT_DOUBLE_EQ(layer(pglayercentroid, 69, 80), 1000);
    EXPECT_DOUBLE_EQ(layer(pglayercrest, 69, 80), 12);
    EXPECT_DOUBLE_EQ(layer(pglayermaxpartno, 69, 80), 3);
    EXPECT_EQ(layer(pglayersolidcolor, 69, 80), 0);
    // 100 Hz is semitone 43.35.
    ASSERT_TRUE(bin_frame(pg(), binroundtonearest, frame_at(100, 60)));
    EXPECT_DOUBLE_EQ(t(43, 60), 0.02);
}

TEST_F(Binning, RunningMeansAreTimeWeighted) {
    auto a = frame_at(440, 80);
    auto b = frame_at(440, 80, 0.06);
    b.hnr = 10;
    b.centroid = 2000;
    bin_frame(pg(), binroundtonearest, a);
    bin_frame(pg(), binroundtonearest, b);
    EXPECT_DOUBLE_EQ(t(69, 80), 0.08);
    EXPECT_DOUBLE_EQ(layer(pglayerhnr, 69, 80), (20 * 0.02 + 10 * 0.06) / 0.08);
    EXPECT_DOUBLE_EQ(layer(pglayercentroid, 69, 80), (1000 * 0.02 + 2000 * 0.06) / 0.08);
    EXPECT_DOUBLE_EQ(layer(pglayerh1h2, 69, 80), 6);
}

TEST_F(Binning, NearestUpdatesTheNeighbourMeansWithoutTime) {
    // Methods 0 and 1 put all the time on the base cell, yet the three neighbours take the
    // frame's measures into their means with the full hop as weight.
    auto other = frame_at(freq_of(70), 80);
    other.hnr = 5;
    bin_frame(pg(), binroundtonearest, other);
    auto f = frame_at(440, 80);
    f.overloaded = true;
    bin_frame(pg(), binroundtonearest, f);
    EXPECT_DOUBLE_EQ(t(70, 80), 0.02);
    EXPECT_DOUBLE_EQ(layer(pglayerhnr, 70, 80), (5 * 0.02 + 20 * 0.02) / 0.04);
    // An empty neighbour takes the frame's measures as its means and stays empty.
    EXPECT_EQ(t(69, 81), 0);
    EXPECT_DOUBLE_EQ(layer(pglayerhnr, 69, 81), 20);
    EXPECT_DOUBLE_EQ(layer(pglayercentroid, 70, 81), 1000);
    // The overload mark goes on all four touched cells, also where the weight is zero.
    for (int x : {69, 70})
        for (int y : {80, 81}) EXPECT_EQ(layer(pglayersolidcolor, x, y), 1.0);
    EXPECT_EQ(nonzero_cells(pg().param[pglayeracctime].arr), 2);
}

TEST_F(Binning, DistributeOverFourCells) {
    // s = 69.25, L = 80.5, d = 0.02.
    ASSERT_TRUE(bin_frame(pg(), bindistribute, frame_at(freq_of(69.25), 80.5)));
    EXPECT_NEAR(t(69, 80), 0.0075, 1e-12);
    EXPECT_NEAR(t(69, 81), 0.0075, 1e-12);
    EXPECT_NEAR(t(70, 80), 0.0025, 1e-12);
    EXPECT_NEAR(t(70, 81), 0.0025, 1e-12);
    EXPECT_NEAR(total_time(pg()), 0.02, 1e-15);
    for (int x : {69, 70})
        for (int y : {80, 81}) {
            EXPECT_NEAR(layer(pglayerh1h2, x, y), 6, 1e-12);
            EXPECT_NEAR(layer(pglayermaxpartno, x, y), 3, 1e-12);
        }
}

TEST_F(Binning, DistributedMeansMoveAsIfTheWholeHopWereAdded) {
    ASSERT_TRUE(bin_frame(pg(), bindistribute, frame_at(440, 80)));
    EXPECT_DOUBLE_EQ(t(69, 80), 0.02);
    auto b = frame_at(freq_of(69.25), 80.5);
    b.hnr = 10;
    ASSERT_TRUE(bin_frame(pg(), bindistribute, b));
    EXPECT_NEAR(t(69, 80) - 0.02, 0.0075, 1e-12);
    EXPECT_NEAR(layer(pglayerhnr, 69, 80), (20 * 0.02 + 10 * 0.02) / 0.04, 1e-12);
    EXPECT_NEAR(layer(pglayerhnr, 70, 81), 10, 1e-12);
}

TEST_F(Binning, OverloadMarksEveryTouchedCell) {
    auto f = frame_at(freq_of(69.25), 80.5);
    f.overloaded = true;
    bin_frame(pg(), bindistribute, f);
    for (int x : {69, 70})
        for (int y : {80, 81}) EXPECT_EQ(layer(pglayersolidcolor, x, y), 1.0);
    EXPECT_EQ(nonzero_cells(pg().param[pglayersolidcolor].arr), 4);
    // Later clean frames do not clear the mark.
    bin_frame(pg(), bindistribute, frame_at(freq_of(69.25), 80.5));
    EXPECT_EQ(layer(pglayersolidcolor, 70, 81), 1.0);
    // A frame exactly on (20, 30) marks its three zero-weight neighbours as well.
    auto g = frame_at(freq_of(20), 30);
    g.overloaded = true;
    bin_frame(pg(), bindistribute, g);
    EXPECT_EQ(layer(pglayersolidcolor, 21, 31), 1.0);
    EXPECT_EQ(nonzero_cells(pg().param[pglayersolidcolor].arr), 8);
}

TEST_F(Binning, OutOfRangeAndDoubtfulFramesAreNotBinned) {
    EXPECT_FALSE(bin_frame(pg(), binroundtonearest, frame_at(440, 138.6)));
    EXPECT_TRUE(bin_frame(pg(), binroundtonearest, frame_at(440, 138.5)));
    EXPECT_DOUBLE_EQ(t(69, 138), 0.02);
    EXPECT_FALSE(bin_frame(pg(), bindistribute, frame_at(440, -0.5)));
    EXPECT_FALSE(bin_frame(pg(), bindistribute, frame_at(0, 50)));  // no F0
    EXPECT_FALSE(bin_frame(pg(), bindistribute, frame_at(-5, 50))); // nonsense F0
    EXPECT_FALSE(bin_frame(pg(), bindistribute, frame_at(20000, 50)));
    EXPECT_FALSE(bin_frame(pg(), bindistribute, frame_at(440, std::nan(""))));
    EXPECT_FALSE(bin_frame(pg(), bindistribute, frame_at(440, 50, 0)));
    EXPECT_FALSE(bin_frame(pg(), bindistribute, frame_at(440, 50, -0.02)));
    EXPECT_FALSE(bin_frame(pg(), bindistribute, frame_at(440, 50, std::nan(""))));
    EXPECT_DOUBLE_EQ(total_time(pg()), 0.02);
}

TEST_F(Binning, NonFiniteMeasureLeavesThatMeanAlone) {
    bin_frame(pg(), binroundtonearest, frame_at(440, 80));
    auto f = frame_at(440, 80);
    f.centroid = std::nan("");
    f.hnr = 30;
    ASSERT_TRUE(bin_frame(pg(), binroundtonearest, f));
    EXPECT_DOUBLE_EQ(layer(pglayercentroid, 69, 80), 1000);
    EXPECT_DOUBLE_EQ(layer(pglayerhnr, 69, 80), 25);
    EXPECT_DOUBLE_EQ(t(69, 80), 0.04);
}

TEST_F(Binning, DitherSpreadsTimeByTheFraction) {
    // s = 69.3: about 30 % of the time lands in column 70, 70 % in column 69.
    const double f0 = freq_of(69.3);
    for (int k = 0; k < 10000; ++k) bin_frame(pg(), binadddither, frame_at(f0, 80.0));
    double c69 = 0, c70 = 0;
    for (int y = 0; y < nlevelbins; ++y) {
        c69 += t(69, y);
        c70 += t(70, y);
    }
    EXPECT_NEAR(c69 + c70, 200.0, 1e-6);
    EXPECT_NEAR(c70 / (c69 + c70), 0.3, 0.02);
    // Level 80.0 dithers over rows 79.5..80.5: only row 80 (and 79 at the very edge).
    double r80 = 0;
    for (int x = 0; x < nf0bins; ++x) r80 += t(x, 80);
    EXPECT_GT(r80, 199.9);
}

TEST_F(Binning, DitherReproducesBitForBitFromTheSeed) {
    auto run = [](tpg& p) {
        RandSeed(0);
        for (int k = 0; k < 500; ++k) {
            double s = 50 + 0.037 * k;
            double l = 60 + 0.011 * k;
            auto f = frame_at(freq_of(s), l);
            f.hnr = k % 17;
            bin_frame(p, binadddither, f);
        }
    };
    tpg a = make_empty_pg(), b = make_empty_pg();
    run(a);
    Random(); // something else drew in between
    run(b);
    // Bit for bit, so that the cells without a CPPS (NaN) compare too.
    for (std::size_t k = 0; k < a.param.size(); ++k) {
        const auto& x = a.param[k].arr.cells;
        const auto& y = b.param[k].arr.cells;
        ASSERT_EQ(x.size(), y.size()) << k;
        EXPECT_EQ(std::memcmp(x.data(), y.data(), x.size() * sizeof x[0]), 0) << k;
    }
    EXPECT_GT(nonzero_cells(a.param[pglayeracctime].arr), 10);
}

TEST_F(Binning, PhonetogramWithoutTheLayersIsRefused) {
    tpg p = make_empty_pg();
    p.pgname = "broken";
    resize_pg_layers(p, 6);
    try {
        bin_frame(p, binroundtonearest, frame_at(440, 80));
        FAIL() << "no error";
    } catch (const EGravonError& e) {
        EXPECT_NE(std::string(e.what()).find("broken"), std::string::npos);
    }
    tpg q = make_empty_pg();
    q.param[3].arr.assign(10, 10);
    EXPECT_THROW(bin_frame(q, binroundtonearest, frame_at(440, 80)), EGravonError);
}

TEST_F(Binning, LoadedPhonetogramsAreSeparateRecords) {
    set_nchans(list, 3);
    bin_frame(list.pgs[1], bindistribute, frame_at(440, 80));
    EXPECT_DOUBLE_EQ(total_time(list.pgs[1]), 0.02);
    EXPECT_DOUBLE_EQ(total_time(list.pgs[0]), 0);
    EXPECT_DOUBLE_EQ(total_time(list.pgs[2]), 0);
}

TEST(BinningQuality, CellsWithoutACppsStayWithoutOneUntilAFrameBringsIt) {
    // One cell, frames in turn: none, a value, none, another value. The cell's CPPS is NaN
    // until the first value, then a mean of the values only (the value before weighed by the
    // cell's whole time, as every layer's is); the spectrum balance, which every frame has, is
    // the mean of all.
    tpg pg = make_empty_pg();
    copy_pgparam_descriptions(default_recording_pgparams(), pg.param);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct tstep {
        double cpps, specbal, wantcpps, wantspecbal;
    };
    const tstep steps[] = {
        {nan, -20, nan, -20}, {10, -30, 10, -25}, {nan, -40, 10, -30}, {16, -10, 11.5, -25}};
    for (const tstep& s : steps) {
        tbinningframe f = frame_at(440, 80);
        f.cpps = s.cpps;
        f.specbal = s.specbal;
        ASSERT_TRUE(bin_frame(pg, binroundtonearest, f));
        const double cpps = pg.param[pglayercpps].arr[69][80];
        if (std::isnan(s.wantcpps))
            EXPECT_TRUE(std::isnan(cpps));
        else
            EXPECT_NEAR(cpps, s.wantcpps, 1e-9);
        EXPECT_NEAR(pg.param[pglayerspecbal].arr[69][80], s.wantspecbal, 1e-9);
    }
    // A phonetogram of the layers before takes frames as it did.
    pg.param.resize(pglayercpps);
    EXPECT_TRUE(bin_frame(pg, binroundtonearest, frame_at(440, 80)));
}
