// The headless program as a user runs it: a real process, real files, its output and exit
// status.
#include "cli_process.h"
#include "core/main_window.h"
#include "files/qub_file.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using gravon::testing::slurp;
using tresult = gravon::testing::tclirun;
using Cli = gravon::testing::tclitest;

TEST_F(Cli, AnalysesAndPrintsTheStatistics) {
    synthesize("voice.wav");
    const tresult r = run("/f100 voice.wav --stats");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Name\tvoice.wav\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Leq [dB]\t"), std::string::npos);
}

TEST_F(Cli, RefusedFileIsAWarningAndAFailure) {
    std::ofstream(dir() / "notes.txt") << "hello";
    const tresult r = run("notes.txt /f3");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot open file: Cannot open file notes.txt"), std::string::npos)
        << r.err;
}

TEST_F(Cli, BadFullScaleStopsWithAnError) {
    const tresult r = run("/fx1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'x1' is not a valid floating point value"), std::string::npos) << r.err;
}

TEST_F(Cli, SyntaxBoxIsInformationOnlyAndNamesThisProgram) {
    const tresult r = run("'/?'");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Gravon command line syntax: Command line syntax:\ngravon-cli ["),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Example:\ngravon-cli /f14.1 testfile.wav /s /c"), std::string::npos);
    EXPECT_EQ(r.err.find("Gravon.exe"), std::string::npos);
}

TEST_F(Cli, UnsavedAnalysisIsAnsweredNoAndSaidOnlyWhenVerbose) {
    synthesize("voice.wav", "--seconds 1");
    const tresult quiet = run("/f100 voice.wav /c");
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");
    const tresult r = run("--verbose /f100 voice.wav /c");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Do you want to save the phonetogram?"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("taken as No, so it is not done."), std::string::npos);
}

TEST_F(Cli, OwnOptions) {
    EXPECT_EQ(run("--bogus").status, 2);
    const tresult h = run("--help");
    EXPECT_EQ(h.status, 0);
    EXPECT_NE(h.out.find("Usage: gravon-cli"), std::string::npos);
}

