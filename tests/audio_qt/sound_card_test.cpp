// The main window's masking noise and keyboard tone through the real sound server, recorded
// back from the null sink's monitor (the loopback microphone of scripts/sound_server.sh, the
// sound_server of the tests): what reaches the headphones has the level and pitch it should.
#include "audio/mpc_record.h"
#include "audio/qt/qt_audio_factory.h"
#include "audio/qt/qt_wave_service.h"
#include "core/test_form.h"
#include "support/event_wait.h"
#include "support/sound_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <stdexcept>

namespace gravon {
namespace {

using gravon::testing::wait_ms;

// The left channel of the loopback microphone, 16-bit at 44.1 kHz.
struct tcapture {
    tqtwavein in;
    TMPCRecord rec{in};
    std::vector<double> left;
    tcapture() {
        rec.setnChans(2);
        rec.setsfTot(88200);
        rec.setnBits(16);
        rec.setnBuffers(16);
        rec.setnChunkSamples(2048);
        rec.OnFetch = [this](const TWaveChunk& a, std::int32_t used, bool&) {
            for (std::int32_t i = 0; i + 1 < used; i += 2) left.push_back(a[std::size_t(i)]);
        };
    }
    // RMS and zero-crossing frequency of the loudest 0.4 s.
    std::pair<double, double> loudest() const {
        const std::size_t n = 17640, step = 4410;
        double best = 0, freq = 0;
        for (std::size_t at = 0; at + n <= left.size(); at += step) {
            double s = 0;
            int crossings = 0;
            for (std::size_t i = at; i < at + n; ++i) {
                s += left[i] * left[i];
                if (i > at && (left[i - 1] < 0) != (left[i] < 0)) ++crossings;
            }
            const double rms = std::sqrt(s / double(n));
            if (rms > best) {
                best = rms;
                freq = crossings / 2.0 / (double(n) / 44100.0);
            }
        }
        return {best, freq};
    }
};

double db(double x) {
    return 20 * std::log10(x);
}

TEST(SoundCard, MaskingNoiseAndAKeyboardToneHaveTheirLevelAndPitch) {
    gravon::testing::use_test_sound_server();
    gravon::testing::ttempconfig config;
    gravon::testing::trecordinginterface ui;
    TForm1 form(ui);
    tqtaudiofactory devices;
    form.attach_audio(devices);
    const auto& inputs = form.audiodevicenames.input;
    if (std::find(inputs.begin(), inputs.end(), "Gravon_loopback_microphone") == inputs.end())
        GTEST_SKIP() << "no loopback microphone: run scripts/sound_server.sh start";
    form.FormActivate({});

    // White noise at -20 dB: the triangular noise spans the whole 16-bit range, so its RMS is
    // 32768 / sqrt(6).
    form.options.noisespectrum = 2;
    form.options.noiselevel = -20;
    form.options.softnoiseonset = false;
    {
        tcapture cap;
        cap.rec.Run();
        form.PlayNoiseActionExecute(true);
        EXPECT_TRUE(form.noiseplaying());
        wait_ms(1500);
        form.PlayNoiseActionExecute(false);
        wait_ms(200);
        cap.rec.Stop();
        EXPECT_NEAR(db(cap.loudest().first), db(32768 / std::sqrt(6.0)), 1.0);
    }
    // The keyboard's A4 as a plain sine at -20 dB: a peak of 2000, an RMS of 1414, 440 Hz.
    form.options.voicelike = false;
    form.options.keyboardnpartials = 1;
    form.options.keyboardlevel = -20;
    {
        tcapture cap;
        cap.rec.Run();
        form.KeyBoard1NoteOn(69);
        EXPECT_TRUE(form.keyboardblocktime > 0 || form.MPCkeyboardplay->blocks_analysis());
        wait_ms(1500);
        form.KeyBoard1NoteOff(69);
        wait_ms(200);
        cap.rec.Stop();
        const auto [rms, freq] = cap.loudest();
        EXPECT_NEAR(db(rms), db(2000 / std::sqrt(2.0)), 1.0);
        EXPECT_NEAR(freq, 440.0, 5.0);
    }
    EXPECT_TRUE(ui.messages.empty()) << ui.messages[0].text;
}

// A handler that raises inside the service's delivery of a notification is reported where the
// factory was told (the window posts it as a message), not written to the terminal.
TEST(SoundCard, AHandlerThatRaisesIsReportedWhereTheFactoryWasTold) {
    gravon::testing::use_test_sound_server();
    tqtaudiofactory devices;
    std::vector<std::string> reports;
    devices.report_failures_to([&](const std::string& text) { reports.push_back(text); });
    const std::unique_ptr<twaveinservice> in = devices.make_wavein();
    if (in->device_names().empty())
        GTEST_SKIP() << "no input device: run scripts/sound_server.sh start";
    struct traising : twaveclient {
        void wave_opened() override { throw std::runtime_error("waveinUnPrepareHeader: raised"); }
        void wave_done(twaveheader&) override {}
    } client;
    ASSERT_EQ(in->open(-1, make_waveformat(1, 16000, 16), client), wave_noerror);
    wait_ms(300);
    in->close();
    in->detach(client);
    EXPECT_EQ(reports, std::vector<std::string>{"waveinUnPrepareHeader: raised"});
}

} // namespace
} // namespace gravon
