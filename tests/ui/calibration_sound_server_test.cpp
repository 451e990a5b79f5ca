// One calibration end to end on the real sound server of the tests (sound_server.sh): a 1 kHz
// tone of known level is played into the null sink, the sound-level-meter window records it
// back from the loopback microphone, is told the meter's reading, marks the tone and signs;
// a live recording of a second tone, 10 dB softer, then reads 10 dB less.
#include "audio/qt/qt_audio_factory.h"
#include "audio/qt/qt_wave_service.h"
#include "core/test_form.h"
#include "support/event_wait.h"
#include "support/sound_server.h"
#include "synth/wav_writer.h"
#include "ui/sound_level_meter_window.h"
#include "ui/waveform_view.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace gravon {
namespace {

using gravon::testing::wait_ms;

// A stereo 1 kHz tone of `seconds` at `dbfs` (peak re full scale), played in the background.
void play_tone(const std::filesystem::path& dir, const char* name, double dbfs, double seconds) {
    const double peak = 32767.0 * std::pow(10.0, dbfs / 20.0);
    std::vector<std::int16_t> s;
    for (int i = 0; i < int(seconds * 44100); ++i) {
        const auto v =
            std::int16_t(std::lround(peak * std::sin(2 * std::numbers::pi * 1000.0 * i / 44100)));
        s.push_back(v);
        s.push_back(v);
    }
    const std::string file = (dir / name).string();
    synth::write_wav16(file, 44100, 2, s);
    ASSERT_EQ(std::system(("paplay '" + file + "' >/dev/null 2>&1 &").c_str()), 0);
}

TEST(CalibrationOnTheSoundServer, TheSignedFactorMakesASecondToneReadItsLevel) {
    gravon::testing::use_test_sound_server();
    if (std::system("pactl list short sources 2>/dev/null | grep -q gravon_mic") != 0)
        GTEST_SKIP() << "no loopback microphone: run scripts/sound_server.sh start";
    testing::ttestform t;
    TForm1& form = t.form;
    form.advanced.calibrationrecalculate = false; // levels at the microphone

    // A reading of 90 dB(A) for a tone at -20 dB re full scale: 0.632 Pa rms from 0.0707 of
    // full scale, so a full scale of 8.944 Pa.
    {
        tqtwavein in;
        tqtwaveout out;
        TSoundLevelMeterWindow w(form, in, out);
        w.resize(700, 500);
        w.start(0, 3); // a vowel or outside tone: the window plays nothing itself
        auto* calibrate = w.findChild<QPushButton*>("calibratebutton");
        play_tone(t.config.root, "cal.wav", -20, 4.0);
        calibrate->click(); // records
        wait_ms(2500);
        calibrate->click(); // the reading
        ASSERT_EQ(w.procedure().calstep(), 3);
        w.findChild<QLineEdit*>("leveledit")->setText("90");
        calibrate->click();
        ASSERT_EQ(w.procedure().calstep(), 4);
        // Mark the last stretch that was recorded, inside the tone.
        const int width = w.waveform().width();
        QTest::mousePress(&w.waveform(), Qt::LeftButton, {}, QPoint(width - 80, 50));
        QMouseEvent move(QEvent::MouseMove, QPointF(width - 20, 50),
                         w.waveform().mapToGlobal(QPointF(width - 20, 50)), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(&w.waveform(), &move);
        QTest::mouseRelease(&w.waveform(), Qt::LeftButton, {}, QPoint(width - 20, 50));
        calibrate->click();
        ASSERT_EQ(w.procedure().calstep(), 5);
        w.findChild<QLineEdit*>("nameedit")->setText("Ann");
        w.findChild<QPushButton*>("signbutton")->click();
    }
    EXPECT_EQ(form.signedpersonid[0], "Ann");
    EXPECT_NEAR(20 * std::log10(form.signedfactors[0] / 8.944), 0.0, 0.1);
    wait_ms(1500); // the first tone is over

    // A live take of a tone 10 dB softer reads 80 dB.
    tqtaudiofactory devices;
    form.attach_audio(devices);
    form.RecordActionExecute(true);
    form.set_paused(false);
    play_tone(t.config.root, "check.wav", -30, 3.0);
    wait_ms(3500);
    form.StopActionExecute();
    std::vector<float> levels;
    for (int k = 0; k < form.frames(); ++k)
        levels.push_back(form.paramarr[trackspl][0][std::size_t(k)]);
    ASSERT_GT(levels.size(), 100u);
    std::sort(levels.begin(), levels.end());
    // The tone's frames are the loudest; the median of the loudest half is inside it.
    EXPECT_NEAR(levels[levels.size() * 3 / 4], 80.0, 0.1);
    EXPECT_TRUE(t.ui.messages.empty()) << t.ui.messages[0].text;
}

} // namespace
} // namespace gravon
