#include "base/errors.h"
#include "phonetogram/pg_colors.h"
#include "phonetogram/pg_grid.h"
#include "phonetogram/pg_list.h"
#include "phonetogram/pg_param.h"
#include "phonetogram/phonetogram.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace gravon;

TEST(PgGrid, ColumnMajorIndexingAndBounds) {
    tpgarr a = make_pgarr();
    EXPECT_EQ(a.nx, 128);
    EXPECT_EQ(a.ny, 140);
    EXPECT_EQ(a.cells.size(), 128u * 140u);
    a[3][7] = 2.5;
    EXPECT_DOUBLE_EQ(a.cells[3 * 140 + 7], 2.5);
    EXPECT_DOUBLE_EQ(a.at(3, 7), 2.5);
    EXPECT_THROW(a.at(128, 0), ERangeError);
    EXPECT_THROW(a.at(0, -1), ERangeError);
    EXPECT_TRUE(bin_in_grid(127, 139));
    EXPECT_FALSE(bin_in_grid(127, 140));
    EXPECT_FALSE(bin_in_grid(-1, 0));
    EXPECT_THROW(tpgarr(-1, 3), ERangeError);
}

TEST(PgColors, TableOfTenWithNames) {
    auto c = default_pgcolors();
    auto n = default_pgcolornames();
    ASSERT_EQ(c.size(), 10u);
    ASSERT_EQ(n.size(), 10u);
    EXPECT_EQ(n[0], "Blue");
    EXPECT_EQ(c[0], rgb(64, 64, 255));
    EXPECT_EQ(n[1], "Red");
    EXPECT_EQ(c[1], rgb(255, 64, 64));
    EXPECT_EQ(n[2], "Purple");
    EXPECT_EQ(c[2], rgb(192, 64, 192));
    EXPECT_EQ(n[3], "Green");
    EXPECT_EQ(c[3], rgb(90, 192, 80));
    EXPECT_EQ(n[4], "Brown");
    EXPECT_EQ(c[4], rgb(192, 80, 64));
    EXPECT_EQ(n[5], "Yellow");
    EXPECT_EQ(c[5], rgb(225, 205, 64));
    EXPECT_EQ(n[6], "Light blue");
    EXPECT_EQ(c[6], rgb(64, 205, 225));
    EXPECT_EQ(n[7], "Gray");
    EXPECT_EQ(c[7], rgb(200, 200, 200));
    EXPECT_EQ(n[8], "White");
    EXPECT_EQ(c[8], rgb(255, 255, 255));
    EXPECT_EQ(n[9], "Black");
    EXPECT_EQ(c[9], rgb(0, 0, 0));
}

TEST(PgColors, ValueHasRedInTheLowestByte) {
    EXPECT_EQ(colorvalue(rgb(0x11, 0x22, 0x33)), 0x00332211u);
    EXPECT_EQ(colorfromvalue(0xFF332211u), rgb(0x11, 0x22, 0x33));
}

TEST(PgColors, ShadeWorkedValues) {
    const TColor white = rgb(255, 255, 255), black = rgb(0, 0, 0);
    EXPECT_EQ(shade(white, 1.4), white);
    EXPECT_EQ(shade(black, 1.4), black);
    // 1 - 0.3 is just below 0.7 in double precision, so 255 times it rounds to 178.
    EXPECT_EQ(shade(black, 0.3), rgb(178, 178, 178));
    EXPECT_EQ(shade(black, 0.0), white);
    EXPECT_EQ(shade(rgb(10, 100, 200), 1.0), rgb(10, 100, 200));
    // Darkening: components below 0.4/1.4 of full scale become 0.
    EXPECT_EQ(shade(rgb(72, 74, 255), 1.4).r, 0);
    EXPECT_EQ(shade(rgb(72, 74, 255), 1.4).g, 2);
    EXPECT_EQ(shade(white, std::nan("")), black);
}

TEST(PgParam, DefaultRecordingLayers) {
    auto p = default_recording_pgparams();
    ASSERT_EQ(p.size(), 10u);
    EXPECT_EQ(p[0].name, "SolidColor");
    EXPECT_EQ(p[0].entitystr, "");
    EXPECT_EQ(p[0].entitytype, -1);
    EXPECT_EQ(p[1].name, "AccTime");
    EXPECT_EQ(p[1].entitystr, "AccTime");
    EXPECT_EQ(p[1].entitytype, 1);
    EXPECT_EQ(p[1].axisunit, "s");
    EXPECT_DOUBLE_EQ(p[1].min, -0.1);
    EXPECT_DOUBLE_EQ(p[1].max, 1);
    EXPECT_EQ(p[2].name, "H1H2To01");
    EXPECT_DOUBLE_EQ(p[2].min, -30);
    EXPECT_DOUBLE_EQ(p[2].max, 40);
    EXPECT_EQ(p[3].name, "HNRTo01");
    EXPECT_EQ(p[4].name, "CentroidTo01");
    EXPECT_EQ(p[4].axisunit, "Hz");
    EXPECT_DOUBLE_EQ(p[4].max, 4000);
    EXPECT_EQ(p[5].name, "CrestTo01");
    EXPECT_EQ(p[6].name, "MaxPartNoTo01");
    EXPECT_DOUBLE_EQ(p[6].max, 32.768);
    // The spare layer holds nothing and has no name, so that it is never stored nor shown.
    EXPECT_EQ(p[pglayerspare].name, "");
    for (std::size_t k = 2; k < p.size(); ++k) {
        EXPECT_EQ(p[k].entitytype, entityavg);
        EXPECT_EQ(p[k].entitystr, p[k].name);
    }
    for (auto& l : p) {
        EXPECT_FALSE(l.logarithmic);
        EXPECT_EQ(l.arr.nx, nf0bins);
        EXPECT_EQ(l.arr.ny, nlevelbins);
    }
}

