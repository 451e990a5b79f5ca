#include "analysis/analysis_tracks.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/system_utils.h"
#include "calibration/calibration_file.h"
#include "calibration/calibration_model.h"
#include "calibration/date_time.h"
#include "core/advanced_settings_page.h"
#include "core/main_window.h"
#include "support/temp_config.h"
#include "synth/wav_writer.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <numbers>
#include <sstream>
#include <vector>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

// A started main window whose main recorder uses the given device, with the names of the
// recording devices as the audio layer gives them.
struct tform {
    explicit tform(int device) {
        form.audiodevicenames.input = {"Mic A", "Mic B"};
        form.advanced.recorddevice = device_name(form.audiodevicenames.input, device);
        form.FormActivate({});
    }
    tsilentinterface ui;
    TForm1 form{ui};
};

std::vector<std::string> lines_of(const fs::path& p) {
    std::istringstream in(gravon::testing::read_text(p));
    std::vector<std::string> r;
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        r.push_back(l);
    }
    return r;
}

bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

class CalibrationActions : public ::testing::Test {
  protected:
    gravon::testing::ttempconfig tc;
    fs::path folder() const { return tc.identity_folder(); }
    fs::path calfile() const { return folder() / "GravonCalibration.qubfile"; }
    fs::path logfile() const { return folder() / "CalibrationLog.txt"; }
};

TEST_F(CalibrationActions, StartsUncalibratedWithoutAFile) {
    tform t(0);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(t.form.calibrationstatus[c], calstatusuncalibrated);
        EXPECT_EQ(t.form.signedfactors[c], 100.0);
        EXPECT_EQ(t.form.calibration_info(c), "Uncalibrated");
        EXPECT_EQ(t.form.pgs[c].calstatus, calstatusuncalibrated);
        EXPECT_EQ(t.form.pgs[c].calibstr, "Uncalibrated");
        EXPECT_TRUE(t.form.calibration_warning(c));
    }
    EXPECT_FALSE(fs::exists(logfile()));
}

TEST_F(CalibrationActions, FilesLiveInTheSettingsFolder) {
    tform t(0);
    EXPECT_EQ(fs::path(t.form.calibration_filename()), calfile());
    EXPECT_EQ(fs::path(t.form.calibration_log_filename()), logfile());
}

TEST_F(CalibrationActions, SignSaveAndReloadWithTheSameDevice) {
    double date = 0;
    {
        tform t(0);
        t.form.sign_calibration(0, "Anna", 1, 2.5);
        date = t.form.signedcalibrationdate[0];
        EXPECT_NEAR(date, datetimenow(), 1.0 / 8640);
        EXPECT_EQ(t.form.calibrationstatus[0], calstatussigned);
        EXPECT_EQ(t.form.calibrationsoundcard, "Mic A");
        const std::string text = "Calibrated " + datetimetostr(date) + " by Anna";
        EXPECT_EQ(t.form.calibration_info(0), text);
        EXPECT_EQ(t.form.pgs[0].calstatus, calstatussigned);
        EXPECT_EQ(t.form.pgs[0].calibstr, text);
        EXPECT_FALSE(t.form.calibration_warning(0));
        // The other channel is untouched.
        EXPECT_EQ(t.form.calibrationstatus[1], calstatusuncalibrated);
        EXPECT_EQ(t.form.signedfactors[1], 100.0);
        EXPECT_TRUE(fs::exists(calfile()));
    }
    tform again(0);
    EXPECT_EQ(again.form.calibrationstatus[0], calstatussigned);
    EXPECT_EQ(again.form.signedfactors[0], 2.5);
    EXPECT_EQ(again.form.signedpersonid[0], "Anna");
    EXPECT_EQ(again.form.signedcalibrationdate[0], date);
    EXPECT_EQ(again.form.pgs[0].calstatus, calstatussigned);
    EXPECT_EQ(again.form.pgs[0].calibstr, "Calibrated " + datetimetostr(date) + " by Anna");
    // Channel 1 was stored unsigned.
    EXPECT_EQ(again.form.calibrationstatus[1], calstatusuncalibrated);
    EXPECT_EQ(again.form.calibration_info(1), "Uncalibrated");
}

