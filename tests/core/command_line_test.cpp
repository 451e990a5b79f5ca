// The command line: left to right, case-sensitive switches, /f parsing, batch names.
#include "test_form.h"

#include <gtest/gtest.h>

namespace gravon {
namespace {

using testing::ttestform;

TEST(CommandLine, FullScaleListStopsAtTheFirstEmptyItem) {
    ttestform t;
    t.form.execute_command_line({"/f14.1,12"});
    EXPECT_EQ(t.form.commandlinefsd, (std::vector<float>{14.1f, 12.0f}));
    t.form.execute_command_line({"/f14.1,,3"});
    EXPECT_EQ(t.form.commandlinefsd, (std::vector<float>{14.1f}));
    t.form.execute_command_line({"/f"});
    EXPECT_TRUE(t.form.commandlinefsd.empty());
    EXPECT_TRUE(t.ui.messages.empty());
}

TEST(CommandLine, BadFullScaleItemStopsTheCommandLine) {
    ttestform t;
    EXPECT_FALSE(t.form.execute_command_line({"/f14.1,abc", "/?", "/c"}));
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].text, "'abc' is not a valid floating point value");
    EXPECT_FALSE(t.form.closerequested);
}

TEST(CommandLine, SwitchesAreCaseSensitive) {
    ttestform t;
    t.form.execute_command_line({"/F14.1", "/S", "/C", "/x", ""});
    EXPECT_TRUE(t.form.commandlinefsd.empty());
    EXPECT_FALSE(t.form.closerequested);
    EXPECT_TRUE(t.ui.messages.empty());
}

TEST(CommandLine, CloseFirstStillProcessesTheRest) {
    ttestform t;
    t.form.execute_command_line({"/c", "/f2,3"});
    EXPECT_TRUE(t.form.closerequested);
    EXPECT_EQ(t.form.commandlinefsd.size(), 2u);
}

TEST(CommandLine, SyntaxMessage) {
    ttestform t;
    t.form.execute_command_line({"/?"});
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].caption, "Gravon command line syntax");
    EXPECT_EQ(t.ui.messages[0].kind, tmessagekind::information);
    EXPECT_EQ(t.ui.messages[0].text,
              "Command line syntax:\rGravon [<settings file name>] /f<fullscale> [<calibrated "
              "smp file name>] [/s] [/c] [/?]\r/s saves analysis and phonetogram\r/c closes "
              "Gravon\r/f<fullscale0>,<fullscale1>... Sets full scale in Pa for wav file\r/? "
              "shows this message box\rExample:\rgravon /f14.1 testfile.wav /s /c\rNote "
              "that the order of the command line parameters matter.");
}

TEST(CommandLine, UnsupportedFileIsRefusedAndProcessingGoesOn) {
    ttestform t;
    EXPECT_TRUE(t.form.execute_command_line({"notes.txt", "/f5"}));
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].caption, "Cannot open file");
    EXPECT_EQ(t.ui.messages[0].text, "Cannot open file notes.txt");
    EXPECT_EQ(t.form.commandlinefsd, (std::vector<float>{5.0f}));
}

TEST(CommandLine, AbsolutePathsAreFileNames) {
    ttestform t;
    t.form.execute_command_line({"/no/such/dir/notes.txt"});
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].text, "Cannot open file /no/such/dir/notes.txt");
}

// Read once into steps: what is ignored is left out, and a refused /f stops the steps when
// they are taken, while what comes after it still says the command line closes.
TEST(CommandLine, IsReadOnceIntoSteps) {
    using tkind = tcommandstep::tkind;
    const twindowrequest r =
        window_request({"", "/F1", "a.wav", "/f1,2", "/s", "/f3,z", "/?", "/c", "/no/x.wav"});
    const std::vector<std::pair<tkind, std::string>> want = {
        {tkind::open, "a.wav"},    {tkind::fullscale, ""},
        {tkind::save, ""},         {tkind::fullscale, "'z' is not a valid floating point value"},
        {tkind::syntax, ""},       {tkind::close, ""},
        {tkind::open, "/no/x.wav"}};
    ASSERT_EQ(r.steps.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(r.steps[i].kind, want[i].first) << i;
        EXPECT_EQ(r.steps[i].text, want[i].second) << i;
    }
    EXPECT_EQ(r.steps[1].fullscale, (std::vector<float>{1.0f, 2.0f}));
    EXPECT_EQ(r.steps[3].fullscale, (std::vector<float>{3.0f}));
    EXPECT_TRUE(r.closes());
    EXPECT_TRUE(r.saves());

    ttestform t;
    EXPECT_FALSE(t.form.execute_steps({r.steps.begin() + 3, r.steps.end()}));
    EXPECT_EQ(t.form.commandlinefsd, (std::vector<float>{3.0f}));
    EXPECT_FALSE(t.form.closerequested);
    ASSERT_EQ(t.ui.messages.size(), 1u);
}

TEST(BatchNames, SuffixBeforeTheLastDotThenTheExtension) {
    EXPECT_EQ(batch_save_name("testfile.wav", "_pg", ".stdpg"), "testfile_pg.stdpg");
    EXPECT_EQ(batch_save_name("testfile.wav", "_an", ".smp"), "testfile_an.smp");
    EXPECT_EQ(batch_save_name("", "_an", ".kavell"), "_an.kavell");
    EXPECT_EQ(batch_save_name("C:\\a.b\\rec", "_pg", ".stdpg"), "C:\\a_pg.b\\rec.stdpg");
    EXPECT_EQ(batch_save_name("/data/a.b/rec", "_pg", ".stdpg"), "/data/a_pg.b/rec.stdpg");
    EXPECT_EQ(batch_save_name("settings.qubfile", "_pg", ".stdpg"), "settings_pg.stdpg");
}

TEST(StartUp, RunsOnceAndSetsTheRecordingPhonetograms) {
    ttestform t;
    TForm1& f = t.form;
    EXPECT_TRUE(f.activated);
    ASSERT_EQ(f.pgs.size(), 2u);
    EXPECT_EQ(f.pgs[0].pgname, "Left");
    EXPECT_EQ(f.pgs[1].pgname, "Right");
    EXPECT_EQ(f.audioarrpos, -1);
    EXPECT_EQ(f.arrpos, -1);
    EXPECT_EQ(f.downsamplingfactor, 1764);
    EXPECT_EQ(f.recarr[0].size(), 882u);
    EXPECT_TRUE(f.startinpausedstate);
    EXPECT_FALSE(f.paused());
    EXPECT_FALSE(f.locationid.empty());
    EXPECT_EQ(f.pgs[0].recordingsiteid, f.locationid);
    EXPECT_EQ(f.last(0).killpoint.value(), 4096);
    f.Setup_recording_parameters();
    EXPECT_EQ(f.recorderchunksize, 2048); // about 20 ms of two channels at 44.1 kHz
    f.execute_command_line({"/f3"});
    f.FormActivate({"/f1,2"}); // a second activation does nothing
    EXPECT_EQ(f.commandlinefsd, (std::vector<float>{3.0f}));
}

} // namespace
} // namespace gravon
