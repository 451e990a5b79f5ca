// gravon-cli on a take recorded with its reference (a 94 dB tone, then a phonation in a quiet
// room).
#include "cli_process.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "support/block_phonetogram.h"
#include "support/reference_take.h"

#include <regex>

using namespace gravon;
using gravon::testing::tclirun;
namespace fs = std::filesystem;

namespace {

class CliReferenceTake : public gravon::testing::tclitest {
  protected:
    void SetUp() override {
        gravon::testing::write_reference_take((dir() / "take.wav").string(), {});
    }
    static bool has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
    // The value of a statistics row ("Max SPL [dB]\t72\t...").
    static double row_value(const std::string& out, const std::string& label) {
        std::smatch m;
        if (!std::regex_search(out, m, std::regex("\n" + label + "\t([-0-9.]+)"))) return -1e9;
        return std::stod(m[1]);
    }
};

TEST_F(CliReferenceTake, TheReferenceIsRejectedInTheTracksAndNeverBinned) {
    // The tone fills 0 to 3 s, of which the stretch marks the middle: its ends, too, are no
    // voice. The phonation at 72 dB SPL follows a second of the room.
    const tclirun r = run("take.wav --reference 0.6-2.4:94 --stats --tracks tracks.csv");
    ASSERT_TRUE(r.status == 0 || r.status == 3) << r.err;
    EXPECT_LT(row_value(r.out, "Max SPL \\[dB\\]"), 80) << r.out;
    EXPECT_GT(row_value(r.out, "Max SPL \\[dB\\]"), 65) << r.out;
    EXPECT_LT(row_value(r.out, "Leq \\[dB\\]"), 80) << r.out;
    std::ifstream in(dir() / "tracks.csv");
    int reference = 0;
    for (std::string row; std::getline(in, row);)
        if (has(row, "reference")) {
            ++reference;
            EXPECT_LT(std::stod(row), 3.1) << row;
        }
    EXPECT_GT(reference, 140);
}

TEST_F(CliReferenceTake, OwnFilesReopenWithoutNotesAndWithTheRecordedTime) {
    const tclirun made = run("/f20 take.wav /s --stats");
    ASSERT_EQ(made.status, 0) << made.err;
    const double recorded = row_value(made.out, "Time recorded \\[s\\]");
    // 6.2 s of file: not a whole number of seconds.
    EXPECT_NEAR(recorded, 6.2, 0.05);

    // The analysis file holds the audio, peak-normalised, and the program's own tracks.
    const tclirun again = run("take_an.smp --stats");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_FALSE(has(again.err, "channels")) << again.err;
    EXPECT_FALSE(has(again.err, "clipped")) << again.err;

    // The stored phonetogram gives the time the take gave, to the tenth.
    const tclirun stored = run("take_pg.stdpg --pg 2 --stats");
    ASSERT_EQ(stored.status, 0) << stored.err;
    EXPECT_DOUBLE_EQ(row_value(stored.out, "Time recorded \\[s\\]"), recorded) << stored.out;
}

TEST_F(CliReferenceTake, BadReferencesAndSwitchesAreRefusedInOneLine) {
    // A room loud enough to be no digital silence at the take's full scale.
    gravon::testing::write_reference_take((dir() / "room.wav").string(), {.noisespl = 55});
    for (auto [name, x0] : {std::pair{"a.stdpg", 50}, {"b.stdpg", 55}}) {
        TSMPfile file;
        write_stdpg(file, (dir() / name).string(), gravon::testing::block_pg(x0, x0 + 9, 60, 69),
                    {});
    }
    struct tcase {
        const char* args;
        int status;
        const char* says;
    };
    for (const tcase& c : {
             // Reversed, not a number: the value is named, no usage.
             tcase{"take.wav --reference 3-1:94", 1,
                   "--reference: the reference 3-1:94 is reversed"},
             tcase{"take.wav --reference 0.5-2.5:nan", 1, "the level \"nan\", which is not a"},
             // The room's noise alone, and a stretch half tone and half room, are no reference.
             tcase{"room.wav --reference 3.1-3.9:94", 1,
                   "holds no steady tone or vowel well above the background noise: it is not "
                   "periodic enough"},
             tcase{"take.wav --reference 2-4:94", 1, "its level varies by"},
             // Of another form: the usage.
             tcase{"take.wav --reference 0.5-2.5", 2, "Usage: gravon-cli"},
             // A held vowel read on a meter is a reference, and then no voice of the take.
             tcase{"take.wav --reference 4.2-5.8:72", 3,
                   "reference (a reference tone or vowel, not the voice): "},
             // A switch ends the members, as it ends any list of files.
             tcase{"--reference-group g.stdpg a.stdpg b.stdpg /c", 0, ""},
             tcase{"--reference-group g.stdpg a.stdpg b.stdpg /x", 2, "unknown switch /x"},
         }) {
        const tclirun r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_TRUE(has(r.err, c.says)) << c.args << "\n" << r.err;
        if (c.status == 1) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << "\n" << r.err;
            EXPECT_FALSE(has(r.err, "Usage")) << c.args;
        }
    }
    EXPECT_TRUE(fs::exists(dir() / "g.stdpg"));
}

} // namespace