TEST_F(CalibrationActions, AnotherDeviceOrTheDefaultDevice) {
    {
        tform t(0);
        t.form.sign_calibration(0, "Anna", 1, 2.5);
        t.form.sign_calibration(1, "Anna", 2, 3.5);
    }
    tform other(1);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(other.form.calibrationstatus[c], calstatusothersoundcard);
        EXPECT_EQ(other.form.signedfactors[c], 100.0);
        EXPECT_EQ(other.form.signedpersonid[c], "");
        EXPECT_EQ(other.form.calibration_info(c), "Calibrated for another soundcard");
        EXPECT_EQ(other.form.pgs[c].calstatus, calstatusothersoundcard);
        EXPECT_TRUE(other.form.calibration_warning(c));
    }
    EXPECT_EQ(other.form.calibrationsoundcard, "Mic A");

    // The device chosen for calibrating was not stored with the advanced settings: the
    // calibration brings its own device back when it is connected...
    tform def(defaultaudiodevice);
    EXPECT_EQ(def.form.advanced.recorddevice, "Mic A");
    for (int c = 0; c < 2; ++c) EXPECT_EQ(def.form.calibrationstatus[c], calstatussigned);
    EXPECT_EQ(def.form.signedfactors[1], 3.5);

    // ...and without it no device is chosen and the calibration does not apply.
    tsilentinterface ui;
    TForm1 unplugged(ui);
    unplugged.audiodevicenames.input = {"Mic B"};
    unplugged.FormActivate({});
    EXPECT_EQ(unplugged.advanced.recorddevice, "");
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(unplugged.calibrationstatus[c], calstatusnosoundcard);
        EXPECT_EQ(unplugged.signedfactors[c], 100.0);
        EXPECT_EQ(unplugged.calibration_info(c), "Soundcard not set");
        EXPECT_EQ(unplugged.pgs[c].calibstr, "Soundcard not set");
    }
    // Choosing the device and reloading brings the calibration back.
    unplugged.audiodevicenames.input = {"Mic B", "Mic A"};
    unplugged.advanced.recorddevice = "Mic A";
    unplugged.open_calibration("");
    EXPECT_EQ(unplugged.calibrationstatus[1], calstatussigned);
    EXPECT_EQ(unplugged.signedfactors[1], 3.5);
}

TEST_F(CalibrationActions, SavedWithoutASpecificDeviceIsRejectedLater) {
    {
        tform t(defaultaudiodevice);
        t.form.sign_calibration(0, "Anna", 1, 2.5);
        EXPECT_EQ(t.form.calibrationstatus[0], calstatussigned);
        EXPECT_EQ(t.form.calibrationsoundcard, "");
    }
    TQUBFile q;
    TProgId id;
    q.setProgId(&id);
    ASSERT_TRUE(q.open_file(calfile().string()));
    EXPECT_EQ(q.readstring("Calibration", "Soundcard", "?"), "");
    tform t(0);
    EXPECT_EQ(t.form.calibrationstatus[0], calstatusothersoundcard);
    EXPECT_EQ(t.form.signedfactors[0], 100.0);
}

TEST_F(CalibrationActions, SigningOneChannelRewritesBoth) {
    tform t(0);
    t.form.signedfactors[0] = 4.0;
    t.form.signedpersonid[0] = "Bob";
    t.form.signedcalibrationdate[0] = 45000.5;
    t.form.sign_calibration(1, "Anna", 1, 3.0);
    EXPECT_EQ(t.form.signedfactors[0], 4.0);
    EXPECT_EQ(t.form.signedpersonid[0], "Bob");
    TQUBFile q;
    TProgId id;
    q.setProgId(&id);
    ASSERT_TRUE(q.open_file(calfile().string()));
    EXPECT_EQ(q.FileId(), "Gravon calibration");
    EXPECT_EQ(q.readfloat("Calibration", "SignedFactor0", 0), 4.0);
    EXPECT_EQ(q.readstring("Calibration", "SignedPersonID0", ""), "Bob");
    EXPECT_EQ(q.readfloat("Calibration", "SignedCalibrationDate0", 0), 45000.5);
    EXPECT_EQ(q.readfloat("Calibration", "SignedFactor1", 0), 3.0);
    EXPECT_EQ(q.readstring("Calibration", "SignedPersonID1", ""), "Anna");
}

