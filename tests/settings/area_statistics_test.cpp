#include "base/pitch.h"
#include "phonetogram/area_statistics.h"
#include "settings/options.h"
#include "settings/statistics_settings.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace gravon;

namespace {

double hz(double s) {
    return semitonetofreq(s);
}

class Statistics : public ::testing::Test {
  protected:
    void SetUp() override {
        set_nchans(list, 3);
        for (tpg& pg : list.pgs) copy_pgparam_descriptions(default_recording_pgparams(), pg.param);
        settings = statistics_settings(options, advanced);
    }
    // Puts time t into bin (x, y) of phonetogram pg and selects the bin.
    void put(int x, int y, double t, int pg = 0) {
        list.pgs[pg].param[pglayeracctime].arr[x][y] = t;
        list.masks.binmarked[pg][x][y] = 1;
    }
    const tstatistics& measure(int pg = 0) {
        fix_area_statistics(list, stats, settings);
        return stats[pg];
    }
    tpglist list;
    toptions options;
    tadvancedsettings advanced;
    tstatisticssettings settings;
    tstatisticsarr stats;
};

void expect_empty(const tstatistics& s, std::size_t npercentiles) {
    EXPECT_EQ(s.nbins, 0);
    EXPECT_EQ(s.takentime, 0.0);
    EXPECT_EQ(s.avgf0, 0.0);
    EXPECT_EQ(s.f0median, 0.0);
    EXPECT_EQ(s.leq, -100.0);
    EXPECT_EQ(s.k, 0.0);
    EXPECT_EQ(s.m, 0.0);
    EXPECT_EQ(s.r, 0.0);
    EXPECT_DOUBLE_EQ(s.minf0, hz(1000));
    EXPECT_DOUBLE_EQ(s.maxf0, hz(-1000));
    EXPECT_EQ(s.minspl, 1000.0);
    EXPECT_EQ(s.maxspl, -1000.0);
    ASSERT_EQ(s.f0percentile.size(), npercentiles);
    ASSERT_EQ(s.SPLpercentile.size(), npercentiles);
    for (double v : s.f0percentile) EXPECT_EQ(v, 0.0);
    for (double v : s.SPLpercentile) EXPECT_EQ(v, 0.0);
}

} // namespace

TEST_F(Statistics, SettingsComeFromTheOptionsAndAdvancedSettings) {
    EXPECT_EQ(settings.percentile, (tdoublearr{0.05, 0.1, 0.25, 0.5, 0.75, 0.9, 0.95}));
    EXPECT_EQ(settings.nparams, 10u);
    EXPECT_EQ(settings.stdpgparams.size(), 11u);
}

TEST_F(Statistics, EmptySelectionGivesTheDefaults) {
    const tstatistics& s = measure();
    expect_empty(s, 7);
    EXPECT_DOUBLE_EQ(s.f0mode, hz(0)); // the mode column starts at 0
    ASSERT_EQ(stats.size(), 3u);
    expect_empty(stats[1], 7);
    expect_empty(stats[2], 7);
    EXPECT_FALSE(any_area_selected(stats));
}

TEST_F(Statistics, SingleBin) {
    list.pgs[0].recordedtime = 12.5;
    put(57, 80, 0.3);
    const tstatistics& s = measure();
    EXPECT_EQ(s.nbins, 1);
    EXPECT_DOUBLE_EQ(s.takentime, 0.3);
    EXPECT_EQ(s.recordedtime, 12.5);
    EXPECT_DOUBLE_EQ(s.f0mode, 220.0);
    EXPECT_DOUBLE_EQ(s.minf0, 220.0);
    EXPECT_DOUBLE_EQ(s.maxf0, 220.0);
    EXPECT_DOUBLE_EQ(s.avgf0, 220.0);
    EXPECT_EQ(s.minspl, 80.0);
    EXPECT_EQ(s.maxspl, 80.0);
    EXPECT_DOUBLE_EQ(s.f0median, hz(56.5) + 0.5 * (hz(57.5) - hz(56.5)));
    EXPECT_NEAR(s.f0median, 220.0918, 1e-4);
    for (std::size_t j = 0; j < settings.percentile.size(); ++j) {
        double p = settings.percentile[j];
        EXPECT_NEAR(s.f0percentile[j], hz(56.5) + p * (hz(57.5) - hz(56.5)), 1e-9) << p;
        EXPECT_NEAR(s.SPLpercentile[j], 79.5 + p, 1e-12) << p;
    }
    EXPECT_NEAR(s.leq, 80.0, 1e-12);
    EXPECT_EQ(s.k, 0.0);
    EXPECT_EQ(s.m, 0.0);
    EXPECT_EQ(s.r, 0.0);
    EXPECT_TRUE(any_area_selected(stats));
}

