#include "base/g711.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace gravon;

TEST(ALaw, ZeroAndFullScaleCodes) {
    // Zero sits just above the decision value 0: the positive code of the smallest level,
    // 0x80 with the even bits inverted.
    EXPECT_EQ(lineartoalaw(0), 0xD5);
    EXPECT_EQ(lineartoalaw(-1), 0x55);
    EXPECT_EQ(lineartoalaw(32767), 0xAA);
    EXPECT_EQ(lineartoalaw(-32768), 0x2A);
    EXPECT_EQ(alawtolinear(0xD5), 8);
    EXPECT_EQ(alawtolinear(0x55), -8);
    EXPECT_EQ(alawtolinear(0xAA), 32256);
    EXPECT_EQ(alawtolinear(0x2A), -32256);
}

TEST(ALaw, SegmentBoundaries) {
    // 13-bit magnitudes 0..31 form segment 0 and 32..63 segment 1, both with step 2; from
    // segment 2 on the step doubles. Decoded values are the interval midpoints.
    EXPECT_EQ(alawtolinear(lineartoalaw(31 * 8)), 248); // top interval of segment 0: 30..31
    EXPECT_EQ(lineartoalaw(32 * 8) ^ 0xD5, 0x10);
    EXPECT_EQ(lineartoalaw(64 * 8) ^ 0xD5, 0x20);
    EXPECT_EQ(lineartoalaw(128 * 8) ^ 0xD5, 0x30);
    EXPECT_EQ(lineartoalaw(2048 * 8) ^ 0xD5, 0x70);
    EXPECT_EQ(alawtolinear(0x20 ^ 0xD5), (64 + 2) * 8);
}

TEST(ALaw, ExpansionTableValues) {
    // The first codes of the expansion table: the even-bit inversion scrambles their order.
    EXPECT_EQ(alawtolinear(0x00), -5504);
    EXPECT_EQ(alawtolinear(0x01), -5248);
    EXPECT_EQ(alawtolinear(0x02), -6016);
    EXPECT_EQ(alawtolinear(0x03), -5760);
    EXPECT_EQ(alawtolinear(0x80), 5504);
}

TEST(ALaw, EveryCodeRoundTrips) {
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(lineartoalaw(alawtolinear(std::uint8_t(c))), c) << "code " << c;
}

TEST(ALaw, MonotonicWithBoundedError) {
    int prev = -32768 - 1;
    for (int x = -32768; x <= 32767; ++x) {
        int y = alawtolinear(lineartoalaw(std::int16_t(x)));
        ASSERT_GE(y, prev) << x;
        prev = y;
        int err = std::abs(y - x);
        if (std::abs(x) < 512)
            ASSERT_LE(err, 8) << x;
        else
            ASSERT_LE(err, 512) << x;
    }
}

TEST(MuLaw, ZeroAndFullScaleCodes) {
    EXPECT_EQ(lineartoulaw(0), 0xFF);
    EXPECT_EQ(lineartoulaw(32767), 0x80);
    EXPECT_EQ(lineartoulaw(-32768), 0x00);
    EXPECT_EQ(ulawtolinear(0xFF), 0);
    EXPECT_EQ(ulawtolinear(0x7F), 0); // the negative zero
    EXPECT_EQ(ulawtolinear(0x80), 32124);
    EXPECT_EQ(ulawtolinear(0x00), -32124);
    // 14-bit magnitude 1 lands in the second interval of segment 0.
    EXPECT_EQ(lineartoulaw(4), 0xFE);
    EXPECT_EQ(ulawtolinear(0xFE), 8);
}

TEST(MuLaw, ExpansionTableValues) {
    // The top segment has steps of 1024.
    EXPECT_EQ(ulawtolinear(0x01), -31100);
    EXPECT_EQ(ulawtolinear(0x02), -30076);
    EXPECT_EQ(ulawtolinear(0x81), 31100);
    EXPECT_EQ(ulawtolinear(0x7E), -8);
}

TEST(MuLaw, EveryCodeRoundTripsExceptNegativeZero) {
    for (int c = 0; c < 256; ++c) {
        int back = lineartoulaw(ulawtolinear(std::uint8_t(c)));
        if (c == 0x7F)
            EXPECT_EQ(back, 0xFF);
        else
            EXPECT_EQ(back, c) << "code " << c;
    }
}

TEST(MuLaw, MonotonicWithBoundedError) {
    int prev = -32768 - 1;
    for (int x = -32768; x <= 32767; ++x) {
        int y = ulawtolinear(lineartoulaw(std::int16_t(x)));
        ASSERT_GE(y, prev) << x;
        prev = y;
        int err = std::abs(y - x);
        if (std::abs(x) < 120)
            ASSERT_LE(err, 8) << x;
        else if (std::abs(x) <= 32124)
            ASSERT_LE(err, 512 + 3) << x; // half a top step, plus the 2 dropped low bits
        else
            ASSERT_LE(err, 32768 - 32124) << x; // clipped at the largest code
    }
}
