// The main window's settings operations, with files in a temporary settings folder.
#include "core/main_window.h"
#include "files/qub_file.h"
#include "phonetogram/pg_grid.h"
#include "settings/advanced_settings_file.h"
#include "settings/options_file.h"
#include "settings/settings_values.h"
#include "support/message_box_interface.h"
#include "support/temp_config.h"
#include "synth/voice_synth.h"
#include "synth/wav_writer.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

struct tmessage {
    std::string caption;
    std::string text;
    tmessagekind kind;
};

// Records what the core shows and keeps window placements like a desktop would.
class trecordingui : public gravon::testing::tmessageboxinterface {
  public:
    void message_box(const std::string& caption, const std::string& text,
                     tmessagekind kind) override {
        messages.push_back({caption, text, kind});
    }
    bool get_window_placement(twindowid w, twindowplace& place, bool& maximized) override {
        const auto it = windows.find(w);
        if (it == windows.end()) return false;
        place = it->second;
        maximized = maximizedwindows.count(w) > 0;
        return true;
    }
    void set_window_placement(twindowid w, const twindowplace& place) override {
        moves.push_back(w);
        windows[w] = place;
    }
    bool get_desktop_work_area(tscreenrect& area) override {
        if (!hasdesktop) return false;
        area = desktop;
        return true;
    }

    std::vector<tmessage> messages;
    std::map<twindowid, twindowplace> windows;
    std::set<twindowid> maximizedwindows;
    std::vector<twindowid> moves;
    bool hasdesktop = false;
    tscreenrect desktop{0, 0, 1920, 1040};
};

// A steady phonation without vibrato, jitter, shimmer or aspiration, after 1 s of room noise
// at 35 dB SPL (from which the analysis learns the background), as a 16-bit WAV file with
// full scale 10 Pa.
void write_phonation(const std::string& path, double f0, double spl, std::int32_t rate = 44100,
                     double seconds = 1.5) {
    synth::tsynthparams p;
    p.rate = rate;
    p.phrases = {synth::steady_phrase(seconds, f0, spl)};
    p.vibrato_rate = 0;
    p.jitter_percent = 0;
    p.shimmer_db = 0;
    p.hnr_db = 200;
    p.noise_spl = 35;
    p.leadin = 1.0;
    p.tail = 0.1;
    p.fullscale_pa = 10;
    const synth::tsynthresult r = synth::synthesize(p);
    synth::write_wav16(path, r.rate, r.channels, r.samples);
}

struct tpgsummary {
    double time = 0;
    int cells = 0;
    double meansemitone = 0;
    double timeat220 = 0; // in the columns within two semitones of 220 Hz
};

tpgsummary summarize(const tpg& pg) {
    tpgsummary s;
    const tpgarr& t = pg.param[pglayeracctime].arr;
    double wsum = 0;
    for (std::int32_t x = 0; x < nf0bins; ++x)
        for (std::int32_t y = 0; y < nlevelbins; ++y)
            if (t[x][y] > 0) {
                s.time += t[x][y];
                ++s.cells;
                if (x >= 55 && x <= 59) s.timeat220 += t[x][y];
                wsum += t[x][y] * x;
            }
    if (s.time > 0) s.meansemitone = wsum / s.time;
    return s;
}

class FormSettings : public ::testing::Test {
  protected:
    void SetUp() override { form.RecentFiles1.setDriveTypeQuery(fixed_drive); }

    static tdrivetype fixed_drive(const std::string&) { return tdrivetype::fixed; }

    // A form started the way the program starts: defaults, then the default files.
    void start() { form.FormActivate({}); }

    fs::path folder() const { return cfg.identity_folder(); }
    fs::path options_default() const { return folder() / "GravonSettings.qubfile"; }
    fs::path advanced_default() const { return folder() / "GravonAdvancedSettings.qubfile"; }
    fs::path options_temp() const { return folder() / "GravonTempSettings.qubfile"; }
    fs::path advanced_temp() const { return folder() / "GravonTempAdvancedSettings.qubfile"; }
    std::string file(const std::string& name) const { return (cfg.root / "files" / name).string(); }

