// The calibration windows over the simulated audio services: the calibrator's live level and
// sign button, and the sound level meter's steps with a stretch marked by the mouse.
#include "audio/simulated_wave_service.h"
#include "core/test_form.h"
#include "ui/calibrator_window.h"
#include "ui/sound_level_meter_window.h"
#include "ui/waveform_view.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <numbers>

namespace gravon {
namespace {

using testing::ttestform;
namespace fs = std::filesystem;

tsimulatedsource sine_on_left(double peak, double fs) {
    return [=](std::int64_t index) -> std::int32_t {
        if (index % 2 != 0) return 0;
        return std::int32_t(
            std::lround(peak * std::sin(2.0 * std::numbers::pi * 1000.0 * double(index / 2) / fs)));
    };
}

TEST(CalibratorWindow, ShowsTheLiveLevelAndSignsWithAName) {
    ttestform t;
    tsimulatedwavein in;
    in.names = {"Mic"};
    in.source = sine_on_left(std::pow(10.0, (94.0 - 126.0) / 20.0) * 32766.0, 44100.0);
    TCalibratorWindow w(t.form, in);
    ASSERT_TRUE(w.start(0));
    EXPECT_EQ(w.windowTitle(), "Calibrate LEFT channel with a calibrator");
    in.run(2);
    EXPECT_EQ(w.findChild<QLabel*>("levellabel")->text(), "94.0 dB");
    auto* sign = w.findChild<QPushButton*>("signbutton");
    EXPECT_FALSE(sign->isEnabled());
    EXPECT_EQ(sign->text(), "Enter your name to calibrate");
    w.findChild<QLineEdit*>("nameedit")->setText("Ann");
    EXPECT_TRUE(sign->isEnabled());
    EXPECT_EQ(sign->text(), "Sign && save calibration of LEFT channel!");
    // A calibration folder that cannot be written: a message, and the window stays to be
    // signed again.
    const fs::path calfile = t.form.calibration_filename();
    fs::create_directories(calfile);
    sign->click();
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(t.ui.messages[0].text.find("left channel was not signed"), std::string::npos);
    EXPECT_NE(w.result(), QDialog::Accepted);
    EXPECT_TRUE(in.isopen());
    EXPECT_EQ(t.form.signedpersonid[0], "");
    fs::remove(calfile);
    sign->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_FALSE(in.isopen());
    EXPECT_EQ(t.form.signedpersonid[0], "Ann");
    EXPECT_NEAR(t.form.signedfactors[0], 56.4, 0.05);
}

TEST(SoundLevelMeterWindow, StepsThroughToSigningWithAMarkedStretch) {
    ttestform t;
    tsimulatedwavein in;
    tsimulatedwaveout out;
    in.names = {"Mic"};
    out.names = {"Speaker"};
    in.source = sine_on_left(32766.0, 44100.0);
    TSoundLevelMeterWindow w(t.form, in, out);
    w.resize(700, 500);
    w.start(0, 2);
    // One ring column per pixel of the waveform; the recording fills the last columns.
    const int width = w.procedure().ringbuffer.wavedisplaywidth();
    ASSERT_EQ(width, w.waveform().width());
    const int a = width - 10, b = width - 60;
    auto* calibrate = w.findChild<QPushButton*>("calibratebutton");
    auto* startover = w.findChild<QPushButton*>("startoverbutton");
    EXPECT_EQ(calibrate->text(), "Calibrate!");
    EXPECT_FALSE(startover->isEnabled());
    calibrate->click();
    EXPECT_EQ(calibrate->text(), "Stop!");
    EXPECT_TRUE(startover->isEnabled());
    in.run(30);
    calibrate->click();
    EXPECT_EQ(w.procedure().calstep(), 3);
    EXPECT_FALSE(calibrate->isEnabled());
    w.findChild<QLineEdit*>("leveledit")->setText("100");
    EXPECT_TRUE(calibrate->isEnabled());
    calibrate->click();
    ASSERT_EQ(w.procedure().calstep(), 4);
    EXPECT_TRUE(w.findChild<QLineEdit*>("leveledit")->isReadOnly());

    TWaveformView& view = w.waveform();
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(a, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(b, 50), view.mapToGlobal(QPointF(b, 50)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&view, &move);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(b, 50));
    EXPECT_EQ(w.procedure().downcursor, b);
    EXPECT_EQ(w.procedure().upcursor, a);
    EXPECT_TRUE(calibrate->isEnabled());
    calibrate->click();
    ASSERT_EQ(w.procedure().calstep(), 5);
    EXPECT_EQ(w.findChild<QLabel*>("overloadlabel")->text().toStdString(),
              "Overload limit for a sinusoid at the microphone is 100.0 dB");
    auto* sign = w.findChild<QPushButton*>("signbutton");
    EXPECT_FALSE(sign->isEnabled());
    w.findChild<QLineEdit*>("nameedit")->setText("Ann");
    EXPECT_EQ(w.findChild<QLabel*>("instruction")->text().toStdString(),
              "Press \"Sign & save calibration of LEFT channel!\"");
    const fs::path calfile = t.form.calibration_filename();
    fs::create_directories(calfile);
    sign->click();
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(t.ui.messages[0].text.find("left channel was not signed"), std::string::npos);
    EXPECT_NE(w.result(), QDialog::Accepted);
    EXPECT_EQ(t.form.signedpersonid[0], "");
    fs::remove(calfile);
    sign->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_NEAR(t.form.signedfactors[0], 2.83, 0.02);
    EXPECT_EQ(t.form.signedpersonid[0], "Ann");
}

// Nothing measured, nothing signed: before the first level, or once the device is gone, the
// calibrator's button stays off and the procedure refuses a signature made another way.
TEST(CalibratorWindow, NoSignatureWithoutALevel) {
    ttestform t;
    tsimulatedwavein in;
    in.names = {"Mic"};
    in.source = sine_on_left(1000.0, 44100.0);
    TCalibratorWindow w(t.form, in);
    ASSERT_TRUE(w.start(0));
    w.findChild<QLineEdit*>("nameedit")->setText("Ann");
    auto* sign = w.findChild<QPushButton*>("signbutton");
    EXPECT_FALSE(sign->isEnabled());
    EXPECT_THROW(w.procedure().sign("Ann"), EGravonError);
    in.run(2);
    EXPECT_TRUE(sign->isEnabled());
    w.procedure().stop();
    EXPECT_THROW(w.procedure().sign("Ann"), EGravonError);
    EXPECT_EQ(t.form.signedpersonid[0], "");
    EXPECT_EQ(t.form.signedfactors[0], 100.0);
}

TEST(SoundLevelMeterWindow, NoSignatureBeforeAStretchWasMeasured) {
    ttestform t;
    tsimulatedwavein in;
    tsimulatedwaveout out;
    TSoundLevelMeterWindow w(t.form, in, out);
    w.start(0, 2);
    EXPECT_THROW(w.procedure().sign("Ann"), EGravonError);
    EXPECT_EQ(t.form.signedfactors[0], 100.0);
}

TEST(WaveformView, DrawsColumnsMarksAndEdges) {
    TWaveformView view;
    view.resize(20, 100);
    std::vector<tminmax> columns(20);
    columns[5] = {-1000, 1000};
    columns[12] = {-100, 100};
    view.set_waveform(columns, 15, 10, Qt::red);
    const QImage image = view.grab().toImage();
    EXPECT_EQ(image.pixelColor(2, 5), QColor(Qt::white));
    // The largest column fills the height; a tenth of it reaches a tenth of the half.
    EXPECT_EQ(image.pixelColor(5, 2), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(5, 97), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(12, 50), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(12, 30), QColor(192, 192, 192)); // marked, above its line
    EXPECT_EQ(image.pixelColor(10, 30), QColor(Qt::black));     // the marks' edges
    EXPECT_EQ(image.pixelColor(15, 30), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(17, 30), QColor(Qt::white));
}

} // namespace
} // namespace gravon
