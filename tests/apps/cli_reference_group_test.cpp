// gravon-cli --reference-group on phonetogram files written here: the group's file holds the
// share of every cell and names its members; a member that cannot be read is named in the
// error, nothing is written and the exit status says so.
#include "cli_process.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "phonetogram/reference_group.h"

using namespace gravon;
using gravon::testing::tclirun;
namespace fs = std::filesystem;

namespace {

class CliReferenceGroup : public gravon::testing::tclitest {
  protected:
    // A profile reaching x0..x1 x 60..69.
    std::string write_member(const std::string& name, int x0, int x1) {
        tpg pg = make_empty_pg();
        pg.param = default_recording_pgparams();
        for (int x = x0; x <= x1; ++x)
            for (int y = 60; y <= 69; ++y) pg.param[pglayeracctime].arr[x][y] = 1.0;
        TSMPfile file;
        write_stdpg(file, (dir() / name).string(), pg, {});
        return name;
    }
    tpg read_group(const std::string& name) {
        TSMPfile file;
        tpg pg = make_empty_pg();
        tstdpgparamarr params;
        const std::string p = (dir() / name).string();
        EXPECT_TRUE(open_stdpg_file(file, p));
        EXPECT_TRUE(read_stdpg(file, p, pg, params).complete());
        return pg;
    }
};

TEST_F(CliReferenceGroup, WritesTheSharesAndNamesTheMembers) {
    write_member("a.stdpg", 50, 59);
    write_member("b.stdpg", 55, 64);
    write_member("c.stdpg", 58, 70);
    const tclirun r = run("--reference-group group.stdpg a.stdpg b.stdpg c.stdpg");
    EXPECT_EQ(r.status, 0) << r.err;
    const tpg g = read_group("group.stdpg");
    ASSERT_TRUE(is_reference_group(g));
    EXPECT_EQ(g.group.files, (std::vector<std::string>{"a.stdpg", "b.stdpg", "c.stdpg"}));
    const tpgarr& s = *group_shares(g);
    EXPECT_NEAR(s[52][65], 100.0 / 3, 1e-4);
    EXPECT_NEAR(s[56][65], 200.0 / 3, 1e-4);
    EXPECT_NEAR(s[59][65], 100.0, 1e-4);
    EXPECT_NEAR(s[62][65], 200.0 / 3, 1e-4);
    EXPECT_NEAR(s[68][65], 100.0 / 3, 1e-4);
    EXPECT_EQ(s[72][65], 0.0);
}

TEST_F(CliReferenceGroup, GroupIsLoadedSoThatThePictureShowsIt) {
    write_member("a.stdpg", 50, 59);
    write_member("b.stdpg", 55, 64);
    const tclirun r =
        run("--reference-group group.stdpg a.stdpg b.stdpg --png group.png --size 400x300");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string png = gravon::testing::slurp(dir() / "group.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}

TEST_F(CliReferenceGroup, DisplayThresholdOfTheRunDecidesWhatIsReached) {
    write_member("a.stdpg", 50, 59);
    write_member("b.stdpg", 55, 64);
    // A cell of 1 s with all its neighbours counts 3 s: below 5 s none is reached.
    ASSERT_EQ(run("--set TimeThreshold=5 --reference-group high.stdpg a.stdpg b.stdpg").status, 0);
    ASSERT_EQ(run("--set TimeThreshold=2 --reference-group low.stdpg a.stdpg b.stdpg").status, 0);
    const tpg high = read_group("high.stdpg"), lowgroup = read_group("low.stdpg");
    ASSERT_NE(group_shares(high), nullptr);
    ASSERT_NE(group_shares(lowgroup), nullptr);
    EXPECT_EQ((*group_shares(high))[57][65], 0.0);
    const tpgarr& low = *group_shares(lowgroup);
    EXPECT_NEAR(low[57][65], 100.0, 1e-4);
    EXPECT_EQ(low[57][60], 0.0); // an edge cell lacks the vertical pair: 2 s, not above
}

TEST_F(CliReferenceGroup, BadMemberIsNamedAndNothingIsWritten) {
    write_member("a.stdpg", 50, 59);
    write_member("b.stdpg", 55, 64);
    {
        std::ofstream bad((dir() / "broken.stdpg").string(), std::ios::binary);
        bad << "not a phonetogram at all";
    }
    tclirun r = run("--reference-group group.stdpg a.stdpg broken.stdpg b.stdpg");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("broken.stdpg"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "group.stdpg"));

    r = run("--reference-group group.stdpg a.stdpg missing.stdpg");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.stdpg"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "group.stdpg"));

    r = run("--reference-group group.stdpg --summary");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--reference-group needs the members"), std::string::npos) << r.err;
}

TEST_F(CliReferenceGroup, GroupIsNoMemberOfAnother) {
    write_member("a.stdpg", 50, 59);
    write_member("b.stdpg", 55, 64);
    ASSERT_EQ(run("--reference-group g1.stdpg a.stdpg b.stdpg").status, 0);
    const tclirun r = run("--reference-group g2.stdpg a.stdpg g1.stdpg");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("g1.stdpg is itself a reference group"), std::string::npos) << r.err;
}

} // namespace
