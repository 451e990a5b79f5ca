#include "base/errors.h"
#include "base/number_text.h"
#include "calibration/calibration_file.h"
#include "calibration/calibration_log.h"
#include "calibration/calibration_model.h"
#include "calibration/date_time.h"
#include "support/temp_config.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

// ---- Moments ----

TEST(DateTime, EncodesDaysSinceTheEpoch) {
    EXPECT_EQ(encodedatetime(1899, 12, 30), 0.0);
    EXPECT_EQ(encodedatetime(1900, 1, 1), 2.0);
    EXPECT_EQ(encodedatetime(2000, 1, 1), 36526.0);
    EXPECT_DOUBLE_EQ(encodedatetime(2000, 1, 1, 18), 36526.75);
    // Before the epoch the fraction still counts forwards from the start of the day.
    EXPECT_DOUBLE_EQ(encodedatetime(1899, 12, 29, 6), -1.25);
}

TEST(DateTime, TextOfAMoment) {
    EXPECT_EQ(datetimetostr(0.0), "1899-12-30 00:00:00");
    EXPECT_EQ(datetimetostr(36526.75), "2000-01-01 18:00:00");
    EXPECT_EQ(datetimetostr(-1.25), "1899-12-29 06:00:00");
    EXPECT_EQ(datetimetostr(encodedatetime(2024, 2, 29, 23, 59, 59, 999)), "2024-02-29 23:59:59");
    EXPECT_EQ(datetimetostr(encodedatetime(2023, 10, 5, 12, 0, 0)), "2023-10-05 12:00:00");
}

TEST(DateTime, UnrepresentableMomentsGiveEmptyText) {
    EXPECT_EQ(datetimetostr(std::numeric_limits<double>::quiet_NaN()), "");
    EXPECT_EQ(datetimetostr(std::numeric_limits<double>::infinity()), "");
    EXPECT_EQ(datetimetostr(1e300), "");
    EXPECT_EQ(datetimetostr(-1e300), "");
    EXPECT_EQ(datetimetostr(encodedatetime(9999, 12, 31, 12)), "9999-12-31 12:00:00");
}

TEST(DateTime, NowIsLocalTime) {
    const auto t = std::chrono::system_clock::now();
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    const double d = to_datetime(t);
    EXPECT_EQ(std::floor(d), encodedatetime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday));
    EXPECT_NEAR(datetimenow(), d, 1.0 / 86400 * 5);
}

// ---- Texts and warnings ----

TEST(CalibrationText, EveryStatusCode) {
    const double d = encodedatetime(2023, 10, 5, 14, 30, 15);
    EXPECT_EQ(calibration_status_text(0, d, "Anna"), "Calibration unknown");
    EXPECT_EQ(calibration_status_text(1, d, "Anna"), "Uncalibrated");
    EXPECT_EQ(calibration_status_text(2, d, ""), "Calibrated 2023-10-05 14:30:15, unsigned");
    EXPECT_EQ(calibration_status_text(3, d, "Anna"), "Calibrated 2023-10-05 14:30:15 by Anna");
    EXPECT_EQ(calibration_status_text(4, d, "Anna"), "Calibrated for another soundcard");
    EXPECT_EQ(calibration_status_text(5, d, "Anna"), "Soundcard not set");
    EXPECT_EQ(calibration_status_text(6, d, "Anna"), "Calibration unknown");
    EXPECT_EQ(calibration_status_text(-1, d, "Anna"), "Calibration unknown");
}

TEST(CalibrationText, SoundFileWording) {
    EXPECT_EQ(soundfile_calibration_text(2, "Wav file is calibrated from command line"),
              "Soundfile calibration: Wav file is calibrated from command line");
    EXPECT_EQ(soundfile_calibration_text(3, "Calibrated by Anna"),
              "Soundfile calibration: Calibrated by Anna");
    for (int s : {0, 1, 4, 5})
        EXPECT_EQ(soundfile_calibration_text(s, "Wav file is possibly not calibrated"),
                  "Soundfile is uncalibrated");
}

