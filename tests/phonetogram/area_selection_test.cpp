#include "phonetogram/area_selection.h"

#include <gtest/gtest.h>

using namespace gravon;

namespace {

class Selection : public ::testing::Test {
  protected:
    void SetUp() override {
        set_nchans(list, 2);
        list.pgs[1].visible = false; // one visible phonetogram unless a test says otherwise
    }
    void put(int x, int y, double t, int pg = 0) {
        list.pgs[pg].param[pglayeracctime].arr[x][y] = t;
    }
    // A closed 3x3 ring of voiced bins around (cx, cy).
    void ring(int cx, int cy, int pg = 0) {
        for (int x = cx - 1; x <= cx + 1; ++x)
            for (int y = cy - 1; y <= cy + 1; ++y)
                if (x != cx || y != cy) put(x, y, 1.0, pg);
    }
    bool marked(int x, int y, int pg = 0) { return list.masks.binmarked[pg][x][y] != 0; }
    bool enclosed(int x, int y, int pg = 0) { return list.masks.binenclosed[pg][x][y] != 0; }
    bool glued(int x, int y, int pg = 0) { return list.masks.binglued[pg][x][y] != 0; }
    int count(const tbinmask& m) {
        int n = 0;
        for (auto v : m.cells) n += v != 0;
        return n;
    }
    tpglist list;
    tbinshowsettings s;
};

} // namespace

TEST_F(Selection, ClickOnARingTakesTheHoleAlong) {
    ring(50, 60);
    EXPECT_EQ(toggle_area(list, s, 49, 59), ttoggleresult::selected);
    EXPECT_EQ(count(list.masks.binmarked[0]), 9);
    EXPECT_TRUE(marked(50, 60));
    EXPECT_TRUE(enclosed(50, 60));
    EXPECT_FALSE(enclosed(49, 59));
    EXPECT_EQ(count(list.masks.binenclosed[0]), 1);
    EXPECT_FALSE(marked(48, 60)); // never the outside
    // A second click deselects the area with its hole.
    EXPECT_EQ(toggle_area(list, s, 51, 61), ttoggleresult::deselected);
    EXPECT_EQ(count(list.masks.binmarked[0]), 0);
    EXPECT_EQ(count(list.masks.binenclosed[0]), 0);
}

TEST_F(Selection, SeparateIslandsStaySeparate) {
    ring(50, 60);
    ring(80, 60);
    toggle_area(list, s, 49, 60);
    EXPECT_TRUE(marked(50, 60));
    EXPECT_FALSE(marked(80, 60));
    EXPECT_FALSE(marked(79, 60));
    toggle_area(list, s, 79, 60);
    EXPECT_EQ(count(list.masks.binmarked[0]), 18);
    toggle_area(list, s, 49, 60);
    EXPECT_EQ(count(list.masks.binmarked[0]), 9);
    EXPECT_TRUE(marked(80, 60));
}

TEST_F(Selection, GapFillingClosesAnOpenRing) {
    // The ring has a gap at (51, 60), so its centre belongs to the outside.
    ring(50, 60);
    put(51, 60, 0.0);
    EXPECT_EQ(toggle_area(list, s, 49, 60), ttoggleresult::selected);
    EXPECT_EQ(count(list.masks.binmarked[0]), 7);
    EXPECT_FALSE(marked(50, 60));
    EXPECT_EQ(toggle_area(list, s, 49, 60), ttoggleresult::deselected);
    // Glue the gap, then select again: the gap and the now closed hole join.
    EXPECT_EQ(toggle_area(list, s, 51, 60), ttoggleresult::glued);
    EXPECT_TRUE(glued(51, 60));
    EXPECT_FALSE(marked(51, 60));
    EXPECT_EQ(toggle_area(list, s, 49, 60), ttoggleresult::selected);
    EXPECT_EQ(count(list.masks.binmarked[0]), 9);
    EXPECT_TRUE(enclosed(51, 60));
    EXPECT_TRUE(enclosed(50, 60));
    // Ungluing takes the bin out of the selection completely.
    EXPECT_EQ(toggle_area(list, s, 51, 60), ttoggleresult::unglued);
    EXPECT_FALSE(glued(51, 60));
    EXPECT_FALSE(marked(51, 60));
    EXPECT_FALSE(enclosed(51, 60));
}

TEST_F(Selection, ClickOnTheEmptyCentreGluesIt) {
    ring(50, 60);
    EXPECT_EQ(toggle_area(list, s, 50, 60), ttoggleresult::glued);
    EXPECT_TRUE(glued(50, 60));
    EXPECT_EQ(count(list.masks.binmarked[0]), 0);
    EXPECT_EQ(toggle_area(list, s, 50, 60), ttoggleresult::unglued);
    EXPECT_EQ(count(list.masks.binglued[0]), 0);
}

