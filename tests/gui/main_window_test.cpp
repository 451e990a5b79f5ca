// The desktop window driven as a user drives it: its actions in every state of a recording and
// of a file analysis, files dropped on it, the recent-files menu.
#include "core/sim_devices.h"
#include "files/sound_file_kinds.h"
#include "files/voicemap_file.h"
#include "support/temp_config.h"
#include "synth/synth_params.h"
#include "synth/voice_synth.h"
#include "synth/wav_writer.h"
#include "ui/advanced_settings_dialog.h"
#include "ui/control_panel.h"
#include "ui/dialog_windows.h"
#include "ui/drawing_area.h"
#include "ui/main_actions.h"
#include "ui/qt_main_window.h"
#include "ui/statistics_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <array>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace gravon {
namespace {

namespace fs = std::filesystem;
using enum tactionid;

// Enabled in every state: leaving, looking, listening, help.
const std::vector<tactionid> always = {exit,      showstatistics,  copyimage,
                                       playnoise, resettarget,     commandlinesyntax,
                                       about,     copyimageatsize, manual};
// Enabled whenever no sound file is being analysed.
const std::vector<tactionid> idle = {opensoundfile, openstdpg,     makereferencegroup, exporttext,
                                     controlpanel,  options,       advancedsettings,   openoptions,
                                     saveoptions,   selectallarea, clearareaselection, savereport,
                                     printreport,   sessiondetails};

// Every main action's enabled state.
std::map<tactionid, bool> enabled_states(const TMainWindow& w) {
    std::map<tactionid, bool> m;
    for (const tactiondef& d : main_action_defs()) m[d.id] = w.action(d.id)->isEnabled();
    return m;
}

// The actions always enabled, those of an idle window when idle, and on.
std::map<tactionid, bool> expect_enabled(std::initializer_list<tactionid> on, bool isidle = true) {
    std::map<tactionid, bool> m;
    for (const tactiondef& d : main_action_defs()) m[d.id] = false;
    for (tactionid id : always) m[id] = true;
    if (isidle)
        for (tactionid id : idle) m[id] = true;
    for (tactionid id : on) m[id] = true;
    return m;
}

std::string names_of(const std::map<tactionid, bool>& m) {
    std::string s;
    for (const auto& [id, on] : m)
        if (on) s += main_action_defs()[std::size_t(id)].caption + std::string(", ");
    return s;
}

void write_voice(const fs::path& p, double seconds) {
    synth::tsynthparams sp;
    sp.phrases = {synth::glide_phrase(seconds, 200, 260, 76, 84)};
    const synth::tsynthresult r = synth::synthesize(sp);
    synth::write_wav16(p.string(), r.rate, r.channels, r.samples);
}

// Long enough that its replay lets the window process events (every 50 ms) several times
// even on a fast machine, where the analysis runs at over 2000 times real time; quick to make.
constexpr int longseconds = 600;
void write_long_tone(const fs::path& p) {
    // 225 Hz: a period of 196 samples, computed once and repeated.
    std::array<std::int16_t, 196> period{};
    for (std::size_t i = 0; i < period.size(); ++i)
        period[i] = std::int16_t(6000 * std::sin(2 * 3.14159265 * double(i) / 196));
    std::vector<std::int16_t> samples(std::size_t(longseconds) * 44100);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = period[i % period.size()];
    synth::write_wav16(p.string(), 44100, 1, samples);
}

class MainWindow : public ::testing::Test {
  protected:
    testing::ttempconfig config;
    TMainWindow w;
    std::vector<std::string> messages;
    std::vector<bool> sessionoffers; // atrecord of each offer of the session details
    bool acceptsession = true;

