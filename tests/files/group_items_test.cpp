// A reference group saved as a phonetogram file: it reopens as a group with the same shares,
// times and members, and a file without group items still opens as a plain phonetogram.
#include "files/group_items.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "phonetogram/reference_group.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

class GroupItems : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("gravon_group_test_" + std::to_string(rd()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    tpg read_back(const std::string& fname) {
        TSMPfile file;
        tpg pg = make_empty_pg();
        EXPECT_TRUE(open_stdpg_file(file, fname));
        tstdpgparamarr params;
        const tstdpgreadresult r = read_stdpg(file, fname, pg, params);
        EXPECT_TRUE(r.complete()) << r.layouterror << r.recorderror;
        file.close_file();
        return pg;
    }
    fs::path dir;
};

tpg member(int x0, int x1, double t) {
    tpg pg = make_empty_pg();
    pg.param = default_recording_pgparams();
    for (int x = x0; x <= x1; ++x)
        for (int y = 60; y <= 70; ++y) pg.param[pglayeracctime].arr[x][y] = t;
    return pg;
}

TEST_F(GroupItems, SavedGroupReopensWithItsSharesAndMembers) {
    // A name longer than one header value, with characters the header's code page lacks.
    std::string longname = "/clinic/Åsa Nyström 王芳/";
    for (int i = 0; i < 30; ++i) longname += "folder" + std::to_string(i) + "/";
    longname += "c.stdpg";
    const std::vector<std::string> files = {"a.stdpg", "/clinic/b.stdpg", longname};
    const tpg g = make_reference_group({member(50, 59, 1), member(55, 64, 2), member(58, 70, 0.5)},
                                       files, tbinshowsettings{});
    tpg withsession = g;
    withsession.session.task = "Women 20-30";
    TSMPfile file;
    write_stdpg(file, path("group.stdpg"), withsession, {});

    const tpg back = read_back(path("group.stdpg"));
    ASSERT_TRUE(is_reference_group(back));
    EXPECT_EQ(back.group.files, files);
    EXPECT_EQ(back.session.task, "Women 20-30");
    const tpgarr* shares = group_shares(back);
    ASSERT_NE(shares, nullptr);
    const tpgparam& layer = back.param[pglayergroupshare];
    EXPECT_EQ(layer.name, groupsharename);
    EXPECT_EQ(layer.axisunit, "%");
    EXPECT_EQ(layer.max, 100.0);
    const tpgarr& want = *group_shares(g);
    for (int x = 0; x < nf0bins; ++x)
        for (int y = 0; y < nlevelbins; ++y) {
            ASSERT_NEAR((*shares)[x][y], want[x][y], 1e-4) << x << "," << y;
            ASSERT_NEAR(pg_cell_time(back, x, y), pg_cell_time(g, x, y), 1e-6);
        }
    // The masks do not move by the rounding to binary32: 2 of 3 is still 2/3.
    EXPECT_EQ(group_share_mask(back, 200.0 / 3.0), group_share_mask(g, 200.0 / 3.0));
    EXPECT_EQ(group_share_mask(back, 50), group_share_mask(g, 50));
    EXPECT_TRUE(group_share_mask(back, 50)[56][65]);
    EXPECT_FALSE(group_share_mask(back, 50)[52][65]);
}

TEST_F(GroupItems, HeaderNamesTheCountAndEachFile) {
    TSMPfile file;
    write_group_items(file, {{"one.stdpg", "two.stdpg", "three.stdpg"}});
    EXPECT_EQ(file.get_item("group.members"), "3");
    EXPECT_EQ(file.get_item("group.file.2"), "two.stdpg");
    // A smaller group written over it leaves nothing of the third.
    write_group_items(file, {{"x.stdpg", "y.stdpg"}});
    EXPECT_EQ(file.get_item("group.members"), "2");
    EXPECT_EQ(file.get_item("group.file.3"), "");
    EXPECT_EQ(read_group_items(file).files, (std::vector<std::string>{"x.stdpg", "y.stdpg"}));
    write_group_items(file, {});
    EXPECT_EQ(file.get_item("group.members"), "");
    EXPECT_TRUE(read_group_items(file).empty());
}

TEST_F(GroupItems, PlainPhonetogramStaysPlain) {
    TSMPfile file;
    write_stdpg(file, path("patient.stdpg"), member(50, 60, 1), {});
    const tpg back = read_back(path("patient.stdpg"));
    EXPECT_FALSE(is_reference_group(back));
    EXPECT_EQ(group_shares(back), nullptr);
    EXPECT_DOUBLE_EQ(pg_cell_time(back, 55, 65), 1.0);
}

} // namespace