TEST_F(Selection, GapFillWithTwoVisiblePhonetogramsIsRefused) {
    list.pgs[1].visible = true;
    ring(50, 60);
    toggle_area(list, s, 49, 60);
    tbinmasks before = list.masks;
    EXPECT_EQ(toggle_area(list, s, 30, 30), ttoggleresult::refused);
    EXPECT_EQ(list.masks.binmarked, before.binmarked);
    EXPECT_EQ(list.masks.binglued, before.binglued);
    EXPECT_EQ(list.masks.binenclosed, before.binenclosed);
    EXPECT_STREQ(gapfillrefusedtext,
                 "You can fill in gaps in a phonetogram by right-clicking, but\ryou should "
                 "hide the other phonetograms in the phonetogram control panel first.");
    EXPECT_STREQ(gapfillrefusedcaption, "Cannot fill in gaps in multiple phonetograms at once");
    // With no visible phonetogram at all it is refused as well.
    list.pgs[0].visible = false;
    list.pgs[1].visible = false;
    EXPECT_EQ(toggle_area(list, s, 30, 30), ttoggleresult::refused);
    EXPECT_EQ(count(list.masks.binglued[0]) + count(list.masks.binglued[1]), 0);
}

TEST_F(Selection, GapFillGoesToTheOneVisiblePhonetogram) {
    list.pgs[0].visible = false;
    list.pgs[1].visible = true;
    EXPECT_EQ(toggle_area(list, s, 30, 30), ttoggleresult::glued);
    EXPECT_TRUE(glued(30, 30, 1));
    EXPECT_FALSE(glued(30, 30, 0));
}

TEST_F(Selection, OneClickActsOnEveryPhonetogram) {
    list.pgs[1].visible = true;
    ring(50, 60, 0);
    ring(50, 60, 1);
    put(52, 60, 1.0, 1); // pg 1's island is one bin larger
    EXPECT_EQ(toggle_area(list, s, 49, 60), ttoggleresult::selected);
    EXPECT_EQ(count(list.masks.binmarked[0]), 9);
    EXPECT_EQ(count(list.masks.binmarked[1]), 10);
    // Deselect only pg 1's extra part indirectly: unmark pg 0, keep pg 1 marked, then a click
    // sees a shown unmarked bin in pg 0 and selects everywhere again.
    unmark_area(list, 0, 49, 60);
    EXPECT_EQ(toggle_area(list, s, 49, 60), ttoggleresult::selected);
    EXPECT_EQ(count(list.masks.binmarked[0]), 9);
    EXPECT_EQ(count(list.masks.binmarked[1]), 10);
    EXPECT_EQ(toggle_area(list, s, 49, 60), ttoggleresult::deselected);
    EXPECT_EQ(count(list.masks.binmarked[0]) + count(list.masks.binmarked[1]), 0);
}

TEST_F(Selection, ClickShownOnlyElsewhereDoesNotTouchTheOutsideHere) {
    list.pgs[1].visible = true;
    ring(50, 60, 1); // voice only in pg 1
    EXPECT_EQ(toggle_area(list, s, 49, 60), ttoggleresult::selected);
    EXPECT_EQ(count(list.masks.binmarked[0]), 0); // outside in pg 0: the fill stops
    EXPECT_EQ(count(list.masks.binmarked[1]), 9);
}

TEST_F(Selection, DiagonalOnlyBinsAreHiddenAndCannotBeSelected) {
    put(50, 59, 1.0);
    put(49, 60, 1.0);
    put(51, 60, 1.0);
    put(50, 61, 1.0);
    fix_binshow(list, s);
    EXPECT_EQ(count(list.masks.binshow[0]), 0);
    // Clicking one of them is a gap fill, not a selection.
    EXPECT_EQ(toggle_area(list, s, 49, 60), ttoggleresult::glued);
    EXPECT_EQ(count(list.masks.binmarked[0]), 0);
    // Shown after all, the diamond is one 8-connected area with its centre as a hole.
    toggle_area(list, s, 49, 60); // unglue
    s.hideisolatedbins = false;
    EXPECT_EQ(toggle_area(list, s, 49, 60), ttoggleresult::selected);
    EXPECT_EQ(count(list.masks.binmarked[0]), 5);
    EXPECT_TRUE(enclosed(50, 60));
}

TEST_F(Selection, ClicksOutsideTheGridAreIgnored) {
    ring(50, 60);
    EXPECT_EQ(toggle_area(list, s, -1, 60), ttoggleresult::ignored);
    EXPECT_EQ(toggle_area(list, s, 128, 60), ttoggleresult::ignored);
    EXPECT_EQ(toggle_area(list, s, 50, 140), ttoggleresult::ignored);
    EXPECT_EQ(count(list.masks.binmarked[0]) + count(list.masks.binglued[0]), 0);
    // Fills started outside do nothing either.
    mark_area(list, 0, -5, -5);
    unmark_area(list, 0, 500, 5);
    mark_area(list, 9, 5, 5);
    EXPECT_EQ(count(list.masks.binmarked[0]), 0);
}

