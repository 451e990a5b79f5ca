// gravon-cli over recordings as a researcher runs it: files of every kind and condition, what
// it says about them, its exit status, and tables that load as they are.
#include "cli_process.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using gravon::testing::slurp;
using gravon::testing::tclirun;

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A CSV table: the header's names and the rows by name.
struct ttable {
    std::vector<std::string> names;
    std::vector<std::map<std::string, std::string>> rows;
    double sum(const std::string& col, const std::string& flag = "") const {
        double s = 0;
        for (const auto& r : rows)
            if (flag.empty() || r.at(flag) == "1") s += std::atof(r.at(col).c_str());
        return s;
    }
};

// The fields of a CSV line; a quoted field may hold commas and doubled quotes.
std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> f;
    std::string cur;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                cur += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cur += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            f.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    f.push_back(cur);
    return f;
}

ttable read_table(const fs::path& p) {
    const std::string text = slurp(p);
    EXPECT_EQ(text.find('\r'), std::string::npos) << "lines end with LF only";
    ttable t;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line)) return t;
    t.names = fields(line);
    while (std::getline(in, line)) {
        const std::vector<std::string> f = fields(line);
        EXPECT_EQ(f.size(), t.names.size()) << line;
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < f.size() && i < t.names.size(); ++i) row[t.names[i]] = f[i];
        t.rows.push_back(row);
    }
    return t;
}

// The number after a label in text output.
double number_after(const std::string& text, const std::string& label) {
    const std::size_t at = text.find(label);
    return at == std::string::npos ? std::nan("") : std::atof(text.c_str() + at + label.size());
}

class CliResearch : public gravon::testing::tclitest {
  protected:
    // Nothing but the inputs and the named outputs is left in the folder.
    std::vector<std::string> results() {
        std::vector<std::string> v;
        for (const auto& e : fs::directory_iterator(dir())) {
            const std::string n = e.path().filename().string();
            if (n.find("_pg.") != std::string::npos || n.find("_an.") != std::string::npos)
                v.push_back(n);
        }
        return v;
    }
};

TEST_F(CliResearch, FilesThatGiveNoAnalysisAreErrorsAndNothingIsSaved) {
    synthesize("voice.wav", "--seconds 1");
    const std::string good = slurp(dir() / "voice.wav");
    gravon::testing::write_text(dir() / "notes.wav", "Subject 12, sustained /a/\n");
    gravon::testing::write_text(dir() / "empty.wav", "");
    gravon::testing::write_text(dir() / "cut.wav", good.substr(0, 30));
    gravon::testing::write_text(dir() / "short.wav", good.substr(0, 44 + 2 * 1000));
    const std::map<std::string, std::string> why = {
        {"notes.wav", "it is a text file, not a sound file"},
        {"empty.wav", "the file is empty"},
        {"cut.wav", "is truncated"},
        {"short.wav", "too short to analyse"},
        {"missing.wav", "does not exist"},
    };
    for (const auto& [name, reason] : why) {
        const tclirun r = run("/f100 " + name + " /s --summary --cells-csv cells.csv");
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_TRUE(has(r.err, name) && has(r.err, reason)) << name << ": " << r.err;
        EXPECT_TRUE(has(r.err, "Nothing saved")) << r.err;
        EXPECT_FALSE(fs::exists(dir() / "cells.csv")) << name;
        EXPECT_EQ(r.out, "") << name;
    }
    // A good file first does not lend its results to a later one that fails.
    const tclirun later = run("/f100 voice.wav missing.wav /s --summary");
    EXPECT_EQ(later.status, 1);
    EXPECT_TRUE(has(later.err, "no output written: the last sound file was not analysed"));
    // /s on its own has nothing to save.
    const tclirun alone = run("/s /c");
    EXPECT_EQ(alone.status, 1);
    EXPECT_TRUE(has(alone.err, "no sound file was analysed")) << alone.err;
    EXPECT_TRUE(results().empty()) << results().front();
}