TEST_F(CalibrationActions, UnsignedCalibrationLastsOnlyThisRun) {
    {
        tform t(0);
        t.form.sign_calibration(0, "", 2, 2.5);
        EXPECT_EQ(t.form.calibrationstatus[0], calstatusunsigned);
        EXPECT_EQ(t.form.calibration_info(0),
                  "Calibrated " + datetimetostr(t.form.signedcalibrationdate[0]) + ", unsigned");
        EXPECT_FALSE(t.form.calibration_warning(0));
    }
    tform t(0);
    EXPECT_EQ(t.form.calibrationstatus[0], calstatusuncalibrated);
    // The factor read stays in effect.
    EXPECT_EQ(t.form.signedfactors[0], 2.5);
}

TEST_F(CalibrationActions, LogLinesOfSigningAndRemoval) {
    tform t(0);
    t.form.pgs[0].recordingsiteid = "Clinic";
    t.form.pgs[1].recordingsiteid = "Clinic";
    t.form.sign_calibration(0, "Anna", 1, 2.5);
    const double date0 = t.form.signedcalibrationdate[0];
    t.form.sign_calibration(1, "Anna", 3, 0.75);

    // "Remove all calibrations now!"
    t.form.sign_calibration(0, "", -1, 100.0);
    t.form.sign_calibration(1, "", -1, 100.0);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(t.form.calibrationstatus[c], calstatusuncalibrated);
        EXPECT_EQ(t.form.signedfactors[c], 100.0);
        EXPECT_EQ(t.form.calibration_info(c), "Uncalibrated");
        EXPECT_EQ(t.form.pgs[c].calibstr, "Uncalibrated");
    }

    const std::vector<std::string> lines = lines_of(logfile());
    ASSERT_EQ(lines.size(), 4u);
    const std::string login = username();
    EXPECT_EQ(lines[0], datetimetostr(date0) + ", ch 0, method 1, factor 2" +
                            std::string(1, localedecimalseparator()) + "5, @Clinic, by Anna, " +
                            login);
    EXPECT_NE(lines[1].find(", ch 1, method 3, factor 0"), std::string::npos) << lines[1];
    for (int i = 2; i < 4; ++i) {
        EXPECT_TRUE(ends_with(lines[i], ", REMOVED, " + login)) << lines[i];
        EXPECT_NE(lines[i].find(", method -1, factor 100, @Clinic"), std::string::npos) << lines[i];
    }
    EXPECT_NE(lines[2].find(", ch 0,"), std::string::npos);
    EXPECT_NE(lines[3].find(", ch 1,"), std::string::npos);

    tform reloaded(0);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(reloaded.form.calibrationstatus[c], calstatusuncalibrated);
        EXPECT_EQ(reloaded.form.signedfactors[c], 100.0);
    }
}

TEST_F(CalibrationActions, UnwritableLogAfterTheFileWasSaved) {
    tform t(0);
    fs::create_directories(logfile()); // a folder where the log should be
    EXPECT_THROW(t.form.sign_calibration(0, "Anna", 1, 2.5), EOSError);
    EXPECT_EQ(t.form.pgs[0].calstatus, calstatussigned);
    tform again(0);
    EXPECT_EQ(again.form.calibrationstatus[0], calstatussigned);
    EXPECT_EQ(again.form.signedfactors[0], 2.5);
}