    TQUBFile container(const std::string& id) {
        TQUBFile f;
        f.setProgId(&form.progid);
        f.setFileId(id);
        return f;
    }
    TQUBFile read(const fs::path& p) {
        TQUBFile f;
        EXPECT_TRUE(f.open_file(p.string())) << p;
        return f;
    }

    gravon::testing::ttempconfig cfg;
    trecordingui ui;
    TForm1 form{ui};
};

// ---- file names and the default files ----------------------------------------------------------

TEST_F(FormSettings, FileNameRule) {
    start();
    EXPECT_FALSE(fs::exists(options_default()));
    form.save_settings("");
    form.save_settings("temp");
    const std::string mine = file("mine.qubfile");
    form.save_settings(mine);
    EXPECT_EQ(read(options_default()).FileId(), "GravonSettings");
    EXPECT_EQ(read(options_temp()).FileId(), "GravonSettings");
    EXPECT_EQ(read(mine).FileId(), "GravonSettings");

    form.save_advanced_settings("");
    form.save_advanced_settings("temp");
    const std::string myadv = file("sub/adv.qubfile"); // missing folders are created
    form.save_advanced_settings(myadv);
    EXPECT_EQ(read(advanced_default()).FileId(), "GravonAdvancedSettings");
    EXPECT_EQ(read(advanced_temp()).FileId(), "GravonAdvancedSettings");
    EXPECT_EQ(read(myadv).FileId(), "GravonAdvancedSettings");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FormSettings, FirstStartIsSilentAndKeepsDefaults) {
    start();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(form.options.keyboardlevel, -20.0);
    EXPECT_EQ(form.options.targets.size(), 4u);
    EXPECT_EQ(form.advanced.lof0limit, 50.0);
    EXPECT_TRUE(form.pgs[0].visible);
    EXPECT_FALSE(form.pgs[1].visible);
}

TEST_F(FormSettings, StartLoadsTheDefaultFiles) {
    {
        trecordingui ui1;
        TForm1 first(ui1);
        first.RecentFiles1.setDriveTypeQuery(fixed_drive);
        first.FormActivate({});
        first.options.keyboardlevel = -5.5;
        first.options.targets = {{66, 123}};
        first.pgs[1].visible = true;
        first.advanced.lof0limit = 80.0;
        first.advanced.saveadvancedsettingsonexit = true;
        first.set_use24bits(false);
        first.locationid = "Clinic 3";
        first.FormClose();
    }
    start();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(form.options.keyboardlevel, -5.5);
    ASSERT_EQ(form.options.targets.size(), 1u);
    EXPECT_EQ(form.options.targets[0].f0, 123.0);
    EXPECT_TRUE(form.pgs[1].visible);
    EXPECT_EQ(form.advanced.lof0limit, 80.0);
    EXPECT_EQ(form.analysisparams.lof0limit, 80.0);
    EXPECT_EQ(form.locationid, "Clinic 3");
    EXPECT_EQ(form.pgs[0].recordingsiteid, "Clinic 3");
    // Every start records 24-bit samples, whatever was stored.
    EXPECT_TRUE(form.advanced.use24bits);
    // A later load applies the stored value.
    form.open_advanced_settings("");
    EXPECT_FALSE(form.advanced.use24bits);
}

// ---- wrong files -------------------------------------------------------------------------------

TEST_F(FormSettings, WrongFileIdWarnsAndChangesNothing) {
    start();
    const std::string other = file("other.qubfile");
    TQUBFile f = container("GravonCalibration");
    f.writefloat("Keyboard", "KeyboardLevel", -1.0);
    f.writefloat("General", "LofoLimit", 99.0);
    f.save_file(other);

    form.options.keyboardlevel = -12.0;
    form.open_settings(other, false);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Wrong file type: \"GravonCalibration\"");
    EXPECT_EQ(ui.messages[0].text, other + "\r does not contain options for Gravon");
    EXPECT_EQ(ui.messages[0].kind, tmessagekind::warning);
    EXPECT_EQ(form.options.keyboardlevel, -12.0);

    form.open_advanced_settings(other);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].caption, "Wrong file type: \"GravonCalibration\"");
    EXPECT_EQ(ui.messages[1].text, other + "\r does not contain advanced settings for Gravon");
    EXPECT_EQ(form.advanced.lof0limit, 50.0);

    // The options file is not an advanced-settings file, nor the other way round.
    const std::string opts = file("opts.qubfile");
    form.save_settings(opts);
    form.open_advanced_settings(opts);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[2].caption, "Wrong file type: \"GravonSettings\"");
}

