// gravon-cli --reference-group on phonetogram files written here: the group's file holds the
// share of every cell as the run's display threshold decides it and names its members; a
// member that cannot be read or is itself a group is named, and nothing is written.
#include "cli_process.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "phonetogram/reference_group.h"
#include "support/block_phonetogram.h"

using namespace gravon;
using gravon::testing::tclirun;
namespace fs = std::filesystem;

namespace {

class CliReferenceGroup : public gravon::testing::tclitest {
  protected:
    void SetUp() override {
        for (auto [name, x0, x1] :
             {std::tuple{"a.stdpg", 50, 59}, {"b.stdpg", 55, 64}, {"c.stdpg", 58, 70}}) {
            TSMPfile file;
            write_stdpg(file, (dir() / name).string(), gravon::testing::block_pg(x0, x1, 60, 69),
                        {});
        }
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

TEST_F(CliReferenceGroup, WritesTheSharesNamesTheMembersAndDrawsTheGroup) {
    const tclirun r = run("--reference-group group.stdpg a.stdpg b.stdpg c.stdpg --png g.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::file_size(dir() / "g.png") > 0);
    const tpg g = read_group("group.stdpg");
    ASSERT_TRUE(is_reference_group(g));
    EXPECT_EQ(g.group.files, (std::vector<std::string>{"a.stdpg", "b.stdpg", "c.stdpg"}));
    const tpgarr& s = *group_shares(g);
    EXPECT_NEAR(s[52][65], 100.0 / 3, 1e-4);
    EXPECT_NEAR(s[56][65], 200.0 / 3, 1e-4);
    EXPECT_NEAR(s[59][65], 100.0, 1e-4);
    EXPECT_EQ(s[72][65], 0.0);
    // A cell of 1 s with all its neighbours counts 3 s: with a threshold of 5 s none is reached.
    ASSERT_EQ(run("--set TimeThreshold=5 --reference-group high.stdpg a.stdpg b.stdpg").status, 0);
    EXPECT_EQ((*group_shares(read_group("high.stdpg")))[57][65], 0.0);
}

TEST_F(CliReferenceGroup, ABadMemberIsNamedAndNothingIsWritten) {
    std::ofstream((dir() / "broken.stdpg").string(), std::ios::binary) << "not a phonetogram";
    for (const char* bad : {"broken.stdpg", "missing.stdpg"}) {
        const tclirun r = run(std::string("--reference-group group.stdpg a.stdpg ") + bad);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(bad), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir() / "group.stdpg"));
    }
    ASSERT_EQ(run("--reference-group g1.stdpg a.stdpg b.stdpg").status, 0);
    const tclirun r = run("--reference-group g2.stdpg a.stdpg g1.stdpg");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("g1.stdpg is itself a reference group"), std::string::npos) << r.err;
    EXPECT_EQ(run("--reference-group group.stdpg --summary").status, 2);
}

} // namespace