    void SetUp() override {
        // Every hooked window exists, so that only the state decides.
        for (auto hook : {&twindowhooks::options, &twindowhooks::advancedsettings,
                          &twindowhooks::calibrate, &twindowhooks::showstatistics,
                          &twindowhooks::exporttext, &twindowhooks::controlpanel})
            w.hooks.*hook = [] {};
        w.userinterface().script.message = [this](const std::string& c, const std::string& t,
                                                  tmessagekind) {
            messages.push_back(c + ": " + t);
        };
        w.userinterface().script.question = [](const std::string&, const std::string&, tbuttons) {
            return tanswer::no;
        };
        w.userinterface().script.session = [this](tsessionrecord& r, bool atrecord) {
            sessionoffers.push_back(atrecord);
            if (!acceptsession) return false;
            r.name = "Anna Berg";
            return true;
        };
        w.activate({});
    }
    fs::path file(const std::string& name) { return config.root / "files" / name; }
    void settle() {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    // A phonetogram file analysed from a short synthesized voice.
    void make_stdpg(const fs::path& p) {
        const fs::path wav = file("source.wav");
        if (!fs::exists(file("source_pg.stdpg"))) {
            write_voice(wav, 1.0);
            TForm1& f = w.form();
            f.execute_command_line({"/f100", wav.string(), "/s"});
        }
        fs::copy_file(file("source_pg.stdpg"), p, fs::copy_options::overwrite_existing);
    }
    void feed(double seconds) {
        TWaveChunk chunk(2048 * 2, 0);
        for (std::size_t i = 0; i < chunk.size(); i += 2)
            chunk[i] = std::int16_t(8000 * std::sin(double(i) * 0.02));
        bool last = false;
        for (int k = 0; k < int(seconds * 44100 / 2048); ++k)
            w.form().MPCRecord1Fetch(chunk, std::int32_t(chunk.size()), last);
    }
};

TEST_F(MainWindow, ActionsFollowTheRecordingStates) {
    // Empty: nothing to save or discard; the microphones can be calibrated.
    EXPECT_EQ(enabled_states(w), expect_enabled({record, guidedprofile, calibrate}))
        << names_of(enabled_states(w));
    EXPECT_EQ(w.action(record)->toolTip().toStdString(), "Record");

    // Record starts paused.
    w.action(record)->trigger();
    ASSERT_TRUE(w.form().recording());
    ASSERT_TRUE(w.form().paused());
    const auto running = expect_enabled({record, pause, stop});
    EXPECT_EQ(enabled_states(w), running) << names_of(enabled_states(w));
    EXPECT_TRUE(w.action(record)->isChecked());
    EXPECT_TRUE(w.action(pause)->isChecked());
    EXPECT_EQ(w.action(record)->toolTip().toStdString(), "Recording is paused");
    EXPECT_EQ(w.action(pause)->toolTip().toStdString(), "Click to un-pause");
    EXPECT_EQ(w.action(record)->statusTip(), w.action(record)->toolTip());
    EXPECT_EQ(w.action(pause)->property("image").toInt(), pauseimageon + 1);

    // Un-paused: the same actions, the plain hints.
    w.action(pause)->trigger();
    EXPECT_FALSE(w.form().paused());
    EXPECT_EQ(enabled_states(w), running) << names_of(enabled_states(w));
    EXPECT_EQ(w.action(record)->toolTip().toStdString(), "Record");
    EXPECT_EQ(w.action(pause)->toolTip().toStdString(), "Pause");
    EXPECT_EQ(w.action(pause)->property("image").toInt(), pauseimageoff + 1);
    // The Record image shows the background-noise measurement until it is over.
    EXPECT_EQ(w.action(record)->property("image").toInt(), recordimagehold + 1);
    feed(1.0);
    ASSERT_GE(w.form().audioarrpos, 1);
    w.refresh_actions();
    EXPECT_EQ(w.action(record)->property("image").toInt(), recordimagelive + 1);

    // Stopped with data: save and discard, no calibration of a finished recording.
    w.action(stop)->trigger();
    EXPECT_FALSE(w.form().recording());
    EXPECT_FALSE(w.action(pause)->isChecked());
    EXPECT_EQ(enabled_states(w), expect_enabled({newrecording, savestdpg, savesmp, savenormalized,
                                                 saveall, exportvoicemap, record, guidedprofile}))
        << names_of(enabled_states(w));

    // New recording (not saving) is empty again.
    w.action(newrecording)->trigger();
    EXPECT_LT(w.form().audioarrpos, 1);
    EXPECT_FALSE(w.action(savestdpg)->isEnabled());
    EXPECT_TRUE(w.action(calibrate)->isEnabled());
}

TEST_F(MainWindow, AReplayLocksTheDataAndEscKeepsWhatWasAnalysed) {
    const fs::path wav = file("long.wav");
    write_long_tone(wav);
    std::map<tactionid, bool> during;
    bool progressshown = false;
    std::int32_t atcancel = -1;
    int progress = -1;
    bool keyboardduring = true;
    // A modeless window around the main one, such as the control panel.
    QWidget panel;
    w.userinterface().register_window(twindowid::phonetogramviewwindow, &panel);
    bool panelduring = true;
    // Runs inside the replay's event processing.
    QTimer::singleShot(0, [&] {
        during = enabled_states(w);
        keyboardduring = w.drawing_area()->keyboard()->isEnabled();
        panelduring = panel.isEnabled();
        atcancel = w.form().audiosamples();
        const auto* bar = w.findChild<QProgressBar*>("replayprogress");
        progress = bar && bar->isVisibleTo(&w) ? bar->value() : -1;
        progressshown = w.busy();
        w.action(cancelanalysis)->trigger();
    });
    w.open_files({QString::fromStdString(wav.string())});
    settle();

    EXPECT_TRUE(progressshown);
    // How far it is, out of 1000.
    EXPECT_GT(progress, 0);
    EXPECT_LT(progress, 1000);
    EXPECT_FALSE(w.findChild<QProgressBar*>("replayprogress")->isVisibleTo(&w));
    EXPECT_EQ(during, expect_enabled({cancelanalysis}, false)) << names_of(during);
    // A keyboard tone would block the analysis of the file's frames.
    EXPECT_FALSE(keyboardduring);
    EXPECT_TRUE(w.drawing_area()->keyboard()->isEnabled());
    EXPECT_FALSE(panelduring);
    EXPECT_TRUE(panel.isEnabled());
    // Cancelled: part of the file was analysed and stays, as a file result.
    EXPECT_FALSE(w.form().analyzing);
    EXPECT_GT(w.form().frames(), 0);
    ASSERT_GT(atcancel, 0);
    EXPECT_LE(w.form().audiosamples(), atcancel + 2048);
    EXPECT_LT(w.form().audiosamples(), longseconds * 44100);
    // A file's result can be calibrated from a reference in the file.
    EXPECT_EQ(enabled_states(w), expect_enabled({newrecording, savestdpg, savesmp, savenormalized,
                                                 saveall, exportvoicemap, calibratefromreference}))
        << names_of(enabled_states(w));
    EXPECT_EQ(w.windowTitle().toStdString(), wav.string() + " - Gravon");
}

TEST_F(MainWindow, AFileThatCannotBeAnalysedLeavesTheWindowUsable) {
    // A format chunk of two bytes.
    const char header[] = "RIFF\x16\0\0\0WAVEfmt \x02\0\0\0xxdata\0\0\0\0";
    testing::write_text(file("broken.wav"), std::string(header, sizeof header - 1));
    // Through "Analyze soundfile...", which opens it directly.
    w.userinterface().script.filenames = [&](const std::string&, bool save) {
        return save ? QStringList{} : QStringList{QString::fromStdString(file("broken.wav"))};
    };
    w.action(opensoundfile)->trigger();
    settle();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("broken.wav"), std::string::npos) << messages[0];
    EXPECT_FALSE(w.busy());
    for (tactionid id : {opensoundfile, openstdpg, options, controlpanel})
        EXPECT_TRUE(w.action(id)->isEnabled()) << main_action_defs()[std::size_t(id)].caption;
    EXPECT_FALSE(w.action(cancelanalysis)->isEnabled());
}

TEST_F(MainWindow, ClosingAsksToSaveAndCancelKeepsTheWindowOpen) {
    w.show();
    w.action(record)->trigger();
    w.action(pause)->trigger();
    feed(0.5);
    std::vector<std::string> asked;
    tanswer answer = tanswer::cancel;
    w.userinterface().script.question = [&](const std::string&, const std::string& text, tbuttons) {
        asked.push_back(text);
        return answer;
    };
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.form().recording()) << "Cancel keeps the recording running";
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "Do you want to save the phonetogram?");

    answer = tanswer::no;
    asked.clear();
    EXPECT_TRUE(w.close());
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_FALSE(w.form().recording());
}

