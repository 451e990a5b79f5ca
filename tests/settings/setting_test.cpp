#include "base/app_folders.h"
#include "settings/setting.h"
#include "support/temp_config.h"

#include <gtest/gtest.h>

using namespace gravon;
using namespace gravon::testing;
namespace fs = std::filesystem;

namespace {

struct SettingTest : ::testing::Test {
    SettingTest() { s.setProgId(&id); }
    std::string ini_name() const { return program_file_name() + ".ini"; }

    ttempconfig t;
    TProgId id;
    TSetting s;
};

std::string message_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const ESettingError& e) {
        return e.what();
    }
    return "no exception";
}

} // namespace

TEST_F(SettingTest, RoamingFileLiesBelowCompanyProductVersion) {
    s.setLocation(slroaming);
    const fs::path want = t.identity_folder() / ini_name();
    EXPECT_EQ(s.IniFilename(), want.string());
    s.WriteString("RecentFiles", "1", "/data/a.smp");
    s.WriteInteger("RecentFiles", "nToUse", 9);
    EXPECT_EQ(read_text(want), "[RecentFiles]\n1=/data/a.smp\nnToUse=9\n");
    EXPECT_EQ(s.ReadString("recentfiles", "1", "d"), "/data/a.smp");
    EXPECT_EQ(s.ReadInteger("RECENTFILES", "ntouse", 0), 9);
}

TEST_F(SettingTest, StringsAndIntegersWithDefaults) {
    s.setLocation(slroaming);
    s.WriteString("S", "empty", "");
    s.WriteString("S", "word", "abc");
    s.WriteString("S", "hex", "$10");
    s.WriteString("S", "huge", "99999999999");
    s.WriteInteger("S", "neg", -2147483647 - 1);
    EXPECT_EQ(s.ReadString("S", "empty", "dflt"), "dflt"); // an empty value gives the default
    EXPECT_EQ(s.ReadString("S", "missing", "dflt"), "dflt");
    EXPECT_EQ(s.ReadInteger("S", "word", 7), 7);
    EXPECT_EQ(s.ReadInteger("S", "hex", 7), 16);
    EXPECT_EQ(s.ReadInteger("S", "huge", 7), 7);
    EXPECT_EQ(s.ReadInteger("S", "neg", 7), -2147483647 - 1);
    EXPECT_EQ(s.ReadInteger("Nowhere", "x", -4), -4);
}

TEST_F(SettingTest, BooleansFloatsAndFonts) {
    s.setLocation(slroaming);
    s.WriteBool("B", "on", true);
    s.WriteBool("B", "off", false);
    s.WriteString("B", "two", "2");
    EXPECT_TRUE(s.ReadBool("B", "on", false));
    EXPECT_FALSE(s.ReadBool("B", "off", true));
    EXPECT_FALSE(s.ReadBool("B", "two", true));
    EXPECT_TRUE(s.ReadBool("B", "missing", true));

    s.WriteFloat("F", "tenth", 0.1);
    s.WriteFloat("F", "big", -1e300);
    s.WriteString("F", "comma", "1,5");
    s.WriteString("F", "delphi", "1.50000000000000E+000");
    EXPECT_EQ(s.ReadString("F", "tenth", ""), "1e-01");
    EXPECT_EQ(s.ReadFloat("F", "tenth", 0), 0.1);
    EXPECT_EQ(s.ReadFloat("F", "big", 0), -1e300);
    EXPECT_EQ(s.ReadFloat("F", "comma", 9), 9);
    EXPECT_EQ(s.ReadFloat("F", "delphi", 9), 1.5);
    EXPECT_EQ(s.ReadFloat("F", "missing", 9), 9);

    tfontdesc f;
    f.name = "Courier New";
    f.size = 11;
    f.color = 0x00FF8040;
    f.italic = true;
    f.strikeout = true;
    s.WriteFont("Fonts", "Axis", f);
    std::vector<std::string> keys;
    s.ReadSection("Fonts", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"AxisName", "AxisSize", "AxisColor", "AxisBold",
                                              "AxisItalics", "AxisUnderline", "AxisStrikeout"}));
    tfontdesc g;
    g.bold = true;
    s.ReadFont("Fonts", "Axis", g);
    EXPECT_EQ(g.name, "Courier New");
    EXPECT_EQ(g.size, 11);
    EXPECT_EQ(g.color, 0x00FF8040u);
    EXPECT_FALSE(g.bold);
    EXPECT_TRUE(g.italic);
    EXPECT_FALSE(g.underline);
    EXPECT_TRUE(g.strikeout);
    // Nothing stored: name and size stay, style and colour are reset.
    tfontdesc h;
    h.name = "Tahoma";
    h.size = 9;
    h.color = 5;
    h.bold = true;
    s.ReadFont("Fonts", "Other", h);
    EXPECT_EQ(h.name, "Tahoma");
    EXPECT_EQ(h.size, 9);
    EXPECT_EQ(h.color, 0u);
    EXPECT_FALSE(h.bold);
}

