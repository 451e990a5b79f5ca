#include "base/app_folders.h"
#include "settings/recent_files.h"
#include "support/temp_config.h"

#include <gtest/gtest.h>
#include <map>
#include <thread>

using namespace gravon;
using namespace gravon::testing;
namespace fs = std::filesystem;

namespace {

// The File menu as the application has it: twelve items before the list, then the closing
// separator and Exit.
struct tfilemenu {
    tfilemenu() {
        for (int i = 0; i < 12; ++i) {
            fixed[i].caption = "Item" + std::to_string(i);
            menu.insert(menu.count(), &fixed[i]);
        }
        menu.insert(menu.count(), &closing);
        menu.insert(menu.count(), &exit);
    }
    std::array<TMenuItem, 12> fixed;
    TMenuItem closing{"-", 0, true, true, {}};
    TMenuItem exit{"E&xit", 0, true, true, {}};
    TMenu menu;
};

struct RecentFilesTest : ::testing::Test {
    // Configured as in the application.
    void setup(TRecentFiles& r, TMenu* menu) {
        r.setProgId(&id);
        r.setMaxItems(9);
        r.setMenuPos(12);
        r.setMenu(menu);
        r.setDriveTypeQuery([this](const std::string& name) {
            auto it = drivetypes.find(fs::path(name).filename().string());
            return it == drivetypes.end() ? tdrivetype::fixed : it->second;
        });
        r.setMessageBox(
            [this](const std::string& text, const std::string& caption, std::uint32_t flags) {
                messages.push_back(caption + "|" + text + "|" + std::to_string(flags));
                return answer;
            });
        r.Loaded();
    }
    fs::path ini_file() const { return t.identity_folder() / (program_file_name() + ".ini"); }
    std::vector<std::string> visible_captions() const {
        std::vector<std::string> r;
        for (int i = 0; i < m.menu.count(); ++i)
            if (m.menu.item(i)->visible) r.push_back(m.menu.item(i)->caption);
        return r;
    }

    ttempconfig t;
    TProgId id;
    tfilemenu m;
    std::map<std::string, tdrivetype> drivetypes;
    std::vector<std::string> messages;
    int answer = idyes;
};

} // namespace

TEST(RecentFilesCaption, PositionsInHexadecimalAndAmpersandsDoubled) {
    EXPECT_EQ(TRecentFiles::caption_of(1, "/a/b.smp"), "&1 /a/b.smp");
    EXPECT_EQ(TRecentFiles::caption_of(10, "x"), "&A x");
    EXPECT_EQ(TRecentFiles::caption_of(15, "x"), "&F x");
    EXPECT_EQ(TRecentFiles::caption_of(16, "/a&b/c&&d"), "/a&&b/c&&&&d");
    EXPECT_EQ(TRecentFiles::caption_of(2, "Tom & Jerry.wav"), "&2 Tom && Jerry.wav");
}

TEST_F(RecentFilesTest, NeedsAnIdentity) {
    TRecentFiles r;
    try {
        r.Loaded();
        FAIL() << "no exception";
    } catch (const ESettingError& e) {
        EXPECT_STREQ(e.what(), "Nothing assigned to RecentFiles1.ProgId");
    }
}

TEST_F(RecentFilesTest, EmptyListHidesSeparatorAndClearItem) {
    TRecentFiles r;
    setup(r, &m.menu);
    EXPECT_TRUE(r.inserted());
    EXPECT_EQ(m.menu.count(), 12 + 18 + 2);
    EXPECT_EQ(m.menu.item(12), &r.baritem());
    EXPECT_EQ(m.menu.item(13), &r.item(1));
    EXPECT_EQ(m.menu.item(28), &r.item(16));
    EXPECT_EQ(m.menu.item(29), &r.clearitem());
    EXPECT_EQ(m.menu.item(30), &m.closing);
    EXPECT_FALSE(r.baritem().visible);
    EXPECT_FALSE(r.clearitem().visible);
    EXPECT_EQ(r.itemcount(), 0);
    EXPECT_EQ(r.baritem().caption, "-");
    EXPECT_EQ(r.clearitem().caption, "&Clear list...");
    for (int i = 1; i <= 16; ++i) EXPECT_EQ(r.item(i).tag, i);
    // The (empty) list has been stored.
    EXPECT_EQ(read_text(ini_file()),
              "[RecentFiles]\nnToUse=9\n1=\n2=\n3=\n4=\n5=\n6=\n7=\n8=\n9=\n");
}