TEST_F(MainWindow, ClosingDuringAReplayWaitsForItsEnd) {
    const fs::path wav = file("long.wav");
    write_long_tone(wav);
    w.show();
    bool closedinside = true;
    QTimer::singleShot(0, [&] {
        w.close();
        closedinside = !w.isVisible();
    });
    w.open_files({QString::fromStdString(wav.string())});
    EXPECT_FALSE(closedinside);
    EXPECT_LT(w.form().audiosamples(), longseconds * 44100);
    settle();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindow, ItsPlacementIsKeptInTheOptionsAndBroughtBackOnScreen) {
    w.move(63, 47);
    w.resize(500, 400);
    w.form().save_settings("");
    {
        TMainWindow again;
        again.activate({});
        EXPECT_EQ(again.pos(), QPoint(63, 47));
        EXPECT_EQ(again.size(), QSize(500, 400));
    }
    // A placement beyond the desktop's right edge and larger than it comes back inside.
    tscreenrect desk;
    ASSERT_TRUE(w.userinterface().get_desktop_work_area(desk));
    w.move(desk.right + 400, 40);
    w.resize(2 * (desk.right - desk.left), 3 * desk.bottom);
    w.form().save_settings("");
    // Shown before its places are restored, as the program starts.
    TMainWindow again;
    again.show();
    again.activate({});
    const QRect shown(again.pos(), again.frameGeometry().size());
    EXPECT_TRUE(QRect(QPoint(desk.left, desk.top), QPoint(desk.right, desk.bottom)).contains(shown))
        << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
}

