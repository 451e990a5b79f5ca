#include "files/extended_float.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

using namespace gravon;

namespace {

textended bytes(std::initializer_list<int> b) {
    textended r{};
    int i = 0;
    for (int x : b) r[i++] = static_cast<std::uint8_t>(x);
    return r;
}

textended make(bool neg, int exponent, std::uint64_t significand) {
    textended r{};
    for (int i = 0; i < 8; ++i) r[i] = static_cast<std::uint8_t>(significand >> (8 * i));
    const unsigned se = static_cast<unsigned>(exponent) | (neg ? 0x8000u : 0u);
    r[8] = static_cast<std::uint8_t>(se);
    r[9] = static_cast<std::uint8_t>(se >> 8);
    return r;
}

double dec(const textended& x) {
    return extended_to_double(x);
}

std::uint64_t bits(double v) {
    return std::bit_cast<std::uint64_t>(v);
}

} // namespace

TEST(ExtendedEncode, LayoutOfKnownValues) {
    EXPECT_EQ(double_to_extended(1.0), bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
    EXPECT_EQ(double_to_extended(-2.0), bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}));
    EXPECT_EQ(double_to_extended(0.1),
              bytes({0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}));
    EXPECT_EQ(double_to_extended(1e300),
              bytes({0x00, 0xE0, 0xAC, 0x03, 0x40, 0xE4, 0x21, 0xBF, 0xE3, 0x43}));
    EXPECT_EQ(double_to_extended(std::numeric_limits<double>::max()),
              bytes({0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x43}));
    EXPECT_EQ(double_to_extended(std::numeric_limits<double>::min()),
              bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x3C}));
}

TEST(ExtendedEncode, ZerosInfinitiesAndNaN) {
    EXPECT_EQ(double_to_extended(0.0), bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(double_to_extended(-0.0), bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}));
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(double_to_extended(inf), bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}));
    EXPECT_EQ(double_to_extended(-inf), bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}));
    // The default quiet NaN becomes the x87 "real indefinite" pattern apart from the sign.
    EXPECT_EQ(double_to_extended(std::bit_cast<double>(0x7FF8000000000000ull)),
              bytes({0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F}));
}

TEST(ExtendedEncode, SubnormalDoublesAreNormalised) {
    // The smallest subnormal, 2^-1074.
    EXPECT_EQ(double_to_extended(std::bit_cast<double>(1ull)),
              bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B}));
    // 3 * 2^-1074: significand 1.1b, exponent -1073.
    EXPECT_EQ(double_to_extended(std::bit_cast<double>(3ull)),
              make(false, 16383 - 1073, 0xC000000000000000ull));
    // The largest subnormal.
    const double big = std::bit_cast<double>(0x000FFFFFFFFFFFFFull);
    EXPECT_EQ(double_to_extended(big), make(false, 16383 - 1023, 0xFFFFFFFFFFFFF000ull));
}

TEST(ExtendedRoundTrip, EveryKindOfDoubleComesBackBitExact) {
    const double specials[] = {0.0,
                               -0.0,
                               1.0,
                               -1.5,
                               0.1,
                               1e300,
                               -1e-300,
                               1.0 / 3.0,
                               std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::lowest(),
                               std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(),
                               -std::numeric_limits<double>::denorm_min(),
                               std::bit_cast<double>(0x000FFFFFFFFFFFFFull),
                               std::bit_cast<double>(0x0000000012345678ull),
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity()};
    for (double v : specials) EXPECT_EQ(bits(dec(double_to_extended(v))), bits(v)) << v;

    std::mt19937_64 gen(20240611);
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t b = gen();
        const double v = std::bit_cast<double>(b);
        if (std::isnan(v)) {
            EXPECT_TRUE(std::isnan(dec(double_to_extended(v))));
            continue;
        }
        ASSERT_EQ(bits(dec(double_to_extended(v))), b) << std::hex << b;
    }
}

TEST(ExtendedRoundTrip, NaNPayloadAndSignSurvive) {
    for (std::uint64_t b : {0x7FF8000000000001ull, 0xFFF8000000000000ull, 0x7FF0000000000001ull,
                            0x7FFFFFFFFFFFFFFFull}) {
        const double v = std::bit_cast<double>(b);
        EXPECT_EQ(bits(dec(double_to_extended(v))), b) << std::hex << b;
    }
}

TEST(ExtendedDecode, ValuesWrittenAtFullPrecisionRoundToTheNearestDouble) {
    // Extended values nearest to the decimal numbers, as a program computing in extended
    // precision writes them.
    EXPECT_EQ(dec(bytes({0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F})), 0.1);
    EXPECT_EQ(dec(bytes({0x2D, 0xDD, 0xAC, 0x03, 0x40, 0xE4, 0x21, 0xBF, 0xE3, 0x43})), 1e300);
    EXPECT_EQ(dec(bytes({0xAB, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xFD, 0x3F})), 1.0 / 3.0);
    // 1e-310 lies in the subnormal range of doubles.
    EXPECT_EQ(dec(bytes({0xA3, 0x7E, 0x58, 0x31, 0x87, 0x5B, 0x44, 0x93, 0xF9, 0x3B})), 1e-310);
}