TEST_F(CliResearch, FormatsThatLibsndfileReadsAnalyseLikeTheWav) {
    synthesize("voice.wav", "--seconds 1");
    synthesize("voice.flac", "--seconds 1");
    synthesize("voice.ogg", "--seconds 1");
    synthesize("voice.rf64", "--seconds 1");
    synthesize("float64.wav", "--seconds 1 --coding float64");
    synthesize("voice.aiff", "--seconds 1");
    synthesize("voice.mp3", "--seconds 1");
    // Files named .wav that are something else: the own reader refuses them, libsndfile
    // reads them.
    fs::copy_file(dir() / "voice.flac", dir() / "flac_named.wav");
    fs::copy_file(dir() / "voice.rf64", dir() / "rf64_named.wav");
    fs::copy_file(dir() / "voice.mp3", dir() / "mp3_named.wav");
    const auto voiced = [&](const std::string& name) {
        const tclirun r = run("/f100 " + name + " --summary");
        EXPECT_EQ(r.status, 0) << name << ": " << r.err;
        return number_after(r.out, "\": ");
    };
    const double wav = voiced("voice.wav");
    ASSERT_GT(wav, 0.9);
    // Lossless codings give the same phonetogram; Vorbis nearly the same.
    for (const char* name :
         {"voice.flac", "voice.rf64", "float64.wav", "voice.aiff", "flac_named.wav"})
        EXPECT_DOUBLE_EQ(voiced(name), wav) << name;
    EXPECT_NEAR(voiced("voice.ogg"), wav, 0.1);
    EXPECT_NEAR(voiced("voice.mp3"), wav, 0.15);
    EXPECT_DOUBLE_EQ(voiced("rf64_named.wav"), wav);
    EXPECT_DOUBLE_EQ(voiced("mp3_named.wav"), voiced("voice.mp3"));
    // The calibration text says what the file is.
    const tclirun flac = run("/f100 voice.flac /s");
    EXPECT_EQ(flac.status, 0) << flac.err;
    EXPECT_TRUE(has(slurp(dir() / "voice_pg.stdpg"), "Sound file is calibrated from command line"));
}

TEST_F(CliResearch, AHeaderThatPromisesTooMuchIsReadAsFarAsItGoes) {
    synthesize("voice.flac", "--seconds 1");
    std::string flac = slurp(dir() / "voice.flac");
    ASSERT_EQ(flac.substr(0, 4), "fLaC");
    // The stream info's 36-bit sample count (the low bits of bytes 18 to 25) at its largest:
    // 2^36 - 1 samples, 18 days at 44.1 kHz.
    flac[21] = char(flac[21] | 0x0F);
    for (int i = 22; i < 26; ++i) flac[std::size_t(i)] = char(0xFF);
    gravon::testing::write_text(dir() / "huge.flac", flac);
    const tclirun r = run("/f100 huge.flac --summary");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_TRUE(has(r.err, "huge.flac is truncated: its header announces 1558264.78 s, the file "
                           "holds 2.20 s"))
        << r.err;
    EXPECT_GT(number_after(r.out, "\"huge.flac\": "), 0.9) << r.out;
}