TEST_F(Statistics, TwoColumnsWithAGap) {
    // Column 60 holds 1 s at 70 dB, column 62 holds 3 s at 74 dB; column 61 is empty.
    put(60, 70, 1.0);
    put(62, 74, 3.0);
    const tstatistics& s = measure();
    EXPECT_EQ(s.nbins, 2);
    EXPECT_DOUBLE_EQ(s.takentime, 4.0);
    EXPECT_DOUBLE_EQ(s.avgf0, (hz(60) + 3 * hz(62)) / 4);
    EXPECT_DOUBLE_EQ(s.f0mode, hz(62));
    EXPECT_DOUBLE_EQ(s.minf0, hz(60));
    EXPECT_DOUBLE_EQ(s.maxf0, hz(62));
    // 5 %: inside the first column, from its lower edge (0, hz(59.5)) to (0.25, hz(60.5)).
    EXPECT_NEAR(s.f0percentile[0], hz(59.5) + 0.2 * (hz(60.5) - hz(59.5)), 1e-9);
    // 25 %: exactly the upper edge of the first column.
    EXPECT_NEAR(s.f0percentile[2], hz(60.5), 1e-9);
    // 50 %: across the gap, from the upper edge of column 60 to that of column 62.
    EXPECT_NEAR(s.f0percentile[3], hz(60.5) + (0.25 / 0.75) * (hz(62.5) - hz(60.5)), 1e-9);
    // The median interpolates within its own column, from its lower edge.
    EXPECT_NEAR(s.f0median, hz(61.5) + (0.25 / 0.75) * (hz(62.5) - hz(61.5)), 1e-9);
    EXPECT_GT(s.f0median, s.f0percentile[3]);
    // Levels: 70.5 + (0.5 - 0.25)/(1 - 0.25) * (74.5 - 70.5).
    EXPECT_NEAR(s.SPLpercentile[3], 70.5 + 4.0 / 3.0, 1e-12);
    EXPECT_NEAR(s.SPLpercentile[0], 69.5 + 0.2, 1e-12);
    EXPECT_NEAR(s.SPLpercentile[6], 70.5 + (0.7 / 0.75) * 4.0, 1e-12);
    EXPECT_NEAR(s.leq, 10 * std::log10((1e7 + 3 * std::pow(10.0, 7.4)) / 4), 1e-12);
    EXPECT_NEAR(s.leq, 73.2918, 1e-4);
    // Two points: the line through them, level 70 at semitone 60, slope 2.
    EXPECT_NEAR(s.k, 2.0, 1e-9);
    EXPECT_NEAR(s.m, -50.0, 1e-7);
    EXPECT_NEAR(s.r, 1.0, 1e-12);
}

TEST_F(Statistics, ModeTieGoesToTheLowerColumn) {
    put(50, 60, 0.5);
    put(60, 60, 0.25);
    put(60, 61, 0.25);
    EXPECT_DOUBLE_EQ(measure().f0mode, hz(50));
}