TEST_F(MainWindow, SelectingTheWholeAreaShowsItsStatistics) {
    write_voice(file("voice.wav"), 1.5);
    w.form().commandlinefsd = {100.0f};
    w.open_files({QString::fromStdString(file("voice.wav").string())});
    settle();
    int shown = 0;
    w.hooks.showstatistics = [&] { ++shown; };
    // The measured-target item stays hidden; its state follows the statistics all the same.
    EXPECT_FALSE(action_states(w.form())[setmeasuredtarget].enabled);
    EXPECT_FALSE(w.action(hidecrosshair)->isEnabled());

    w.action(selectallarea)->trigger();
    EXPECT_EQ(shown, 1);
    ASSERT_FALSE(w.form().statistics.empty());
    EXPECT_GT(w.form().statistics[0].nbins, 0);
    EXPECT_TRUE(action_states(w.form())[setmeasuredtarget].enabled);

    w.action(clearareaselection)->trigger();
    EXPECT_EQ(w.form().statistics[0].nbins, 0);
    EXPECT_FALSE(action_states(w.form())[setmeasuredtarget].enabled);
}

TEST_F(MainWindow, ShortcutsCaptionsAndTheTargetMenu) {
    const std::map<tactionid, const char*> keys = {
        {record, "F9"},       {pause, "Space"},       {newrecording, "Ctrl+N"},
        {controlpanel, "F3"}, {showstatistics, "F4"}, {cancelanalysis, "Esc"}};
    for (const auto& [id, key] : keys)
        EXPECT_EQ(w.action(id)->shortcut(), QKeySequence(key)) << key;
    EXPECT_EQ(w.action(opensoundfile)->text().toStdString(), "Analyze s&oundfile...");
    EXPECT_EQ(w.action(savesmp)->text().toStdString(), "Save sound and analysis &as...");
    EXPECT_EQ(w.action(options)->text().toStdString(), "Options...");
    EXPECT_EQ(w.action(playnoise)->text().toStdString(), "Play &noise");
    EXPECT_EQ(w.action(playnoise)->toolTip().toStdString(), "Play noise");
    EXPECT_EQ(w.action(playnoise)->property("image").toInt(), noiseimageoff + 1);
    for (const tactiondef& d : main_action_defs())
        EXPECT_FALSE(w.action(d.id)->statusTip().isEmpty()) << d.caption;
    // The File menu keeps the recent files at index 12, after the control panel.
    ASSERT_GT(w.file_menu()->actions().size(), 12);
    EXPECT_EQ(w.file_menu()->actions()[11], w.action(controlpanel));

    // The Target menu and its toggle are shown with the option only.
    EXPECT_FALSE(w.target_menu()->menuAction()->isVisible());
    EXPECT_FALSE(w.action(showtarget)->isVisible());
    w.form().options.showtarget = true;
    w.form().fix_things();
    EXPECT_TRUE(w.target_menu()->menuAction()->isVisible());
    EXPECT_FALSE(w.action(setmeasuredtarget)->isVisible());
    QStringList captions;
    for (QAction* a : w.target_menu()->actions())
        if (a->isVisible() && !a->isSeparator()) captions << a->text();
    EXPECT_EQ(captions.join("|").toStdString(),
              "Reset target|Set target to 110 Hz, 70 dB|Set target to 110 Hz, 80 dB|"
              "Set target to 220 Hz, 70 dB|Set target to 220 Hz, 80 dB");
    // Choosing an entry moves the target there and shows it.
    w.target_menu()->actions().back()->trigger();
    EXPECT_EQ(w.form().options.f0target, 220.0);
    EXPECT_EQ(w.form().options.leveltarget, 80.0);
    EXPECT_TRUE(w.target_shown());
}