TEST_F(CliResearch, AnEmptyPhonetogramComesWithItsReason) {
    // A tone without a lead-in of room noise: nothing to measure the background noise on.
    synthesize("tone.wav", "--seconds 1 --leadin 0 --tail 0 --noise-spl 0");
    const tclirun tone = run("/f100 tone.wav --summary");
    EXPECT_EQ(tone.status, 3) << tone.err;
    EXPECT_TRUE(has(tone.err, "warning: no background noise was measured in tone.wav"));
    EXPECT_TRUE(has(tone.err, "noise range of 25.0 to 50.0 dB SPL")) << tone.err;
    EXPECT_TRUE(has(tone.err, "/f")) << tone.err;
    EXPECT_TRUE(has(tone.err, "--set NoiseLo0=")) << tone.err;
    // Room noise far below one step of 16 bits is stored as digital silence.
    synthesize("silent_room.wav", "--seconds 1 --noise-spl -30");
    const tclirun silent = run("/f100 silent_room.wav --summary");
    EXPECT_EQ(silent.status, 3);
    EXPECT_TRUE(has(silent.err, "frames were digital silence")) << silent.err;
    EXPECT_TRUE(has(silent.err, "no voice was accepted in silent_room.wav")) << silent.err;
    // An 8-bit file: its quantisation noise hides the room and rejects the voice.
    synthesize("eight.wav", "--seconds 1 --coding pcm8");
    const tclirun eight = run("/f100 eight.wav");
    EXPECT_EQ(eight.status, 3);
    EXPECT_TRUE(has(eight.err, "eight.wav has 8-bit samples: at this full scale their "
                               "quantisation noise lies near 81.0 dB SPL"))
        << eight.err;
    EXPECT_TRUE(has(eight.err, "no voice was accepted in eight.wav: the phonetogram is empty. The "
                               "frames with sound were rejected for "))
        << eight.err;
    // A room louder than the noise range.
    synthesize("loud_room.wav", "--seconds 1 --noise-spl 60");
    const tclirun loudroom = run("/f100 loud_room.wav");
    EXPECT_EQ(loudroom.status, 3);
    EXPECT_TRUE(has(loudroom.err, "no background noise was measured in loud_room.wav"));
    EXPECT_TRUE(has(loudroom.err, "Its frames measured 5")) << loudroom.err;
    // The noise range moved to where the room is (-5 dB at a full scale of 1 Pa) finds it.
    synthesize("room.wav", "--seconds 1");
    const tclirun range = run("--set NoiseLo0=-20 --set NoiseHi0=10 room.wav --summary");
    EXPECT_FALSE(has(range.err, "no background noise")) << range.err;
    // Clipping is counted.
    synthesize("loud.wav", "--seconds 1 --spl 100 --fullscale-pa 2 --clip");
    const tclirun loud = run("/f2 loud.wav");
    EXPECT_EQ(loud.status, 3);
    EXPECT_TRUE(has(loud.err, "loud.wav is clipped: ")) << loud.err;
    EXPECT_TRUE(has(loud.err, "frames (")) << loud.err;
}

TEST_F(CliResearch, TheTimeCountsAgreeAndSayWhatTheyCount) {
    synthesize("voice.wav", "--seconds 2 --glide 150:300 --spl 70:90");
    const tclirun r = run("/f100 voice.wav --summary --stats --set SecondsFormat=0.000000 "
                          "--cells-csv cells.csv --summary-csv corpus.csv");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "Time counted: all the time"));
    EXPECT_TRUE(has(r.out, "Area statistics of the entire shown area"));
    EXPECT_TRUE(has(r.out, "display threshold of 0.04 s"));
    const double all = number_after(r.out, "\"voice.wav\": ");
    const double taken = number_after(r.out, "Time taken [s]\t");
    const ttable cells = read_table(dir() / "cells.csv");
    ASSERT_GT(cells.rows.size(), 20u);
    EXPECT_NEAR(cells.sum("time_all_s"), all, 0.0006);
    EXPECT_NEAR(cells.sum("time_all_s", "in_area"), taken, 1e-5);
    EXPECT_LT(taken, all);
    // Every shown cell lies inside the area; the cells below the threshold are hidden.
    for (const auto& row : cells.rows) {
        if (row.at("shown") == "1") EXPECT_EQ(row.at("in_area"), "1");
        if (std::atof(row.at("time_all_s").c_str()) <= 0.04 && row.at("in_area") == "0")
            EXPECT_EQ(row.at("shown"), "0");
        EXPECT_EQ(row.at("threshold_s"), "0.04");
    }
    const ttable corpus = read_table(dir() / "corpus.csv");
    ASSERT_EQ(corpus.rows.size(), 1u);
    EXPECT_NEAR(std::atof(corpus.rows[0].at("time_all_s").c_str()), all, 0.0006);
    EXPECT_NEAR(std::atof(corpus.rows[0].at("time_area_s").c_str()), taken, 1e-5);
    EXPECT_NEAR(std::atof(corpus.rows[0].at("time_shown_s").c_str()),
                cells.sum("time_all_s", "shown"), 1e-5);
}