// A calibration folder that cannot be written: the signing is refused as a whole, the old
// calibration stays in effect; a log that cannot be written after the file was saved leaves
// the new one. "Remove all calibrations now!" removes both channels and says so once.
TEST_F(CalibrationActions, SigningThatCannotBeStoredKeepsTheOldCalibration) {
    tform t(0);
    t.form.sign_calibration(0, "Anna", 1, 2.5);
    const double date = t.form.signedcalibrationdate[0];
    fs::remove(calfile());
    fs::create_directories(calfile()); // a folder where the file should be
    try {
        t.form.sign_calibration(0, "Ben", 1, 7.0);
        ADD_FAILURE() << "signed without a calibration file";
    } catch (const EGravonError& e) {
        EXPECT_NE(std::string(e.what()).find("left channel was not signed"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(t.form.signedpersonid[0], "Anna");
    EXPECT_EQ(t.form.signedfactors[0], 2.5);
    EXPECT_EQ(t.form.signedcalibrationdate[0], date);
    EXPECT_EQ(t.form.calibrationstatus[0], calstatussigned);
    EXPECT_EQ(t.form.pgs[0].calibstr, "Calibrated " + datetimetostr(date) + " by Anna");
    EXPECT_THROW(remove_all_calibrations(t.form), EGravonError);
    EXPECT_EQ(t.form.signedfactors[0], 2.5);
}

TEST_F(CalibrationActions, RemovingAllWithAnUnwritableLogRemovesBoth) {
    tform t(0);
    t.form.sign_calibration(0, "Anna", 1, 2.5);
    t.form.sign_calibration(1, "Anna", 1, 3.5);
    fs::remove(logfile());
    fs::create_directories(logfile());
    EXPECT_THROW(remove_all_calibrations(t.form), EGravonError);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(t.form.signedfactors[c], 100.0);
        EXPECT_EQ(t.form.calibration_info(c), "Uncalibrated");
    }
    tform again(0);
    for (int c = 0; c < 2; ++c) EXPECT_EQ(again.form.signedfactors[c], 100.0);
}

// A full scale given with /f is a calibration stated by the user: no warning, and no date of
// day 0 in any text.
TEST_F(CalibrationActions, NoCalibrationTextShowsTheFirstDayOfTheCalendar) {
    EXPECT_EQ(calibration_status_text(calstatusunsigned, 0.0, ""), "Calibrated, unsigned");
    EXPECT_EQ(calibration_status_text(calstatussigned, 0.0, "Ann"), "Calibrated by Ann");
    tform t(0);
    t.form.commandlinecalibration = true;
    t.form.signedfactors = {14.1, 14.1};
    t.form.calibrationstatus = {calstatusunsigned, calstatusunsigned};
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(t.form.calibration_info(c), "Calibrated from command line, full scale 14.1 Pa");
        EXPECT_FALSE(t.form.calibration_warning(c));
    }
}

TEST_F(CalibrationActions, BadSigningChangesNothing) {
    tform t(0);
    EXPECT_THROW(t.form.sign_calibration(2, "Anna", 1, 2.5), ERangeError);
    EXPECT_THROW(t.form.sign_calibration(-1, "Anna", 1, 2.5), ERangeError);
    for (double bad : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()})
        EXPECT_THROW(t.form.sign_calibration(0, "Anna", 1, bad), EGravonError) << bad;
    EXPECT_EQ(t.form.signedfactors[0], 100.0);
    EXPECT_EQ(t.form.calibrationstatus[0], calstatusuncalibrated);
    EXPECT_FALSE(fs::exists(calfile()));
    EXPECT_FALSE(fs::exists(logfile()));
}

TEST_F(CalibrationActions, CorruptOrForeignFileGivesUncalibrated) {
    gravon::testing::write_text(calfile(), "QUB\x01 not really");
    tform t(0);
    EXPECT_EQ(t.form.calibrationstatus[0], calstatusuncalibrated);
    EXPECT_EQ(t.form.calibrationstatus[1], calstatusuncalibrated);

    TQUBFile q;
    TProgId id;
    q.setProgId(&id);
    q.setFileId("GravonSettings");
    q.writestring("Calibration", "Soundcard", "Mic A");
    q.writefloat("Calibration", "SignedFactor0", 2.5);
    q.writestring("Calibration", "SignedPersonID0", "Anna");
    q.save_file(calfile().string());
    t.form.open_calibration("");
    EXPECT_EQ(t.form.calibrationstatus[0], calstatusuncalibrated);
    EXPECT_EQ(t.form.signedfactors[0], 100.0);

    // A named file that does not exist.
    t.form.open_calibration((tc.root / "files" / "none.qubfile").string());
    EXPECT_EQ(t.form.calibrationstatus[0], calstatusuncalibrated);
}

