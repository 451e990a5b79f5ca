#include "audio/keyboard_sound.h"
#include "audio/keyboard_tone.h"
#include "audio/simulated_wave_service.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace gravon;

namespace {

constexpr double fs = 44100.0;

tkeyboardtone plain_tone(std::int32_t npartials) {
    tkeyboardtone t;
    t.fs = fs;
    t.settings.voicelike = false;
    t.settings.keyboardnpartials = npartials;
    return t;
}

std::vector<double> samples(tkeyboardtone& t, std::int32_t n) {
    std::vector<double> v(static_cast<std::size_t>(n));
    for (auto& x : v) x = t.next();
    return v;
}

// Frequency from the upward zero crossings, interpolated, of a pure tone.
double frequency(const std::vector<double>& v) {
    double first = -1, last = -1;
    int crossings = 0;
    for (std::size_t k = 1; k < v.size(); ++k) {
        if (v[k - 1] < 0 && v[k] >= 0) {
            const double at = double(k - 1) + v[k - 1] / (v[k - 1] - v[k]);
            if (first < 0) first = at;
            last = at;
            ++crossings;
        }
    }
    return (crossings - 1) * fs / (last - first);
}

double rms(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x * x;
    return std::sqrt(s / double(v.size()));
}

TEST(KeyboardTone, PitchOfTheKeyAndLevelOfTheHarmonics) {
    tkeyboardtone one = plain_tone(1);
    EXPECT_TRUE(one.note_on(69));
    samples(one, 44100); // the amplitude settles
    EXPECT_NEAR(frequency(samples(one, 44100)), 440.0, 0.01);
    one.note_on(60);
    samples(one, 44100);
    EXPECT_NEAR(frequency(samples(one, 44100)), 261.6256, 0.01);

    // 30 harmonics at -6 dB/octave, all below half the rate: the sum has the level asked
    // for, 20000 × 10^(-20/20) peak for one sine.
    tkeyboardtone full = plain_tone(30);
    full.note_on(69);
    EXPECT_NEAR(full.keyboardpartialamp[2], 0.5, 0.002);
    EXPECT_EQ(full.keyboardpartialamp[0], 0.0);
    samples(full, 44100);
    EXPECT_NEAR(rms(samples(full, 44100)), 2000.0 / std::sqrt(2.0), 5.0);

    // An octave higher, harmonics 21..30 would reach 22050 Hz and are left out.
    tkeyboardtone high = plain_tone(30);
    high.note_on(81 + 12);
    samples(high, 44100);
    double kept = 0, all = 0;
    for (std::size_t i = 1; i <= 30; ++i) {
        all += std::pow(high.keyboardpartialamp[i], 2);
        if (i * 1760.0 < fs / 2) kept += std::pow(high.keyboardpartialamp[i], 2);
    }
    EXPECT_NEAR(rms(samples(high, 44100)), 2000.0 / std::sqrt(2.0) * std::sqrt(kept / all), 5.0);
}

TEST(KeyboardTone, FirstKeyStartsAtItsPitchLaterKeysGlide) {
    tkeyboardtone t = plain_tone(1);
    t.note_on(69);
    EXPECT_NEAR(t.freqnow, 440.0, 1e-6);
    t.next();
    EXPECT_NEAR(t.freqnow, 440.0, 1e-6);
    samples(t, 4410);

    EXPECT_FALSE(t.note_on(81)); // still sounding: no new player
    t.next();
    EXPECT_LT(t.freqnow, 441.0);
    samples(t, 44100);
    EXPECT_NEAR(t.freqnow, 880.0, 0.5);

    // Released: the tone fades, and the next key starts at its own pitch again.
    t.note_off();
    const double before = std::abs(samples(t, 100).back());
    EXPECT_GT(before, 0.0);
    samples(t, 44100);
    EXPECT_LT(rms(samples(t, 4410)), 1.0);
    t.note_on(57);
    EXPECT_NEAR(t.freqnow, 220.0, 1e-6);
}

TEST(KeyboardSound, KeysReuseTheOpenPlayerUntilFiveSecondsAfterRelease) {
    tsimulatedwaveout device;
    tkeyboardsound kb(device);
    kb.tone.fs = fs;
    EXPECT_FALSE(kb.blocks_analysis());
    kb.note_on(69);
    EXPECT_TRUE(kb.player.OwnBoard());
    EXPECT_EQ(device.format().channels, 2);
    EXPECT_EQ(device.format().samplespersec, 44100);
    EXPECT_TRUE(kb.blocks_analysis());
    device.run(3);

    for (int i = 0; i < 30; ++i) kb.timer_tick(200); // a held key never times out
    EXPECT_TRUE(kb.player.OwnBoard());
    kb.note_off(69);
    kb.timer_tick(200);
    EXPECT_TRUE(kb.blocks_analysis()); // 100 ms of the 300 left
    kb.timer_tick(200);
    EXPECT_FALSE(kb.blocks_analysis());
    kb.note_on(71); // within five seconds: the same opening
    EXPECT_EQ(device.opens(), 1);
    kb.note_off(71);
    for (int i = 0; i < 24; ++i) kb.timer_tick(200);
    EXPECT_TRUE(kb.player.OwnBoard());
    kb.timer_tick(200);
    EXPECT_FALSE(kb.player.OwnBoard());
    EXPECT_TRUE(kb.tone.keyboarding); // until the device reports the close
    device.deliver();
    EXPECT_FALSE(kb.tone.keyboarding);

    kb.note_on(60);
    EXPECT_EQ(device.opens(), 2);
}

TEST(KeyboardSound, SilentChannelsStillRunAndBlock) {
    tsimulatedwaveout device;
    tkeyboardsound kb(device);
    kb.tone.fs = fs;
    kb.tone.settings.keyboardplayleft = false;
    kb.tone.settings.keyboardplayright = false;
    kb.note_on(69);
    device.run(8);
    EXPECT_TRUE(kb.player.OwnBoard());
    EXPECT_TRUE(kb.blocks_analysis());
    ASSERT_EQ(device.played.size(), 8u * 2048);
    for (std::int16_t s : device.played) ASSERT_EQ(s, 0);

    kb.tone.settings.keyboardplayleft = true;
    kb.tone.settings.keyboardblock = false;
    EXPECT_FALSE(kb.blocks_analysis());
    device.run(5); // the four queued ones were filled before the change
    EXPECT_NE(device.played[12 * 2048 + 2 * 500], 0);
    EXPECT_EQ(device.played[12 * 2048 + 2 * 500 + 1], 0);
}

TEST(KeyboardSound, FailedOpenLetsTheNextKeyTryAgain) {
    tsimulatedwaveout device;
    tkeyboardsound kb(device);
    device.failopen = wave_error_allocated;
    EXPECT_ANY_THROW(kb.note_on(69));
    EXPECT_FALSE(kb.tone.keyboarding);
    device.failopen = wave_noerror;
    kb.note_on(69);
    EXPECT_TRUE(kb.player.OwnBoard());
}

} // namespace