TEST_F(Statistics, LeqOfTwoLevelsWithEqualTime) {
    put(57, 60, 1.0);
    put(57, 70, 1.0);
    const tstatistics& s = measure();
    EXPECT_NEAR(s.leq, 10 * std::log10((1e6 + 1e7) / 2), 1e-12);
    EXPECT_NEAR(s.leq, 67.4036, 1e-4);
    // All time in one F0 column: no regression.
    EXPECT_EQ(s.k, 0.0);
    EXPECT_EQ(s.m, 0.0);
    EXPECT_EQ(s.r, 0.0);
}

TEST_F(Statistics, RegressionAlongALine) {
    // y = 40 + 0.5 x with equal times; the intercept is at semitone number 0.
    for (int x = 40; x <= 80; x += 2) put(x, 40 + x / 2, 0.1);
    const tstatistics& s = measure();
    EXPECT_NEAR(s.k, 0.5, 1e-9);
    EXPECT_NEAR(s.m, 40.0, 1e-7);
    EXPECT_NEAR(s.r, 1.0, 1e-9);
}

TEST_F(Statistics, RegressionWeightsByTime) {
    // Three points, weights 1, 2, 1: x = 0, 1, 2 around 60 and y = 70, 70, 74.
    put(60, 70, 1.0);
    put(61, 70, 2.0);
    put(62, 74, 1.0);
    const tstatistics& s = measure();
    // S = 4, mean x = 61, mean y = 71; Cxx = 2, Cxy = 4, Cyy = 12.
    EXPECT_NEAR(s.k, 2.0, 1e-9);
    EXPECT_NEAR(s.m, 71.0 - 2.0 * 61.0, 1e-7);
    EXPECT_NEAR(s.r, 4.0 / std::sqrt(2.0 * 12.0), 1e-9);
}

TEST_F(Statistics, OneLevelGivesNoRegression) {
    // Times chosen so that S*Syy - Sy*Sy does not cancel exactly in floating point but
    // leaves a tiny positive rest, which would give a meaningless finite r.
    put(50, 61, 0.02);
    put(61, 61, 0.04);
    put(73, 61, 0.04);
    put(77, 61, 1.0 / 3.0);
    const tstatistics& s = measure();
    EXPECT_EQ(s.k, 0.0);
    EXPECT_EQ(s.m, 0.0);
    EXPECT_EQ(s.r, 0.0);
}

TEST_F(Statistics, RegressionAtTheGridEdges) {
    // Every selected bin in column 0: the spread test divides 0 by 0.
    put(0, 50, 1.0);
    put(0, 60, 1.0);
    EXPECT_EQ(measure().r, 0.0);
    EXPECT_EQ(stats[0].k, 0.0);
    // Level row 0 among others is an ordinary value.
    put(10, 0, 1.0);
    const tstatistics& s = measure();
    EXPECT_NE(s.k, 0.0);
    EXPECT_TRUE(std::isfinite(s.r));
}

TEST_F(Statistics, SelectedBinsWithoutTime) {
    // A glued hole only: it counts as area but carries no time.
    list.masks.binmarked[0][70][90] = 1;
    const tstatistics& s = measure();
    EXPECT_EQ(s.nbins, 1);
    EXPECT_EQ(s.takentime, 0.0);
    EXPECT_EQ(s.avgf0, 0.0);
    EXPECT_EQ(s.f0median, 0.0);
    EXPECT_EQ(s.leq, -100.0);
    EXPECT_DOUBLE_EQ(s.minf0, hz(70));
    EXPECT_DOUBLE_EQ(s.maxf0, hz(70));
    EXPECT_EQ(s.minspl, 90.0);
    EXPECT_EQ(s.maxspl, 90.0);
    EXPECT_DOUBLE_EQ(s.f0mode, hz(0));
    for (double v : s.f0percentile) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(s.k, 0.0);
}

TEST_F(Statistics, HolesCountAsAreaAndExtremes) {
    put(60, 70, 1.0);
    list.masks.binmarked[0][61][71] = 1; // enclosed hole
    put(62, 72, 1.0);
    const tstatistics& s = measure();
    EXPECT_EQ(s.nbins, 3);
    EXPECT_DOUBLE_EQ(s.takentime, 2.0);
    EXPECT_DOUBLE_EQ(s.avgf0, (hz(60) + hz(62)) / 2);
}

