// The two calibration procedures driven through the simulated audio services.
#include "audio/mpc_error.h"
#include "audio/simulated_wave_service.h"
#include "calibration/calibration_procedures.h"
#include "core/calibrate_action.h"
#include "core/calibrator_procedure.h"
#include "core/sound_level_meter_procedure.h"
#include "core/test_form.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <numbers>

namespace gravon {
namespace {

using testing::ttestform;

// A sinusoid of `peak` sample units and frequency f on channel 0 of two, silence on channel 1.
tsimulatedsource sine_on_left(double peak, double f, double fs) {
    return [=](std::int64_t index) -> std::int32_t {
        if (index % 2 != 0) return 0;
        const double t = double(index / 2) / fs;
        return std::int32_t(std::lround(peak * std::sin(2.0 * std::numbers::pi * f * t)));
    };
}

TEST(CalibratorProcedure, ACalibratorAt94dBReads94WithTheDefaultOverloadLimit) {
    ttestform t;
    tsimulatedwavein in;
    in.names = {"Mic"};
    tcalibratorprocedure p(t.form, in);
    int blocks = 0;
    p.on_level = [&] { ++blocks; };
    // The calibrator's peak in samples: its peak pressure over the factor's.
    const double peak = std::pow(10.0, (94.0 - 126.0) / 20.0) * 32766.0;
    in.source = sine_on_left(peak, 1000.0, t.form.advanced.fs);
    p.start(0);
    EXPECT_NEAR(p.factor, std::sqrt(2.0) * 2e-5 * std::pow(10.0, 6.3), 1e-9);
    EXPECT_NEAR(p.factor, 56.4, 0.05);
    EXPECT_EQ(in.format().channels, 2);
    EXPECT_EQ(in.format().samplespersec, 44100);
    in.run(3);
    ASSERT_GE(blocks, 1);
    EXPECT_EQ(calibrator_level_text(p.level), "94.0 dB");
    p.stop();
    EXPECT_FALSE(in.isopen());
}

TEST(CalibratorProcedure, TextsAndASilentBlock) {
    EXPECT_EQ(calibrator_level_text(std::nullopt), "-");
    EXPECT_EQ(calibrator_level({0, 0, 0, 0}, 4, 0, 56.4, 32766.0), std::nullopt);
    EXPECT_EQ(calibrator_caption(1), "Calibrate RIGHT channel with a calibrator");
    EXPECT_EQ(calibrator_instruction(0, 94.0),
              "Attach the calibrator to the LEFT microphone and adjust the volume control of the "
              "soundcard such that the display below reads 94.0 dB.");
    EXPECT_EQ(sign_caption(0, ""), "Enter your name to calibrate");
    EXPECT_EQ(sign_caption(1, "Ann"), "Sign && save calibration of RIGHT channel!");
}

TEST(AWeighting, TheLowPassIsLeftOutWhereTheRateHasNoRoomForIt) {
    taweighting w;
    w.setup(16000.0);
    EXPECT_FALSE(w.hffile);
    EXPECT_EQ(w.weightfilter1.Gain(), 1.2504950225227347);
    w.setup(44100.0);
    EXPECT_TRUE(w.hffile);
    EXPECT_EQ(w.weightfilter1.Gain(), 1.2589046226564824);
    // 0 dB at 1 kHz, and the A curve's -19.1 dB at 100 Hz.
    for (double f : {1000.0, 100.0}) {
        w.setup(44100.0);
        double sum = 0.0;
        const int n = 44100;
        for (int i = 0; i < 2 * n; ++i) {
            const double y = w.filter(std::sin(2.0 * std::numbers::pi * f * i / 44100.0));
            if (i >= n) sum += y * y;
        }
        const double gain = 10.0 * std::log10(sum / n / 0.5);
        EXPECT_NEAR(gain, f == 1000.0 ? 0.0 : -19.1, 0.1) << f;
    }
}

struct MeterProcedure : ::testing::Test {
    ttestform t;
    tsimulatedwavein in;
    tsimulatedwaveout out;
    tmeterprocedure p{t.form, in, out};

