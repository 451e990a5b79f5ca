#include "files/qub_file.h"
#include "settings/options_file.h"
#include "settings/settings_reader.h"
#include "settings/settings_values.h"
#include "support/temp_config.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace gravon;
using gravon::testing::changed_options;
using gravon::testing::expect_same_options;

namespace {

class OptionsFile : public ::testing::Test {
  protected:
    void SetUp() override { out.setProgId(&progid); }

    // Writes through a real file and reads it back into `into`.
    void round_trip(const toptions& o, const std::array<bool, 2>& bins, toptions& into,
                    std::array<bool, 2>& intobins, std::int32_t ndisplay = 8) {
        out.setFileId(optionsfileid);
        write_options(out, o, bins);
        const std::string name = cfg.make_file("opts.qubfile");
        out.save_file(name);
        TQUBFile in;
        ASSERT_TRUE(in.open_file(name));
        EXPECT_EQ(in.FileId(), "GravonSettings");
        tsettingsreader r(in);
        read_options(r, into, intobins, ndisplay);
        EXPECT_TRUE(r.problems().empty());
    }

    // Reads the options from a container built in memory.
    std::vector<std::string> read_from(const TQUBFile& f, toptions& o, std::int32_t ndisplay = 8) {
        tsettingsreader r(f);
        std::array<bool, 2> bins{true, false};
        read_options(r, o, bins, ndisplay);
        return r.problems();
    }

