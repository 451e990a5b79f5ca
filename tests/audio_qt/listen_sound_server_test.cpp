// "Listen to selection" on the real sound server of the tests (sound_server.sh): a take of two
// steady vowels, 200 Hz and then 330 Hz; the cells of one are selected and played through the
// Qt wave-out service into the null sink, whose monitor is recorded with parec. What comes out
// is the sound of that vowel's frames sample for sample, and before and after it nothing.
#include "audio/qt/qt_audio_factory.h"
#include "base/pitch.h"
#include "core/action_states.h"
#include "core/selection_sound.h"
#include "core/test_form.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace gravon {
namespace {

void wait_ms(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(ListenOnTheSoundServer, TheSelectedVowelsFramesPlaySampleForSampleAndNothingElse) {
    if (!std::getenv("PULSE_SERVER") && std::filesystem::exists("/tmp/gravon-pulse/native"))
        setenv("PULSE_SERVER", "unix:/tmp/gravon-pulse/native", 1);
    if (std::system("pactl list short sinks 2>/dev/null | grep -q gravon_sink") != 0)
        GTEST_SKIP() << "no test sound server: run scripts/sound_server.sh start";
    testing::ttestform t;
    TForm1& form = t.form;
    form.advanced.calibrationrecalculate = false;
    synth::tsynthparams p;
    synth::tphrase second;
    second.points = {{1.6, freqtosemitone(330), 95}, {2.8, freqtosemitone(330), 95}};
    p.phrases = {synth::steady_phrase(1.2, 200, 95), second};
    p.vibrato_cents = 0;
    p.leadin = 0.5;
    t.start();
    t.feed(testing::stereo_of(synth::synthesize(p)));
    form.StopActionExecute();
    tqtaudiofactory devices;
    form.attach_audio(devices);

    const std::int32_t x = std::int32_t(std::lround(freqtosemitone(330)));
    ASSERT_TRUE(form.select_bins(x - 1, 0, x + 1, nlevelbins - 1));
    const std::vector<float> sound =
        selection_sound(form, selected_sound_runs(form, form), form.storefs);
    ASSERT_GT(double(sound.size()) / form.storefs, 1.0);

    const std::string raw = (t.config.root / "monitor.raw").string();
    ASSERT_EQ(std::system(("timeout 5 parec -d gravon_sink.monitor --format=s16le --rate=44100 "
                           "--channels=1 --raw > '" +
                           raw + "' 2>/dev/null &")
                              .c_str()),
              0);
    QElapsedTimer clock;
    clock.start();
    wait_ms(500);
    form.ListenToSelectionActionExecute();
    ASSERT_TRUE(form.listening()) << (t.ui.messages.empty() ? "" : t.ui.messages[0].text);
    while (form.listening() && clock.elapsed() < 4500) wait_ms(20);
    // It ended by itself, and Stop with it.
    EXPECT_FALSE(form.listening());
    EXPECT_FALSE(action_states(form)[tactionid::stop].enabled);
    wait_ms(int(std::max<qint64>(5400 - clock.elapsed(), 0)));

    std::ifstream in(raw, std::ios::binary);
    std::vector<double> rec;
    std::int16_t v = 0;
    while (in.read(reinterpret_cast<char*>(&v), 2)) rec.push_back(v / 32768.0);
    ASSERT_GT(rec.size(), 44100u * 3) << "parec recorded too little";

    // Where the sound lies in the recording: first to 10 ms by the envelopes, which fit at one
    // place only (the vowel itself is alike everywhere), then to the sample.
    const std::size_t n = sound.size(), block = 441;
    ASSERT_GT(rec.size(), n + 2 * block);
    const auto envelope = [&](const auto& x) {
        std::vector<double> e;
        for (std::size_t i = 0; i + block <= x.size(); i += block) {
            double s = 0;
            for (std::size_t j = i; j < i + block; ++j) s += double(x[j]) * x[j];
            e.push_back(std::sqrt(s / block));
        }
        return e;
    };
    const std::vector<double> erec = envelope(rec), esound = envelope(sound);
    double best = -1;
    std::size_t coarse = 0;
    for (std::size_t b = 0; b + esound.size() <= erec.size(); ++b) {
        double c = 0;
        for (std::size_t j = 0; j < esound.size(); ++j) c += erec[b + j] * esound[j];
        if (c > best) {
            best = c;
            coarse = b * block;
        }
    }
    best = -1;
    std::size_t start = 0;
    for (std::size_t at = coarse > block ? coarse - block : 0;
         at <= coarse + block && at + n <= rec.size(); ++at) {
        double c = 0;
        for (std::size_t i = 0; i < n; ++i) c += rec[at + i] * sound[i];
        if (c > best) {
            best = c;
            start = at;
        }
    }
    // All of it is there, in order and at the level it was recorded: piece by piece the
    // recording less the sound is far below it. (The sound server may resample, so a piece may
    // sit a sample or two off and the difference is no rounding noise.)
    double ss = 0, rs = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ss += double(sound[i]) * sound[i];
        rs += rec[start + i] * sound[i];
    }
    const double gain = rs / ss;
    EXPECT_NEAR(gain, 1.0, 0.1);
    ASSERT_TRUE(start >= 4 && start + n + 4 <= rec.size());
    const std::size_t piece = 4096;
    for (std::size_t p0 = 0; p0 + piece <= n; p0 += piece) {
        double fit = 1e30;
        for (int shift = -4; shift <= 4; ++shift) {
            double e2 = 0, s2 = 0;
            for (std::size_t i = p0; i < p0 + piece; ++i) {
                const double e = rec[std::size_t(std::int64_t(start + i) + shift)] - sound[i];
                e2 += e * e;
                s2 += double(sound[i]) * sound[i];
            }
            fit = std::min(fit, 10 * std::log10((e2 + 1e-30) / (s2 + 1e-30)));
        }
        EXPECT_LT(fit, -12.0) << "the piece at " << p0;
    }
    // And nothing else played, the other vowel least of all: before and after it the sink is
    // silent.
    double outside = 0;
    for (std::size_t i = 0; i < rec.size(); ++i)
        if (i + 441 < start || i > start + n + 441) outside += rec[i] * rec[i];
    EXPECT_LT(10 * std::log10((outside + 1e-30) / ss), -40.0);
    EXPECT_TRUE(t.ui.messages.empty()) << t.ui.messages[0].text;
}

} // namespace
} // namespace gravon
