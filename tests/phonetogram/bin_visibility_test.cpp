#include "phonetogram/bin_visibility.h"
#include "phonetogram/pg_list.h"

#include <gtest/gtest.h>

using namespace gravon;

namespace {

class BinShow : public ::testing::Test {
  protected:
    void SetUp() override { set_nchans(list, 2); }
    void put(int x, int y, double t, int pg = 0) {
        list.pgs[pg].param[pglayeracctime].arr[x][y] = t;
    }
    bool shown(int x, int y, int pg = 0) { return list.masks.binshow[pg][x][y] != 0; }
    bool excluded(int x, int y, int pg = 0) { return list.masks.binexcluded[pg][x][y] != 0; }
    int count(const tbinmask& m) {
        int n = 0;
        for (auto v : m.cells) n += v != 0;
        return n;
    }
    tpglist list;
    tbinshowsettings s;
};

} // namespace

TEST_F(BinShow, ThresholdIsStrict) {
    s.includeadjacentbins = false;
    s.hideisolatedbins = false;
    put(10, 10, 0.04);
    put(20, 20, 0.0400001);
    fix_binshow(list, s);
    EXPECT_FALSE(shown(10, 10));
    EXPECT_TRUE(shown(20, 20));
    EXPECT_EQ(count(list.masks.binshow[0]), 1);
    EXPECT_EQ(list.masks.binshowcopy[0], list.masks.binshow[0]);
}

TEST_F(BinShow, OppositeNeighboursSupportTheBin) {
    s.hideisolatedbins = false;
    // 0.02 + (0.02 + 0.02) * 0.25 = 0.03: hidden.
    put(50, 60, 0.02);
    put(49, 60, 0.02);
    put(51, 60, 0.02);
    fix_binshow(list, s);
    EXPECT_FALSE(shown(50, 60));
    // 0.02 + (0.05 + 0.05) * 0.25 = 0.045: shown.
    put(49, 60, 0.05);
    put(51, 60, 0.05);
    fix_binshow(list, s);
    EXPECT_TRUE(shown(50, 60));
    // Without support it is hidden again.
    s.includeadjacentbins = false;
    fix_binshow(list, s);
    EXPECT_FALSE(shown(50, 60));
}

TEST_F(BinShow, AllFourPairsCountButOnlyWhenBothMembersHaveTime) {
    s.hideisolatedbins = false;
    s.timethreshold = 0.0299;
    put(50, 60, 0.01);
    // Each complete pair adds (0.01 + 0.01) * 0.25 = 0.005; with four pairs t = 0.03.
    for (auto [dx, dy] : {std::pair{1, 0}, {1, 1}, {0, 1}, {-1, 1}}) {
        put(50 - dx, 60 - dy, 0.01);
        put(50 + dx, 60 + dy, 0.01);
    }
    fix_binshow(list, s);
    EXPECT_TRUE(shown(50, 60)); // 0.03 > 0.0299
    put(51, 59, 0.0);           // break the anti-diagonal pair
    fix_binshow(list, s);
    EXPECT_FALSE(shown(50, 60)); // 0.025
}

TEST_F(BinShow, NoSupportWithoutOwnTimeOrOnTheBorder) {
    s.hideisolatedbins = false;
    put(49, 60, 1.0);
    put(51, 60, 1.0);
    fix_binshow(list, s);
    EXPECT_FALSE(shown(50, 60)); // empty bin between two full ones
    put(0, 5, 0.02);
    put(0, 4, 1.0);
    put(0, 6, 1.0);
    put(127, 5, 0.02);
    put(127, 4, 1.0);
    put(127, 6, 1.0);
    put(40, 139, 0.02);
    put(39, 139, 1.0);
    put(41, 139, 1.0);
    fix_binshow(list, s);
    EXPECT_FALSE(shown(0, 5));
    EXPECT_FALSE(shown(127, 5));
    EXPECT_FALSE(shown(40, 139));
}

TEST_F(BinShow, InvisiblePhonetogramShowsNothing) {
    put(50, 60, 1.0);
    put(51, 60, 1.0);
    put(50, 60, 1.0, 1);
    put(51, 60, 1.0, 1);
    list.pgs[0].visible = false;
    fix_binshow(list, s);
    EXPECT_EQ(count(list.masks.binshow[0]), 0);
    EXPECT_TRUE(shown(50, 60, 1));
}

TEST_F(BinShow, IsolatedBinsAreHidden) {
    put(30, 30, 1.0); // alone
    put(60, 60, 1.0); // only a diagonal neighbour
    put(61, 61, 1.0);
    put(90, 90, 1.0); // a direct neighbour
    put(90, 91, 1.0);
    put(0, 50, 1.0); // on the border: kept
    fix_binshow(list, s);
    EXPECT_FALSE(shown(30, 30));
    EXPECT_FALSE(shown(60, 60));
    EXPECT_FALSE(shown(61, 61));
    EXPECT_TRUE(shown(90, 90));
    EXPECT_TRUE(shown(90, 91));
    EXPECT_TRUE(shown(0, 50));
    EXPECT_TRUE(list.masks.binshowcopy[0][30][30]);
    s.hideisolatedbins = false;
    fix_binshow(list, s);
    EXPECT_TRUE(shown(30, 30));
    EXPECT_TRUE(shown(60, 60));
}

