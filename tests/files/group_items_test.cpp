// A reference group saved as a phonetogram file: it reopens as a group with the same shares,
// times and members, a smaller group written over a larger one leaves nothing of it, and a
// file without group items still opens as a plain phonetogram.
#include "files/group_items.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "phonetogram/reference_group.h"
#include "support/block_phonetogram.h"
#include "support/temp_config.h"

#include <gtest/gtest.h>
#include <string>

using namespace gravon;
using gravon::testing::block_pg;

namespace {

tpg read_back(const std::string& fname) {
    TSMPfile file;
    tpg pg = make_empty_pg();
    EXPECT_TRUE(open_stdpg_file(file, fname));
    tstdpgparamarr params;
    const tstdpgreadresult r = read_stdpg(file, fname, pg, params);
    EXPECT_TRUE(r.complete()) << r.layouterror << r.recorderror;
    return pg;
}

TEST(GroupItems, SavedGroupReopensWithItsSharesAndMembersAndAPlainFileStaysPlain) {
    gravon::testing::ttempconfig config;
    const std::string fname = (config.root / "group.stdpg").string();
    // A name longer than one header value, with characters the header's code page lacks.
    std::string longname = "/clinic/Åsa Nyström 王芳/";
    for (int i = 0; i < 30; ++i) longname += "folder" + std::to_string(i) + "/";
    const std::vector<std::string> files = {"a.stdpg", "/clinic/b.stdpg", longname + "c.stdpg"};
    tpg g = make_reference_group(
        {block_pg(50, 59, 60, 70), block_pg(55, 64, 60, 70, 2), block_pg(58, 70, 60, 70, 0.5)},
        files, tbinshowsettings{});
    g.session.task = "Women 20-30";
    TSMPfile file;
    write_stdpg(file, fname, g, {});

    const tpg back = read_back(fname);
    ASSERT_TRUE(is_reference_group(back));
    EXPECT_EQ(back.group.files, files);
    EXPECT_EQ(back.session.task, "Women 20-30");
    ASSERT_NE(group_shares(back), nullptr);
    EXPECT_EQ(back.param[pglayergroupshare].axisunit, "%");
    for (int x = 0; x < nf0bins; ++x)
        for (int y = 0; y < nlevelbins; ++y) {
            ASSERT_NEAR((*group_shares(back))[x][y], (*group_shares(g))[x][y], 1e-4)
                << x << "," << y;
            ASSERT_NEAR(pg_cell_time(back, x, y), pg_cell_time(g, x, y), 1e-6);
        }
    EXPECT_EQ(group_share_mask(back, 200.0 / 3.0), group_share_mask(g, 200.0 / 3.0));

    write_stdpg(file, fname, block_pg(50, 60, 60, 70), {});
    const tpg plain = read_back(fname);
    EXPECT_FALSE(is_reference_group(plain));
    EXPECT_EQ(group_shares(plain), nullptr);
}

TEST(GroupItems, ASmallerGroupOverALargerLeavesNothingOfIt) {
    TSMPfile file;
    write_group_items(file, {{"one.stdpg", "two.stdpg", "three.stdpg"}});
    EXPECT_EQ(file.get_item("group.members"), "3");
    write_group_items(file, {{"x.stdpg", "y.stdpg"}});
    EXPECT_EQ(file.get_item("group.file.3"), "");
    EXPECT_EQ(read_group_items(file).files, (std::vector<std::string>{"x.stdpg", "y.stdpg"}));
    write_group_items(file, {});
    EXPECT_TRUE(read_group_items(file).empty());
}

} // namespace