    MeterProcedure() {
        in.names = {"Mic"};
        out.names = {"Speaker"};
        in.source = sine_on_left(32766.0, 1000.0, t.form.advanced.fs);
        p.start(0, 2, 500);
    }
};

TEST_F(MeterProcedure, AFullScaleToneRead100dBAGives2_83PaAndA100dBLimit) {
    EXPECT_EQ(p.calstep(), 1);
    EXPECT_EQ(p.caption(), "Calibrate LEFT channel with a loudspeaker and a sound level meter");
    EXPECT_EQ(p.instruction(""),
              "Place the LEFT microphone close to the sound level meter, 200-300 mm from the "
              "loudspeaker and press \"Calibrate!\"");
    p.advance();
    ASSERT_EQ(p.calstep(), 2);
    EXPECT_TRUE(in.isopen());
    EXPECT_TRUE(out.isopen());
    EXPECT_EQ(p.button_caption(), "Stop!");
    in.run(30); // 30 blocks of 4096 frames: about 2.8 s, the last 139 columns
    out.run(2);
    // The tone: 1 kHz full scale on the left only (calibration tone default).
    ASSERT_GT(out.played.size(), 200u);
    EXPECT_NEAR(std::abs(out.played[2 * 11]),
                32766.0 * std::abs(std::sin(12 * 2 * std::numbers::pi * 1000.0 / 44100.0)), 2.0);
    EXPECT_LE(std::abs(out.played[1]), 1); // the right channel: dithered silence
    p.advance();
    ASSERT_EQ(p.calstep(), 3);
    EXPECT_FALSE(in.isopen());
    EXPECT_FALSE(out.isopen());
    EXPECT_FALSE(p.calibrate_enabled());
    p.leveltext = "loud";
    // Not a number: the step stays, and the user is told why.
    EXPECT_THROW(
        try { p.advance(); } catch (const EConvertError& e) {
            EXPECT_NE(std::string(e.what()).find("\"loud\" is not a number"), std::string::npos);
            throw;
        },
        EConvertError);
    EXPECT_EQ(p.calstep(), 3);
    p.leveltext = "100";
    p.advance();
    ASSERT_EQ(p.calstep(), 4);
    EXPECT_FALSE(p.calibrate_enabled());
    // The recording fills the last columns; mark a stretch well inside it.
    p.mouse_down(490);
    p.mouse_move(440);
    p.mouse_up();
    EXPECT_EQ(p.downcursor, 440);
    EXPECT_EQ(p.upcursor, 490);
    p.advance();
    ASSERT_EQ(p.calstep(), 5);
    EXPECT_NEAR(p.factor, 2e-5 * 1e5 * std::sqrt(2.0), 0.01);
    EXPECT_EQ(p.overloadtext, "Overload limit for a sinusoid at the microphone is 100.0 dB");
    EXPECT_EQ(p.instruction("Ann"), "Press \"Sign & save calibration of LEFT channel!\"");
    EXPECT_EQ(p.instruction(""), "Enter your signature");
}

TEST_F(MeterProcedure, SigningWritesTheCalibrationFileAndTheLog) {
    p.advance();
    in.run(30);
    p.advance();
    p.leveltext = "100";
    p.advance();
    p.mouse_down(440);
    p.mouse_move(490);
    p.mouse_up();
    p.advance();
    ASSERT_EQ(p.calstep(), 5);
    std::filesystem::remove(t.form.calibration_filename());
    std::filesystem::remove(t.form.calibration_log_filename());
    p.sign("Ann");
    EXPECT_NEAR(t.form.signedfactors[0], 2e-5 * 1e5 * std::sqrt(2.0), 0.01);
    EXPECT_EQ(t.form.signedpersonid[0], "Ann");
    EXPECT_TRUE(std::filesystem::exists(t.form.calibration_filename()));
    const std::string log = testing::read_text(t.form.calibration_log_filename());
    EXPECT_NE(log.find("Ann"), std::string::npos);
}

TEST_F(MeterProcedure, StartOverAndNoSelectionKeepTheSteps) {
    p.advance();
    in.run(2);
    p.advance();
    p.leveltext = "90";
    p.advance();
    ASSERT_EQ(p.calstep(), 4);
    p.setcalstep(5); // nothing marked: the factor cannot be computed
    EXPECT_EQ(p.calstep(), 4);
    p.start_over();
    EXPECT_EQ(p.calstep(), 1);
    EXPECT_TRUE(p.leveltext.empty());
    EXPECT_EQ(p.ringbuffer.wavedisplay()[499].max, 0); // the ring was cleared
    p.setcalstep(9);
    EXPECT_EQ(p.calstep(), 5);
}

// A device that goes away during a calibration: both sound components stop, and the window
// hears which device failed; one that is not connected is never swapped for another.
TEST_F(MeterProcedure, ADeviceThatGoesAwayStopsTheToneAndTheRecorderAndSaysWhich) {
    std::vector<std::string> failures;
    p.on_failed = [&](const std::string& text) { failures.push_back(text); };
    t.form.advanced.calibrationdevice = "Speaker";
    p.setcalstep(2);
    ASSERT_TRUE(in.isopen());
    ASSERT_TRUE(out.isopen());
    out.run(2);
    in.run(2);
    out.lose_device();
    out.deliver();
    in.deliver();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("The calibration tone soundcard \"Speaker\" failed"),
              std::string::npos)
        << failures[0];
    EXPECT_FALSE(in.isopen());
    EXPECT_FALSE(out.isopen());