TEST(CalibrationWarning, ExpiryOfLiveData) {
    const double now = 45000.5;
    EXPECT_FALSE(calibration_warning_flag(35, false, now, now - 35, 3));
    EXPECT_TRUE(calibration_warning_flag(35, false, now, now - 35.01, 3));
    EXPECT_TRUE(calibration_warning_flag(35, false, now, now - 40, 2));
    // 0 disables the expiry.
    EXPECT_FALSE(calibration_warning_flag(0, false, now, now - 4000, 3));
    EXPECT_FALSE(calibration_warning_flag(-1, false, now, now - 4000, 3));
    // A sound file's calibration does not expire.
    EXPECT_FALSE(calibration_warning_flag(35, true, now, now - 40, 3));
}

TEST(CalibrationWarning, StatusOtherThanCalibrated) {
    const double now = 45000.5;
    for (int s : {0, 1, 4, 5}) {
        EXPECT_TRUE(calibration_warning_flag(35, false, now, now, s)) << s;
        EXPECT_TRUE(calibration_warning_flag(35, true, now, now, s)) << s;
    }
    EXPECT_FALSE(calibration_warning_flag(35, false, now, now, 2));
    EXPECT_FALSE(calibration_warning_flag(35, true, now, now, 3));
}

// ---- The factor ----

TEST(CalibrationFactor, DistanceRecalculation) {
    EXPECT_DOUBLE_EQ(effective_calibration_factor(100, true, 0.15, 0.3), 50.0);
    EXPECT_DOUBLE_EQ(effective_calibration_factor(100, false, 0.15, 0.3), 100.0);
    // Referred to 300 mm the defaults come out 6.02 dB lower.
    EXPECT_NEAR(20 * std::log10(effective_calibration_factor(7.5, true, 0.15, 0.3) / 7.5), -6.02,
                0.005);
    // A distance that is not a positive number cannot be referred to another one.
    EXPECT_DOUBLE_EQ(effective_calibration_factor(100, true, -1, 0.3), 100.0);
    EXPECT_DOUBLE_EQ(effective_calibration_factor(100, true, 0.15, 0), 100.0);
    EXPECT_DOUBLE_EQ(
        effective_calibration_factor(100, true, std::numeric_limits<double>::quiet_NaN(), 0.3),
        100.0);
}

TEST(CalibrationFactor, FullScaleSineLevel) {
    EXPECT_NEAR(fullscale_sine_level(100.0), 130.97, 0.005);
    // At 300 mm with the microphone at 150 mm.
    EXPECT_NEAR(fullscale_sine_level(100.0, 150.0 / 300.0), 130.97 - 6.02, 0.005);
    // The calibrator overload limit of 126 dB belongs to a peak of 56.4 Pa.
    EXPECT_NEAR(fullscale_sine_level(56.4), 126.0, 0.01);
    EXPECT_NEAR(fullscale_sine_level(std::sqrt(2.0) * 2e-5 * std::pow(10.0, 126.0 / 20)), 126.0,
                1e-9);
}

// ---- Log lines ----

TEST(CalibrationLogLine, SigningAndRemoval) {
    EXPECT_EQ(calibration_log_line("2023-10-05 14:30:15", 0, 1, 2.5, "Clinic", "Anna", "anna"),
              "2023-10-05 14:30:15, ch 0, method 1, factor " + floattostr(2.5) +
                  ", @Clinic, by Anna, anna");
    EXPECT_EQ(calibration_log_line("2023-10-05 14:30:15", 1, -1, 100, "", "", "bob"),
              "2023-10-05 14:30:15, ch 1, method -1, factor 100, @, REMOVED, bob");
}