    gravon::testing::ttempconfig cfg;
    TProgId progid;
    TQUBFile out;
};

TEST_F(OptionsFile, EveryFieldRoundTrips) {
    const toptions o = changed_options();
    toptions back;
    std::array<bool, 2> bins{true, false};
    round_trip(o, {false, true}, back, bins);
    expect_same_options(o, back);
    EXPECT_EQ(bins, (std::array<bool, 2>{false, true}));
    // Loading makes the loaded target the one "Reset target" returns to.
    EXPECT_EQ(back.defaultf0target, 261.5);
    EXPECT_EQ(back.defaultleveltarget, 83.25);
}

TEST_F(OptionsFile, DefaultsRoundTrip) {
    const toptions o;
    toptions back = changed_options();
    std::array<bool, 2> bins{false, true};
    round_trip(o, defaultpgvisible, back, bins);
    expect_same_options(o, back);
    EXPECT_EQ(bins, defaultpgvisible);
}

TEST_F(OptionsFile, KeysKindsAndOrder) {
    write_options(out, toptions(), defaultpgvisible);
    std::vector<std::string> keys;
    std::set<std::string> seen;
    for (int i = 0; i < out.nnodes(); ++i) {
        const tnode& n = out.get_nodeno(i);
        keys.push_back(n.section + "/" + n.key);
        EXPECT_TRUE(seen.insert(keys.back()).second) << "written twice: " << keys.back();
    }
    ASSERT_GE(keys.size(), 10u);
    EXPECT_EQ(keys[0], "Display/LockAspectRatio");
    EXPECT_EQ(keys[1], "Display/zParam");
    EXPECT_EQ(keys.back(), "Statistics/Shortversion");
    auto kind = [&](const std::string& s, const std::string& k) {
        for (int i = 0; i < out.nnodes(); ++i)
            if (out.get_nodeno(i).section == s && out.get_nodeno(i).key == k)
                return out.get_nodeno(i).data.id;
        return 0;
    };
    EXPECT_EQ(kind("Display", "zParam"), qubinteger);
    EXPECT_EQ(kind("Display", "ShowBins0"), qubbool);
    EXPECT_EQ(kind("Display", "ShowBins1"), qubbool);
    EXPECT_EQ(kind("Display", "ShowBlob1"), qubbool);
    EXPECT_EQ(kind("Display", "ShowNoise1"), qubbool);
    EXPECT_EQ(kind("Display", "ShowStatsAvgfo"), qubbool);
    EXPECT_EQ(kind("Display", "ShowStatsr"), qubbool);
    EXPECT_EQ(kind("Display", "ShowStatsParam9"), qubbool);
    EXPECT_EQ(kind("Display", "ShowStatsParam10"), 0);
    EXPECT_EQ(kind("Keyboard", "KeyboardnPartials"), qubinteger);
    EXPECT_EQ(kind("Keyboard", "KeyboardSlope"), qubfloat);
    EXPECT_EQ(kind("Target", "foTarget"), qubfloat);
    EXPECT_EQ(kind("Target", "Showtarget"), qubbool);
    EXPECT_EQ(kind("Target", "nTargets"), qubinteger);
    EXPECT_EQ(kind("Targets", "f0_3"), qubfloat);
    EXPECT_EQ(kind("Targets", "level_3"), qubfloat);
    EXPECT_EQ(kind("Targets", "f0_4"), 0);
    EXPECT_EQ(kind("Noise", "NoiseSpectrum"), qubinteger);
    EXPECT_EQ(kind("Noise", "NoiseLevel"), qubfloat);
    EXPECT_EQ(kind("Noise", "SoftNoiseOnset"), qubbool);
    // The seven percentile keys, named by their percentage.
    for (const char* p : {"5", "10", "25", "50", "75", "90", "95"})
        EXPECT_EQ(kind("Display", std::string("ShowPercentile") + p), qubbool) << p;
    EXPECT_EQ(out.readinteger("Target", "nTargets", -1), 4);
}

TEST_F(OptionsFile, PercentileKeyText) {
    EXPECT_EQ(percentile_key_text(0.05), "5");
    EXPECT_EQ(percentile_key_text(0.1), "10");
    EXPECT_EQ(percentile_key_text(0.95), "95");
    EXPECT_EQ(percentile_key_text(0.07), "7");
    EXPECT_EQ(percentile_key_text(0.125), "12.5");
}

TEST_F(OptionsFile, OneSharedPercentileFlagGoesToBothLists) {
    // A file that has only the shared key sets both lists from it.
    out.writebool("Display", "ShowPercentile25", true);
    toptions o;
    EXPECT_TRUE(read_from(out, o).empty());
    EXPECT_TRUE(o.showf0percentile[2]);
    EXPECT_TRUE(o.showSPLpercentile[2]);
    EXPECT_FALSE(o.showf0percentile[1]);
    // Separate keys keep the two lists apart.
    out.writebool("Display", "ShowfoPercentile25", false);
    toptions p;
    read_from(out, p);
    EXPECT_FALSE(p.showf0percentile[2]);
    EXPECT_TRUE(p.showSPLpercentile[2]);
}

TEST_F(OptionsFile, MissingKeysLeaveFieldsAlone) {
    const toptions before = changed_options();
    toptions o = before;
    EXPECT_TRUE(read_from(out, o).empty());
    // Everything but the targets (see below) stays.
    toptions expected = before;
    expected.targets.clear();
    expect_same_options(expected, o);
    // Only the keys present change anything.
    out.writefloat("Keyboard", "KeyboardLevel", -1.5);
    out.writebool("display", "showlegend", true); // sections and keys ignore case
    read_from(out, o);
    EXPECT_EQ(o.keyboardlevel, -1.5);
    EXPECT_TRUE(o.showlegend);
    EXPECT_EQ(o.keyboardslope, before.keyboardslope);
    // The one exception: a file without "nTargets" empties the target list.
    EXPECT_TRUE(o.targets.empty());
}

TEST_F(OptionsFile, ZParamIsClamped) {
    toptions o;
    out.writeinteger("Display", "zParam", 99);
    read_from(out, o, 8);
    EXPECT_EQ(o.zparam(), 7);
    out.writeinteger("Display", "zParam", -4);
    read_from(out, o, 8);
    EXPECT_EQ(o.zparam(), 0);
    out.writeinteger("Display", "zParam", 3);
    read_from(out, o, 8);
    EXPECT_EQ(o.zparam(), 3);
}

TEST_F(OptionsFile, GroupShareIsAPercentage) {
    toptions o;
    for (const auto& [stored, read] : {std::pair{0, 1}, {150, 100}, {-5, 1}, {66, 66}}) {
        out.writeinteger("Display", "GroupShare", stored);
        read_from(out, o, 8);
        EXPECT_EQ(o.groupshare, read) << stored;
    }
}

TEST_F(OptionsFile, TargetCountRules) {
    toptions o = changed_options(); // three targets
    const ttargetarr three = o.targets;
    // A negative count keeps the list.
    out.writeinteger("Target", "nTargets", -1);
    read_from(out, o);
    ASSERT_EQ(o.targets.size(), 3u);
    // A count resizes the list; entries without keys keep their values, new ones are 0.
    out.writeinteger("Target", "nTargets", 4);
    out.writefloat("Targets", "f0_0", 500.0);
    read_from(out, o);
    ASSERT_EQ(o.targets.size(), 4u);
    EXPECT_EQ(o.targets[0].f0, 500.0);
    EXPECT_EQ(o.targets[0].level, three[0].level);
    EXPECT_EQ(o.targets[1].f0, three[1].f0);
    EXPECT_EQ(o.targets[3].f0, 0.0);
    EXPECT_EQ(o.targets[3].level, 0.0);
    // Zero leaves an empty target menu, and so does a file without the key.
    out.writeinteger("Target", "nTargets", 0);
    read_from(out, o);
    EXPECT_TRUE(o.targets.empty());
    o = changed_options();
    TQUBFile none;
    none.writefloat("Targets", "f0_0", 500.0);
    read_from(none, o);
    EXPECT_TRUE(o.targets.empty());
}

TEST_F(OptionsFile, AbsurdTargetCountIsRefused) {
    toptions o = changed_options();
    out.writeinteger("Target", "nTargets", 2000000000);
    const std::vector<std::string> p = read_from(out, o);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_NE(p[0].find("nTargets"), std::string::npos);
    EXPECT_EQ(o.targets.size(), 3u);
}

// Settings no guided profile can run with are refused as a whole, naming the key at fault.
TEST_F(OptionsFile, GuidedSettingsThatCannotRunAreKept) {
    for (const auto& [key, value] : std::vector<std::pair<const char*, double>>{
             {"StepSize", 3}, {"StartNote", 200}, {"ToneTime", 0}, {"StepLimit", 2}}) {
        toptions o = changed_options();
        TQUBFile f;
        f.writeinteger("Guided", "StartNote", 60);
        if (std::string(key) == "StepSize" || std::string(key) == "StartNote")
            f.writeinteger("Guided", key, std::int32_t(value));
        else
            f.writefloat("Guided", key, value);
        const std::vector<std::string> p = read_from(f, o);
        ASSERT_EQ(p.size(), 1u) << key;
        EXPECT_NE(p[0].find(std::string("key \"") + key), std::string::npos) << p[0];
        EXPECT_EQ(o.guided.startnote, 48) << key;
    }
}

TEST_F(OptionsFile, WrongTypeKeepsTheFieldAndReadsTheRest) {
    toptions o;
    out.writestring("Display", "zParam", "four");
    out.writeinteger("Display", "ShowLegend", 0);
    out.writefloat("Keyboard", "KeyboardLevel", -9.0);
    const std::vector<std::string> p = read_from(out, o);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0], "Section \"Display\", key \"zParam\": Data has wrong type: 13, not11");
    EXPECT_EQ(p[1], "Section \"Display\", key \"ShowLegend\": Data has wrong type: 11, not10");
    EXPECT_EQ(o.zparam(), 1);
    EXPECT_TRUE(o.showlegend);
    EXPECT_EQ(o.keyboardlevel, -9.0);
}