TEST_F(SettingTest, SectionsAndKeysCanBeListedAndDeleted) {
    s.setLocation(slroaming);
    s.WriteString("A", "x", "1");
    s.WriteString("A", "y", "2");
    s.WriteString("B", "z", "3");
    std::vector<std::string> list;
    s.ReadSections(list);
    EXPECT_EQ(list, (std::vector<std::string>{"A", "B"}));
    s.DeleteKey("a", "X");
    s.ReadSection("A", list);
    EXPECT_EQ(list, (std::vector<std::string>{"y"}));
    s.DeleteSection("b");
    s.ReadSections(list);
    EXPECT_EQ(list, (std::vector<std::string>{"A"}));
    s.DeleteSection("never there"); // ignored
}

TEST_F(SettingTest, IdentityIsRequiredExceptForANamedFile) {
    TSetting bare;
    bare.setLocation(slroaming);
    EXPECT_EQ(message_of([&] { bare.WriteString("S", "k", "v"); }), "Nothing assigned to ProgId");
    EXPECT_EQ(message_of([&] { bare.ReadString("S", "k", ""); }), "Nothing assigned to ProgId");
    EXPECT_EQ(message_of([&] { bare.Company(); }), "Nothing assigned to ProgId");
    EXPECT_EQ(message_of([&] { bare.Loaded(); }), "Nothing assigned to Setting1.ProgId");
    bare.setName("Store2");
    EXPECT_EQ(message_of([&] { bare.Loaded(); }), "Nothing assigned to Store2.ProgId");

    const std::string file = (t.root / "named" / "my.cfg").string();
    bare.setLocation(slfile);
    bare.setFilename(file);
    EXPECT_EQ(bare.IniFilename(), file);
    bare.WriteInteger("S", "k", 3);
    EXPECT_EQ(read_text(file), "[S]\nk=3\n");
    EXPECT_EQ(bare.ReadInteger("S", "k", 0), 3);
}

TEST_F(SettingTest, AnEmptyFileNameStoresNothing) {
    s.setLocation(slfile);
    EXPECT_EQ(s.ReadString("S", "k", "d"), "d");
    EXPECT_THROW(s.WriteString("S", "k", "v"), ESettingError);
    EXPECT_FALSE(s.OkToWrite());
}

TEST_F(SettingTest, ChosenIniNameKeepsOnlyItsNamePart) {
    s.setLocation(slroaming);
    s.setIniFilename("/some/where/Custom.cfg");
    EXPECT_EQ(s.IniFilename(), (t.identity_folder() / "Custom.ini").string());
    s.setLocation(slnonroaming);
    EXPECT_EQ(s.IniFilename(), (t.identity_folder() / "Custom.ini").string());
    s.setLocation(slcommonadmin);
    EXPECT_EQ(s.IniFilename(), (t.identity_folder("common") / "Custom.ini").string());
    s.setLocation(slcommoninsecure);
    EXPECT_EQ(s.IniFilename(), (t.identity_folder("common") / "insecure" / "Custom.ini").string());
}

TEST_F(SettingTest, ChangedIdentityMovesTheFile) {
    s.setLocation(slroaming);
    s.WriteString("S", "k", "old");
    id.setVersion("1.2.3");
    EXPECT_EQ(s.Version(), "1.2.3");
    EXPECT_EQ(s.IniFilename(), (t.identity_folder("config", "1.2.3") / ini_name()).string());
    EXPECT_EQ(s.ReadString("S", "k", "none"), "none");
    s.WriteString("S", "k", "new");
    EXPECT_TRUE(fs::exists(t.identity_folder("config", "1.2.3") / ini_name()));
    id.setAutoVersion(true);
    EXPECT_EQ(s.IniFilename(), (t.identity_folder("config", "3.0") / ini_name()).string());
    id.setAutoVersion(false);
    id.setVersion("0.0.0.22");
    EXPECT_EQ(s.ReadString("S", "k", ""), "old");
}