TEST_F(CliResearch, StereoFilesSayWhichChannelWasAnalysed) {
    // The right channel carries the voice 20 dB lower.
    synthesize("stereo.wav", "--seconds 1 --crosstalk-db 20");
    const tclirun left = run("/f100 stereo.wav --summary --summary-csv rows.csv");
    EXPECT_EQ(left.status, 3);
    EXPECT_TRUE(has(left.err, "stereo.wav has 2 channels; only channel 0 was analysed"))
        << left.err;
    const tclirun right = run("--channel 1 /f100,100 stereo.wav --summary --summary-csv rows.csv");
    EXPECT_TRUE(has(right.err, "only channel 1 was analysed")) << right.err;
    const ttable rows = read_table(dir() / "rows.csv");
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(rows.rows[0].at("channel"), "0");
    EXPECT_EQ(rows.rows[1].at("channel"), "1");
    const auto mean_spl = [](const std::string& out) {
        const std::size_t at = out.find("  SPL ");
        return at == std::string::npos ? std::nan("")
                                       : number_after(out.substr(at), "time-weighted mean ");
    };
    EXPECT_NEAR(mean_spl(left.out) - mean_spl(right.out), 20, 2) << left.out << right.out;
    // The full scale of /f entry k belongs to file channel k.
    const tclirun uncal = run("--channel 1 /f100 stereo.wav");
    EXPECT_TRUE(has(uncal.err, "no full scale was given for stereo.wav")) << uncal.err;
    const tclirun none = run("--channel 2 /f100 stereo.wav /s");
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(has(none.err, "Cannot analyse channel 2 of stereo.wav: it has 2 channels"))
        << none.err;
    EXPECT_TRUE(results().empty());
}

TEST_F(CliResearch, CalibrationAndSwitchesDoNotFailSilently) {
    synthesize("voice.wav", "--seconds 1");
    const tclirun uncal = run("voice.wav");
    EXPECT_EQ(uncal.status, 3);
    EXPECT_TRUE(has(uncal.err, "no full scale was given for voice.wav (/f before the file, or "
                               "--reference START-END:LEVEL on a reference in it): its "
                               "levels are relative to a full scale of 1 Pa"))
        << uncal.err;
    for (const char* bad : {"/F14.1", "/S", "/x"}) {
        const tclirun r = run(std::string(bad) + " voice.wav");
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_TRUE(has(r.err, std::string("unknown switch ") + bad)) << r.err;
        EXPECT_TRUE(has(r.err, "Usage: gravon-cli")) << bad;
    }
    for (const char* bad : {"/f-5", "/f0", "/fnan"}) {
        const tclirun r = run(std::string(bad) + " voice.wav /s");
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_TRUE(has(r.err, "it must be a positive number of Pa") ||
                    has(r.err, "is not a valid floating point value"))
            << r.err;
    }
    EXPECT_TRUE(results().empty());
    // Options with bad values are usage errors too.
    for (const char* bad : {"--channel -1", "--channel", "--pg x", "--size 10", "--set Lofo",
                            "--set NoSuchKey=1", "--set LofoLimit=low", "--set UseDither=maybe"})
        EXPECT_EQ(run(std::string(bad) + " voice.wav").status, 2) << bad;
}