TEST_F(FormSettings, MissingFileShowsNothing) {
    start();
    form.open_settings(file("nothere.qubfile"), false);
    form.open_advanced_settings(file("nothere.qubfile"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FormSettings, UnreadableFileSaysWhy) {
    start();
    const std::string junk = file("junk.qubfile");
    gravon::testing::write_text(junk, "not a container at all");
    form.open_settings(junk, false);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Wrong file type: \"\"");
    const std::string head = junk + "\r does not contain options for Gravon\r";
    EXPECT_EQ(ui.messages[0].text.substr(0, head.size()), head);
    EXPECT_NE(ui.messages[0].text.find("signature"), std::string::npos);

    // A container cut short is not read either.
    const std::string opts = file("opts.qubfile");
    form.save_settings(opts);
    fs::resize_file(opts, fs::file_size(opts) - 3);
    form.options.keyboardlevel = -2.0;
    form.open_settings(opts, false);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].caption, "Wrong file type: \"\"");
    EXPECT_EQ(form.options.keyboardlevel, -2.0);
}

TEST_F(FormSettings, WrongTypedValueIsReportedAndTheRestLoads) {
    start();
    const std::string name = file("typed.qubfile");
    TQUBFile f = container("GravonSettings");
    f.writestring("Display", "zParam", "3");
    f.writefloat("Keyboard", "KeyboardLevel", -4.0);
    f.save_file(name);
    form.open_settings(name, false);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Some settings were not read");
    EXPECT_EQ(ui.messages[0].text,
              name + "\rSection \"Display\", key \"zParam\": Data has wrong type: 13, not11");
    EXPECT_EQ(form.options.zparam(), 1);
    EXPECT_EQ(form.options.keyboardlevel, -4.0);
}

TEST_F(FormSettings, SaveFailureIsShown) {
    start();
    const std::string blocker = cfg.make_file("plainfile");
    form.save_settings(blocker + "/x.qubfile");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Options not saved");
    EXPECT_EQ(ui.messages[0].kind, tmessagekind::error);
    form.save_advanced_settings(blocker + "/y.qubfile");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].caption, "Advanced settings not saved");
}

// ---- window positions --------------------------------------------------------------------------

TEST_F(FormSettings, WindowsAreKeptInTheDefaultFileOnly) {
    ui.windows[twindowid::mainwindow] = {100, 50, 1000, 700};
    ui.windows[twindowid::statisticswindow] = {200, 60, 400, 500};
    ui.windows[twindowid::optionswindow] = {300, 70, 350, 250};
    ui.maximizedwindows.insert(twindowid::statisticswindow);
    start();
    form.save_settings("");
    TQUBFile d = read(options_default());
    EXPECT_EQ(d.readinteger("MainWindow", "Left", -1), 100);
    EXPECT_EQ(d.readinteger("MainWindow", "Top", -1), 50);
    EXPECT_EQ(d.readinteger("MainWindow", "Width", -1), 1000);
    EXPECT_EQ(d.readinteger("MainWindow", "Height", -1), 700);
    EXPECT_EQ(d.readinteger("OptionsWindow", "Left", -1), 300);
    EXPECT_EQ(d.readinteger("OptionsWindow", "Width", -1), -1);
    // A maximized window is not written.
    EXPECT_EQ(d.readinteger("StatisticsWindow", "Left", -1), -1);
    // Windows the interface does not have are not written either.
    EXPECT_EQ(d.readinteger("CalibratorWindow", "Left", -1), -1);

    // A file of the user's holds no window sections.
    const std::string mine = file("mine.qubfile");
    form.save_settings(mine);
    EXPECT_EQ(read(mine).readinteger("MainWindow", "Left", -1), -1);
}