TEST_F(Statistics, UnselectedBinsDoNotCount) {
    put(60, 70, 1.0);
    list.pgs[0].param[pglayeracctime].arr[30][100] = 50.0; // voiced but not selected
    const tstatistics& s = measure();
    EXPECT_EQ(s.nbins, 1);
    EXPECT_DOUBLE_EQ(s.takentime, 1.0);
    EXPECT_EQ(s.maxspl, 70.0);
}

TEST_F(Statistics, EachPhonetogramSeparately) {
    put(57, 80, 1.0, 0);
    put(69, 90, 2.0, 2);
    measure();
    EXPECT_EQ(stats[0].nbins, 1);
    EXPECT_EQ(stats[1].nbins, 0);
    EXPECT_EQ(stats[2].nbins, 1);
    EXPECT_DOUBLE_EQ(stats[2].f0mode, 440.0);
    EXPECT_NEAR(stats[2].leq, 90.0, 1e-12);
}

TEST_F(Statistics, ListFollowsTheNumberOfPhonetograms) {
    measure();
    ASSERT_EQ(stats.size(), 3u);
    set_nchans(list, 2);
    measure();
    EXPECT_EQ(stats.size(), 2u);
    set_nchans(list, 4);
    measure();
    ASSERT_EQ(stats.size(), 4u);
    expect_empty(stats[3], 7);
}

TEST_F(Statistics, ParameterAverages) {
    put(60, 70, 1.0);
    put(62, 74, 3.0);
    list.pgs[0].param[pglayerh1h2].arr[60][70] = 10.0;
    list.pgs[0].param[pglayerh1h2].arr[62][74] = 20.0;
    list.pgs[0].param[pglayerhnr].arr[60][70] = 8.0;
    const tstatistics& s = measure();
    list.pgs[0].param[pglayercpps].arr[60][70] = NAN; // no CPPS in this cell
    list.pgs[0].param[pglayercpps].arr[62][74] = 14.5;
    ASSERT_EQ(s.avgbackmap.size(), 10u);
    // Standard names: "", AccTime, H1H2To01, HNRTo01, CentroidTo01, CrestTo01,
    // MaxPartNoTo01, StDevHi01, CPPS, SpecBal. The unnamed entry matches nothing, not the
    // unnamed layer 7.
    EXPECT_EQ(s.avgbackmap, (std::vector<std::int32_t>{-1, 1, 2, 3, 4, 5, 6, -1, 8, 9}));
    ASSERT_EQ(s.avgparam.size(), 10u);
    EXPECT_DOUBLE_EQ(s.avgparam[1], (1.0 * 1 + 3.0 * 3) / 4); // time weighted by time
    EXPECT_DOUBLE_EQ(s.avgparam[2], 17.5);
    EXPECT_DOUBLE_EQ(s.avgparam[3], 2.0);
    EXPECT_EQ(s.avgparam[7], 0.0);
    // A layer that some cells lack averages over the cells that have it.
    EXPECT_DOUBLE_EQ(measure().avgparam[8], 14.5);
    list.pgs[0].param[pglayercpps].arr[62][74] = NAN;
    EXPECT_TRUE(std::isnan(measure().avgparam[8]));
}

TEST_F(Statistics, LayersFoundByNameWhateverTheirIndex) {
    tpg& pg = list.pgs[0];
    std::swap(pg.param[2], pg.param[4]); // a file may order its layers differently
    put(60, 70, 2.0);
    pg.param[4].arr[60][70] = 5.0; // H1H2To01 now at index 4
    const tstatistics& s = measure();
    EXPECT_EQ(s.avgbackmap[2], 4);
    EXPECT_EQ(s.avgbackmap[4], 2);
    EXPECT_DOUBLE_EQ(s.avgparam[2], 5.0);
    // A phonetogram without named layers has none of the standard parameters.
    EXPECT_EQ(stats[1].avgbackmap[2], 2); // phonetogram 1 still has its names
    list.pgs[2].param.resize(2);
    list.pgs[2].param[1].name = "AccTime";
    measure();
    EXPECT_EQ(stats[2].avgbackmap,
              (std::vector<std::int32_t>{-1, 1, -1, -1, -1, -1, -1, -1, -1, -1}));
}