TEST_F(CalibrationActions, ExpiryOnlyChangesTheWarning) {
    tform t(0);
    t.form.sign_calibration(0, "Anna", 1, 2.5);
    const std::array<double, 2> before = t.form.intake_factors();
    EXPECT_FALSE(t.form.calibration_warning(0));
    t.form.signedcalibrationdate[0] = datetimenow() - 40;
    EXPECT_TRUE(t.form.calibration_warning(0));
    EXPECT_EQ(t.form.signedfactors[0], 2.5);
    EXPECT_EQ(t.form.intake_factors(), before);
    EXPECT_EQ(t.form.calibrationstatus[0], calstatussigned);
    t.form.advanced.calibrationexpirationdays = 0;
    EXPECT_FALSE(t.form.calibration_warning(0));
    t.form.advanced.calibrationexpirationdays = 50;
    EXPECT_FALSE(t.form.calibration_warning(0));
}

TEST_F(CalibrationActions, DistanceOfANewRecording) {
    tform t(0);
    t.form.sign_calibration(0, "Anna", 1, 2.0);
    EXPECT_DOUBLE_EQ(t.form.intake_factors()[0], 2.0 * 0.15 / 0.3);
    t.form.Set_recording(true);
    EXPECT_EQ(t.form.pgs[0].distance, 0.3);
    EXPECT_EQ(t.form.pgs[0].calibstr,
              "Calibrated " + datetimetostr(t.form.signedcalibrationdate[0]) + " by Anna");
    t.form.StopActionExecute();
    t.form.NewRecordingActionExecute();

    t.form.advanced.calibrationrecalculate = false;
    t.form.Set_recording(true);
    EXPECT_EQ(t.form.pgs[0].distance, t.form.pgs[0].actualdistance);
    EXPECT_EQ(t.form.pgs[0].distance, 0.15);
    EXPECT_EQ(t.form.intake_factors()[0], 2.0);
    t.form.StopActionExecute();
}

// ---- Levels ----

constexpr int hop = 882;

// Two channels of a 220 Hz sine at 30 % of full scale, 16-bit, interleaved.
TWaveChunk sine_block(int frames, int offset) {
    TWaveChunk b(std::size_t(2 * frames));
    for (int i = 0; i < frames; ++i) {
        const double v =
            0.3 * 32767 * std::sin(2 * std::numbers::pi * 220 * (offset + i) / 44100.0);
        b[std::size_t(2 * i)] = b[std::size_t(2 * i + 1)] = std::int16_t(std::lround(v));
    }
    return b;
}

// The SPL track of channel c after a second of recorder blocks.
std::vector<float> recorded_spl(TForm1& form, int c) {
    form.Set_recording(true);
    for (int k = 0; k < 50; ++k) {
        bool last = false;
        const TWaveChunk b = sine_block(hop, k * hop);
        form.MPCRecord1Fetch(b, std::int32_t(b.size()), last);
    }
    form.StopActionExecute();
    const auto& row = form.paramarr[trackspl][std::size_t(c)];
    return std::vector<float>(row.begin(), row.begin() + form.frames());
}

TEST_F(CalibrationActions, SignedFactorScalesRecordedLevels) {
    tform plain(0);
    const std::vector<float> ref = recorded_spl(plain.form, 0);
    ASSERT_GT(ref.size(), 20u);
    EXPECT_GT(ref.back(), 100.0f); // 30 % of 100 Pa at full scale, referred to 300 mm

    tform cal(0);
    cal.form.sign_calibration(0, "Anna", 1, 2.5);
    const std::vector<float> spl0 = recorded_spl(cal.form, 0);
    const std::vector<float> spl1 = recorded_spl(cal.form, 1);
    ASSERT_EQ(spl0.size(), ref.size());
    const double ratio = 20 * std::log10(2.5 / 100.0);
    for (std::size_t i = 0; i < ref.size(); ++i) {
        EXPECT_NEAR(spl0[i] - ref[i], ratio, 1e-3) << i;
        // The uncalibrated channel is as before.
        EXPECT_NEAR(spl1[i], ref[i], 1e-3) << i;
    }

    // Without the reference to 300 mm the level at the microphone is 6.02 dB higher.
    tform near(0);
    near.form.advanced.calibrationrecalculate = false;
    near.form.open_calibration("");
    const std::vector<float> atmic = recorded_spl(near.form, 0);
    ASSERT_EQ(atmic.size(), ref.size());
    for (std::size_t i = 0; i < ref.size(); ++i)
        EXPECT_NEAR(atmic[i] - spl0[i], 20 * std::log10(2.0), 1e-3) << i;
}