TEST_F(MainWindow, DroppedFilesOpenInOrderAndTheRecentMenuReopensOne) {
    QStringList names;
    for (const char* n : {"a.stdpg", "b.stdpg", "c.stdpg"}) {
        make_stdpg(file(n));
        names << QString::fromStdString(file(n).string());
    }
    const std::size_t before = w.form().pgs.size();
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& n : names) urls << QUrl::fromLocalFile(n);
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    settle();

    ASSERT_EQ(w.form().pgs.size(), before + 3) << (messages.empty() ? "" : messages.front());
    // Each open put its file first in the recent list: the last dropped is the most recent.
    EXPECT_EQ(w.form().RecentFiles1.filename(1), file("c.stdpg").string());
    EXPECT_EQ(w.form().RecentFiles1.filename(2), file("b.stdpg").string());
    EXPECT_EQ(w.form().RecentFiles1.filename(3), file("a.stdpg").string());

    // The File menu lists them; picking a.stdpg opens it once more and makes it the first.
    emit w.file_menu()->aboutToShow();
    QAction* item = nullptr;
    for (QAction* a : w.recent_actions())
        if (a->isVisible() && a->text().endsWith("a.stdpg")) item = a;
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->text().startsWith("&3 "));
    item->trigger();
    settle();
    EXPECT_EQ(w.form().pgs.size(), before + 4);
    EXPECT_EQ(w.form().RecentFiles1.filename(1), file("a.stdpg").string());
    emit w.file_menu()->aboutToShow();
    bool first = false;
    for (QAction* a : w.recent_actions())
        if (a->text() == "&1 " + names[0]) first = a->isVisible();
    EXPECT_TRUE(first);

    // "Clear list..." asks first; Yes empties the list, and the separator goes with it.
    std::vector<std::string> asked;
    w.userinterface().script.question = [&](const std::string& caption, const std::string&,
                                            tbuttons) {
        asked.push_back(caption);
        return tanswer::yes;
    };
    w.recent_actions().back()->trigger();
    settle();
    EXPECT_EQ(asked, std::vector<std::string>{"Clear list"});
    EXPECT_EQ(w.form().RecentFiles1.itemcount(), 0);
    emit w.file_menu()->aboutToShow();
    for (QAction* a : w.recent_actions()) EXPECT_FALSE(a->isVisible()) << a->text().toStdString();
}