TEST(CalibrationLogLine, EveryEntryStaysOneLine) {
    const std::string s = calibration_log_line("d", 0, 2, 0.125, "A\r\nB", "X\nY", "u\rv");
    EXPECT_EQ(s.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(s, "d, ch 0, method 2, factor " + floattostr(0.125) + ", @A  B, by X Y, u v");
}

TEST(CalibrationLogFile, AppendsAndCreates) {
    gravon::testing::ttempconfig tc;
    const fs::path p = tc.root / "files" / "CalibrationLog.txt";
    append_calibration_log(p.string(), "one");
    append_calibration_log(p.string(), "two");
    EXPECT_EQ(gravon::testing::read_text(p), "one\r\ntwo\r\n");
}

TEST(CalibrationLogFile, UnwritableLogNamesTheFile) {
    gravon::testing::ttempconfig tc;
    const fs::path p = tc.root / "files" / "adir";
    fs::create_directories(p);
    try {
        append_calibration_log(p.string(), "one");
        FAIL() << "no error";
    } catch (const EOSError& e) {
        EXPECT_NE(std::string(e.what()).find(p.string()), std::string::npos) << e.what();
    }
}

// ---- The file ----

class CalibrationFile : public ::testing::Test {
  protected:
    gravon::testing::ttempconfig tc;
    TProgId id;
    std::string name = (tc.root / "files" / "cal.qubfile").string();

    tcalibrationrecord sample() const {
        tcalibrationrecord r;
        r.soundcard = "Mic A";
        r.ch[0] = {"Anna", 45000.25, 2.5};
        r.ch[1] = {"", 44000.0, 7.0};
        return r;
    }
    void save(const tcalibrationrecord& r) {
        TQUBFile q;
        q.setProgId(&id);
        write_calibration(q, r);
        q.save_file(name);
    }
    tcalibrationload load(bool specific, const std::string& device) {
        TQUBFile q;
        q.setProgId(&id);
        q.open_file(name);
        return read_calibration(q, specific, device);
    }
};

TEST_F(CalibrationFile, KeysAndFileId) {
    save(sample());
    TQUBFile q;
    q.setProgId(&id);
    ASSERT_TRUE(q.open_file(name));
    EXPECT_EQ(q.FileId(), "Gravon calibration");
    ASSERT_EQ(q.nnodes(), 7);
    const char* keys[] = {"Soundcard",     "SignedPersonID0", "SignedCalibrationDate0",
                          "SignedFactor0", "SignedPersonID1", "SignedCalibrationDate1",
                          "SignedFactor1"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(q.get_nodeno(i).section, "Calibration");
        EXPECT_EQ(q.get_nodeno(i).key, keys[i]);
    }
    EXPECT_EQ(q.readstring("Calibration", "Soundcard", "?"), "Mic A");
    EXPECT_EQ(q.readfloat("Calibration", "SignedFactor0", 0), 2.5);
    EXPECT_EQ(q.readfloat("Calibration", "SignedCalibrationDate0", 0), 45000.25);
}

TEST_F(CalibrationFile, SameDeviceAppliesTheStoredValues) {
    save(sample());
    const tcalibrationload r = load(true, "Mic A");
    EXPECT_TRUE(r.validfile);
    EXPECT_EQ(r.soundcard, "Mic A");
    EXPECT_EQ(r.status[0], calstatussigned);
    EXPECT_EQ(r.ch[0].personid, "Anna");
    EXPECT_EQ(r.ch[0].date, 45000.25);
    EXPECT_EQ(r.ch[0].factor, 2.5);
    // Stored unsigned: uncalibrated, but the factor read stays in effect.
    EXPECT_EQ(r.status[1], calstatusuncalibrated);
    EXPECT_EQ(r.ch[1].factor, 7.0);
}

TEST_F(CalibrationFile, OtherOrDefaultDevice) {
    save(sample());
    tcalibrationload r = load(true, "Mic B");
    EXPECT_TRUE(r.validfile);
    EXPECT_EQ(r.soundcard, "Mic A");
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(r.status[c], calstatusothersoundcard);
        EXPECT_EQ(r.ch[c].factor, uncalibratedfactor);
        EXPECT_EQ(r.ch[c].personid, "");
    }
    r = load(false, "");
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(r.status[c], calstatusnosoundcard);
        EXPECT_EQ(r.ch[c].factor, uncalibratedfactor);
    }
}

TEST_F(CalibrationFile, EmptyDeviceNameIsNeverAccepted) {
    tcalibrationrecord s = sample();
    s.soundcard = "";
    save(s);
    EXPECT_EQ(load(true, "Mic A").status[0], calstatusothersoundcard);
    // A specific device whose name is unknown cannot be matched either.
    EXPECT_EQ(load(true, "").status[0], calstatusothersoundcard);
}

