// The main window's "Make reference group...": the group saved and loaded like an opened
// phonetogram, in a colour of its own; what goes wrong told in a message box naming the file.
#include "core/test_form.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "phonetogram/reference_group.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace gravon {
namespace {

namespace fs = std::filesystem;

class ReferenceGroupAction : public ::testing::Test {
  protected:
    testing::ttestform t;
    TForm1& f = t.form;

    std::string path(const std::string& name) { return (t.config.root / name).string(); }
    std::string member(const std::string& name, int x0, int x1) {
        tpg pg = make_empty_pg();
        pg.param = default_recording_pgparams();
        for (int x = x0; x <= x1; ++x)
            for (int y = 60; y <= 69; ++y) pg.param[pglayeracctime].arr[x][y] = 1.0;
        TSMPfile file;
        write_stdpg(file, path(name), pg, {});
        return path(name);
    }
    const std::string& last_message() {
        static const std::string none;
        return t.ui.messages.empty() ? none : t.ui.messages.back().text;
    }
};

TEST_F(ReferenceGroupAction, GroupIsSavedAndLoadedInAColourOfItsOwn) {
    const std::vector<std::string> m = {member("a.stdpg", 50, 59), member("b.stdpg", 55, 64)};
    ASSERT_EQ(f.pgs.size(), 2u);
    ASSERT_TRUE(f.make_reference_group(m, path("group.stdpg")));
    EXPECT_TRUE(t.ui.messages.empty()) << last_message();
    EXPECT_TRUE(fs::exists(path("group.stdpg")));
    ASSERT_EQ(f.pgs.size(), 3u);
    const tpg& g = f.pgs[2];
    EXPECT_TRUE(is_reference_group(g));
    EXPECT_EQ(g.group.files, m);
    EXPECT_EQ(g.pgname, "group.stdpg");
    EXPECT_NEAR((*group_shares(g))[57][65], 100.0, 1e-4);
    EXPECT_NEAR((*group_shares(g))[52][65], 50.0, 1e-4);
    EXPECT_NE(g.colorindex, f.pgs[0].colorindex);
    EXPECT_NE(g.colorindex, f.pgs[1].colorindex);
}

TEST_F(ReferenceGroupAction, FailuresNameTheFileAndLoadNothing) {
    const std::string a = member("a.stdpg", 50, 59);
    std::ofstream(path("broken.stdpg")) << "no phonetogram";
    EXPECT_FALSE(f.make_reference_group({a, path("broken.stdpg")}, path("group.stdpg")));
    EXPECT_NE(last_message().find("broken.stdpg"), std::string::npos) << last_message();
    EXPECT_FALSE(f.make_reference_group({a}, path("group.stdpg")));
    EXPECT_NE(last_message().find("at least two"), std::string::npos) << last_message();
    EXPECT_NE(last_message().find("a.stdpg"), std::string::npos) << last_message();
    const std::string b = member("b.stdpg", 55, 64);
    EXPECT_FALSE(f.make_reference_group({a, b}, path("no/such/folder/group.stdpg")));
    EXPECT_NE(last_message().find("group.stdpg"), std::string::npos) << last_message();
    EXPECT_EQ(f.pgs.size(), 2u);
    EXPECT_FALSE(fs::exists(path("group.stdpg")));
    for (const auto& msg : t.ui.messages) EXPECT_EQ(msg.kind, tmessagekind::warning);
}

} // namespace
} // namespace gravon