TEST_F(FormSettings, WindowsAreRestoredOnTheDesktop) {
    TQUBFile f = container("GravonSettings");
    write_window_place(f, windowtable[0], {3000, 2000, 800, 600}); // beyond the desktop
    write_window_place(f, windowtable[std::size_t(twindowid::optionswindow)], {40, 30, 0, 0});
    f.save_file(options_default().string());
    ui.hasdesktop = true;
    ui.windows[twindowid::mainwindow] = {10, 10, 640, 480};
    ui.windows[twindowid::optionswindow] = {5, 5, 300, 200};
    start();
    const twindowplace m = ui.windows[twindowid::mainwindow];
    EXPECT_EQ(m.left, 1920 - 50);
    EXPECT_EQ(m.top, 1040 - 100);
    EXPECT_EQ(m.width, 800);
    EXPECT_EQ(m.height, 600);
    const twindowplace o = ui.windows[twindowid::optionswindow];
    EXPECT_EQ(o.left, 40);
    EXPECT_EQ(o.top, 30);
    EXPECT_EQ(o.width, 300); // the dialog's size is its own
    ASSERT_TRUE(form.windowplaces[0].has_value());
    EXPECT_EQ(form.windowplaces[0]->left, 1870);
}

TEST_F(FormSettings, UserFileNeverMovesWindows) {
    start();
    const std::string mine = file("mine.qubfile");
    TQUBFile f = container("GravonSettings");
    write_window_place(f, windowtable[0], {1, 2, 3, 4});
    f.save_file(mine);
    ui.windows[twindowid::mainwindow] = {10, 10, 640, 480};
    form.open_settings(mine, true);
    form.open_any_file(mine);
    EXPECT_TRUE(ui.moves.empty());
    EXPECT_EQ(ui.windows[twindowid::mainwindow].left, 10);
}

TEST_F(FormSettings, HeadlessKeepsStoredPlacements) {
    TQUBFile f = container("GravonSettings");
    write_window_place(f, windowtable[0], {12, 34, 560, 780});
    f.save_file(options_default().string());
    start();
    fs::remove(options_default());
    form.save_settings("");
    TQUBFile d = read(options_default());
    EXPECT_EQ(d.readinteger("MainWindow", "Left", -1), 12);
    EXPECT_EQ(d.readinteger("MainWindow", "Height", -1), 780);
    EXPECT_EQ(d.readinteger("OptionsWindow", "Left", -1), -1); // never known
}

// ---- setters with side effects -----------------------------------------------------------------

TEST_F(FormSettings, LoadedRateAndBandwidthSizeTheAnalysisWindow) {
    start();
    EXPECT_EQ(form.analyser.windowsize(), 1764);
    const std::string name = file("adv.qubfile");
    TQUBFile f = container("GravonAdvancedSettings");
    f.writefloat("General", "FFTBandwidth", 25.0);
    f.save_file(name);
    form.open_advanced_settings(name);
    EXPECT_EQ(form.advanced.fftbw, 25.0);
    EXPECT_EQ(form.analyser.windowsize(), 3528);
    // The same as setting the bandwidth directly.
    form.set_fftbw(50.0);
    EXPECT_EQ(form.analyser.windowsize(), 1764);

    TQUBFile g = container("GravonAdvancedSettings");
    g.writefloat("General", "SampFreq", 22050.0);
    g.writefloat("General", "FFTBandwidth", 50.0);
    g.save_file(name);
    form.open_advanced_settings(name);
    EXPECT_EQ(form.advanced.fs, 22050.0);
    EXPECT_EQ(form.analysisparams.fs, 22050.0);
    EXPECT_EQ(form.analyser.windowsize(), 882);
}

