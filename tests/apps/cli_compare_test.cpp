// The change since a baseline as the headless program reports it, against the area statistics
// of the two sessions run one by one.
#include "cli_process.h"

#include <gtest/gtest.h>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;
using gravon::testing::slurp;
using tresult = gravon::testing::tclirun;

// The value column col (1 the first) of the row whose label is label.
std::string cell(const std::string& table, const std::string& label, int col = 1) {
    std::size_t at = table.find("\n" + label + "\t");
    if (at == std::string::npos) return "";
    at += label.size() + 2;
    for (int c = 1; c < col; ++c) at = table.find('\t', at) + 1;
    return table.substr(at, table.find('\t', at) - at);
}

class CliCompare : public gravon::testing::tclitest {
  protected:
    void SetUp() override {
        // Before therapy: G3 to C4, 70 to 80 dB. After: F3 to E4, 66 to 86 dB.
        synthesize("before.wav", "--glide 196:262 --spl 70:80");
        synthesize("after.wav", "--glide 175:330 --spl 66:86");
        const tresult saved = run("/f100 before.wav /s");
        ASSERT_EQ(saved.status, 0) << saved.err;
    }
};

TEST_F(CliCompare, ReportsTheKnownChangesAndTheyAreTheTwoStatisticsSubtracted) {
    const tresult before = run("before_pg.stdpg --stats");
    const tresult after = run("/f100 after.wav --stats");
    const tresult cmp = run("/f100 after.wav --baseline before_pg.stdpg --compare");
    ASSERT_EQ(before.status, 0) << before.err;
    ASSERT_EQ(after.status, 0) << after.err;
    ASSERT_EQ(cmp.status, 0) << cmp.err;
    ASSERT_NE(cmp.out.find("Change since the baseline"), std::string::npos) << cmp.out;
    // Each by its date (no session record was given) and its name.
    EXPECT_TRUE(std::regex_search(cmp.out, std::regex(R"(\nBaseline: \d{4}-\d\d-\d\d \d\d:\d\d )"
                                                      R"(\(before_pg\.stdpg\)\nCurrent: \d{4}-)"
                                                      R"(\d\d-\d\d \d\d:\d\d \(after\.wav\)\n)")))
        << cmp.out;

    for (const char* label :
         {"Area [STdB]", "fo range [ST]", "Min SPL [dB]", "Max SPL [dB]", "Leq [dB]"}) {
        const std::string b = cell(before.out, label), a = cell(after.out, label);
        ASSERT_FALSE(b.empty() || a.empty()) << label;
        EXPECT_EQ(cell(cmp.out, label, 1), b) << label;
        EXPECT_EQ(cell(cmp.out, label, 2), a) << label;
        EXPECT_NEAR(std::stod(cell(cmp.out, label, 3)), std::stod(a) - std::stod(b), 1e-9)
            << label << "\n"
            << cmp.out;
    }
    // What the synthesizer was told: two semitones lower, four higher; the level range
    // 4 dB lower and 6 dB higher, within the dB of a cell.
    EXPECT_EQ(cell(cmp.out, "Min fo", 3), "-2 ST") << cmp.out;
    EXPECT_EQ(cell(cmp.out, "Max fo", 3), "+4 ST") << cmp.out;
    EXPECT_NEAR(std::stod(cell(cmp.out, "Min SPL [dB]", 3)), -4, 1);
    EXPECT_NEAR(std::stod(cell(cmp.out, "Max SPL [dB]", 3)), 6, 1);
    EXPECT_TRUE(std::regex_search(cmp.out, std::regex("\nSemitones both reach\t[1-9][0-9]*\t")))
        << cmp.out;
}

TEST_F(CliCompare, TheReportCarriesTheTableOfChanges) {
    const tresult cmp = run("/f100 after.wav --baseline before_pg.stdpg --compare");
    const tresult r = run("/f100 after.wav --baseline before_pg.stdpg --report r.pdf");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string txt = (dir() / "r.txt").string();
    // In reading order: the table of changes stands beside the statistics on the page.
    ASSERT_EQ(
        std::system(("pdftotext -raw '" + (dir() / "r.pdf").string() + "' '" + txt + "'").c_str()),
        0);
    const std::string text = slurp(txt);
    EXPECT_NE(text.find("Change since the baseline"), std::string::npos) << text;
    for (const char* label : {"Area [STdB]", "Leq [dB]", "Min SPL [dB]"}) {
        const std::string pattern =
            std::regex_replace(std::string(label), std::regex(R"([\[\]])"), R"(\$&)") + " " +
            cell(cmp.out, label, 1) + " " + cell(cmp.out, label, 2) + " \\" +
            cell(cmp.out, label, 3) + "\n";
        EXPECT_TRUE(std::regex_search(text, std::regex(pattern))) << pattern << "\n" << text;
    }
}

TEST_F(CliCompare, ADifferenceViewPictureAndTheErrorsOfAComparisonWithNothing) {
    const tresult png = run("/f100 after.wav --baseline before_pg.stdpg --difference-view --png "
                            "d.png");
    EXPECT_EQ(png.status, 0) << png.err;
    EXPECT_TRUE(fs::file_size(dir() / "d.png") > 0);

    const tresult usage = run("/f100 after.wav --compare");
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("--compare needs --baseline"), std::string::npos) << usage.err;

    const tresult missing = run("/f100 after.wav --baseline gone.stdpg --compare");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("gone.stdpg"), std::string::npos) << missing.err;

    // Another patient's baseline is not compared: nobody is there to say it should be.
    ASSERT_EQ(run("/f100 before.wav --session patient=P-1 /s").status, 0);
    const tresult other =
        run("/f100 after.wav --session patient=P-2 --baseline before_pg.stdpg --compare");
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("error: --baseline before_pg.stdpg: before_pg.stdpg is of patient "
                             "P-1, the current phonetogram (after.wav) of patient P-2. Sessions "
                             "of two patients are not compared.\n"),
              std::string::npos)
        << other.err;
    EXPECT_EQ(other.out.find("Change since"), std::string::npos) << other.out;

    // A baseline alone has nothing to be compared with.
    const tresult alone = run("--baseline before_pg.stdpg --compare");
    EXPECT_EQ(alone.status, 1);
    EXPECT_NE(alone.err.find("nothing to be compared with"), std::string::npos) << alone.err;
    EXPECT_EQ(alone.out.find("Change since"), std::string::npos) << alone.out;
}

} // namespace