class CalibrationSoundFile : public CalibrationActions {
  protected:
    std::string wav = (tc.root / "files" / "sine.wav").string();
    void SetUp() override {
        std::vector<std::int16_t> s(44100);
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = std::int16_t(
                std::lround(0.3 * 32767 * std::sin(2 * std::numbers::pi * 220 * i / 44100.0)));
        synth::write_wav16(wav, 44100, 1, s);
    }
    std::vector<float> replayed_spl(TForm1& form, const std::string& fsd) {
        form.set_commandlinefsd(fsd);
        form.open_any_file(wav);
        const auto& row = form.paramarr[trackspl][0];
        return std::vector<float>(row.begin(), row.begin() + form.frames());
    }
};

TEST_F(CalibrationSoundFile, ReplayKeepsTheFilesFullScale) {
    tform plain(0);
    const std::vector<float> ref = replayed_spl(plain.form, "14.1");
    ASSERT_GT(ref.size(), 20u);

    tform cal(0);
    cal.form.sign_calibration(0, "Anna", 1, 2.5);
    const std::vector<float> spl = replayed_spl(cal.form, "14.1");
    ASSERT_EQ(spl.size(), ref.size());
    for (std::size_t i = 0; i < ref.size(); ++i) EXPECT_EQ(spl[i], ref[i]) << i;

    // The file's own full scale is what counts.
    tform twice(0);
    const std::vector<float> loud = replayed_spl(twice.form, "28.2");
    ASSERT_EQ(loud.size(), ref.size());
    for (std::size_t i = 0; i < ref.size(); ++i)
        EXPECT_NEAR(loud[i] - ref[i], 20 * std::log10(2.0), 1e-3) << i;

    EXPECT_EQ(cal.form.pgs[0].calstatus, calstatusunsigned);
    EXPECT_EQ(cal.form.calibration_info(0),
              "Soundfile calibration: Wav file is calibrated from command line");
    EXPECT_FALSE(cal.form.calibration_warning(0));
    // The live calibration is still there for the next recording.
    EXPECT_EQ(cal.form.signedfactors[0], 2.5);
    EXPECT_EQ(cal.form.calibrationstatus[0], calstatussigned);
}

TEST_F(CalibrationSoundFile, UncalibratedFileAndReloading) {
    tform t(0);
    t.form.sign_calibration(0, "Anna", 1, 2.5);
    t.form.signedcalibrationdate[0] = datetimenow() - 400;
    t.form.open_any_file(wav);
    EXPECT_EQ(t.form.pgs[0].calstatus, calstatusuncalibrated);
    EXPECT_EQ(t.form.calibration_info(0), "Soundfile is uncalibrated");
    EXPECT_TRUE(t.form.calibration_warning(0));

    // Reloading the calibration (after the settings changed) leaves the file's phonetogram
    // as the file describes it.
    const std::string str = t.form.pgs[0].calibstr;
    t.form.open_calibration("");
    EXPECT_EQ(t.form.calibrationstatus[0], calstatussigned);
    EXPECT_EQ(t.form.pgs[0].calstatus, calstatusuncalibrated);
    EXPECT_EQ(t.form.pgs[0].calibstr, str);
    EXPECT_EQ(t.form.pgs[1].calibstr, "-");
}

TEST_F(CalibrationSoundFile, CalibratedFileDoesNotExpire) {
    tform t(0);
    t.form.sign_calibration(0, "Anna", 1, 2.5);
    t.form.signedcalibrationdate[0] = datetimenow() - 400;
    EXPECT_TRUE(t.form.calibration_warning(0));
    replayed_spl(t.form, "14.1");
    EXPECT_FALSE(t.form.calibration_warning(0));
}

} // namespace