TEST_F(OptionsFile, WindowPlaceKeys) {
    const twindowentry& mainw = windowtable[0];
    const twindowentry& opts = windowtable[std::size_t(twindowid::optionswindow)];
    write_window_place(out, mainw, {10, 20, 800, 600});
    write_window_place(out, opts, {30, 40, 300, 200});
    EXPECT_EQ(out.get_nodeno(0).section, "Mainwindow");
    EXPECT_EQ(out.nnodes(), 6); // four keys of the main window, two of the options dialog
    EXPECT_EQ(out.readinteger("OptionsWindow", "Height", -1), -1);

    tsettingsreader r(out);
    twindowplace p{1, 2, 3, 4};
    EXPECT_TRUE(read_window_place(r, mainw, p)); // written "Mainwindow", read "MainWindow"
    EXPECT_EQ(p.left, 10);
    EXPECT_EQ(p.top, 20);
    EXPECT_EQ(p.width, 800);
    EXPECT_EQ(p.height, 600);
    twindowplace q{1, 2, 3, 4};
    EXPECT_TRUE(read_window_place(r, opts, q));
    EXPECT_EQ(q.left, 30);
    EXPECT_EQ(q.top, 40);
    EXPECT_EQ(q.width, 3); // the size of such a window is not kept
    twindowplace s{1, 2, 3, 4};
    EXPECT_FALSE(read_window_place(r, windowtable[std::size_t(twindowid::statisticswindow)], s));
    EXPECT_EQ(s.left, 1);
}

TEST(SettingsProblems, TextListsTenAndCountsTheRest) {
    std::vector<std::string> p;
    for (int i = 0; i < 12; ++i) p.push_back("p" + std::to_string(i));
    const std::string t = settings_problems_text("f.qubfile", p);
    EXPECT_EQ(t.substr(0, 13), "f.qubfile\rp0\r");
    EXPECT_NE(t.find("\rp9\r... and 2 more"), std::string::npos);
    EXPECT_EQ(t.find("p10"), std::string::npos);
}

} // namespace