TEST_F(FormSettings, LoadedDistancesReachThePhonetograms) {
    start();
    const std::string name = file("adv.qubfile");
    TQUBFile f = container("GravonAdvancedSettings");
    f.writefloat("Calibration", "ActualDistance0", 0.1);
    f.writefloat("Calibration", "ActualDistance1", 0.2);
    f.writebool("General", "Use24Bits", false);
    f.save_file(name);
    form.open_advanced_settings(name);
    EXPECT_EQ(form.advanced.standardactualdistance(0), 0.1);
    EXPECT_EQ(form.pgs[0].actualdistance, 0.1);
    EXPECT_EQ(form.pgs[1].actualdistance, 0.2);
    EXPECT_FALSE(form.advanced.use24bits);

    form.set_standardactualdistance(5, 9.0); // no such channel
    EXPECT_EQ(form.advanced.standardactualdistance(5), -1.0);
}

TEST_F(FormSettings, FewerDisplayParametersRefitTheOptions) {
    start();
    form.set_zparam(9);
    EXPECT_EQ(form.options.zparam(), 9);
    form.set_zparam(99);
    EXPECT_EQ(form.options.zparam(), 9);
    const std::string name = file("adv.qubfile");
    TQUBFile f = container("GravonAdvancedSettings");
    f.writeinteger("Parameters", "nDisplayParams", 3);
    f.save_file(name);
    form.open_advanced_settings(name);
    EXPECT_EQ(form.advanced.displayparams.size(), 3u);
    EXPECT_EQ(form.options.zparam(), 2);
    EXPECT_EQ(form.options.showstatsparam.size(), 3u);
}

TEST_F(FormSettings, ZParamFromAFileIsClamped) {
    start();
    const std::string name = file("opts.qubfile");
    TQUBFile f = container("GravonSettings");
    f.writeinteger("Display", "zParam", 99);
    f.save_file(name);
    form.open_settings(name, false);
    EXPECT_EQ(form.options.zparam(), 9);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FormSettings, ResetsReachThePhonetograms) {
    start();
    form.pgs[1].visible = true;
    form.pgs[0].param[1].name = "Changed";
    form.options.keyboardlevel = 0;
    form.set_options_to_default();
    EXPECT_FALSE(form.pgs[1].visible);
    EXPECT_EQ(form.pgs[0].param[1].name, "AccTime");
    EXPECT_EQ(form.options.keyboardlevel, -20.0);

    form.advanced.standarddistance = 1.0;
    form.pgs[0].distance = 5;
    form.pgs[1].actualdistance = 5;
    form.set_advanced_to_default();
    EXPECT_EQ(form.pgs[0].distance, 0.3);
    EXPECT_EQ(form.pgs[1].distance, 0.3);
    EXPECT_EQ(form.pgs[1].actualdistance, 0.15);
}

TEST_F(FormSettings, EveryFieldRoundTripsThroughTheForm) {
    start();
    form.audiodevicenames = {{"Speakers", "Headphones", "HDMI"}, {"Mic array", "USB mic"}};
    toptions o = gravon::testing::changed_options();
    const tadvancedsettings a = gravon::testing::changed_advanced();
    o.showstatsparam.push_back(true); // one flag per display parameter: a has eleven
    form.options = o;
    form.advanced = a;
    form.locationid = a.locationid;
    form.pgs[0].visible = false;
    form.pgs[1].visible = true;
    const std::string opts = file("o.qubfile");
    const std::string adv = file("a.qubfile");
    form.save_settings(opts);
    form.save_advanced_settings(adv);

    form.set_advanced_to_default();
    form.set_options_to_default();
    form.advanced.playdevice = "";
    form.open_advanced_settings(adv);
    form.open_settings(opts, false);
    EXPECT_TRUE(ui.messages.empty());
    gravon::testing::expect_same_options(o, form.options);
    gravon::testing::expect_same_advanced(a, form.advanced);
    EXPECT_FALSE(form.pgs[0].visible);
    EXPECT_TRUE(form.pgs[1].visible);
    EXPECT_EQ(form.locationid, "Room 12");
}

// ---- temporary copies, exit, files by type -----------------------------------------------------