TEST(ExtendedDecode, HalvesRoundToEven) {
    // 1 + 2^-53 lies halfway between 1 and the next double: stays 1.
    EXPECT_EQ(dec(make(false, 16383, 0x8000000000000400ull)), 1.0);
    // Just above halfway: up.
    EXPECT_EQ(dec(make(false, 16383, 0x8000000000000401ull)), 1.0 + 0x1p-52);
    // 1 + 3*2^-53 lies halfway between two doubles; the even one is 1 + 2^-51.
    EXPECT_EQ(dec(make(false, 16383, 0x8000000000000C00ull)), 1.0 + 0x1p-51);
    // All ones rounds up into the next binade.
    EXPECT_EQ(dec(make(true, 16383, 0xFFFFFFFFFFFFFFFFull)), -2.0);
}

TEST(ExtendedDecode, OverflowAndUnderflow) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(dec(make(false, 16383 + 1024, 0x8000000000000000ull)), inf);
    EXPECT_EQ(dec(make(true, 0x7FFE, 0x8000000000000000ull)), -inf);
    // Rounding the largest extended of binade 1023 overflows.
    EXPECT_EQ(dec(make(false, 16383 + 1023, 0xFFFFFFFFFFFFFFFFull)), inf);
    // Just below that rounding point the largest double comes out.
    EXPECT_EQ(dec(make(false, 16383 + 1023, 0xFFFFFFFFFFFFF800ull - 1)),
              std::numeric_limits<double>::max());
    // Half the smallest subnormal rounds to (even) zero, with the sign kept.
    EXPECT_EQ(bits(dec(make(true, 16383 - 1075, 0x8000000000000000ull))), bits(-0.0));
    // Three quarters of it rounds up to it.
    EXPECT_EQ(dec(make(false, 16383 - 1075, 0xC000000000000000ull)),
              std::numeric_limits<double>::denorm_min());
    // One and a half of it is halfway between 1 and 2 subnormal steps: 2.
    EXPECT_EQ(bits(dec(make(false, 16383 - 1074, 0xC000000000000000ull))), 2ull);
    // Rounding up out of the subnormal range gives the smallest normal double.
    EXPECT_EQ(dec(make(false, 16383 - 1023, 0xFFFFFFFFFFFFFFFFull)),
              std::numeric_limits<double>::min());
    // Far below the double range.
    EXPECT_EQ(dec(make(false, 1, 0x8000000000000000ull)), 0.0);
}

TEST(ExtendedDecode, SpecialEncodings) {
    const double inf = std::numeric_limits<double>::infinity();
    // Extended denormals (exponent 0) are far below the double range.
    EXPECT_EQ(dec(make(false, 0, 1)), 0.0);
    EXPECT_EQ(bits(dec(make(true, 0, 0x7FFFFFFFFFFFFFFFull))), bits(-0.0));
    // Infinity with or without the integer bit.
    EXPECT_EQ(dec(make(false, 0x7FFF, 0x8000000000000000ull)), inf);
    EXPECT_EQ(dec(make(false, 0x7FFF, 0)), inf);
    // NaNs stay NaNs, also when the payload sits only in bits a double cannot keep.
    EXPECT_TRUE(std::isnan(dec(make(false, 0x7FFF, 0xC000000000000000ull))));
    EXPECT_TRUE(std::isnan(dec(make(false, 0x7FFF, 0x8000000000000001ull))));
    EXPECT_TRUE(std::signbit(dec(make(true, 0x7FFF, 0xC000000000000000ull))));
    // An unnormal (integer bit clear) is taken at its numeric value.
    EXPECT_EQ(dec(make(false, 16383, 0x4000000000000000ull)), 0.5);
}

TEST(ExtendedDecode, AgreesWithHardwareExtendedWhereAvailable) {
    if constexpr (std::numeric_limits<long double>::digits != 64 || sizeof(long double) < 10) {
        GTEST_SKIP() << "no 80-bit long double to compare with";
    } else {
        std::mt19937_64 gen(99);
        for (int i = 0; i < 200000; ++i) {
            std::uint64_t m = gen();
            int e = static_cast<int>(gen() & 0xFFFF);
            // Keep to canonical encodings, and mostly to exponents near the double range.
            if (i % 4 != 0) e = (e & 0x8000) | (16383 - 1100 + static_cast<int>(gen() % 2200));
            if ((e & 0x7FFF) != 0)
                m |= 1ull << 63;
            else
                m &= ~(1ull << 63);
            if ((e & 0x7FFF) == 0x7FFF) continue;
            const textended x = make(false, 0, m);
            textended y = x;
            y[8] = static_cast<std::uint8_t>(e);
            y[9] = static_cast<std::uint8_t>(e >> 8);
            long double ld = 0;
            std::memcpy(&ld, y.data(), 10);
            const double want = static_cast<double>(ld);
            ASSERT_EQ(bits(dec(y)), bits(want)) << std::hex << m << " " << e;
        }
    }
}