    p.start_over();
    t.form.advanced.recorddevice = "Mic 2";
    EXPECT_THROW(p.setcalstep(2), EMPCError);
    EXPECT_EQ(p.calstep(), 1);
    EXPECT_FALSE(in.isopen());
    EXPECT_FALSE(out.isopen());
}

TEST(CalibratorProcedure, ARecorderThatGoesAwayIsReported) {
    ttestform t;
    tsimulatedwavein in;
    in.names = {"Mic"};
    tcalibratorprocedure p(t.form, in);
    std::vector<std::string> failures;
    p.on_failed = [&](const std::string& text) { failures.push_back(text); };
    t.form.advanced.recorddevice = "Mic";
    p.start(0);
    in.run(1);
    in.lose_device();
    in.deliver();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_FALSE(in.isopen());
    t.form.advanced.recorddevice = "Other mic";
    try {
        p.start(0);
        ADD_FAILURE() << "started without its device";
    } catch (const EMPCError& e) {
        EXPECT_NE(std::string(e.what()).find("\"Other mic\" is not connected"), std::string::npos);
    }
    EXPECT_EQ(in.opens(), 1);
}

TEST(CalibrateAction, AsksForADeviceThenRunsEachChannelsMethod) {
    ttestform t;
    std::vector<std::string> runs;
    tcalibratewindows w;
    w.choose_recording_device = [&] { runs.push_back("soundcards"); };
    w.calibrator = [&](std::int32_t ch) { runs.push_back("calibrator " + std::to_string(ch)); };
    w.sound_level_meter = [&](std::int32_t ch, std::int32_t m) {
        runs.push_back("meter " + std::to_string(ch) + " " + std::to_string(m));
    };
    t.form.advanced.recorddevice = "";
    t.ui.answer = tanswer::cancel;
    CalibrateActionExecute(t.form, w);
    EXPECT_TRUE(runs.empty());
    ASSERT_EQ(t.ui.questions.size(), 1u);
    // The device is chosen on the page the question opens.
    t.ui.answer = tanswer::ok;
    w.choose_recording_device = [&] {
        runs.push_back("soundcards");
        t.form.advanced.recorddevice = "Mic A";
    };
    t.form.advanced.calibrationmethod = {1, 3};
    CalibrateActionExecute(t.form, w);
    EXPECT_EQ(runs, (std::vector<std::string>{"soundcards", "calibrator 0", "meter 1 3"}));
    runs.clear();
    t.form.advanced.calibrationmethod = {0, 2};
    CalibrateActionExecute(t.form, w);
    EXPECT_EQ(runs, (std::vector<std::string>{"meter 1 2"}));
}

} // namespace
} // namespace gravon