TEST_F(CalibrationFile, MissingOrForeignFile) {
    tcalibrationload r = load(true, "Mic A");
    EXPECT_FALSE(r.validfile);
    EXPECT_EQ(r.status[0], calstatusuncalibrated);
    EXPECT_EQ(r.status[1], calstatusuncalibrated);
    EXPECT_EQ(r.ch[0].factor, uncalibratedfactor);

    TQUBFile q;
    q.setProgId(&id);
    write_calibration(q, sample());
    q.setFileId("GravonSettings");
    q.save_file(name);
    r = load(true, "Mic A");
    EXPECT_FALSE(r.validfile);
    EXPECT_EQ(r.status[0], calstatusuncalibrated);
    EXPECT_EQ(r.ch[0].factor, uncalibratedfactor);
    // Not even the default device gives another status for a foreign file.
    EXPECT_EQ(load(false, "").status[0], calstatusuncalibrated);
}

TEST_F(CalibrationFile, CorruptFileIsUncalibrated) {
    gravon::testing::write_text(name, std::string("\x01\x02garbage that is no container", 30));
    const tcalibrationload r = load(true, "Mic A");
    EXPECT_FALSE(r.validfile);
    EXPECT_EQ(r.status[0], calstatusuncalibrated);
    // A truncated container.
    save(sample());
    const std::string whole = gravon::testing::read_text(name);
    gravon::testing::write_text(name, whole.substr(0, whole.size() - 5));
    EXPECT_EQ(load(true, "Mic A").status[0], calstatusuncalibrated);
}

TEST_F(CalibrationFile, UnusableStoredValuesAreUncalibrated) {
    TQUBFile q;
    q.setProgId(&id);
    write_calibration(q, sample());
    q.writestring("Calibration", "SignedFactor0", "2.5"); // wrong type
    q.writefloat("Calibration", "SignedFactor1", std::numeric_limits<double>::quiet_NaN());
    q.writestring("Calibration", "SignedPersonID1", "Bob");
    q.save_file(name);
    tcalibrationload r = load(true, "Mic A");
    EXPECT_EQ(r.status[0], calstatusuncalibrated);
    EXPECT_EQ(r.ch[0].factor, uncalibratedfactor);
    EXPECT_EQ(r.ch[0].personid, "");
    EXPECT_EQ(r.status[1], calstatusuncalibrated);
    EXPECT_EQ(r.ch[1].factor, uncalibratedfactor);

    for (double bad : {0.0, -3.0, std::numeric_limits<double>::infinity()}) {
        q.writefloat("Calibration", "SignedFactor1", bad);
        q.save_file(name);
        EXPECT_EQ(load(true, "Mic A").status[1], calstatusuncalibrated) << bad;
        EXPECT_EQ(load(true, "Mic A").ch[1].factor, uncalibratedfactor) << bad;
    }
    q.writefloat("Calibration", "SignedFactor1", 7.0);
    q.writefloat("Calibration", "SignedCalibrationDate1", std::numeric_limits<double>::infinity());
    q.save_file(name);
    EXPECT_EQ(load(true, "Mic A").status[1], calstatusuncalibrated);

    q.writeinteger("Calibration", "Soundcard", 3);
    q.save_file(name);
    r = load(true, "Mic A");
    EXPECT_FALSE(r.validfile);
    EXPECT_EQ(r.status[0], calstatusuncalibrated);
}

TEST_F(CalibrationFile, MissingKeysKeepTheResetValues) {
    TQUBFile q;
    q.setProgId(&id);
    q.setFileId("Gravon calibration");
    q.writestring("Calibration", "Soundcard", "Mic A");
    q.writestring("Calibration", "SignedPersonID1", "Bob");
    q.save_file(name);
    const tcalibrationload r = load(true, "Mic A");
    EXPECT_EQ(r.status[0], calstatusuncalibrated);
    EXPECT_EQ(r.ch[0].factor, uncalibratedfactor);
    EXPECT_EQ(r.status[1], calstatussigned);
    EXPECT_EQ(r.ch[1].factor, uncalibratedfactor);
    EXPECT_EQ(r.ch[1].date, 0.0);
}

} // namespace