TEST_F(MainWindow, TheVoiceMapIsExportedFromTheFileMenuAndOpensFromOpenAndByADrop) {
    make_stdpg(file("a.stdpg")); // the window holds the analysis of a short voice
    const QString map = QString::fromStdString(file("take_VRP.csv").string());
    w.userinterface().script.filenames = [&](const std::string&, bool) { return QStringList{map}; };
    ASSERT_TRUE(w.file_menu()->actions().contains(w.action(exportvoicemap)));
    w.action(exportvoicemap)->trigger();
    ASSERT_TRUE(is_voicemap_file(map.toStdString()));
    const std::size_t before = w.form().pgs.size();
    w.action(openstdpg)->trigger();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(map)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    settle();
    EXPECT_EQ(w.form().pgs.size(), before + 2);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// Counts the paints of a widget.
class tpaintcounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(MainWindow, RepaintRequestsCoalesce) {
    // The view paints only while the window is shown.
    w.show();
    settle();
    tpaintcounter counter;
    w.drawing_area()->view()->installEventFilter(&counter);
    const int& paints = counter.paints;
    const auto wait_for_paint = [&](int n) {
        for (int i = 0; i < 200 && paints < n; ++i) QTest::qWait(5);
    };
    // A replay's burst of analysed hops asks many times and gets one paint.
    for (int i = 0; i < 1000; ++i) w.userinterface().request_repaint();
    wait_for_paint(1);
    settle();
    EXPECT_EQ(paints, 1);
    for (int i = 0; i < 1000; ++i) w.userinterface().request_repaint();
    wait_for_paint(2);
    settle();
    EXPECT_EQ(paints, 2);
}

TEST(MainWindowDialogs, TheModelessWindowsOpenFromTheActions) {
    testing::ttempconfig config;
    TMainWindow w;
    w.activate({});
    tdialogwindows& d = w.dialogs();
    EXPECT_FALSE(d.controlpanel->isVisible());
    w.action(controlpanel)->trigger();
    EXPECT_TRUE(d.controlpanel->isVisible());
    w.action(showstatistics)->trigger();
    EXPECT_TRUE(d.statistics->isVisible());
    // Their placements go to the options file with the main window's.
    d.controlpanel->move(40, 30);
    w.form().save_settings("");
    TMainWindow again;
    again.activate({});
    EXPECT_EQ(again.dialogs().controlpanel->pos(), QPoint(40, 30));
}

// A device plugged in while the advanced settings are open (also as the Calibrate action's
// prompt opens them on the "Soundcards" tab) shows in their lists at once.
TEST(MainWindowDevices, ADevicePluggedInShowsInTheOpenAdvancedSettings) {
    testing::ttempconfig config;
    testing::tsimdevices devices;
    TMainWindow w;
    w.attach_audio(devices);
    w.activate({});
    TForm2& dialog = *w.dialogs().advanced;
    dialog.show();
    auto* rec = dialog.findChild<QComboBox*>("recorddevice");
    auto* keyboard = dialog.findChild<QComboBox*>("keyboarddevice");
    ASSERT_TRUE(rec && keyboard);
    EXPECT_EQ(rec->count(), 3);
    devices.in->change_devices({"USB mic", "Line in", "Headset mic"});
    devices.in->deliver();
    ASSERT_EQ(rec->count(), 4);
    EXPECT_EQ(rec->itemText(3).toStdString(), "Headset mic");
    devices.noise().change_devices({"Speakers", "USB headphones"});
    devices.noise().deliver();
    ASSERT_EQ(keyboard->count(), 3);
    EXPECT_EQ(keyboard->itemText(2).toStdString(), "USB headphones");
    dialog.hide();
}

TEST(QtDialogTexts, FiltersAndLineBreaksOfTheCore) {
    // The core's filters as Qt reads them: patterns in parentheses, separated by blanks.
    const std::pair<const char*, const char*> filters[] = {
        {"Standard phonetogram (*.stdpg)|*.stdpg|All files (*.*)|*.*",
         "Standard phonetogram (*.stdpg);;All files (*)"},
        {"Sound files|*.smp;*.wav", "Sound files (*.smp *.wav)"},
        {"Sound files (*.smp;*.wav)|*.smp;*.wav", "Sound files (*.smp *.wav)"},
    };
    for (const auto& [core, qt] : filters) EXPECT_EQ(qt_name_filter(core).toStdString(), qt);
    EXPECT_EQ(qt_text("Can't find \rx.wav").toStdString(), "Can't find \nx.wav");

    // The sound file dialog: all sound files first, matching every extension that is read, in
    // any case of letters; every file last.
    const QStringList dialog = qt_name_filter(sound_file_filter()).split(";;");
    ASSERT_GE(dialog.size(), 3);
    const QString first = dialog.front();
    EXPECT_TRUE(first.startsWith("All sound files (")) << first.toStdString();
    EXPECT_EQ(dialog.back(), "All files (*)");
    const QStringList all = first.mid(first.indexOf('(') + 1).chopped(1).split(' ');
    for (const tsoundfilekind& k : sound_file_kinds())
        for (const QString& e : QString(k.extensions).split(' '))
            for (const QString& name : {"take" + e, "TAKE" + e.toUpper()})
                EXPECT_TRUE(QDir::match(all, name)) << name.toStdString();
    EXPECT_FALSE(QDir::match(all, "take.stdpg"));
}

TEST_F(MainWindow, RecordOffersTheSessionDetailsAndTheReportIsSavedAsPdf) {
    acceptsession = false;
    w.action(record)->trigger();
    EXPECT_FALSE(w.form().recording());
    EXPECT_FALSE(w.action(record)->isChecked());
    acceptsession = true;
    w.action(record)->trigger();
    ASSERT_TRUE(w.form().recording());
    EXPECT_EQ(sessionoffers, (std::vector<bool>{true, true}));
    w.action(pause)->trigger();
    feed(1.0);
    w.action(stop)->trigger();
    EXPECT_EQ(w.form().session().name, "Anna Berg");

    // The report items follow the recent files, which keep their place.
    const QList<QAction*> items = w.file_menu()->actions();
    const auto at = [&](tactionid id) { return items.indexOf(w.action(id)); };
    EXPECT_GT(at(savereport), 12);
    EXPECT_EQ(at(printreport), at(savereport) + 1);
    EXPECT_EQ(w.action(savereport)->text().toStdString(), "Save report as PDF…");
    EXPECT_EQ(w.action(sessiondetails)->text().toStdString(), "&Session details…");

    const fs::path pdf = file("report.pdf");
    w.userinterface().script.filenames = [&](const std::string& caption, bool save) {
        EXPECT_EQ(caption, "Save report as PDF");
        return save ? QStringList{QString::fromStdString(pdf.string())} : QStringList{};
    };
    w.action(savereport)->trigger();
    settle();
    EXPECT_TRUE(messages.empty()) << messages.front();
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_EQ(testing::read_text(pdf).substr(0, 5), "%PDF-");

    w.action(sessiondetails)->trigger();
    EXPECT_EQ(sessionoffers.back(), false);
}

} // namespace
} // namespace gravon
