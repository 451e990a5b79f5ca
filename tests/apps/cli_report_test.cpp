// The report as the headless program writes it, read back the way anyone can: its text with
// pdftotext, its pages with pdfinfo.
#include "cli_process.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using gravon::testing::slurp;
using tresult = gravon::testing::tclirun;

class CliReport : public gravon::testing::tclitest {
  protected:
    // The text of a PDF as pdftotext lays it out.
    std::string pdf_text(const std::string& pdf) {
        const fs::path txt = dir() / (pdf + ".txt");
        const std::string cmd =
            "pdftotext -layout '" + (dir() / pdf).string() + "' '" + txt.string() + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << "pdftotext (poppler-utils) reads " << pdf;
        return slurp(txt);
    }
    std::string pdf_info(const std::string& pdf) {
        const fs::path txt = dir() / (pdf + ".info");
        const std::string cmd = "pdfinfo '" + (dir() / pdf).string() + "' >'" + txt.string() + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        return slurp(txt);
    }
};

// The value --stats prints in a row.
std::string stats_value(const std::string& stats, const std::string& label) {
    const std::size_t at = stats.find("\n" + label + "\t");
    if (at == std::string::npos) return "";
    const std::size_t from = at + label.size() + 2;
    return stats.substr(from, stats.find('\t', from) - from);
}

TEST_F(CliReport, OneA4PageWithTheNameAndTheStatisticsAsStatsPrintsThem) {
    synthesize("take.wav", "--glide 196:294 --spl 70:88");
    const tresult stats = run("/f100 take.wav --stats");
    ASSERT_EQ(stats.status, 0) << stats.err;
    const tresult r = run("/f100 take.wav --session name=Test --report r.pdf");
    ASSERT_EQ(r.status, 0) << r.err;

    const std::string info = pdf_info("r.pdf");
    EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;

    const std::string text = pdf_text("r.pdf");
    EXPECT_NE(text.find("Voice range profile"), std::string::npos) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("Name: +Test\\b"))) << text;
    for (const char* label : {"Area [STdB]", "fo range [ST]", "SPL range [dB]", "Min SPL [dB]",
                              "Max SPL [dB]", "Leq [dB]"}) {
        const std::string value = stats_value(stats.out, label);
        ASSERT_FALSE(value.empty()) << label << " in\n" << stats.out;
        std::string pattern = label;
        pattern = std::regex_replace(pattern, std::regex(R"([\[\]])"), R"(\$&)");
        EXPECT_TRUE(std::regex_search(text, std::regex(pattern + " +" + value + "( |\n)")))
            << label << " " << value << " in\n"
            << text;
    }
    // Calibrated from the command line: no warning beside the levels.
    EXPECT_EQ(text.find("Not calibrated"), std::string::npos);
    EXPECT_NE(text.find("take.wav: Wav file is calibrated from command line"), std::string::npos);
}

TEST_F(CliReport, SessionTravelsInTheSavedFilesToTheirReports) {
    synthesize("voice.wav", "--seconds 2");
    const tresult saved = run("/f100 voice.wav --session 'name=Zoë Łukasińska' --session "
                              "patient=P-17 --session 'task=Speech profile' /s");
    ASSERT_EQ(saved.status, 0) << saved.err;
    ASSERT_TRUE(fs::exists(dir() / "voice_pg.stdpg"));
    ASSERT_TRUE(fs::exists(dir() / "voice_an.smp"));

    // The stored phonetogram speaks for itself; the SMP file's record comes with its analysis.
    const tresult pg = run("voice_pg.stdpg --report pg.pdf");
    ASSERT_EQ(pg.status, 0) << pg.err;
    const tresult smp = run("voice_an.smp --report smp.pdf");
    ASSERT_LE(smp.status, 3) << smp.err;
    ASSERT_NE(smp.status, 1) << smp.err;
    for (const char* pdf : {"pg.pdf", "smp.pdf"}) {
        const std::string text = pdf_text(pdf);
        EXPECT_NE(text.find("Zoë Łukasińska"), std::string::npos) << pdf << "\n" << text;
        EXPECT_TRUE(std::regex_search(text, std::regex("Patient ID: +P-17"))) << pdf;
        EXPECT_NE(text.find("Speech profile"), std::string::npos) << pdf;
    }
}

TEST_F(CliReport, UncalibratedLevelsAreSaidSoBesideThem) {
    synthesize("voice.wav", "--seconds 2");
    const tresult r = run("voice.wav --report u.pdf");
    ASSERT_NE(r.status, 1) << r.err;
    const std::string text = pdf_text("u.pdf");
    EXPECT_NE(text.find("Not calibrated: voice.wav has no calibration"), std::string::npos) << text;
}

TEST_F(CliReport, UnknownSessionKeyIsAUsageError) {
    const tresult r = run("--session age=40 --report r.pdf");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--session needs KEY=VALUE with KEY one of patient, name"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(dir() / "r.pdf"));
}

} // namespace