TEST_F(FormSettings, SoundFileKeepsTemporaryCopiesAndNewRecordingRestoresThem) {
    start();
    form.options.keyboardlevel = -3.0;
    form.options.targets = {{75, 150}};
    form.advanced.binningmethod = 1;
    form.commandlinefsd = {10.0f};
    const std::string wav = file("voice22.wav");
    write_phonation(wav, 220, 80, 22050);
    form.open_any_file(wav);
    ASSERT_TRUE(form.analysisisfromsoundfile());
    EXPECT_EQ(form.advanced.fs, 22050.0); // the file's rate
    EXPECT_EQ(read(options_temp()).readfloat("Keyboard", "KeyboardLevel", 0), -3.0);
    EXPECT_EQ(read(advanced_temp()).readfloat("General", "SampFreq", 0), 44100.0);
    EXPECT_EQ(read(advanced_temp()).readinteger("General", "BinningMethod", 0), 1);

    // A second sound file does not replace the user's copies.
    form.options.keyboardlevel = -30.0;
    form.open_any_file(wav);
    EXPECT_EQ(read(options_temp()).readfloat("Keyboard", "KeyboardLevel", 0), -3.0);

    form.NewRecordingActionExecute();
    EXPECT_FALSE(form.analysisisfromsoundfile());
    EXPECT_EQ(form.options.keyboardlevel, -3.0);
    ASSERT_EQ(form.options.targets.size(), 1u);
    EXPECT_EQ(form.options.targets[0].f0, 150.0);
    EXPECT_EQ(form.advanced.fs, 44100.0);
    EXPECT_EQ(form.analysisparams.fs, 44100.0);
    EXPECT_EQ(form.advanced.binningmethod, 1);
    EXPECT_EQ(form.pgs[1].pgname, "Right");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FormSettings, NewRecordingAfterARecordingKeepsTheSettings) {
    start();
    form.save_settings("temp"); // a stale copy must not come back
    form.options.keyboardlevel = -8.0;
    form.NewRecordingActionExecute();
    EXPECT_EQ(form.options.keyboardlevel, -8.0);
}

TEST_F(FormSettings, ClosingSavesWhatTheUserAskedFor) {
    start();
    form.options.keyboardlevel = -6.0;
    form.FormClose();
    EXPECT_EQ(read(options_default()).readfloat("Keyboard", "KeyboardLevel", 0), -6.0);
    EXPECT_FALSE(fs::exists(advanced_default())); // not asked for by default

    form.advanced.saveadvancedsettingsonexit = true;
    form.advanced.saveoptionsonexit = false;
    form.options.keyboardlevel = -7.0;
    form.FormClose();
    EXPECT_EQ(read(options_default()).readfloat("Keyboard", "KeyboardLevel", 0), -6.0);
    EXPECT_TRUE(read(advanced_default()).readbool("Save", "SaveAdvancedSettingsOnExit", false));
}

TEST_F(FormSettings, ClosingAfterASoundFileSavesNothing) {
    start();
    form.advanced.saveadvancedsettingsonexit = true;
    const std::string wav = file("voice.wav");
    write_phonation(wav, 220, 80, 44100, 0.5);
    form.open_any_file(wav);
    form.FormClose();
    EXPECT_FALSE(fs::exists(options_default()));
    EXPECT_FALSE(fs::exists(advanced_default()));
}

TEST_F(FormSettings, SettingsFilesOpenByType) {
    start();
    trecordingui other;
    TForm1 source(other);
    source.options.keyboardlevel = -11.0;
    source.advanced.hif0limit = 900.0;
    const std::string opts = file("any name.qubfile");
    const std::string adv = file("ADV.QUBFILE");
    source.save_settings(opts);
    source.save_advanced_settings(adv);

    form.open_any_file(opts);
    EXPECT_EQ(form.options.keyboardlevel, -11.0);
    EXPECT_EQ(form.advanced.hif0limit, 2000.0);
    form.open_any_file(adv);
    EXPECT_EQ(form.advanced.hif0limit, 900.0);
    EXPECT_EQ(form.analysisparams.hif0limit, 900.0);
    EXPECT_TRUE(ui.messages.empty());

    const std::string cal = file("cal.qubfile");
    TQUBFile f = container("GravonCalibration");
    f.save_file(cal);
    form.open_any_file(cal);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Cannot open file");
    EXPECT_EQ(ui.messages[0].text, "Cannot open file " + cal + "\rType: GravonCalibration");

    const std::string junk = file("junk.qubfile");
    gravon::testing::write_text(junk, "QUB1");
    form.open_any_file(junk);
    ASSERT_EQ(ui.messages.size(), 2u);
    const std::string head = "Cannot open file " + junk + "\rType: \r";
    EXPECT_EQ(ui.messages[1].text.substr(0, head.size()), head);
}

