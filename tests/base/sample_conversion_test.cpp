#include "base/errors.h"
#include "base/peak_interpolation.h"
#include "base/random.h"
#include "base/rounding.h"
#include "base/sample_conversion.h"
#include "base/text_utils.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace gravon;

TEST(Rounding, HalvesGoToEven) {
    EXPECT_EQ(roundint(0.5), 0);
    EXPECT_EQ(roundint(1.5), 2);
    EXPECT_EQ(roundint(-2.5), -2);
    EXPECT_EQ(truncint(-2.7), -2);
    EXPECT_EQ(roundint(1e300), 2147483647);
    EXPECT_EQ(roundint(std::nan("")), 0);
    EXPECT_EQ(ceilint(-2.5), -2);
    EXPECT_EQ(floorint(-2.5), -3);
}

TEST(Rounding, Int64SaturatesOnlyBeyondItsRange) {
    // The largest double below 2^63 is still an int64 and must convert exactly.
    EXPECT_EQ(roundint64(9223372036854774784.0), 9223372036854774784LL);
    EXPECT_EQ(roundint64(9223372036854775808.0), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(roundint64(-9223372036854775808.0), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(roundint64(-1e300), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(roundint64(2.5), 2);
    EXPECT_EQ(roundint64(std::nan("")), 0);
}

TEST(Random, RecurrenceFromSeed) {
    RandSeed(0);
    EXPECT_DOUBLE_EQ(Random(), 1.0 / 4294967296.0);
    EXPECT_EQ(RandSeedValue(), 1u);
    EXPECT_DOUBLE_EQ(Random(), 134775814.0 / 4294967296.0);
    RandSeed(0xFFFFFFFFu);
    Random();
    EXPECT_EQ(RandSeedValue(), static_cast<std::uint32_t>(0xFFFFFFFFull * 134775813ull + 1ull));
}

TEST(DoubleToSample, SaturatesAndDithers) {
    EXPECT_EQ(doubletosample(false, 40000), 32767);
    EXPECT_EQ(doubletosample(false, -40000), -32768);
    EXPECT_EQ(doubletosample(false, 2.5), 2);
    RandSeed(12345);
    for (int i = 0; i < 10000; ++i) {
        EXPECT_LE(doubletosample(true, 32767.0), 32766);
        EXPECT_GE(doubletosample(true, -32768.0), -32767);
    }
}

TEST(Int24, PackAndUnpack) {
    EXPECT_EQ(int24toint(tint24{{0xFF, 0xFF, 0x7F}}), 8388607);
    EXPECT_EQ(int24toint(tint24{{0x00, 0x00, 0x80}}), -8388608);
    EXPECT_EQ(int24toint(inttoint24(-1)), -1);
    EXPECT_EQ(int24toint(inttoint24(123456)), 123456);
    try {
        inttoint24(8388608);
        FAIL();
    } catch (const ERangeError& e) {
        EXPECT_STREQ(e.what(), "Int24 overflow: 8388608");
    }
    try {
        inttoint24(-8388609);
        FAIL();
    } catch (const ERangeError& e) {
        EXPECT_STREQ(e.what(), "Int24 underflow: -8388609");
    }
}

TEST(PeakInterpolation, OffsetsAndPeaks) {
    EXPECT_DOUBLE_EQ(parabolicoffset(false, 1, 2, 1), 0);
    EXPECT_DOUBLE_EQ(parabolicoffset(false, 0, 1, 3), -1.5);
    EXPECT_DOUBLE_EQ(parabolicoffset(true, 0, 1, 3), -1);
    EXPECT_DOUBLE_EQ(parabolicoffset(true, 1, 1, 1), 0);
    EXPECT_DOUBLE_EQ(parabolicoffset(true, 1, 2, 3), 1);
    EXPECT_DOUBLE_EQ(parabolicoffset(true, 3, 2, 1), -1);
    EXPECT_DOUBLE_EQ(parabolicpeak(true, 1, 2, 1), 2);
    // Non-finite values are an arithmetic failure: 0, not a clamp limit.
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_DOUBLE_EQ(parabolicoffset(true, std::nan(""), 1, 2), 0);
    EXPECT_DOUBLE_EQ(parabolicoffset(true, inf, 1, 2), 0);
    EXPECT_DOUBLE_EQ(parabolicoffset(false, 1, 2, inf), 0);
    // Extreme but finite values stay finite.
    EXPECT_DOUBLE_EQ(parabolicoffset(true, 1e300, 0, -1e300), -1);
    EXPECT_TRUE(islocalpeak(1, 2, 1));
    EXPECT_FALSE(islocalpeak(2, 2, 1));
}

TEST(TextUtils, FieldsAndReplacement) {
    EXPECT_EQ(commafield("x,y,z", 2), "y");
    EXPECT_EQ(commafield("x,y,z", 3), "z");
    EXPECT_EQ(commafield("x,y,z", 4), "");
    EXPECT_EQ(commafield("x,y,z", 0), "");
    EXPECT_EQ(commafield("14.1,,3", 2), "");
    EXPECT_EQ(replaceall("a&b&c", "&", "&&"), "a&&b&&c");
    EXPECT_EQ(insertbeforeext("voice.wav", "_L"), "voice_L.wav");
    EXPECT_EQ(insertbeforeext("rec", "_pg"), "rec_pg");
    EXPECT_EQ(insertbeforeext("C:\\a.b\\rec", "_pg"), "C:\\a_pg.b\\rec");
    EXPECT_EQ(lowercase("AbC"), "abc");
    EXPECT_EQ(replaceall("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replaceall("abc", "", "x"), "abc");
}

TEST(TextUtils, LowercaseKeepsAtMostHundredThousandCharacters) {
    EXPECT_EQ(lowercase(std::string(100001, 'A')), std::string(100000, 'a'));
    // Two-byte characters count once and are never cut in half.
    std::string umlauts;
    for (int i = 0; i < 100001; ++i) umlauts += "\xC3\x84";
    std::string r = lowercase(umlauts);
    EXPECT_EQ(r.size(), 200000u);
    EXPECT_EQ(r.substr(0, 2), "\xC3\x84");
    EXPECT_EQ(lowercase("X\xC3\x84Y"), "x\xC3\x84y");
}