TEST_F(Selection, FullGridSelectionByClick) {
    // Every bin voiced: one click selects all 128 x 140 bins without deep recursion.
    for (auto& v : list.pgs[0].param[pglayeracctime].arr.cells) v = 1.0;
    EXPECT_EQ(toggle_area(list, s, 64, 70), ttoggleresult::selected);
    EXPECT_EQ(count(list.masks.binmarked[0]), 128 * 140);
    EXPECT_EQ(count(list.masks.binenclosed[0]), 0);
    EXPECT_EQ(toggle_area(list, s, 0, 0), ttoggleresult::deselected);
    EXPECT_EQ(count(list.masks.binmarked[0]), 0);
}

TEST_F(Selection, LongSerpentineAreaFillsIteratively) {
    // One shown path winding through the whole grid, every other column, joined alternately
    // at the top and the bottom; the columns between are holes closed off by the path except
    // where they reach the outside.
    for (int x = 0; x < 128; x += 2)
        for (int y = 0; y < 140; ++y) put(x, y, 1.0);
    for (int x = 1; x < 128; x += 2) put(x, (x / 2) % 2 == 0 ? 139 : 0, 1.0);
    EXPECT_EQ(toggle_area(list, s, 0, 0), ttoggleresult::selected);
    // (0, 0) is shown, so nothing is outside and every bin joins.
    EXPECT_EQ(count(list.masks.binmarked[0]), 128 * 140);
}

TEST_F(Selection, SelectAllTakesTheInsideOnly) {
    ring(50, 60);
    ring(80, 90);
    list.masks.binglued[0][10][10] = 1; // a lone glued bin outside both rings
    list.masks.binmarked[0][100][100] = 1;
    EXPECT_TRUE(select_all_area(list, s, 0));
    EXPECT_EQ(count(list.masks.binmarked[0]), 19);
    EXPECT_TRUE(marked(10, 10));
    EXPECT_TRUE(glued(10, 10));
    EXPECT_FALSE(marked(100, 100));
    EXPECT_TRUE(enclosed(50, 60));
    EXPECT_TRUE(enclosed(80, 90));
    EXPECT_TRUE(enclosed(10, 10));
    EXPECT_EQ(count(list.masks.binenclosed[0]), 3);
    EXPECT_EQ(count(list.masks.binmarked[1]), 0);
    EXPECT_FALSE(select_all_area(list, s, 2));
    EXPECT_FALSE(select_all_area(list, s, -1));
}

TEST_F(Selection, SelectAllWithTheCornerShownSelectsTheWholeGrid) {
    put(0, 0, 1.0);
    put(1, 0, 1.0);
    select_all_area(list, s, 0);
    EXPECT_EQ(count(list.masks.binmarked[0]), 128 * 140);
    EXPECT_EQ(count(list.masks.binenclosed[0]), 128 * 140 - 2);
}

TEST_F(Selection, SelectAllOfAnInvisiblePhonetogramKeepsOnlyGluedBins) {
    ring(50, 60, 1);
    list.masks.binglued[1][5][5] = 1;
    select_all_area(list, s, 1);
    EXPECT_EQ(count(list.masks.binmarked[1]), 1);
    EXPECT_TRUE(marked(5, 5, 1));
}

TEST_F(Selection, ClearingEmptiesEveryMaskButTheCopy) {
    ring(50, 60);
    set_nchans(list, 3);
    toggle_area(list, s, 49, 60);
    list.masks.binglued[2][7][7] = 1;
    fix_binexcluded(list);
    clear_area_selection(list);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(count(list.masks.binshow[i]), 0);
        EXPECT_EQ(count(list.masks.binmarked[i]), 0);
        EXPECT_EQ(count(list.masks.binglued[i]), 0);
        EXPECT_EQ(count(list.masks.binenclosed[i]), 0);
        EXPECT_EQ(count(list.masks.binexcluded[i]), 0);
    }
    EXPECT_GT(count(list.masks.binshowcopy[0]), 0);
}

TEST_F(Selection, MasksFollowTheNumberOfPhonetograms) {
    ring(50, 60);
    toggle_area(list, s, 49, 60);
    set_nchans(list, 4);
    ASSERT_EQ(list.masks.binmarked.size(), 4u);
    EXPECT_EQ(count(list.masks.binmarked[0]), 9);
    EXPECT_EQ(count(list.masks.binmarked[3]), 0);
    ring(20, 20, 3);
    list.pgs[0].visible = false;
    EXPECT_EQ(toggle_area(list, s, 19, 20), ttoggleresult::selected);
    EXPECT_EQ(count(list.masks.binmarked[3]), 9);
    set_nchans(list, 2);
    EXPECT_EQ(list.masks.binmarked.size(), 2u);
    EXPECT_EQ(count(list.masks.binmarked[0]), 9);
}

TEST(CurrentPg, StoredRowThenRecordingRowThenZero) {
    EXPECT_EQ(current_pg_index(0, 1), 2);
    EXPECT_EQ(current_pg_index(3, -1), 5);
    EXPECT_EQ(current_pg_index(-1, 1), 1);
    EXPECT_EQ(current_pg_index(-1, -1), 0);
}
