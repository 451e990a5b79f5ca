// gravon-cli --contour-csv on a synthesized take whose softest and loudest level at each
// semitone are known, and the report of a speech take.
#include "base/prog_id.h"
#include "cli_process.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

using gravon::testing::slurp;
using gravon::testing::tclirun;

class CliProfile : public gravon::testing::tclitest {};

TEST_F(CliProfile, TheSoftestAndLoudestLevelOfEachSemitone) {
    // At each of five semitones a soft and a loud phrase of 0.8 s, halfway between two rows,
    // so that each phrase fills those two rows alike; the loud one climbs twice as fast.
    std::ostringstream points, expected;
    // After the lines that say which program made the table, and with what.
    expected << "# " << gravon::TProgId{}.processing_stamp() << "\n"
             << "# settings differing from the defaults: Display/TimeThreshold=0.25\n"
             << "channel,midi,note,f0_hz,spl_min_db,spl_max_db\n";
    const char* notes[] = {"G3", "Ab3", "A3", "Bb3", "B3"};
    const char* hz[] = {"195.997718", "207.652349", "220", "233.081881", "246.941651"};
    for (int k = 0; k < 5; ++k) {
        const double t = 0.2 + 2.0 * k;
        const int soft = 60 + k, loud = 80 + 2 * k;
        points << (k ? ";" : "") << t << ":" << 55 + k << ":" << soft + 0.5 << "," << t + 0.8 << ":"
               << 55 + k << ":" << soft + 0.5 << ";" << t + 1.0 << ":" << 55 + k << ":"
               << loud + 0.5 << "," << t + 1.8 << ":" << 55 + k << ":" << loud + 0.5;
        expected << "0," << 55 + k << "," << notes[k] << "," << hz[k] << "," << soft << ","
                 << loud + 1 << "\n";
    }
    synthesize("steps.wav", "--vibrato off --points '" + points.str() + "'");
    // A threshold above the onsets' and offsets' stray frames keeps the two rows of each phrase.
    const std::string threshold = "--set TimeThreshold=0.25 ";
    const tclirun r = run(threshold + "/f100 steps.wav /s --contour-csv contour.csv");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir() / "contour.csv"), expected.str());

    // The stored phonetogram gives the same contour, as the loaded phonetogram it is.
    const tclirun stored = run(threshold + "steps_pg.stdpg --contour-csv stored.csv");
    ASSERT_EQ(stored.status, 0) << stored.err;
    std::string again = expected.str();
    for (std::size_t at = again.find("\n0,"); at != std::string::npos; at = again.find("\n0,", at))
        again[++at] = '2';
    EXPECT_EQ(slurp(dir() / "stored.csv"), again);

    // A file that cannot be written (its folder is a file) is an error naming it; the other
    // outputs are made.
    const tclirun bad =
        run(threshold + "/f100 steps.wav --contour-csv steps.wav/c.csv --cells-csv cells.csv");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.err.find("--contour-csv steps.wav/c.csv: "), std::string::npos) << bad.err;
    EXPECT_TRUE(std::filesystem::exists(dir() / "cells.csv"));
}

// The number after the last label in text: the speech block is the last one of the page,
// below the area statistics, whose Leq row pdftotext may lay out on the block's lines.
double number_after(const std::string& text, const std::string& label) {
    const std::size_t at = text.rfind(label);
    return at == std::string::npos ? -1 : std::atof(text.c_str() + at + label.size());
}

TEST_F(CliProfile, TheReportOfASpeechTakeGivesItsPercentilesRangeAndLeq) {
    // Half the time at A3 and 65 dB, half at C4 and 75 dB: a passage read on two notes.
    synthesize("read.wav",
               "--vibrato off --points '0.2:57:65.5,1.2:57:65.5;1.4:60:75.5,2.4:60:75.5'");
    const tclirun r = run("/f100 read.wav --session task=Speech --report read.pdf");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string pdf = dir() / "read.pdf", txt = dir() / "read.txt";
    ASSERT_EQ(std::system(("pdftotext -layout '" + pdf + "' '" + txt + "'").c_str()), 0);
    const std::string text = slurp(txt);
    const std::string block = "Speech profile read.wav (all its time)";
    ASSERT_NE(text.find(block), std::string::npos) << text;
    // The 5th percentile in the lower note's bin, the 95th in the upper one's, the median
    // between them; Leq the energy mean of 65.5 and 75.5 dB.
    const double p5 = number_after(text, "fo 5% [Hz]"), p50 = number_after(text, "fo 50% [Hz]"),
                 p95 = number_after(text, "fo 95% [Hz]");
    EXPECT_GT(p5, 213.8);
    EXPECT_LT(p5, 226.4);
    EXPECT_GT(p50, p5);
    EXPECT_LT(p50, p95);
    EXPECT_GT(p95, 254.2);
    EXPECT_LT(p95, 269.3);
    EXPECT_NEAR(number_after(text, "fo range 5-95% [ST]"), 12 * std::log2(p95 / p5), 0.06);
    EXPECT_NEAR(number_after(text, "SPL 50% [dB]"), 70.5, 5.1);
    EXPECT_NEAR(number_after(text, "Leq [dB]"),
                10 * std::log10((std::pow(10, 6.55) + std::pow(10, 7.55)) / 2), 0.3);
}

} // namespace