TEST_F(SettingTest, RegistryLocationsUseARegistryFileInTheMatchingFolder) {
    s.setLocation(sluser);
    EXPECT_EQ(s.IniFilename(), "HKEY_CURRENT_USER");
    s.WriteString("Window", "Left", "10");
    s.WriteString("Window\\Sub", "x", "1");
    EXPECT_EQ(s.ReadString("window", "left", ""), "10");
    EXPECT_TRUE(fs::exists(t.identity_folder() / "registry.ini"));
    std::vector<std::string> list;
    s.ReadSections(list);
    EXPECT_EQ(list, (std::vector<std::string>{"Window"}));
    s.DeleteSection("Window"); // with its sub-key
    s.ReadSections(list);
    EXPECT_TRUE(list.empty());

    s.setLocation(slmachine);
    EXPECT_EQ(s.IniFilename(), "HKEY_LOCAL_MACHINE");
    s.WriteInteger("All", "n", 1);
    EXPECT_TRUE(fs::exists(t.identity_folder("common") / "registry.ini"));

    // Going back to an INI location does not turn the registry name into a file name.
    s.setLocation(slroaming);
    EXPECT_EQ(s.IniFilename(), (t.identity_folder() / ini_name()).string());
}

TEST_F(SettingTest, WithoutAUserFolderRoamingActsAsTheUserRegistry) {
    tenvguard home("HOME");
    unsetenv("HOME");
    unsetenv("XDG_CONFIG_HOME");
    s.setLocation(slroaming);
    EXPECT_EQ(s.IniFilename(), "HKEY_CURRENT_USER");
    // ... which has no folder either: nothing can be stored, reads give defaults.
    EXPECT_EQ(s.ReadInteger("S", "k", 4), 4);
    EXPECT_THROW(s.WriteInteger("S", "k", 5), ESettingError);
    EXPECT_FALSE(s.OkToWrite());
    s.DeleteSection("S"); // ignored
}

TEST_F(SettingTest, OkToWriteLeavesNoTrace) {
    s.setLocation(slroaming);
    s.WriteString("Keep", "k", "v");
    EXPECT_TRUE(s.OkToWrite());
    EXPECT_EQ(read_text(s.IniFilename()), "[Keep]\nk=v\n");

    write_text(t.root / "plainfile", "x");
    setenv("XDG_CONFIG_HOME", (t.root / "plainfile").c_str(), 1);
    TSetting blocked;
    blocked.setProgId(&id);
    blocked.setLocation(slroaming);
    EXPECT_FALSE(blocked.OkToWrite());
    EXPECT_THROW(blocked.WriteString("S", "k", "v"), ESettingError);
}

TEST_F(SettingTest, ManualIniCloseWritesOnRequest) {
    s.setLocation(slroaming);
    s.setManualIniClose(true);
    s.WriteString("S", "a", "1");
    s.WriteString("S", "b", "2");
    EXPECT_FALSE(fs::exists(s.IniFilename()));
    EXPECT_EQ(s.ReadString("S", "a", ""), "1");
    s.IniClose();
    EXPECT_EQ(read_text(s.IniFilename()), "[S]\na=1\nb=2\n");
    s.WriteString("S", "c", "3");
    s.IniDiscard();
    EXPECT_EQ(s.ReadString("S", "c", "gone"), "gone");
    s.WriteString("S", "d", "4");
    s.setManualIniClose(false); // writes at once
    EXPECT_EQ(read_text(s.IniFilename()), "[S]\na=1\nb=2\nd=4\n");
}

TEST_F(SettingTest, TwoStoresOnOneFileKeepEachOthersValues) {
    TSetting other;
    other.setProgId(&id);
    s.setLocation(slroaming);
    other.setLocation(slroaming);
    s.WriteString("ListA", "1", "a");
    other.WriteString("ListB", "1", "b");
    s.WriteString("ListA", "2", "c");
    EXPECT_EQ(other.ReadString("ListA", "2", ""), "c");
    EXPECT_EQ(s.ReadString("ListB", "1", ""), "b");
}