TEST_F(CliResearch, SettingsByKeyPassTheChecksOfASettingsFile) {
    synthesize("voice.wav", "--seconds 1");
    const auto minfo = [&](const std::string& args) {
        const tclirun r = run(args + " /f100 voice.wav --stats");
        EXPECT_EQ(r.status, 0) << args << ": " << r.err;
        return number_after(r.out, "Min fo [Hz]\t");
    };
    EXPECT_LT(minfo(""), 250);
    // Letter case of the key does not matter; the value is read as the file would hold it.
    EXPECT_GE(minfo("--set lofolimit=300"), 300);
    // Options too: the condensed statistics without the area row.
    const tclirun condensed = run("/f100 voice.wav --condensed");
    EXPECT_TRUE(has(condensed.out, "Area [STdB]")) << condensed.out;
    const tclirun noarea = run("--set ShowStatsArea=false /f100 voice.wav --condensed");
    EXPECT_EQ(noarea.status, 0) << noarea.err;
    EXPECT_FALSE(has(noarea.out, "Area [STdB]")) << noarea.out;
    // A value the advanced-settings reader refuses is refused the same way.
    const tclirun bad = run("--set FFTBandwidth=-5 /f100 voice.wav");
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(has(bad.err, "Some settings were not read: --set FFTBandwidth=-5")) << bad.err;
    EXPECT_TRUE(has(bad.err, "must be a positive number, not -5"));
}

TEST_F(CliResearch, AStoredPhonetogramIsASubjectOfEveryOutput) {
    synthesize("voice.wav", "--seconds 1");
    const tclirun first = run("/f100 voice.wav /s --summary --stats --cells-csv a.csv");
    ASSERT_EQ(first.status, 0) << first.err;
    const tclirun again = run("voice_pg.stdpg --summary --stats --cells-csv b.csv "
                              "--export-text b.txt --summary-csv s.csv");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NEAR(number_after(again.out, "\"voice_pg.stdpg\": "),
                number_after(first.out, "\"voice.wav\": "), 0.0006);
    EXPECT_EQ(number_after(again.out, "Area [STdB]\t"), number_after(first.out, "Area [STdB]\t"));
    const ttable a = read_table(dir() / "a.csv"), b = read_table(dir() / "b.csv");
    ASSERT_EQ(a.rows.size(), b.rows.size());
    EXPECT_EQ(b.rows[0].at("channel"), "2");
    EXPECT_TRUE(has(slurp(dir() / "b.txt"), "AccTime"));
    EXPECT_EQ(read_table(dir() / "s.csv").rows.size(), 1u);
    // A refused input writes nothing, in any output, whatever else the command line read.
    std::string header = slurp(dir() / "voice_pg.stdpg");
    header.replace(header.find("p1.bins=39.5,1,80"), 17, "p1.bins=39.5,2,80");
    gravon::testing::write_text(dir() / "refused_pg.stdpg", header);
    for (const char* args : {"/f100 missing.wav voice_pg.stdpg", "refused_pg.stdpg",
                             "voice_pg.stdpg refused_pg.stdpg"}) {
        const tclirun after =
            run(std::string(args) + " --summary --stats --cells-csv c.csv --summary-csv s.csv");
        EXPECT_EQ(after.status, 1) << args;
        EXPECT_EQ(after.out, "") << args;
        EXPECT_TRUE(has(after.err, "no output written")) << after.err;
        EXPECT_FALSE(fs::exists(dir() / "c.csv")) << args;
        EXPECT_EQ(read_table(dir() / "s.csv").rows.size(), 1u) << args;
    }
    EXPECT_TRUE(has(run("refused_pg.stdpg --summary").err, "Parameter 1 bin size not 1"));
    const tclirun missing = run("voice_pg.stdpg --pg 5 --summary");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(has(missing.err, "--pg 5: there are 3 phonetograms")) << missing.err;
}