TEST_F(Cli, TextExportOfAllParameters) {
    synthesize("voice.wav", "--seconds 1");
    const tresult r = run("/f100 voice.wav --export-text pg.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string text = slurp(dir() / "pg.txt");
    // After the two lines that say where the export came from.
    EXPECT_EQ(text.rfind("# Gravon ", 0), 0u);
    EXPECT_NE(text.find("\r\n# settings differing from the defaults: none\r\n---------\r\n"
                        "SolidColor\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\nAccTime\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nMaxPartNoTo01\r\n"), std::string::npos);
    // A folder that is a file cannot hold the export.
    EXPECT_EQ(run("/f100 voice.wav --export-text voice.wav/pg.txt").status, 1);
}

TEST_F(Cli, BatchRunsWriteNothingToTheSettingsFolder) {
    synthesize("voice.wav", "--seconds 1");
    // Several runs side by side, as a corpus is spread over cores.
    std::string cmd;
    for (int k = 0; k < 4; ++k) {
        const std::string name = "v" + std::to_string(k) + ".wav";
        fs::copy_file(dir() / "voice.wav", dir() / name);
        cmd += "'" GRAVON_CLI_PATH "' /f100 " + name + " /s /c 2>/dev/null & ";
    }
    cmd = "cd '" + dir().string() + "' || exit 1; " + cmd + "wait";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(fs::exists(dir() / ("v" + std::to_string(k) + "_an.smp"))) << k;
    std::vector<std::string> written;
    for (const auto& e : fs::recursive_directory_iterator(config.root / "config"))
        if (e.is_regular_file()) written.push_back(e.path().string());
    EXPECT_TRUE(written.empty()) << written.front();
}

TEST_F(Cli, SettingsDirHoldsTheSettingsFiles) {
    synthesize("voice.wav", "--seconds 1");
    const fs::path own = dir() / "own settings";
    {
        // An advanced-settings file whose F0 band starts above the voice.
        setenv(gravon::settingsdirvariable, own.c_str(), 1);
        gravon::tsilentinterface ui;
        gravon::TForm1 form(ui);
        form.FormActivate({});
        form.advanced.lof0limit = 300;
        form.save_advanced_settings("");
        unsetenv(gravon::settingsdirvariable);
    }
    ASSERT_TRUE(fs::exists(own / "GravonAdvancedSettings.qubfile"));
    const tresult normal = run("/f100 voice.wav --stats");
    EXPECT_NE(normal.out.find("Area [STdB]"), std::string::npos);
    const tresult narrowed = run("--settings-dir 'own settings' /f100 voice.wav --stats");
    EXPECT_EQ(narrowed.status, 0) << narrowed.err;
    // Only F0s of 300 Hz and more are searched: what is found is a partial, not the 220 Hz
    // fundamental.
    const auto minfo = [](const std::string& out) {
        const std::size_t at = out.find("Min fo [Hz]\t");
        return at == std::string::npos ? 0.0 : std::atof(out.c_str() + at + 12);
    };
    EXPECT_LT(minfo(normal.out), 250);
    EXPECT_GE(minfo(narrowed.out), 300) << narrowed.out;
}

TEST_F(Cli, TracksTable) {
    synthesize("voice.wav", "--seconds 1");
    const tresult r = run("/f100 voice.wav --tracks tracks.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    std::ifstream in(dir() / "tracks.csv");
    std::string header, row;
    // After the two lines that say where the table came from.
    for (int i = 0; i < 3; ++i) std::getline(in, header);
    // The time reference is in the column's name; rejection reasons have names; a value a
    // frame does not have is an empty cell, never a placeholder such as F0 0 or HNR -50.
    EXPECT_EQ(header.rfind("time_centre_s,left_accepted,left_rejected,left_SPL,left_fo,left_H1H2,"
                           "left_HNR,",
                           0),
              0u)
        << header;
    int rows = 0, accepted = 0, named = 0;
    while (std::getline(in, row)) {
        ++rows;
        std::vector<std::string> f;
        std::stringstream cells(row);
        for (std::string c; std::getline(cells, c, ',');) f.push_back(c);
        if (row.back() == ',') f.push_back("");
        ASSERT_EQ(f.size(), 23u) << row;
        if (f[1] == "1") {
            ++accepted;
            EXPECT_EQ(f[2], "") << row;
            EXPECT_GT(std::atof(f[4].c_str()), 150) << row;
        } else {
            EXPECT_NE(f[2], "") << row;
            EXPECT_EQ(f[4], "") << row;
            EXPECT_EQ(f[5], "") << row;
        }
        if (f[2].find_first_not_of("abcdefghijklmnopqrstuvwxyz0+") == std::string::npos &&
            !f[2].empty())
            ++named;
        EXPECT_NE(f[3], "-1000") << row;
        EXPECT_NE(f[6], "-50") << row;
        // The right channel of a file replay is digital silence: no level at all.
        EXPECT_EQ(f[14], "") << row;
    }
    EXPECT_GT(rows, 100);
    EXPECT_GT(accepted, 30);
    EXPECT_EQ(named, rows - accepted);
}

} // namespace

namespace {

TEST_F(Cli, AnalysisStartsWithoutQtAndThePicturesGoToTheQtProgram) {
    // gravon-cli loads no Qt library; a command line with --png runs gravon-cli-qt in its
    // place, with the same result as ever. A gravon-cli without gravon-cli-qt next to it still
    // analyses, and says what is missing when a picture is asked for.
    FILE* p = popen("ldd '" GRAVON_CLI_PATH "'", "r");
    ASSERT_NE(p, nullptr);
    std::string libs;
    char line[512];
    while (std::fgets(line, sizeof line, p)) libs += line;
    pclose(p);
    EXPECT_NE(libs.find("libsndfile"), std::string::npos) << libs;
    EXPECT_EQ(libs.find("libQt6"), std::string::npos) << libs;

    synthesize("voice.wav");
    const tresult pic = run("/f100 voice.wav --png voice.png");
    EXPECT_EQ(pic.status, 0) << pic.err;
    EXPECT_TRUE(fs::exists(dir() / "voice.png"));

    const fs::path alone = dir() / "alone";
    fs::create_directories(alone);
    fs::copy_file(GRAVON_CLI_PATH, alone / "gravon-cli");
    const std::string base =
        "cd '" + dir().string() + "' && '" + (alone / "gravon-cli").string() + "' /f100 voice.wav ";
    EXPECT_EQ(std::system((base + "--summary >/dev/null 2>&1").c_str()), 0);
    const std::string err = (dir() / "err.txt").string();
    const int rc = std::system((base + "--png lone.png 2>'" + err + "'").c_str());
    EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 1);
    const std::string text = slurp(err);
    EXPECT_NE(text.find("--png and --report need gravon-cli-qt: cannot start " +
                        (alone / "gravon-cli-qt").string()),
              std::string::npos)
        << text;
    EXPECT_FALSE(fs::exists(dir() / "lone.png"));
}

} // namespace
