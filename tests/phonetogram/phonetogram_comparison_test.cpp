#include "base/pitch.h"
#include "phonetogram/phonetogram_comparison.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

using namespace gravon;

namespace {

class Comparison : public ::testing::Test {
  protected:
    void SetUp() override { set_nchans(list, 4); }
    // Cells x0..x1 by y0..y1 of phonetogram pg, each with time t (or one of its own).
    void block(int pg, int x0, int x1, int y0, int y1, double t = 1.0) {
        for (int x = x0; x <= x1; ++x)
            for (int y = y0; y <= y1; ++y)
                list.pgs[std::size_t(pg)].param[pglayeracctime].arr[x][y] =
                    t > 0 ? t : 0.3 + 0.1 * ((x * 7 + y * 3) % 11);
    }
    tbaselinecomparison compare(int b, int c) {
        return compare_phonetograms(list, show, settings, b, c);
    }
    tpglist list;
    tbinshowsettings show;
    tstatisticssettings settings;
};

const tcomparisonrow& row(const std::vector<tcomparisonrow>& rows, const std::string& prefix) {
    for (const tcomparisonrow& r : rows)
        if (r.label.compare(0, prefix.size(), prefix) == 0) return r;
    static const tcomparisonrow none{"(missing)", "", "", ""};
    ADD_FAILURE() << "no row " << prefix;
    return none;
}

} // namespace

TEST_F(Comparison, OverlappingAreasGiveTheirCellsSoftestLevelsAndChanges) {
    block(2, 50, 59, 60, 69); // the baseline: 10 semitones by 10 dB
    block(0, 55, 64, 58, 67); // now: 5 semitones higher, 2 dB softer
    const tbaselinecomparison c = compare(2, 0);
    EXPECT_EQ(c.baseline.nbins, 100);
    EXPECT_EQ(c.current.nbins, 100);
    // Semitones 55 to 59 both reach; the softest level is 2 dB lower at each.
    EXPECT_EQ(c.commonsemitones, 5);
    EXPECT_DOUBLE_EQ(c.softestbaseline, 60);
    EXPECT_DOUBLE_EQ(c.softestcurrent, 58);
    EXPECT_EQ(c.largestchangeat, 55); // the lowest of equal changes

    const auto rows = comparison_rows(list, c, {});
    EXPECT_EQ(row(rows, "Area").change, "0");
    EXPECT_EQ(row(rows, "Min SPL").change, "-2");
    EXPECT_EQ(row(rows, "Min fo").baseline, notename(50, false));
    EXPECT_EQ(row(rows, "Min fo").change, "+5 ST");
    EXPECT_EQ(row(rows, "Semitones both reach").current, "5");
    EXPECT_EQ(row(rows, "Softest SPL, mean").change, "-2.0");
    EXPECT_EQ(row(rows, "Softest SPL, most changed: " + notename(55, false)).change, "-2");
    // Each column adds up to its area.
    EXPECT_EQ(row(rows, "Cells in one only").baseline, "60");
    EXPECT_EQ(row(rows, "Cells in both").current, "40");
}

TEST_F(Comparison, MeasuresEntireAreasWhateverIsShownOrSelectedAndLeavesTheWindowAlone) {
    // A ring with a hole: the hole belongs to the area, as "Select entire area" takes it.
    block(3, 40, 44, 50, 54);
    list.pgs[3].param[pglayeracctime].arr[42][52] = 0;
    block(1, 40, 44, 50, 54);
    list.pgs[3].visible = false;         // the baseline hidden by its tick
    list.masks.binmarked[1][41][51] = 1; // and a selection of the user's
    const tbinmasks before = list.masks;
    const tbaselinecomparison c = compare(3, 1);
    EXPECT_EQ(c.baseline.nbins, 25);
    EXPECT_EQ(c.both, 25);
    EXPECT_EQ(c.onlybaseline + c.onlycurrent, 0);
    EXPECT_TRUE(list.masks.binmarked == before.binmarked);
    EXPECT_TRUE(list.masks.binshow == before.binshow);
    EXPECT_FALSE(list.pgs[3].visible);
}

TEST_F(Comparison, EveryChangeIsTheDifferenceOfTheValuesAsWritten) {
    block(2, 48, 61, 55, 80, 0); // uneven times: Leq and the means fall between decimals
    block(0, 50, 66, 52, 77, 0);
    tstatisticsformat f;
    f.decimalseparator = ',';
    const auto rows = comparison_rows(list, compare(2, 0), f);
    const auto number = [](std::string t) {
        for (char& ch : t)
            if (ch == ',') ch = '.';
        return std::stod(t);
    };
    int checked = 0;
    for (const tcomparisonrow& r : rows) {
        if (r.change.empty() || r.label == "Name" || r.change.find("ST") != std::string::npos)
            continue;
        EXPECT_NEAR(number(r.change), number(r.current) - number(r.baseline), 1e-9) << r.label;
        EXPECT_EQ(r.change.find('.'), std::string::npos) << "the user's separator: " << r.change;
        ++checked;
    }
    EXPECT_GE(checked, 8);
}

TEST_F(Comparison, AnEmptyCurrentPhonetogramHasNoValuesAndNoChange) {
    block(2, 50, 59, 60, 69);
    const auto rows = comparison_rows(list, compare(2, 0), {});
    EXPECT_EQ(row(rows, "Area").baseline, "100");
    EXPECT_EQ(row(rows, "Area").current, "-");
    EXPECT_EQ(row(rows, "Semitones both reach").baseline, "0");
    EXPECT_EQ(row(rows, "Softest SPL, mean").baseline, "-");
    EXPECT_EQ(row(rows, "Cells in one only").baseline, "100");
    // No baseline (or one outside the list): nothing to show.
    EXPECT_TRUE(comparison_rows(list, compare(7, 0), {}).empty());
}