TEST_F(CliResearch, TheSummaryTableGrowsOneRowPerRun) {
    synthesize("a.wav", "--seconds 1 --f0 150");
    synthesize("b.flac", "--seconds 1 --f0 300");
    for (const char* file : {"a.wav", "b.flac", "b.flac"})
        run(std::string("/f100 ") + file + " --summary-csv corpus.csv");
    run("b.flac --summary-csv corpus.csv");
    const ttable t = read_table(dir() / "corpus.csv");
    ASSERT_EQ(t.rows.size(), 4u);
    EXPECT_EQ(t.names.front(), "file");
    EXPECT_EQ(t.names.back(), "warnings");
    EXPECT_EQ(t.rows[0].at("file"), "a.wav");
    EXPECT_NEAR(std::atof(t.rows[0].at("area_f0_p50_hz").c_str()), 150, 10);
    EXPECT_NEAR(std::atof(t.rows[1].at("area_f0_p50_hz").c_str()), 300, 20);
    EXPECT_EQ(t.rows[1].at("calibration"), "Sound file is calibrated from command line");
    EXPECT_EQ(t.rows[1].at("warnings"), "");
    EXPECT_TRUE(has(t.rows[3].at("warnings"), "no full scale was given"));
    // Runs side by side share the table: one header, one whole row each.
    std::string cmd = "cd '" + dir().string() + "' || exit 1; ";
    for (int k = 0; k < 4; ++k)
        cmd += "'" GRAVON_CLI_PATH "' /f100 a.wav --summary-csv shared.csv 2>/dev/null & ";
    ASSERT_EQ(std::system((cmd + "wait").c_str()), 0);
    const ttable shared = read_table(dir() / "shared.csv");
    EXPECT_EQ(shared.rows.size(), 4u);
    EXPECT_EQ(shared.names.front(), "file");
    // A file with other columns is not appended to.
    gravon::testing::write_text(dir() / "other.csv", "a,b\n1,2\n");
    const tclirun other = run("/f100 a.wav --summary-csv other.csv");
    EXPECT_EQ(other.status, 1);
    EXPECT_TRUE(has(other.err, "other.csv: it holds a table with other columns")) << other.err;
    EXPECT_EQ(slurp(dir() / "other.csv"), "a,b\n1,2\n");
}

TEST_F(CliResearch, TheTextExportHoldsEveryCellWithTime) {
    // Louder than 120 dB, the top of the export dialog's default grid.
    synthesize("loud.wav", "--seconds 1 --f0 220 --spl 124 --fullscale-pa 200");
    const tclirun r = run("/f200 loud.wav --export-text pg.txt --summary");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(has(r.out, " 125 dB: ")) << r.out;
    const std::string text = slurp(dir() / "pg.txt");
    // The first table's rows start at the loudest cell, the columns still at MIDI 24.
    EXPECT_EQ(text.rfind("---------\r\nSolidColor\r\ndB\\MIDI\t24\t", 0), 0u)
        << text.substr(0, 100);
    EXPECT_TRUE(has(text, "\t95\t\r\n125.0\t")) << text.substr(0, 600);
}

TEST_F(CliResearch, UsageAndThePictureOption) {
    const tclirun none = run("");
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(has(none.err, "Usage: gravon-cli"));
    for (const char* help : {"-h", "--help"}) {
        const tclirun h = run(help);
        EXPECT_EQ(h.status, 0);
        EXPECT_TRUE(has(h.out, "Usage: gravon-cli")) << help;
        EXPECT_TRUE(has(h.out, "Exit status: 0"));
    }
    // The name and version, in the form saved files record them; nothing is analysed.
    const tclirun version = run("--version /f100 missing.wav");
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_TRUE(std::regex_match(version.out, std::regex("Gravon [0-9][0-9.]*\n"))) << version.out;
    synthesize("voice.wav", "--seconds 1");
    const tclirun png = run("/f100 voice.wav --png pg.png --size 640x480");
    EXPECT_NE(png.status, 1) << png.err;
    // A PNG of the size asked for: the signature, then the width and height of its header.
    const std::string p = slurp(dir() / "pg.png");
    ASSERT_GT(p.size(), 24u);
    EXPECT_EQ(p.substr(1, 3), "PNG");
    const auto be32 = [&](std::size_t at) {
        return (std::uint32_t(std::uint8_t(p[at])) << 24) |
               (std::uint32_t(std::uint8_t(p[at + 1])) << 16) |
               (std::uint32_t(std::uint8_t(p[at + 2])) << 8) | std::uint8_t(p[at + 3]);
    };
    EXPECT_EQ(be32(16), 640u);
    EXPECT_EQ(be32(20), 480u);
    const tclirun nowhere = run("/f100 voice.wav --png /proc/no/such/pg.png");
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_TRUE(has(nowhere.err, "--png /proc/no/such/pg.png")) << nowhere.err;
}

} // namespace