TEST_F(Statistics, PhonetogramWithoutATimeLayer) {
    list.pgs[0].param.resize(1); // a damaged file
    list.masks.binmarked[0][60][70] = 1;
    const tstatistics& s = measure();
    EXPECT_EQ(s.nbins, 1);
    EXPECT_EQ(s.takentime, 0.0);
    EXPECT_EQ(s.leq, -100.0);
}

TEST_F(Statistics, MaskOfTheWrongShapeIsAnEmptySelection) {
    put(60, 70, 1.0);
    tstatistics s;
    tbinmask small(10, 10, 1);
    compute_area_statistics(s, list.pgs[0], small, settings);
    expect_empty(s, 7);
}

TEST_F(Statistics, UnusableTimeKeepsThePreviousPercentiles) {
    put(60, 70, 1.0);
    measure();
    const tdoublearr before = stats[0].f0percentile;
    const tdoublearr splbefore = stats[0].SPLpercentile;
    // An infinite time leaves the cumulative fraction undefined.
    put(62, 74, std::numeric_limits<double>::infinity());
    const tstatistics& s = measure();
    EXPECT_EQ(s.f0percentile, before);
    EXPECT_EQ(s.SPLpercentile, splbefore);
    EXPECT_EQ(s.f0median, 0.0);
    EXPECT_EQ(s.avgf0, 0.0);
    EXPECT_EQ(s.leq, -100.0);
    EXPECT_EQ(s.k, 0.0);
    EXPECT_EQ(s.r, 0.0);
}

TEST_F(Statistics, NaNTimeIsNoTime) {
    put(60, 70, std::numeric_limits<double>::quiet_NaN());
    const tstatistics& s = measure();
    EXPECT_EQ(s.nbins, 1);
    EXPECT_EQ(s.leq, -100.0);
    for (double v : s.f0percentile) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(s.k, 0.0);
}

TEST_F(Statistics, PercentileListsFollowTheSettings) {
    put(57, 80, 1.0);
    settings.percentile = {0.0, 0.5, 1.0};
    const tstatistics& s = measure();
    ASSERT_EQ(s.f0percentile.size(), 3u);
    // 0 is the lower edge of the first occupied column, 1 the upper edge of the last.
    EXPECT_NEAR(s.f0percentile[0], hz(56.5), 1e-9);
    EXPECT_NEAR(s.f0percentile[2], hz(57.5), 1e-9);
    EXPECT_NEAR(s.SPLpercentile[0], 79.5, 1e-12);
    EXPECT_NEAR(s.SPLpercentile[2], 80.5, 1e-12);
    settings.percentile.clear();
    EXPECT_TRUE(measure().f0percentile.empty());
}

TEST_F(Statistics, WholeGridSelected) {
    for (int x = 0; x < nf0bins; ++x)
        for (int y = 0; y < nlevelbins; ++y) put(x, y, 0.01);
    const tstatistics& s = measure();
    EXPECT_EQ(s.nbins, nf0bins * nlevelbins);
    EXPECT_DOUBLE_EQ(s.minf0, hz(0));
    EXPECT_DOUBLE_EQ(s.maxf0, hz(127));
    EXPECT_EQ(s.minspl, 0.0);
    EXPECT_EQ(s.maxspl, 139.0);
    EXPECT_NEAR(s.SPLpercentile[3], 69.5, 1e-9); // uniform: the middle of the level range
    EXPECT_NEAR(s.f0median, hz(63.5), 1e-9);
    EXPECT_NEAR(s.r, 0.0, 1e-9);
    EXPECT_NEAR(s.k, 0.0, 1e-9);
    EXPECT_NEAR(s.m, 69.5, 1e-7);
}
