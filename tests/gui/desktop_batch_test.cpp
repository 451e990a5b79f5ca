// The desktop program on a real X display (Xvfb) as a batch run: it analyses, saves and closes
// by itself, and writes the same three files as the headless program.
#include "support/temp_config.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using gravon::testing::read_text;

// The moment of the analysis is stamped into the files ("date=2026-12-09 14:35.53"); runs a
// second apart differ only there.
std::string without_dates(std::string s) {
    const std::string key = "date=";
    for (std::size_t p = s.find(key); p != std::string::npos; p = s.find(key, p + 1))
        for (std::size_t i = p + key.size(); i < s.size() && i < p + key.size() + 19; ++i)
            s[i] = '#';
    return s;
}

int run(const std::string& cmd) {
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST(DesktopProgram, BatchRunWritesWhatTheHeadlessProgramWrites) {
    if (run("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is missing";
    gravon::testing::ttempconfig config;
    const fs::path gui = config.root / "gui", cli = config.root / "cli";
    fs::create_directories(gui);
    fs::create_directories(cli);
    // Recorded with a full scale of 14.1 Pa, as the command lines below say.
    ASSERT_EQ(run("'" GRAVON_SYNTH_PATH "' --fullscale-pa 14.1 --out '" +
                  (gui / "voice.wav").string() + "' >/dev/null"),
              0);
    fs::copy_file(gui / "voice.wav", cli / "voice.wav");

    // Each program with a settings folder of its own, so that neither reads what the other
    // wrote.
    const std::string guicmd = "cd '" + gui.string() + "' && env QT_QPA_PLATFORM=xcb " +
                               "XDG_CONFIG_HOME='" + (config.root / "guiconfig").string() +
                               "' timeout 120 xvfb-run -a '" GRAVON_GUI_PATH
                               "' /f14.1 voice.wav /s /c >'" +
                               (gui / "out.txt").string() + "' 2>&1";
    EXPECT_EQ(run(guicmd), 0) << read_text(gui / "out.txt");
    const std::string clicmd = "cd '" + cli.string() + "' && env XDG_CONFIG_HOME='" +
                               (config.root / "cliconfig").string() +
                               "' '" GRAVON_CLI_PATH "' /f14.1 voice.wav /s /c >/dev/null 2>&1";
    ASSERT_EQ(run(clicmd), 0);

    for (const char* name : {"voice_pg.stdpg", "voice_an.smp", "voice_an.kavell"}) {
        ASSERT_TRUE(fs::exists(gui / name)) << name << "\n" << read_text(gui / "out.txt");
        const std::string a = read_text(gui / name), b = read_text(cli / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_EQ(a.size(), b.size()) << name;
        EXPECT_TRUE(without_dates(a) == without_dates(b)) << name << " differs";
    }
}

// Pictures made by a script on a machine without a sound device: the calibration window
// cannot record, which is said on standard error instead of in a box that no one clicks away,
// and the run fails naming the picture it could not make. Bad files named on the command line
// are refused the same way, and the program still closes.
TEST(DesktopProgram, APictureRunWithoutASoundDeviceNeverWaitsForAClick) {
    gravon::testing::ttempconfig config;
    const fs::path pics = config.root / "pictures", out = config.root / "out.txt";
    fs::create_directories(pics);
    gravon::testing::write_text(config.root / "files" / "text.wav", "Dear colleague,\n");
    const std::string cmd = "cd '" + (config.root / "files").string() +
                            "' && env QT_QPA_PLATFORM=offscreen PULSE_SERVER=unix:/nonexistent "
                            "timeout 120 '" GRAVON_GUI_PATH "' text.wav --window-pictures '" +
                            pics.string() + "' /c >'" + out.string() + "' 2>&1";
    EXPECT_EQ(run(cmd), 1) << read_text(out);
    const std::string err = read_text(out);
    EXPECT_NE(err.find("cannot make the picture " + (pics / "calibrator.png").string()),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("gravon: Cannot open file: Cannot read text.wav: it is a text file"),
              std::string::npos)
        << err;
    EXPECT_TRUE(fs::exists(pics / "sound_level_meter.png")) << err;
    EXPECT_TRUE(fs::exists(pics / "advanced_settings_tab1.png")) << err;
}

// --settings-dir may stand anywhere among the arguments, and the folder it names is the one
// the window reads its settings from: a damaged file there is reported by its full name.
TEST(DesktopProgram, ASettingsFolderOfItsOwnIsTheOneRead) {
    gravon::testing::ttempconfig config;
    const fs::path own = config.root / "own settings", out = config.root / "out.txt";
    gravon::testing::write_text(own / "GravonAdvancedSettings.qubfile", "no settings\n");
    for (const std::string args :
         {"--settings-dir '" + own.string() + "' /c", "/c --settings-dir '" + own.string() + "'"}) {
        const std::string cmd = "cd '" + config.root.string() +
                                "' && env QT_QPA_PLATFORM=offscreen timeout 120 '" GRAVON_GUI_PATH
                                "' " +
                                args + " >'" + out.string() + "' 2>&1";
        EXPECT_EQ(run(cmd), 0) << args << "\n" << read_text(out);
        EXPECT_NE(read_text(out).find("Wrong file type: \"\": " +
                                      (own / "GravonAdvancedSettings.qubfile").string()),
                  std::string::npos)
            << args << "\n"
            << read_text(out);
    }
}

// A picture taken without /c leaves the window to a person, who records, pauses and quits with
// the keys (xdotool on Xvfb; the take comes from scripts/sound_server.sh). Quitting asks whether
// to save; Cancel keeps the window and the take's journal.
TEST(DesktopProgram, APictureRunWithoutSlashCLeavesTheSaveQuestionsToAPerson) {
    if (run("command -v xvfb-run >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run or xdotool is missing";
    if (!fs::exists("/tmp/gravon-pulse/native")) GTEST_SKIP() << "no sound server to record from";
    gravon::testing::ttempconfig config;
    const fs::path dir = config.root, out = dir / "out.txt";
    // Each step says what it saw; a step that waits in vain gives up after 20 s.
    gravon::testing::write_text(dir / "keys.sh", R"sh(set -u
"$1" --screenshot "$2/s.png" &
pid=$!
for i in $(seq 300); do [ -s "$2/s.png" ] && break; sleep 0.1; done
[ -s "$2/s.png" ] && echo picture
find_window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
w=$(find_window '^Gravon$')
xdotool windowfocus --sync "$w" key F9
u=$(find_window '^Channel not calibrated$') && [ -n "$u" ] && echo uncalibrated
xdotool windowfocus --sync "$u" key Return
d=$(find_window '^Session details$') && [ -n "$d" ] && echo session-dialog
xdotool windowfocus --sync "$d" key Return
sleep 1
xdotool windowfocus --sync "$w" key space
sleep 2
xdotool windowfocus --sync "$w" key ctrl+q
q=$(find_window '^Recording is not saved$') && [ -n "$q" ] && echo asked
xdotool windowfocus --sync "$q" key Escape
sleep 1
kill -0 "$pid" && echo window-open
[ -n "$(ls -A "$3")" ] && echo journal-kept
kill "$pid"
)sh");
    const std::string cmd = "cd '" + dir.string() +
                            "' && QT_QPA_PLATFORM=xcb PULSE_SERVER=unix:/tmp/gravon-pulse/native "
                            "timeout 150 xvfb-run -a sh keys.sh '" GRAVON_GUI_PATH "' '" +
                            dir.string() + "' '" + (dir / "data/Gravon/journal").string() + "' >'" +
                            out.string() + "' 2>&1";
    EXPECT_EQ(run(cmd), 0) << read_text(out);
    const std::string said = read_text(out);
    for (const char* step : {"picture\n", "uncalibrated\n", "session-dialog\n", "asked\n",
                             "journal-kept\n", "window-open\n"})
        EXPECT_NE(said.find(step), std::string::npos) << step << " missing in:\n" << said;
}

} // namespace