TEST_F(RecentFilesTest, AddedFileGoesFirstAndIsStored) {
    TRecentFiles r;
    setup(r, &m.menu);
    const std::string a = t.make_file("a.smp");
    const std::string b = t.make_file("b&c.wav");
    r.add(a);
    r.add(b);
    EXPECT_EQ(r.filename(1), b);
    EXPECT_EQ(r.filename(2), a);
    EXPECT_EQ(r.itemcount(), 2);
    EXPECT_EQ(visible_captions(),
              (std::vector<std::string>{"Item0", "Item1", "Item2", "Item3", "Item4", "Item5",
                                        "Item6", "Item7", "Item8", "Item9", "Item10", "Item11", "-",
                                        "&1 " + t.root.string() + "/files/b&&c.wav", "&2 " + a,
                                        "&Clear list...", "-", "E&xit"}));
    const std::string stored = read_text(ini_file());
    EXPECT_EQ(stored,
              "[RecentFiles]\nnToUse=9\n1=" + b + "\n2=" + a + "\n3=\n4=\n5=\n6=\n7=\n8=\n9=\n");
}

TEST_F(RecentFilesTest, SameFileTwiceAndCaseVariants) {
    TRecentFiles r;
    setup(r, &m.menu);
    const std::string a = t.make_file("a.smp");
    const std::string b = t.make_file("b.smp");
    r.add(a);
    r.add(b);
    r.add(a);
    EXPECT_EQ(r.filename(1), a);
    EXPECT_EQ(r.filename(2), b);
    EXPECT_EQ(r.itemcount(), 2);
    // A name differing only in letter case replaces the entry, in its new form.
    const std::string upper = t.root.string() + "/files/B.SMP";
    r.add(upper);
    EXPECT_EQ(r.filename(1), upper);
    EXPECT_EQ(r.filename(2), a);
    EXPECT_EQ(r.filename(3), "");
}

TEST_F(RecentFilesTest, RelativeNamesAreMadeAbsolute) {
    TRecentFiles r;
    setup(r, &m.menu);
    t.make_file("rel.smp");
    const fs::path old = fs::current_path();
    fs::current_path(t.root / "files");
    r.add("./sub/../rel.smp");
    fs::current_path(old);
    EXPECT_EQ(r.filename(1), (t.root / "files" / "rel.smp").string());
}

TEST_F(RecentFilesTest, TenthFilePushesTheOldestOut) {
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i) files.push_back(t.make_file(std::to_string(i) + "f.smp"));
    {
        TRecentFiles r;
        setup(r, &m.menu);
        for (const std::string& f : files) r.add(f);
        EXPECT_EQ(r.itemcount(), 9);
        EXPECT_EQ(r.filename(1), files[9]);
        EXPECT_EQ(r.filename(9), files[1]);
        EXPECT_EQ(r.filename(10), "");
        for (int i = 10; i <= 16; ++i) EXPECT_FALSE(r.item(i).visible);
    }
    // The destructor took the items out of the menu.
    EXPECT_EQ(m.menu.count(), 14);
    TRecentFiles again;
    setup(again, &m.menu);
    EXPECT_EQ(again.itemcount(), 9);
    EXPECT_EQ(again.filename(1), files[9]);
    EXPECT_EQ(again.filename(9), files[1]);
}