// A settings file named before the sound file changes the analysis of that file.
TEST_F(FormSettings, SettingsFileBeforeASoundFileChangesTheAnalysis) {
    const std::string wav = file("voice.wav");
    write_phonation(wav, 220, 80);

    // The files named on a command line after the full scale of the WAV file.
    auto analyse = [&](const std::vector<std::string>& files) {
        trecordingui u;
        TForm1 f(u);
        f.RecentFiles1.setDriveTypeQuery(fixed_drive);
        std::vector<std::string> args{"/f10"};
        args.insert(args.end(), files.begin(), files.end());
        f.FormActivate(args);
        EXPECT_TRUE(u.messages.empty());
        return summarize(f.pgs[0]);
    };
    const tpgsummary plain = analyse({wav});
    ASSERT_GT(plain.time, 1.0);
    EXPECT_NEAR(plain.meansemitone, 57.0, 0.5); // 220 Hz

    trecordingui u;
    TForm1 writer(u);
    writer.advanced.binningmethod = 0;
    const std::string nearest = file("nearest.qubfile");
    writer.save_advanced_settings(nearest);
    writer.advanced.binningmethod = 2;
    writer.advanced.lof0limit = 300.0;
    const std::string narrow = file("narrow.qubfile");
    writer.save_advanced_settings(narrow);

    // Rounding to the nearest bin puts the same time into fewer bins.
    const tpgsummary rounded = analyse({nearest, wav});
    EXPECT_NEAR(rounded.time, plain.time, 1e-9);
    EXPECT_LT(rounded.cells, plain.cells);
    // An F0 band above the voice does not find it (at most a few frames at a multiple).
    const tpgsummary none = analyse({narrow, wav});
    EXPECT_EQ(none.timeat220, 0.0);
    EXPECT_LT(none.time, 0.1 * plain.time);
    // Named after the sound file, the settings come too late.
    const tpgsummary late = analyse({wav, narrow});
    EXPECT_NEAR(late.time, plain.time, 1e-9);
}

// ---- recent files ------------------------------------------------------------------------------

TEST_F(FormSettings, OpenedFilesJoinTheRecentList) {
    start();
    const std::string wav = file("voice.wav");
    write_phonation(wav, 220, 80, 44100, 0.5);
    form.open_any_file(wav);
    EXPECT_EQ(form.RecentFiles1.filename(1), wav);
    EXPECT_EQ(form.RecentFiles1.MaxItems(), 9);
    // Stored at once: the next start finds it.
    {
        trecordingui u;
        TForm1 next(u);
        next.RecentFiles1.setDriveTypeQuery(fixed_drive);
        next.FormActivate({});
        EXPECT_EQ(next.RecentFiles1.filename(1), wav);
        // Picking it from the menu opens it again.
        next.RecentFiles1.item(1).click();
        EXPECT_TRUE(next.analysisisfromsoundfile());
        EXPECT_EQ(next.title(), wav);
    }
    form.add_recent_file(file("b.stdpg"));
    EXPECT_EQ(form.RecentFiles1.filename(1), file("b.stdpg"));
    EXPECT_EQ(form.RecentFiles1.filename(2), wav);
}

TEST_F(FormSettings, VanishedRecentFileIsReported) {
    start();
    const std::string gone = cfg.make_file("gone.wav");
    form.add_recent_file(gone);
    fs::remove(gone);
    form.RecentFiles1.item(1).click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "File not found");
    EXPECT_EQ(ui.messages[0].text, "Can't find \r" + gone);
    EXPECT_EQ(form.RecentFiles1.filename(1), "");
}

} // namespace
