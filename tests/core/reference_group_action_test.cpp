// The main window's "Make reference group...": the group saved and loaded like an opened
// phonetogram, in a colour of its own; what goes wrong told in a message naming the file.
#include "core/test_form.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "phonetogram/reference_group.h"
#include "support/block_phonetogram.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace gravon {
namespace {

TEST(ReferenceGroupAction, SavedAndLoadedInAColourOfItsOwnOrRefusedNamingTheFile) {
    testing::ttestform t;
    TForm1& f = t.form;
    const auto path = [&](const std::string& name) { return (t.config.root / name).string(); };
    TSMPfile file;
    write_stdpg(file, path("a.stdpg"), testing::block_pg(50, 59, 60, 69), {});
    write_stdpg(file, path("b.stdpg"), testing::block_pg(55, 64, 60, 69), {});
    std::ofstream(path("broken.stdpg")) << "no phonetogram";
    const auto last = [&] { return t.ui.messages.empty() ? "" : t.ui.messages.back().text; };

    EXPECT_FALSE(f.make_reference_group({path("a.stdpg"), path("broken.stdpg")}, path("g.stdpg")));
    EXPECT_NE(last().find("broken.stdpg"), std::string::npos) << last();
    EXPECT_FALSE(f.make_reference_group({path("a.stdpg")}, path("g.stdpg")));
    EXPECT_NE(last().find("at least two"), std::string::npos) << last();
    EXPECT_EQ(f.pgs.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(path("g.stdpg")));

    t.ui.messages.clear();
    ASSERT_TRUE(f.make_reference_group({path("a.stdpg"), path("b.stdpg")}, path("g.stdpg")));
    EXPECT_TRUE(t.ui.messages.empty()) << last();
    ASSERT_EQ(f.pgs.size(), 3u);
    const tpg& g = f.pgs[2];
    EXPECT_TRUE(is_reference_group(g));
    EXPECT_NEAR((*group_shares(g))[52][65], 50.0, 1e-4);
    EXPECT_NE(g.colorindex, f.pgs[0].colorindex);
}

} // namespace
} // namespace gravon
