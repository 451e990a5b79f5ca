// The calibration of a sound file made elsewhere: a full scale typed in when the file is
// analysed, or one measured from a reference recorded in it; kept for the file.
#include "analysis/analysis_tracks.h"
#include "core/test_form.h"
#include "phonetogram/pg_param.h"
#include "support/reference_take.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace gravon {
namespace {

namespace fs = std::filesystem;
using testing::treferencetake;

// Answers the full-scale question with the values it is given.
class tfullscaleinterface : public testing::trecordinginterface {
  public:
    std::vector<std::string> answer;
    bool cancel = false;
    std::vector<tfullscalequestion> asked;
    bool ask_full_scale(tfullscalequestion& q) override {
        asked.push_back(q);
        if (cancel) return false;
        q.values = answer;
        return true;
    }
};

struct tform {
    testing::ttempconfig config;
    tfullscaleinterface ui;
    TForm1 form{ui};
    tform() { form.FormActivate({}); }
    std::string path(const std::string& name) { return (config.root / "files" / name).string(); }
};

// The mean level the analysis gave the frames of the phonetogram's middle, where the
// phonation of a reference take lies.
double voice_level(const TForm1& f, const treferencetake& t) {
    const double total = t.toneseconds + t.noiseseconds + t.voiceseconds + 0.2;
    const std::int32_t n = f.frames();
    double sum = 0;
    int count = 0;
    for (std::int32_t k = 0; k < n; ++k) {
        const double time = total * k / n;
        const double voice = t.toneseconds + t.noiseseconds;
        if (time < voice + 0.3 || time > voice + t.voiceseconds - 0.3) continue;
        sum += f.paramarr[trackspl][0][std::size_t(k)];
        ++count;
    }
    return count ? sum / count : -1e9;
}

std::string slurp(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The header items of a phonetogram file but its calibration text, which says how the
// calibration was made, and its date; then its cells, after the header of 1024 bytes.
// The save time is left out: two saves may fall on either side of a second.
std::pair<std::vector<std::string>, std::string>
without_calibration(const std::string& file, bool keep_calibration = false) {
    std::vector<std::string> items;
    std::istringstream header(file.substr(0, std::min<std::size_t>(file.size(), 1024)));
    std::string line;
    while (std::getline(header, line) && line != "=\r")
        if ((keep_calibration || !line.starts_with("calib=")) && !line.starts_with("date="))
            items.push_back(line);
    return {items, file.size() > 1024 ? file.substr(1024) : std::string()};
}

TEST(FileCalibration, AReferenceGivesThePhonationItsLevel) {
    // The level the phonation gets with its true full scale is what a reference must give.
    struct tcase {
        double hz;
        bool aweighted;
        double tolerance;
    };
    for (const tcase& c :
         {tcase{1000, false, 0.1}, tcase{1000, true, 0.1}, tcase{250, true, 0.2}}) {
        tform t;
        t.form.batchmode = true;
        treferencetake take;
        take.tonehz = c.hz;
        const std::string wav = t.path("take.wav");
        testing::write_reference_take(wav, take);
        t.form.execute_command_line({"/f20", wav});
        const double truth = voice_level(t.form, take);
        ASSERT_NEAR(truth, take.voicespl, 1.0);

        const double reading = take.tonespl + (c.aweighted ? testing::a_weighting_db(c.hz) : 0.0);
        // /f is replaced by the reference.
        t.form.commandlinereference = treference{0.5, 2.5, reading, c.aweighted, 0.3};
        t.form.execute_command_line({"/f1", wav});
        EXPECT_NEAR(voice_level(t.form, take), truth, c.tolerance) << c.hz << " " << c.aweighted;
        const tpg& pg = t.form.pgs[0];
        EXPECT_EQ(pg.calstatus, 3);
        EXPECT_TRUE(pg.calibstr.starts_with("Calibrated from a reference of " +
                                            std::string(c.aweighted && c.hz == 250 ? "85.3 dB(A)"
                                                        : c.aweighted              ? "94.0 dB(A)"
                                                                      : "94.0 dB SPL") +
                                            " at 300 mm, 0.500-2.500 s of channel 0, full scale "))
            << pg.calibstr;
        EXPECT_NE(pg.calibstr.find(" Pa, signed by "), std::string::npos) << pg.calibstr;
        EXPECT_DOUBLE_EQ(pg.distance, 0.3);
        EXPECT_TRUE(t.form.channel_calibration(0).calibrated);
        EXPECT_EQ(t.form.channel_calibration(0).text, "Soundfile calibration: " + pg.calibstr);
        EXPECT_TRUE(t.ui.messages.empty());
    }
}

TEST(FileCalibration, AReferenceThatDoesNotFitChangesNothing) {
    tform t;
    treferencetake take;
    const std::string wav = t.path("take.wav");
    testing::write_reference_take(wav, take);
    t.form.open_any_file(wav);
    const tpg before = t.form.pgs[0];
    const std::string store = t.form.file_calibrations_filename();
    ASSERT_TRUE(t.form.reference_calibration_possible());
    EXPECT_FALSE(t.form.channel_calibration(0).calibrated);
    struct tbad {
        treference ref;
        const char* why;
    };
    for (const tbad& b : {tbad{{5.0, 7.0, 94}, "is outside"}, tbad{{4.5, 5.5, 94}, "clips"},
                          tbad{{0.5, 2.5, 20}, "outside the levels"},
                          tbad{{0.5, 2.5, 150}, "outside the levels"}}) {
        if (std::string(b.why) == "clips") {
            // The phonation overloaded: a take of its own.
            treferencetake loud = take;
            loud.voicespl = 125;
            testing::write_reference_take(t.path("loud.wav"), loud);
            t.form.open_any_file(t.path("loud.wav"));
        }
        const tpg shown = t.form.pgs[0];
        t.ui.messages.clear();
        EXPECT_FALSE(t.form.calibrate_from_reference(b.ref, "Ann"));
        ASSERT_EQ(t.ui.messages.size(), 1u);
        EXPECT_EQ(t.ui.messages[0].caption, "Cannot calibrate from the reference");
        EXPECT_NE(t.ui.messages[0].text.find(b.why), std::string::npos) << t.ui.messages[0].text;
        EXPECT_EQ(t.form.pgs[0].calibstr, shown.calibstr);
        EXPECT_EQ(t.form.pgs[0].param[pglayeracctime].arr.cells,
                  shown.param[pglayeracctime].arr.cells);
        EXPECT_FALSE(fs::exists(store));
    }
    // A silent stretch: a take whose tone is digital silence.
    treferencetake silent = take;
    silent.tonespl = -200;
    testing::write_reference_take(t.path("silent.wav"), silent);
    t.form.open_any_file(t.path("silent.wav"));
    t.ui.messages.clear();
    EXPECT_FALSE(t.form.calibrate_from_reference({0.5, 2.5, 94}, "Ann"));
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(t.ui.messages[0].text.find("is silent"), std::string::npos);
    EXPECT_EQ(t.form.pgs[0].calibstr, "Wav file is possibly not calibrated");
    EXPECT_FALSE(fs::exists(store));
}

TEST(FileCalibration, AReferenceIsKeptForTheFileAndAppliedWhenItIsOpenedAgain) {
    tform t;
    treferencetake take;
    const std::string wav = t.path("take.wav");
    testing::write_reference_take(wav, take);
    t.form.open_any_file(wav);
    t.ui.messages.clear();
    ASSERT_TRUE(t.form.calibrate_from_reference({0.5, 2.5, 94, false, -1}, "Ann Other"));
    // The file was analysed again without a question about the uncalibrated analysis.
    EXPECT_TRUE(t.ui.questions.empty());
    const std::string text = t.form.pgs[0].calibstr;
    EXPECT_NE(text.find("signed by Ann Other "), std::string::npos) << text;
    const double level = voice_level(t.form, take);
    EXPECT_NEAR(level, take.voicespl, 1.0);
    EXPECT_TRUE(t.form.channel_calibration(0).calibrated);

    // Another window, another day: the file opens calibrated.
    const fs::path store = t.form.file_calibrations_filename();
    tform later;
    const fs::path kept = later.form.file_calibrations_filename();
    ASSERT_NE(kept, store);
    fs::create_directories(kept.parent_path());
    fs::copy_file(store, kept);
    later.form.open_any_file(wav);
    EXPECT_EQ(later.form.pgs[0].calibstr, text);
    EXPECT_EQ(later.form.pgs[0].calstatus, 3);
    EXPECT_DOUBLE_EQ(voice_level(later.form, take), level);
    // A batch run is a function of its command line: it does not apply what the window kept.
    later.form.batchmode = true;
    later.form.open_any_file(wav);
    EXPECT_EQ(later.form.pgs[0].calibstr, "Wav file is possibly not calibrated");
}

TEST(FileCalibration, AFullScaleTypedInEqualsSlashFAndIsAppliedAgain) {
    tform t;
    treferencetake take;
    const std::string wav = t.path("take.wav");
    testing::write_reference_take(wav, take);

    // Cancelling the question analyses nothing.
    t.ui.cancel = true;
    t.form.opensoundfileactionExecute(wav);
    EXPECT_FALSE(t.form.analysisisfromsoundfile());
    t.ui.cancel = false;

    // A typing error changes nothing either.
    t.ui.answer = {"20x"};
    t.form.opensoundfileactionExecute(wav);
    EXPECT_FALSE(t.form.analysisisfromsoundfile());
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(t.ui.messages[0].text.find("'20x' is not a valid full scale for channel 0"),
              std::string::npos);

    t.ui.answer = {"20"};
    t.form.opensoundfileactionExecute(wav);
    ASSERT_EQ(t.ui.asked.size(), 3u);
    EXPECT_EQ(t.ui.asked[2].values, std::vector<std::string>{""});
    EXPECT_TRUE(t.ui.asked[2].headercalibration.empty());
    EXPECT_EQ(t.form.pgs[0].calibstr,
              "Wav file is calibrated by the user with a full scale of 20 Pa");
    EXPECT_EQ(t.form.pgs[0].calstatus, 2);
    ASSERT_TRUE(t.form.save_stdpg(t.path("window.stdpg"), 0));

    {
        // A window of its own points the settings folder elsewhere until it goes.
        tform cli;
        cli.form.batchmode = true;
        cli.form.execute_command_line({"/f20", wav});
        ASSERT_TRUE(cli.form.save_stdpg(t.path("cli.stdpg"), 0));
    }
    EXPECT_EQ(without_calibration(slurp(t.path("window.stdpg"))),
              without_calibration(slurp(t.path("cli.stdpg"))));

    // Opened again, by any way: the same value, and the dialog shows it with its text.
    t.form.open_any_file(wav);
    EXPECT_EQ(t.form.pgs[0].calibstr,
              "Wav file is calibrated by the user with a full scale of 20 Pa");
    ASSERT_TRUE(t.form.save_stdpg(t.path("again.stdpg"), 0));
    EXPECT_EQ(without_calibration(slurp(t.path("again.stdpg")), true),
              without_calibration(slurp(t.path("window.stdpg")), true));
    t.ui.answer = {"20"};
    t.form.opensoundfileactionExecute(wav);
    EXPECT_EQ(t.ui.asked.back().values, std::vector<std::string>{"20"});
    EXPECT_EQ(t.ui.asked.back().texts[0],
              "Wav file is calibrated by the user with a full scale of 20 Pa");

    // An emptied field forgets it.
    t.ui.answer = {""};
    t.form.opensoundfileactionExecute(wav);
    EXPECT_EQ(t.form.pgs[0].calibstr, "Wav file is possibly not calibrated");
    t.form.open_any_file(wav);
    EXPECT_EQ(t.form.pgs[0].calibstr, "Wav file is possibly not calibrated");
}

TEST(FileCalibration, AFileWithItsOwnCalibrationKeepsItAndTheDialogShowsIt) {
    tform t;
    treferencetake take;
    const std::string wav = t.path("take.wav");
    testing::write_reference_take(wav, take);
    t.form.execute_command_line({"/f20", wav});
    const std::string smp = t.path("take_an.smp");
    ASSERT_TRUE(t.form.save_smp(smp));
    t.ui.answer = {"5"};
    t.form.opensoundfileactionExecute(smp);
    ASSERT_EQ(t.ui.asked.size(), 1u);
    EXPECT_EQ(t.ui.asked[0].headercalibration,
              "Soundfile calibration: Wav file is calibrated from command line");
    EXPECT_TRUE(t.ui.asked[0].values.empty());
    EXPECT_EQ(t.form.pgs[0].calstatus, 3);
    EXPECT_NEAR(voice_level(t.form, take), take.voicespl, 1.0);
    std::string why;
    EXPECT_FALSE(t.form.reference_calibration_possible(&why));
    EXPECT_NE(why.find("keeps the calibration of its header"), std::string::npos);
}

TEST(FileCalibration, AnUncalibratedFileSaysSoOnceWithTheWayToCalibrateIt) {
    tform t;
    treferencetake take;
    const std::string wav = t.path("take.wav");
    testing::write_reference_take(wav, take);
    t.form.open_any_file(wav);
    std::string notes;
    for (const auto& m : t.ui.messages) notes += m.text;
    EXPECT_NE(notes.find("Calibrate from reference... in the Recording menu"), std::string::npos)
        << notes;
    EXPECT_FALSE(t.form.channel_calibration(0).calibrated);
    t.ui.messages.clear();
    t.form.open_any_file(wav);
    notes.clear();
    for (const auto& m : t.ui.messages) notes += m.text;
    EXPECT_EQ(notes.find("no full scale was given"), std::string::npos) << notes;
}

} // namespace
} // namespace gravon