TEST(PgParam, CopyDescriptionsKeepsCells) {
    auto from = default_recording_pgparams();
    std::vector<tpgparam> to(3);
    to[1].arr[5][5] = 9;
    to[1].logarithmic = true;
    copy_pgparam_descriptions(from, to);
    EXPECT_EQ(to[1].name, "AccTime");
    EXPECT_EQ(to[1].axisunit, "s");
    EXPECT_DOUBLE_EQ(to[1].min, -0.1);
    EXPECT_TRUE(to[1].logarithmic);
    EXPECT_DOUBLE_EQ(to[1].arr[5][5], 9);
    EXPECT_EQ(to[2].name, "H1H2To01");
}

TEST(Phonetogram, EmptyCellsAndClearing) {
    tpg pg = make_empty_pg();
    EXPECT_EQ(pg.param.size(), 10u);
    EXPECT_TRUE(pg.visible);
    EXPECT_FALSE(pg.opaque);
    EXPECT_TRUE(pg_cell_empty(pg, 10, 10));
    pg.param[1].arr[10][10] = 0.5;
    pg.param[3].arr[1][1] = 7;
    pg.param[3].name = "HNRTo01";
    EXPECT_DOUBLE_EQ(pg_cell_time(pg, 10, 10), 0.5);
    EXPECT_DOUBLE_EQ(pg_cell_time(pg, 200, 10), 0.0);
    clear_pg_cells(pg);
    EXPECT_TRUE(pg_cell_empty(pg, 10, 10));
    EXPECT_DOUBLE_EQ(pg.param[3].arr[1][1], 0);
    EXPECT_EQ(pg.param[3].name, "HNRTo01");
    resize_pg_layers(pg, 1);
    EXPECT_DOUBLE_EQ(pg_cell_time(pg, 10, 10), 0.0); // no time layer: nothing, no fault
}

class PgList : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(set_nchans(list, 2)); }
    tpglist list;
};

TEST_F(PgList, StartupCreatesTwoRecordingPhonetograms) {
    EXPECT_EQ(list.nchans(), 2);
    ASSERT_EQ(list.pgs.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const tpg& pg = list.pgs[i];
        EXPECT_EQ(pg.param.size(), 10u);
        EXPECT_TRUE(pg.visible);
        EXPECT_EQ(pg.calstatus, 0);
        EXPECT_EQ(pg.pgname, "");
        EXPECT_EQ(pg.colorindex, i);
        for (const auto& l : pg.param) {
            EXPECT_EQ(l.arr.cells.size(), 128u * 140u);
            for (double v : l.arr.cells) ASSERT_EQ(v, 0.0);
        }
    }
    EXPECT_EQ(list.pgs[0].color, rgb(64, 64, 255));
    EXPECT_EQ(list.pgs[1].color, rgb(255, 64, 64));
    EXPECT_EQ(list.masks.binshow.size(), 2u);
    EXPECT_EQ(list.masks.binexcluded.size(), 2u);
    EXPECT_EQ(list.masks.binmarked[1].cells.size(), 128u * 140u);
}

TEST_F(PgList, SameCountChangesNothing) {
    list.pgs[0].pgname = "Left";
    list.pgs[0].param[1].arr[69][80] = 1.5;
    list.masks.binmarked[0][3][3] = 1;
    EXPECT_FALSE(set_nchans(list, 2));
    EXPECT_EQ(list.pgs[0].pgname, "Left");
    EXPECT_DOUBLE_EQ(list.pgs[0].param[1].arr[69][80], 1.5);
    EXPECT_EQ(list.masks.binmarked[0][3][3], 1);
}

