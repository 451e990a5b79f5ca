#include "base/pitch.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace gravon;

TEST(Pitch, SemitoneAndFrequency) {
    EXPECT_DOUBLE_EQ(freqtosemitone(440), 69);
    EXPECT_DOUBLE_EQ(freqtosemitone(880), 81);
    EXPECT_NEAR(freqtosemitone(100), 43.35, 0.005);
    EXPECT_NEAR(semitonetofreq(60), 261.63, 0.005);
    EXPECT_DOUBLE_EQ(semitonetofreq(69), 440);
    for (double s : {0.0, 24.0, 43.35, 127.0})
        EXPECT_NEAR(freqtosemitone(semitonetofreq(s)), s, 1e-12);
    EXPECT_TRUE(std::isinf(freqtosemitone(0)));
}

TEST(Pitch, BlackKeys) {
    const bool black[12] = {false, true,  false, true,  false, false,
                            true,  false, true,  false, true,  false};
    for (int n = -36; n < 140; ++n) {
        int pc = ((n % 12) + 12) % 12;
        EXPECT_EQ(isblackkey(n), black[pc]) << n;
    }
    EXPECT_FALSE(isblackkey(2147483647 - 7)); // a C; 7n does not overflow
    EXPECT_TRUE(isblackkey(2147483647 - 4));
}

TEST(Levels, ConstantsAndLevels) {
    EXPECT_DOUBLE_EQ(ln10, std::log(10.0));
    EXPECT_DOUBLE_EQ(ln2, std::log(2.0));
    EXPECT_DOUBLE_EQ(sqrt2, std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(sqrt10, std::sqrt(10.0));
    EXPECT_DOUBLE_EQ(sqrt50, std::sqrt(50.0));
    EXPECT_DOUBLE_EQ(tenoverlog2of10, 10.0 / std::log2(10.0));
    EXPECT_DOUBLE_EQ(twentyoverlog2of10, 20.0 / std::log2(10.0));
    EXPECT_NEAR(powerlevel(100), 20, 1e-12);
    EXPECT_NEAR(amplitudelevel(100), 40, 1e-12);
    EXPECT_NEAR(powerlevel(2), 3.0103, 1e-4);
    EXPECT_DOUBLE_EQ(power10(2), 100);
    EXPECT_DOUBLE_EQ(power2(10), 1024);
    EXPECT_DOUBLE_EQ(log10x(1000), 3);
    EXPECT_DOUBLE_EQ(log2x(8), 3);
    EXPECT_EQ(powerlevel(0), -std::numeric_limits<double>::infinity());
}

TEST(NoteName, NamesAndOctaves) {
    EXPECT_EQ(notename(60, false), "C4");
    EXPECT_EQ(notename(69, false), "A4");
    EXPECT_EQ(notename(24, false), "C1");
    EXPECT_EQ(notename(61, false), "C#4");
    EXPECT_EQ(notename(63, false), "Eb4");
    EXPECT_EQ(notename(68, false), "Ab4");
    EXPECT_EQ(notename(70, false), "Bb4");
    EXPECT_EQ(notename(71, false), "B4");
    EXPECT_EQ(notename(0, false), "C-1");
    EXPECT_EQ(notename(127, false), "G9");
    // Halves go to the even semitone.
    EXPECT_EQ(notename(60.5, false), "C4");
    EXPECT_EQ(notename(61.5, false), "D4");
    // Below semitone 0 the pitch class and octave stay right.
    EXPECT_EQ(notename(-1, false), "B-2");
    EXPECT_EQ(notename(-12, false), "C-2");
    EXPECT_EQ(notename(-13, false), "B-3");
    EXPECT_EQ(notename(std::nan(""), false), "-");
    EXPECT_EQ(notename(std::numeric_limits<double>::infinity(), true), "-");
}

TEST(NoteName, WithCents) {
    EXPECT_EQ(notename(69.123, true), "A4 +12 cent");
    EXPECT_EQ(notename(56.95, true), "A3 -5 cent");
    EXPECT_EQ(notename(69, true), "A4 +0 cent");
    EXPECT_EQ(notename(60.5, true), "C4 +50 cent");
    EXPECT_EQ(notename(61.5, true), "D4 -50 cent");
    EXPECT_EQ(notename(60.0123, true), "C4 +1.2 cent");
    EXPECT_EQ(notename(60.00123, true), "C4 +0.12 cent");
    EXPECT_EQ(notename(59.9999, true), "C4 -0.01 cent");
    // 0.0012 and 1.2E-3 are equally long: the plain form wins; below that the exponent.
    EXPECT_EQ(notename(60.0000123, true), "C4 +0.0012 cent");
    EXPECT_EQ(notename(60 + 1.23e-6, true), "C4 +1.2E-4 cent");
    EXPECT_EQ(notename(60.0996, true), "C4 +10 cent");
}

TEST(NoteName, FromFrequency) {
    EXPECT_EQ(freqnotename(0, true), "-");
    EXPECT_EQ(freqnotename(-5, false), "-");
    EXPECT_EQ(freqnotename(440, false), "A4");
    EXPECT_EQ(freqnotename(261.6256, false), "C4");
    EXPECT_EQ(freqnotename(4, false), "C-2");
}

TEST(NiceStep, StepsOfOneTwoFive) {
    EXPECT_DOUBLE_EQ(nicestep(0.15), 0.2);
    EXPECT_DOUBLE_EQ(nicestep(3.2), 5);
    EXPECT_DOUBLE_EQ(nicestep(8), 10);
    EXPECT_DOUBLE_EQ(nicestep(0), 0);
    EXPECT_DOUBLE_EQ(nicestep(1), 1);
    EXPECT_DOUBLE_EQ(nicestep(1.41), 1);
    EXPECT_DOUBLE_EQ(nicestep(1.42), 2);
    EXPECT_DOUBLE_EQ(nicestep(3.16), 2);
    EXPECT_DOUBLE_EQ(nicestep(7.07), 5);
    EXPECT_DOUBLE_EQ(nicestep(7.08), 10);
    EXPECT_DOUBLE_EQ(nicestep(0.1), 0.1);
    EXPECT_DOUBLE_EQ(nicestep(450), 500);
    EXPECT_DOUBLE_EQ(nicestep(12000), 10000);
    EXPECT_DOUBLE_EQ(nicestep(0.0032), 0.005);
    EXPECT_DOUBLE_EQ(nicestep(-3), 0);
    EXPECT_DOUBLE_EQ(nicestep(std::nan("")), 0);
}