TEST_F(RecentFilesTest, DriveRulesRejectButStillStore) {
    TRecentFiles r;
    setup(r, &m.menu);
    drivetypes["cd.smp"] = tdrivetype::cdrom;
    drivetypes["stick.smp"] = tdrivetype::removable;
    drivetypes["ram.smp"] = tdrivetype::ramdisk;
    drivetypes["net.smp"] = tdrivetype::remote;
    drivetypes["gone.smp"] = tdrivetype::noroot;
    drivetypes["odd.smp"] = tdrivetype::unknown;
    const std::string a = t.make_file("a.smp");
    r.add(a);
    fs::remove(ini_file());
    r.add(t.make_file("cd.smp"));
    EXPECT_EQ(r.filename(1), a);
    EXPECT_TRUE(fs::exists(ini_file()));
    r.add(t.make_file("stick.smp"));
    r.add(t.make_file("ram.smp"));
    r.add(t.make_file("gone.smp"));
    EXPECT_EQ(r.itemcount(), 1);
    r.add(t.make_file("net.smp"));
    r.add(t.make_file("odd.smp"));
    EXPECT_EQ(r.itemcount(), 3);

    r.setAllowFileOnCDROM(true);
    r.setAllowFileOnRemote(false);
    r.add(t.make_file("cd.smp"));
    EXPECT_EQ(fs::path(r.filename(1)).filename(), "cd.smp");
    r.add(t.make_file("net2.smp"));
    drivetypes["net3.smp"] = tdrivetype::remote;
    r.add(t.make_file("net3.smp"));
    EXPECT_EQ(fs::path(r.filename(1)).filename(), "net2.smp");
    r.setAllowFileOnFixed(false);
    r.add(t.make_file("fixed.smp"));
    EXPECT_EQ(fs::path(r.filename(1)).filename(), "net2.smp");
}

TEST_F(RecentFilesTest, NamesThatCannotBeStoredAreNotAdded) {
    TRecentFiles r;
    setup(r, &m.menu);
    r.add(t.root.string() + "/files/two\nlines.smp");
    r.add("");
    EXPECT_EQ(r.itemcount(), 0);
}

TEST_F(RecentFilesTest, StoredCountIsClampedAndMissingFilesDropped) {
    const std::string a = t.make_file("a.smp");
    const std::string c = t.make_file("c.smp");
    write_text(ini_file(), "[RecentFiles]\nnToUse=20\n1=" + a + "\n2=" + t.root.string() +
                               "/files/missing.smp\n3=" + c + "\n4=" + a +
                               "\n5=" + t.root.string() + "/files\n");
    TRecentFiles r;
    setup(r, &m.menu);
    EXPECT_EQ(r.MaxItems(), 15);
    EXPECT_EQ(r.itemcount(), 2);
    EXPECT_EQ(r.filename(1), a);
    EXPECT_EQ(r.filename(2), c);
    // The cleaned list went back to the store.
    EXPECT_NE(read_text(ini_file()).find("nToUse=15\n1=" + a + "\n2=" + c + "\n3=\n"),
              std::string::npos);
}

TEST_F(RecentFilesTest, HostileStoredValuesAreHarmless) {
    write_text(ini_file(), "[RecentFiles]\nnToUse=abc\n1=\n");
    {
        TRecentFiles r;
        setup(r, &m.menu);
        EXPECT_EQ(r.MaxItems(), 9);
    }
    write_text(ini_file(), "[RecentFiles]\nnToUse=-3\n");
    TRecentFiles r;
    setup(r, &m.menu);
    EXPECT_EQ(r.MaxItems(), 0);
    r.add(t.make_file("a.smp"));
    EXPECT_EQ(r.itemcount(), 0);
    EXPECT_FALSE(r.item(1).visible);
}

TEST_F(RecentFilesTest, ListNamesKeepSeparateSections) {
    const std::string a = t.make_file("a.smp");
    const std::string b = t.make_file("b.smp");
    TMenu other;
    {
        TRecentFiles r1, r2;
        r2.setListName("Targets");
        setup(r1, &m.menu);
        setup(r2, &other);
        EXPECT_EQ(r2.section(), "RecentFilesTargets");
        r1.add(a);
        r2.add(b);
        r1.add(b);
    }
    TRecentFiles r1, r2;
    r2.setListName("Targets");
    setup(r1, &m.menu);
    setup(r2, &other);
    EXPECT_EQ(r1.itemcount(), 2);
    EXPECT_EQ(r2.itemcount(), 1);
    EXPECT_EQ(r2.filename(1), b);
}

