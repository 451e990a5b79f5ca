// A reference group from three phonetograms whose areas overlap: the share of each cell, the
// members' mean time, the masks at chosen shares, and that a member's cell counts only when
// the view would show it.
#include "phonetogram/reference_group.h"
#include "support/block_phonetogram.h"

#include <gtest/gtest.h>

using namespace gravon;
using gravon::testing::fill_block;

namespace {

// A: 50..59 x 60..69, B: 55..64 x 60..69, C: 57..62 x 65..74, times 1, 2 and 3 s.
struct tthree {
    std::vector<tpg> members{make_empty_pg(), make_empty_pg(), make_empty_pg()};
    std::vector<std::string> files{"/clinic/a.stdpg", "/clinic/b.stdpg", "/clinic/c.stdpg"};
    tthree() {
        fill_block(members[0], 50, 59, 60, 69, 1.0);
        fill_block(members[1], 55, 64, 60, 69, 2.0);
        fill_block(members[2], 57, 62, 65, 74, 3.0);
    }
};

int reaching(int x, int y) {
    const bool a = x >= 50 && x <= 59 && y >= 60 && y <= 69;
    const bool b = x >= 55 && x <= 64 && y >= 60 && y <= 69;
    const bool c = x >= 57 && x <= 62 && y >= 65 && y <= 74;
    return int(a) + int(b) + int(c);
}

TEST(ReferenceGroup, SharesAndMasksCellByCell) {
    tthree t;
    const tpg g = make_reference_group(t.members, t.files, tbinshowsettings{});
    ASSERT_TRUE(is_reference_group(g));
    EXPECT_EQ(g.group.files, t.files);
    ASSERT_NE(group_shares(g), nullptr);
    const tpgarr& shares = *group_shares(g);
    const tbinmask half = group_share_mask(g, 50), all = group_share_mask(g, 100);
    // 2 of 3 kept as a 32-bit float in the file must still count as two thirds.
    const tbinmask twothirds = group_share_mask(g, 200.0 / 3.0);
    for (int x = 0; x < nf0bins; ++x)
        for (int y = 0; y < nlevelbins; ++y) {
            const int n = reaching(x, y);
            ASSERT_NEAR(shares[x][y], 100.0 * n / 3.0, 1e-9) << x << "," << y;
            ASSERT_EQ(half[x][y] != 0, n >= 2) << x << "," << y;
            ASSERT_EQ(twothirds[x][y] != 0, n >= 2) << x << "," << y;
            ASSERT_EQ(all[x][y] != 0, n == 3) << x << "," << y;
        }
    // The time is the mean over the members that reach the cell.
    EXPECT_DOUBLE_EQ(pg_cell_time(g, 56, 62), 1.5);
    EXPECT_DOUBLE_EQ(pg_cell_time(g, 58, 67), 2.0);
    EXPECT_THROW(make_reference_group({t.members[0]}, {t.files[0]}, {}), EGravonError);
    EXPECT_FALSE(is_reference_group(t.members[0]));
}

TEST(ReferenceGroup, MemberCellsCountAsTheViewShowsThem) {
    tthree t;
    tpg& a = t.members[0];
    a.param[pglayeracctime].arr[52][62] = 0.03; // weak, but its neighbours carry it
    a.param[pglayeracctime].arr[49][65] = 0.03; // weak at the edge: below the threshold
    a.param[pglayeracctime].arr[90][100] = 1.0; // isolated: hidden
    a.visible = false;                          // a hidden member still counts
    const tpg g = make_reference_group(t.members, t.files, tbinshowsettings{});
    const tpgarr& s = *group_shares(g);
    EXPECT_NEAR(s[52][62], 100.0 / 3, 1e-9);
    EXPECT_EQ(s[49][65], 0.0);
    EXPECT_EQ(s[90][100], 0.0);
}

} // namespace
