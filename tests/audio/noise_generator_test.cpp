#include "audio/masking_noise.h"
#include "audio/noise_generator.h"
#include "audio/simulated_wave_service.h"
#include "base/random.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace gravon;

namespace {

constexpr double fs = 44100.0;

double rms(const TWaveChunk& a, std::size_t from, std::size_t step) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t k = from; k < a.size(); k += step, ++n) sum += double(a[k]) * a[k];
    return std::sqrt(sum / double(n));
}

// `frames` stereo frames of the generator's noise, from a fixed seed.
TWaveChunk noise(tnoisegenerator& g, std::int32_t frames) {
    RandSeed(0);
    TWaveChunk a(static_cast<std::size_t>(frames) * 2);
    g.fill(a, static_cast<std::int32_t>(a.size()));
    return a;
}

TEST(NoiseGenerator, WhiteNoiseLevelAndChannels) {
    tnoisegenerator g(fs);
    g.settings.noisespectrum = 2;
    g.settings.softnoiseonset = false;
    g.settings.noiselevel = -40.0;
    const TWaveChunk a = noise(g, 200000);
    // u1 - u2 is triangular on (-1, 1), variance 1/6; -40 dB is a tenth of the -20 dB scale.
    EXPECT_NEAR(rms(a, 0, 2), 0.1 * 32768.0 / std::sqrt(6.0), 0.01 * 1337.8);
    for (std::size_t k = 0; k < a.size(); k += 2) ASSERT_EQ(a[k], a[k + 1]);

    // At the default level the noise reaches the ends of the 16-bit range.
    g.settings.noiselevel = -20.0;
    g.settings.noiseplayleft = false;
    const TWaveChunk full = noise(g, 200000);
    std::int32_t peak = 0;
    for (std::size_t k = 0; k < full.size(); k += 2) {
        ASSERT_EQ(full[k], 0);
        peak = std::max(peak, std::abs(std::int32_t{full[k + 1]}));
    }
    EXPECT_GT(peak, 32000);
}

TEST(NoiseGenerator, LowPassedNoiseIsQuieterByTheFilter) {
    tnoisegenerator g(fs);
    g.settings.softnoiseonset = false;
    g.settings.noisespectrum = 1;
    g.settings.noiselevel = -40.0;
    const double filtered = rms(noise(g, 400000), 0, 2);
    // White noise through G (1 + z^-1) (1 - p) / 2 / (1 - p z^-1) keeps G^2 (1 - p) / 2 of its
    // power, with p the bilinear pole of 2 kHz and G -13.5 dB.
    const double t = std::tan(std::numbers::pi * 2000.0 / fs);
    const double p = (1 - t) / (1 + t);
    const double expected = 1337.8 * std::pow(10.0, -0.675) * std::sqrt((1 - p) / 2);
    EXPECT_NEAR(filtered, expected, 0.03 * expected);
}

TEST(NoiseGenerator, PinkNoiseHasEqualPowerPerOctave) {
    tnoisegenerator g(fs);
    g.settings.softnoiseonset = false;
    const TWaveChunk a = noise(g, 1 << 18);
    // Power in octaves around 250 Hz and 4 kHz from the differences of a running mean: band
    // power of a smoothed signal minus a more smoothed one.
    auto band = [&](double lo) {
        TRealFilterSection low, high;
        for (auto* f : {&low, &high}) {
            f->setSampFreq(fs);
            f->setFZero(1e9);
            f->setUnityGainAtHF(false);
        }
        low.setFPole(lo);
        high.setFPole(2 * lo);
        double sum = 0;
        for (std::size_t k = 0; k < a.size(); k += 2) {
            const double x = high.filter(a[k]) - low.filter(a[k]);
            if (k > 20000) sum += x * x;
        }
        return sum;
    };
    EXPECT_NEAR(10 * std::log10(band(250) / band(4000)), 0.0, 1.5);
}

TEST(NoiseGenerator, SoftOnsetRisesFromSilenceOverTwoSeconds) {
    tnoisegenerator g(fs);
    g.settings.noisespectrum = 2;
    g.start(fs);
    EXPECT_EQ(g.noiseonsetnsamples, 88200);
    TWaveChunk a(2);
    g.fill(a, 2);
    EXPECT_EQ(a[0], 0);
    EXPECT_EQ(a[1], 0);
    EXPECT_EQ(g.noiseonsetgain, 0.0);
    for (int k = 0; k < 44100; ++k) g.next();
    EXPECT_NEAR(g.noiseonsetgain, 0.5, 1e-6);
    for (int k = 0; k < 44100; ++k) g.next();
    EXPECT_EQ(g.noiseonsetgain, 1.0);
    g.next();
    EXPECT_EQ(g.noiseonsetgain, 1.0);
    // A new start begins from silence again.
    g.start(fs);
    g.next();
    EXPECT_EQ(g.noiseonsetgain, 0.0);
}

TEST(MaskingNoise, PlaysStereoNoiseUntilStopped) {
    tsimulatedwaveout device;
    tmaskingnoise noise(device, fs);
    noise.generator.settings.softnoiseonset = false;
    noise.start(fs);
    EXPECT_TRUE(noise.playing());
    EXPECT_EQ(device.format().channels, 2);
    EXPECT_EQ(device.format().samplespersec, 44100);
    device.run(6);
    noise.stop();
    device.run(100);
    EXPECT_FALSE(noise.playing());
    ASSERT_EQ(device.played.size(), 6u * 4096);
    EXPECT_GT(rms(device.played, 0, 2), 100.0);
}

} // namespace