TEST_F(RecentFilesTest, PickingAFileMovesItFirstAndReportsIt) {
    TRecentFiles r;
    setup(r, &m.menu);
    const std::string a = t.make_file("a.smp");
    const std::string b = t.make_file("b.smp");
    r.add(a);
    r.add(b);
    int calls = 0;
    r.setOnClick([&](TMenuItem& sender, std::int32_t itemno, const std::string& name) {
        ++calls;
        EXPECT_EQ(&sender, &r.item(2));
        EXPECT_EQ(itemno, 2);
        EXPECT_EQ(name, a);
    });
    m.menu.item(m.menu.indexof(&r.item(2)))->click();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(r.filename(1), a);
    EXPECT_EQ(r.filename(2), b);
    EXPECT_TRUE(messages.empty());
}

TEST_F(RecentFilesTest, PickingAVanishedFileRemovesIt) {
    TRecentFiles r;
    setup(r, &m.menu);
    const std::string a = t.make_file("a.smp");
    const std::string b = t.make_file("b.smp");
    r.add(a);
    r.add(b);
    fs::remove(b);
    bool called = false;
    r.setOnClick([&](TMenuItem&, std::int32_t, const std::string&) { called = true; });
    r.item(1).click();
    EXPECT_FALSE(called);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "File not found|Can't find \r" + b + "|48");
    EXPECT_EQ(r.filename(1), a);
    EXPECT_EQ(r.itemcount(), 1);
    EXPECT_EQ(read_text(ini_file()).find(b), std::string::npos);
}

TEST_F(RecentFilesTest, ClearAsksFirst) {
    TRecentFiles r;
    setup(r, &m.menu);
    r.add(t.make_file("a.smp"));
    answer = idno;
    r.clearitem().click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Clear list|Do you want to clear the list of recently used files?|36");
    EXPECT_EQ(r.itemcount(), 1);
    answer = idyes;
    r.clearitem().click();
    EXPECT_EQ(r.itemcount(), 0);
    EXPECT_FALSE(r.baritem().visible);
    EXPECT_EQ(read_text(ini_file()),
              "[RecentFiles]\nnToUse=9\n1=\n2=\n3=\n4=\n5=\n6=\n7=\n8=\n9=\n");

    // Nobody to confirm: nothing is cleared.
    r.add(t.make_file("b.smp"));
    r.setMessageBox({});
    r.clearitem().click();
    EXPECT_EQ(r.itemcount(), 1);
}

TEST_F(RecentFilesTest, SettersRebuildTheMenu) {
    TRecentFiles r;
    setup(r, &m.menu);
    r.add(t.make_file("a.smp"));
    r.add(t.make_file("b.smp"));
    r.add(t.make_file("c.smp"));
    EXPECT_TRUE(r.baritem().visible);
    r.setBarBefore(false);
    EXPECT_FALSE(r.baritem().visible);
    r.setIncludeClearItem(false);
    EXPECT_FALSE(r.clearitem().visible);
    r.setClearCaption("&Empty");
    EXPECT_EQ(r.clearitem().caption, "&Empty");
    r.setMaxItems(2);
    EXPECT_EQ(r.itemcount(), 2);
    EXPECT_EQ(r.filename(3), "");
    EXPECT_NE(read_text(ini_file()).find("nToUse=2\n"), std::string::npos);
    r.setMaxItems(99);
    EXPECT_EQ(r.MaxItems(), 15);
    EXPECT_EQ(m.menu.count(), 14 + 18);
}

TEST_F(RecentFilesTest, MenuPositionBeyondTheEndAppends) {
    TRecentFiles r;
    r.setProgId(&id);
    r.setMenu(&m.menu);
    r.Loaded(); // MenuPos 100 by default
    EXPECT_EQ(m.menu.item(14), &r.baritem());
    EXPECT_EQ(m.menu.item(m.menu.count() - 1), &r.clearitem());
}

TEST_F(RecentFilesTest, AnotherMenuTakesTheItemsAlong) {
    TRecentFiles r;
    setup(r, &m.menu);
    r.add(t.make_file("a.smp"));
    TMenu other;
    r.setMenu(&other);
    EXPECT_EQ(m.menu.count(), 14);
    EXPECT_EQ(other.count(), 18);
    EXPECT_EQ(r.itemcount(), 1);
    r.setMenu(nullptr);
    EXPECT_EQ(other.count(), 0);
    EXPECT_FALSE(r.inserted());
}