TEST_F(BinShow, PairsAndChainsStayAndOnlyTheDiagonalTailGoes) {
    put(70, 70, 1.0); // a pair: each is the other's only neighbour
    put(71, 70, 1.0);
    put(80, 80, 1.0); // a chain with a diagonal tail
    put(81, 80, 1.0);
    put(82, 81, 1.0);
    fix_binshow(list, s);
    EXPECT_TRUE(shown(70, 70));
    EXPECT_TRUE(shown(71, 70));
    EXPECT_TRUE(shown(80, 80));
    EXPECT_TRUE(shown(81, 80));
    EXPECT_FALSE(shown(82, 81));
    EXPECT_TRUE(list.masks.binshowcopy[0][82][81]);
}

TEST_F(BinShow, PhonetogramWithoutATimeLayerShowsNothing) {
    put(50, 60, 1.0);
    put(51, 60, 1.0);
    set_nchans(list, 3);
    resize_pg_layers(list.pgs[2], 1);
    fix_binshow(list, s);
    EXPECT_EQ(count(list.masks.binshow[2]), 0);
    EXPECT_TRUE(shown(50, 60));
}

TEST_F(BinShow, FollowsTheListWhenItGrows) {
    set_nchans(list, 4);
    put(50, 60, 1.0, 3);
    put(51, 60, 1.0, 3);
    fix_binshow(list, s);
    ASSERT_EQ(list.masks.binshow.size(), 4u);
    EXPECT_TRUE(shown(50, 60, 3));
    set_nchans(list, 3);
    fix_binshow(list, s);
    EXPECT_EQ(list.masks.binshow.size(), 3u);
}

TEST_F(BinShow, ExcludedIsTheOutside) {
    // A closed 3x3 ring around (50, 60).
    for (int x = 49; x <= 51; ++x)
        for (int y = 59; y <= 61; ++y)
            if (x != 50 || y != 60) put(x, y, 1.0);
    fix_binshow(list, s);
    fix_binexcluded(list);
    EXPECT_TRUE(excluded(0, 0));
    EXPECT_TRUE(excluded(127, 139));
    EXPECT_TRUE(excluded(48, 60));
    EXPECT_FALSE(excluded(49, 60)); // the ring
    EXPECT_FALSE(excluded(50, 60)); // the hole
    EXPECT_EQ(count(list.masks.binexcluded[0]), 128 * 140 - 9);
    // The other phonetogram is empty: all of it is outside.
    EXPECT_EQ(count(list.masks.binexcluded[1]), 128 * 140);
}

TEST_F(BinShow, DiagonalWallsCloseTheHoleButDirectGapsDoNot) {
    // A diamond: its bins touch only diagonally, which still stops the 4-connected outside.
    // They have no direct neighbours, so turn off the hiding of isolated bins.
    s.hideisolatedbins = false;
    put(50, 59, 1.0);
    put(49, 60, 1.0);
    put(51, 60, 1.0);
    put(50, 61, 1.0);
    fix_binshow(list, s);
    fix_binexcluded(list);
    EXPECT_FALSE(excluded(50, 60));
    EXPECT_TRUE(excluded(49, 59));
    // Remove one tip: the centre now meets the outside directly.
    put(50, 61, 0.0);
    fix_binshow(list, s);
    fix_binexcluded(list);
    EXPECT_TRUE(excluded(50, 60));
}

TEST_F(BinShow, GluedBinsWallOffAndACornerBinBlocksEverything) {
    // A ring open at (51, 60): the hole is outside until the gap is glued.
    for (int x = 49; x <= 51; ++x)
        for (int y = 59; y <= 61; ++y)
            if ((x != 50 || y != 60) && (x != 51 || y != 60)) put(x, y, 1.0);
    fix_binshow(list, s);
    fix_binexcluded(list);
    EXPECT_TRUE(excluded(50, 60));
    list.masks.binglued[0][51][60] = 1;
    fix_binexcluded(list);
    EXPECT_FALSE(excluded(50, 60));
    EXPECT_FALSE(excluded(51, 60));
    // A glued (0, 0) leaves nothing excluded.
    list.masks.binglued[0][0][0] = 1;
    fix_binexcluded(list);
    EXPECT_EQ(count(list.masks.binexcluded[0]), 0);
}

TEST_F(BinShow, FullGridFillNeedsNoRecursion) {
    // A comb of walls with one opening each: the outside is one long serpentine path through
    // most of the grid.
    s.hideisolatedbins = false;
    s.includeadjacentbins = false;
    for (int x = 2; x < 128; x += 2)
        for (int y = 0; y < 140; ++y) {
            bool opening = (x / 2) % 2 == 1 ? y == 139 : y == 0;
            if (!opening) put(x, y, 1.0);
        }
    fix_binshow(list, s);
    fix_binexcluded(list);
    int walls = count(list.masks.binshow[0]);
    EXPECT_EQ(count(list.masks.binexcluded[0]), 128 * 140 - walls);
    EXPECT_TRUE(excluded(127, 70));
}
