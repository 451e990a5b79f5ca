// gravon-cli --contour-csv on a synthesized take whose softest and loudest level at each
// semitone are known.
#include "cli_process.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

using gravon::testing::slurp;
using gravon::testing::tclirun;

class CliContour : public gravon::testing::tclitest {};

TEST_F(CliContour, TheSoftestAndLoudestLevelOfEachSemitone) {
    // At each of five semitones a soft and a loud phrase of 0.8 s, halfway between two rows,
    // so that each phrase fills those two rows alike; the loud one climbs twice as fast.
    std::ostringstream points, expected;
    expected << "channel,midi,note,f0_hz,spl_min_db,spl_max_db\n";
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

} // namespace