TEST_F(RecentFilesTest, NothingIsTouchedBeforeLoaded) {
    const std::string a = t.make_file("a.smp");
    write_text(ini_file(), "[RecentFiles]\nnToUse=9\n1=" + a + "\n");
    TRecentFiles r;
    r.setProgId(&id);
    r.setMenu(&m.menu);
    r.setMaxItems(9); // would store the still empty list
    r.setBarBefore(true);
    EXPECT_EQ(m.menu.count(), 14);
    EXPECT_NE(read_text(ini_file()).find(a), std::string::npos);
    r.Loaded();
    EXPECT_EQ(r.filename(1), a);
}

TEST_F(RecentFilesTest, WriteFailuresAreSwallowed) {
    TRecentFiles r;
    setup(r, &m.menu);
    write_text(t.root / "plainfile", "x");
    setenv("XDG_CONFIG_HOME", (t.root / "plainfile").c_str(), 1);
    id.setVersion("9.9"); // a new identity makes the store look for its folder again
    const std::string a = t.make_file("a.smp");
    EXPECT_NO_THROW(r.add(a));
    EXPECT_EQ(r.filename(1), a);
    EXPECT_EQ(r.itemcount(), 1);
}

// Two programs with the list of the same file: each change is made to the list as stored at
// that moment, so neither loses the other's entries, in turns or at the same time.
TEST_F(RecentFilesTest, TwoProgramsKeepEachOthersEntries) {
    tfilemenu m2, m3, m4;
    TRecentFiles a, b, c, d;
    setup(a, &m.menu);
    setup(b, &m2.menu);
    const auto listed = [](TRecentFiles& r) {
        std::vector<std::string> names;
        for (int p = 1; p <= r.itemcount(); ++p) names.push_back(r.filename(p));
        return names;
    };
    const std::string f1 = t.make_file("one.smp"), f2 = t.make_file("two.wav"),
                      f3 = t.make_file("three.stdpg"), gone = t.make_file("gone.wav");
    a.add(f1);
    b.add(f2);
    b.add(gone);
    a.add(f3);
    EXPECT_EQ(listed(a), (std::vector<std::string>{f3, gone, f2, f1}));
    // A file that vanished goes by its name, wherever the stored list now has it.
    fs::remove(gone);
    b.item(1).onclick(b.item(1)); // b's first item, where b last put it
    setup(c, &m3.menu);
    EXPECT_EQ(listed(c), (std::vector<std::string>{f3, f2, f1}));

    // At the same time: fifteen places, seven files from each program.
    a.setMaxItems(15);
    b.setMaxItems(15);
    a.clear();
    std::vector<std::string> names;
    for (int i = 0; i < 14; ++i) names.push_back(t.make_file(std::to_string(i) + ".wav"));
    std::thread other([&] {
        for (std::size_t i = 1; i < 14; i += 2) b.add(names[i]);
    });
    for (std::size_t i = 0; i < 14; i += 2) a.add(names[i]);
    other.join();
    setup(d, &m4.menu);
    std::vector<std::string> all = listed(d);
    std::sort(all.begin(), all.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(all, names);
}

TEST(DriveType, FileSystemKinds) {
    EXPECT_EQ(drive_type_of_fstype("ext4"), tdrivetype::fixed);
    EXPECT_EQ(drive_type_of_fstype("btrfs"), tdrivetype::fixed);
    EXPECT_EQ(drive_type_of_fstype("nfs4"), tdrivetype::remote);
    EXPECT_EQ(drive_type_of_fstype("cifs"), tdrivetype::remote);
    EXPECT_EQ(drive_type_of_fstype("fuse.sshfs"), tdrivetype::remote);
    EXPECT_EQ(drive_type_of_fstype("iso9660"), tdrivetype::cdrom);
    EXPECT_EQ(drive_type_of_fstype("udf"), tdrivetype::cdrom);
    EXPECT_EQ(drive_type_of_fstype("tmpfs"), tdrivetype::ramdisk);
}

TEST(DriveType, TheRootOfThisMachineExists) {
    const tdrivetype t = drive_type_of("/");
    EXPECT_NE(t, tdrivetype::noroot);
    // A file that does not exist still lies on the drive of its folder.
    EXPECT_EQ(drive_type_of("/no/such/folder/file.smp"), t);
    EXPECT_EQ(drive_type_of("relative.smp"), tdrivetype::unknown);
}