TEST_F(PgList, GrowingGivesEachLoadedOneAColourOfItsOwnButGrey) {
    list.masks.binglued[1][4][4] = 1;
    EXPECT_TRUE(set_nchans(list, 4));
    // Blue and Red are the recording's; Gray is the baseline's.
    EXPECT_EQ(list.pgs[2].colorindex, 2);
    EXPECT_EQ(list.pgs[3].colorindex, 3);
    EXPECT_EQ(list.pgs[2].color, rgb(192, 64, 192));
    EXPECT_EQ(list.masks.binglued.size(), 4u);
    EXPECT_EQ(list.masks.binglued[1][4][4], 1); // existing masks stay
    for (auto v : list.masks.binglued[3].cells) ASSERT_EQ(v, 0);
    set_nchans(list, 10);
    EXPECT_EQ(list.pgs[6].colorindex, 6);
    EXPECT_EQ(list.pgs[7].colorindex, 5); // all seven taken: (7 - 2) mod 7
    EXPECT_EQ(list.pgs[9].colorindex, 0);
    // One closed: its colour is the first free again.
    list.pgs[3].colorindex = 8;
    EXPECT_EQ(distinct_pgcolor(list, 9), 3);
}

TEST_F(PgList, ShrinkingDropsLastEntriesAndMasks) {
    set_nchans(list, 5);
    list.pgs[2].pgname = "a.stdpg";
    EXPECT_TRUE(set_nchans(list, 3));
    EXPECT_EQ(list.nchans(), 3);
    EXPECT_EQ(list.pgs.size(), 3u);
    EXPECT_EQ(list.pgs[2].pgname, "a.stdpg");
    EXPECT_EQ(list.masks.binshow.size(), 3u);
    EXPECT_EQ(list.masks.binshowcopy.size(), 3u);
    EXPECT_EQ(list.masks.binenclosed.size(), 3u);
    // Growing again makes fresh entries, not the dropped ones.
    set_nchans(list, 4);
    EXPECT_EQ(list.pgs[3].pgname, "");
}

TEST_F(PgList, Misuse) {
    EXPECT_THROW(set_nchans(list, -1), ERangeError);
    EXPECT_EQ(list.nchans(), 2);
    EXPECT_THROW(set_pgcolor(list, 2, 0), ERangeError);
    EXPECT_THROW(set_pgcolor(list, 0, 10), ERangeError);
    EXPECT_THROW(set_pgcolor(list, 0, -1), ERangeError);
    list.pgcolor.clear();
    EXPECT_THROW(set_nchans(list, 3), EGravonError);
    EXPECT_EQ(list.nchans(), 2);
    EXPECT_EQ(list.pgs.size(), 2u);
    EXPECT_TRUE(set_nchans(list, 1)); // shrinking needs no colours
}

TEST_F(PgList, SetPgColorDerivesShades) {
    set_pgcolor(list, 1, 0);
    const tpg& pg = list.pgs[1];
    EXPECT_EQ(pg.colorindex, 0);
    EXPECT_EQ(pg.color, rgb(64, 64, 255));
    EXPECT_EQ(pg.ltcolor, rgb(198, 198, 255)); // 0.7 + 0.3 * 64/255 = 0.7753 -> 197.7
    EXPECT_EQ(pg.dkcolor, rgb(0, 0, 255));
    set_pgcolor(list, 1, 9);
    EXPECT_EQ(list.pgs[1].ltcolor, rgb(178, 178, 178));
    EXPECT_EQ(list.pgs[1].dkcolor, rgb(0, 0, 0));
    set_pgcolor(list, 1, 3); // Green 90/192/80
    EXPECT_EQ(list.pgs[1].dkcolor, shade(rgb(90, 192, 80), 1.4));
    EXPECT_EQ(list.pgs[1].dkcolor, rgb(24, 167, 10)); // 1.4*v - 0.4 per channel
}

TEST_F(PgList, RemovingALoadedPhonetogramMovesMasksWithIt) {
    set_nchans(list, 5);
    list.pgs[2].pgname = "two";
    list.pgs[3].pgname = "three";
    list.pgs[4].pgname = "four";
    list.masks.binmarked[2][1][1] = 1;
    list.masks.binmarked[3][2][2] = 1;
    list.masks.binglued[4][3][3] = 1;
    EXPECT_TRUE(remove_pg(list, 2));
    EXPECT_EQ(list.nchans(), 4);
    ASSERT_EQ(list.pgs.size(), 4u);
    EXPECT_EQ(list.pgs[2].pgname, "three");
    EXPECT_EQ(list.pgs[3].pgname, "four");
    ASSERT_EQ(list.masks.binmarked.size(), 4u);
    EXPECT_EQ(list.masks.binmarked[2][1][1], 0); // the removed one's selection is gone
    EXPECT_EQ(list.masks.binmarked[2][2][2], 1);
    EXPECT_EQ(list.masks.binglued[3][3][3], 1);
    EXPECT_FALSE(remove_pg(list, 1)); // recording channels stay
    EXPECT_FALSE(remove_pg(list, 4));
    EXPECT_FALSE(remove_pg(list, -3));
    EXPECT_EQ(list.nchans(), 4);
}
