#include "base/errors.h"
#include "base/number_text.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <locale>
#include <random>
#include <string>

using namespace gravon;

namespace {

// A locale that writes numbers the continental way: "," before the decimals, "." between
// thousands.
struct commapunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
};

// Every test leaves the global locales as it found them.
class NumberText : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = std::locale();
        const char* c = std::setlocale(LC_ALL, nullptr);
        savedc = c ? c : "C";
    }
    void TearDown() override {
        std::locale::global(saved);
        std::setlocale(LC_ALL, savedc.c_str());
    }
    std::locale saved;
    std::string savedc;
};

std::string converterror(const std::string& s) {
    try {
        strtofloatdot(s);
    } catch (const EConvertError& e) {
        return e.what();
    }
    return "no error";
}

// The plain text as the rule states it: the shortest digits that read back as x, rounded
// half up to 15 significant digits, in fixed notation for exponents -5...14.
std::string byshortestdigits(double x) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
    std::string all(buf, r.ptr);
    const bool neg = all[0] == '-';
    if (neg) all.erase(0, 1);
    const std::size_t epos = all.find('e');
    int e = std::atoi(all.c_str() + epos + 1);
    std::string digits;
    for (std::size_t i = 0; i < epos; ++i)
        if (all[i] != '.') digits += all[i];
    if (digits.size() > 15) {
        const bool up = digits[15] >= '5';
        digits.resize(15);
        for (int i = 14; up; --i) {
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                digits.pop_back();
                ++e;
                break;
            }
            if (digits[std::size_t(i)] == '9') {
                digits[std::size_t(i)] = '0';
            } else {
                ++digits[std::size_t(i)];
                break;
            }
        }
    }
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    if (digits.empty()) return "0";
    std::string t = neg ? "-" : "";
    if (e < -5 || e >= 15) {
        t += digits.substr(0, 1);
        if (digits.size() > 1) t += "." + digits.substr(1);
        return t + "E" + std::to_string(e);
    }
    if (e < 0) return t + "0." + std::string(std::size_t(-e - 1), '0') + digits;
    if (digits.size() <= std::size_t(e + 1))
        return t + digits + std::string(std::size_t(e + 1) - digits.size(), '0');
    return t + digits.substr(0, std::size_t(e + 1)) + "." + digits.substr(std::size_t(e + 1));
}

} // namespace

TEST_F(NumberText, SigDigitsChoosesTheShorterForm) {
    EXPECT_EQ(sigdigits(4, 220.46), "220.5");
    EXPECT_EQ(sigdigits(3, 0.000123456), "1.23E-4");
    EXPECT_EQ(sigdigits(3, 1234567), "1.23E6");
    EXPECT_EQ(sigdigits(4, 0.0001235), "1.235E-4");
    EXPECT_EQ(sigdigits(4, 800.0 / 7), "114.3");
    // Equal lengths give the plain form.
    EXPECT_EQ(sigdigits(1, 100), "100");
    EXPECT_EQ(sigdigits(1, 1000), "1E3");
    EXPECT_EQ(sigdigits(2, 12.3), "12");
    EXPECT_EQ(sigdigits(2, (56.95 - 57) * 100), "-5");
    EXPECT_EQ(sigdigits(2, 0.5), "0.5");
    EXPECT_EQ(sigdigits(3, 0), "0");
    EXPECT_EQ(sigdigits(3, 9.996), "10");
    EXPECT_EQ(sigdigits(0, 3.7), "4");
    EXPECT_EQ(sigdigits(2, 12.5), "13");
    EXPECT_EQ(sigdigits(3, -1234567), "-1.23E6");
    EXPECT_EQ(sigdigits(4, std::nan("")), "NAN");
    EXPECT_EQ(sigdigits(4, -std::numeric_limits<double>::infinity()), "-INF");
    EXPECT_EQ(sigdigits(50, 0.1), "0.1");
}

TEST_F(NumberText, PlainNumberText) {
    EXPECT_EQ(floattostrdot(0), "0");
    EXPECT_EQ(floattostrdot(-0.0), "0");
    EXPECT_EQ(floattostrdot(16000), "16000");
    EXPECT_EQ(floattostrdot(-2.5), "-2.5");
    EXPECT_EQ(floattostrdot(0.1 + 0.2), "0.3");
    EXPECT_EQ(floattostrdot(1e20), "1E20");
    EXPECT_EQ(floattostrdot(1.5e-7), "1.5E-7");
    EXPECT_EQ(floattostrdot(0.00001), "0.00001");
    EXPECT_EQ(floattostrdot(0.000009), "9E-6");
    EXPECT_EQ(floattostrdot(999999999999999.0), "999999999999999");
    EXPECT_EQ(floattostrdot(1e15), "1E15");
    EXPECT_EQ(floattostrdot(-1.25e300), "-1.25E300");
    EXPECT_EQ(floattostrdot(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(floattostrdot(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(floattostrdot(9999999999999999.0), "1E16");
    EXPECT_EQ(floattostrdot(0.3), "0.3");
    EXPECT_EQ(floattostr(0.3), "0.3");
    EXPECT_EQ(floattostr(std::nan("")), "NAN");
    EXPECT_EQ(floattostr(std::numeric_limits<double>::infinity()), "INF");
    // A stored number must read back; non-finite values have no stored form.
    EXPECT_EQ(floattostrdot(std::nan("")), "");
    EXPECT_EQ(floattostrdot(std::numeric_limits<double>::infinity()), "");
    // Rounding to 15 digits that carries into a new first digit, also across the edge of
    // the fixed notation, and a stored single-precision value.
    EXPECT_EQ(floattostrdot(0.99999999999999994), "1");
    EXPECT_EQ(floattostrdot(-99.999999999999996), "-100");
    EXPECT_EQ(floattostrdot(9.9999999999999995e-6), "0.00001");
    EXPECT_EQ(floattostrdot(999999999999999.94), "1E15");
    EXPECT_EQ(floattostrdot(double(0.1f)), "0.100000001490116");
    EXPECT_EQ(floattostrdot(double(79.12345f)), "79.1234512329102");
    EXPECT_EQ(floattostrdot(5e-324), "5E-324");
    // Appending gives the same text after what is there; nothing for values without one.
    std::string s = "a,";
    appendfloattostrdot(s, double(0.1f));
    appendfloattostrdot(s, std::nan(""));
    appendfloattostrdot(s, -1.5e-7);
    EXPECT_EQ(s, "a,0.100000001490116-1.5E-7");
}

TEST_F(NumberText, RoundSigDigits) {
    EXPECT_EQ(roundsigdigits(6, 0.1234567), "0.123457");
    EXPECT_EQ(roundsigdigits(6, 2.0 / 3), "0.666667");
    EXPECT_EQ(roundsigdigits(6, -1), "-1");
    EXPECT_EQ(roundsigdigits(6, 14.142135623), "14.1421");
    EXPECT_EQ(roundsigdigits(6, 1e-7 / 3), "3.33333E-8");
    EXPECT_EQ(roundsigdigits(6, 123456789), "123457000");
    EXPECT_EQ(roundsigdigits(1, 2.5), "3");
    EXPECT_EQ(roundsigdigits(0, 0.046), "0.05");
    EXPECT_EQ(roundsigdigits(6, 0), "0");
    EXPECT_EQ(roundsigdigits(6, std::nan("")), "");
}

TEST_F(NumberText, StrToFloatDotParses) {
    EXPECT_DOUBLE_EQ(strtofloatdot("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(strtofloatdot(" -1e3 "), -1000);
    EXPECT_DOUBLE_EQ(strtofloatdot("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(strtofloatdot("1."), 1);
    EXPECT_DOUBLE_EQ(strtofloatdot("14.1"), 14.1);
    EXPECT_DOUBLE_EQ(strtofloatdot("1.5E-7"), 1.5e-7);
    EXPECT_DOUBLE_EQ(strtofloatdot("-32768"), -32768);
    EXPECT_EQ(strtofloatdot("1e-999"), 0.0);
    EXPECT_EQ(strtofloatdot("0.000000000000000000000000000000000000000000000000000000000000000000"
                            "000000000000000000000000000000000000000000000000000000000000000000"
                            "000000000000000000000000000000000000000000000000000000000000000000"
                            "000000000000000000000000000000000000000000000000000000000000000000"
                            "000000000000000000000000000000000000000000000000000000000000000001"),
              0.0);
    // Every plain text reads back as the same value to 15 digits.
    for (double v : {0.1, 1.0 / 3, 1e20, -1.5e-7, 44100.0, 123.456, 6.02214076e23})
        EXPECT_NEAR(strtofloatdot(floattostrdot(v)), v, std::fabs(v) * 1e-14);
}

TEST_F(NumberText, StrToFloatDotRefusesMalformedText) {
    EXPECT_EQ(converterror(""), "Cannot convert empty string to number");
    EXPECT_EQ(converterror("abc"), "'abc' is not a valid floating point value");
    EXPECT_EQ(converterror("1,5"), "'1,5' is not a valid floating point value");
    EXPECT_EQ(converterror(" "), "' ' is not a valid floating point value");
    for (const char* bad : {".", "-", "1e", "1e+", "1.2.3", "nan", "NAN", "inf", "-INF", "0x10",
                            "1e999", "1 2", "--1", "1e5x", "\x01"})
        EXPECT_NE(converterror(bad), "no error") << bad;
    EXPECT_THROW(strtofloatdot("1e999"), EConvertError);
    EXPECT_THROW(strtofloatdot(std::string(100000, '9')), EConvertError);
}

TEST_F(NumberText, FormatFloatDotPatterns) {
    EXPECT_EQ(formatfloatdot("0.######", 16000), "16000");
    EXPECT_EQ(formatfloatdot("0.######", 44100.5), "44100.5");
    EXPECT_EQ(formatfloatdot("0.######", 1.0 / 3), "0.333333");
    EXPECT_EQ(formatfloatdot("0.######", 0.0000004), "0");
    EXPECT_EQ(formatfloatdot("0.######", 0.0000005), "0.000001");
    EXPECT_EQ(formatfloatdot("0.0", 2.25), "2.3");
    EXPECT_EQ(formatfloatdot("0.0", 60), "60.0");
    EXPECT_EQ(formatfloatdot("0.0", -0.01), "0.0");
    EXPECT_EQ(formatfloatdot("0.0", -3.14), "-3.1");
    EXPECT_EQ(formatfloatdot("0.000", 0.0005), "0.001");
    EXPECT_EQ(formatfloatdot("0", 2.5), "3");
    EXPECT_EQ(formatfloatdot("0", 0.4), "0");
    EXPECT_EQ(formatfloatdot("0", 1e20), "100000000000000000000");
    EXPECT_EQ(formatfloatdot("00.0", 5), "05.0");
    EXPECT_EQ(formatfloatdot("#.##", 0.5), ".5");
    EXPECT_EQ(formatfloatdot("#,##0.00", 1234567.891), "1,234,567.89");
    EXPECT_EQ(formatfloatdot("#,##0", 999), "999");
    EXPECT_EQ(formatfloatdot("0.000E+00", 1234.5), "1.235E+03");
    EXPECT_EQ(formatfloatdot("0.0000E+0000", 0.1234567), "1.2346E-0001");
    EXPECT_EQ(formatfloatdot("0.000E-0", 220.46), "2.205E2");
    EXPECT_EQ(formatfloatdot("0.###E-0", 0), "0E0");
    EXPECT_EQ(formatfloatdot("0.00 'dB'", 3), "3.00 dB");
    EXPECT_EQ(formatfloatdot("0;(0);\"zero\"", -5), "(5)");
    EXPECT_EQ(formatfloatdot("0;(0);\"zero\"", 0.2), "zero");
    EXPECT_EQ(formatfloatdot("0;(0);\"zero\"", 7), "7");
    EXPECT_EQ(formatfloatdot("", 0.5), "0.5");
    EXPECT_EQ(formatfloatdot("0.######", std::nan("")), "");
    EXPECT_EQ(formatfloat("0.0", std::nan("")), "NAN");
    EXPECT_EQ(formatfloat("0.0", 1.25), "1.3");
}

TEST_F(NumberText, DotFormsIgnoreACommaLocale) {
    std::locale::global(std::locale(std::locale::classic(), new commapunct));
    EXPECT_EQ(localedecimalseparator(), ',');
    EXPECT_EQ(floattostrdot(1.5), "1.5");
    EXPECT_EQ(roundsigdigits(6, 2.0 / 3), "0.666667");
    EXPECT_EQ(formatfloatdot("0.######", 44100.5), "44100.5");
    EXPECT_EQ(formatfloatdot("#,##0.0", 1234.5), "1,234.5");
    EXPECT_DOUBLE_EQ(strtofloatdot("1.5"), 1.5);
    EXPECT_THROW(strtofloatdot("1,5"), EConvertError);
    // The forms shown to the user follow the locale.
    EXPECT_EQ(floattostr(1.5), "1,5");
    EXPECT_EQ(sigdigits(4, 220.46), "220,5");
    EXPECT_EQ(sigdigits(3, 0.000123456), "1,23E-4");
    EXPECT_EQ(formatfloat("#,##0.0", 1234.5), "1.234,5");
}

TEST_F(NumberText, DotFormsIgnoreAnInstalledGermanLocale) {
    std::locale de;
    try {
        de = std::locale("de_DE.UTF-8");
    } catch (const std::runtime_error&) {
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    }
    std::locale::global(de);
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_EQ(floattostrdot(1.5), "1.5");
    EXPECT_EQ(formatfloatdot("0.######", 16000.25), "16000.25");
    EXPECT_EQ(roundsigdigits(6, 0.1234567), "0.123457");
    EXPECT_DOUBLE_EQ(strtofloatdot("2.75"), 2.75);
    EXPECT_EQ(floattostr(1.5), "1,5");
}

TEST_F(NumberText, PlainTextOfManyNumbersFollowsTheShortestDigits) {
    // Tables write most numbers by a short way from the binary form; it must give the text of
    // the rule for every value: random magnitudes across the fixed notation's edges, values
    // widened from single precision, integers, powers of ten and their neighbours, and values
    // within a few units in the last place of a 15-digit rounding midpoint, where the short
    // way has to step aside.
    std::mt19937_64 gen(20261210);
    std::uniform_real_distribution<double> expo(-8.0, 17.0);
    std::uniform_int_distribution<std::uint64_t> fifteen(100000000000000ull, 999999999999999ull);
    std::uniform_int_distribution<int> tenth(-7, 16);
    std::vector<double> values;
    for (int i = 0; i < 300000; ++i) {
        const double x = std::pow(10.0, expo(gen)) * (gen() & 1 ? 1 : -1);
        values.push_back(x);
        values.push_back(double(float(x)));
        values.push_back(std::nearbyint(x));
        // A midpoint N.5 x 10^k and its neighbours.
        const std::string mid =
            std::to_string(fifteen(gen)) + "5e" + std::to_string(tenth(gen) - 15);
        double b = std::strtod(mid.c_str(), nullptr);
        for (int k = 0; k < 3; ++k) b = std::nextafter(b, 0.0);
        for (int k = 0; k < 7; ++k, b = std::nextafter(b, 1e300)) values.push_back(b);
    }
    for (int k = -7; k <= 16; ++k) {
        double p = std::pow(10.0, k);
        for (int j = 0; j < 4; ++j) p = std::nextafter(p, 0.0);
        for (int j = 0; j < 9; ++j, p = std::nextafter(p, 1e300)) values.push_back(p);
    }
    for (const double x : values) ASSERT_EQ(floattostrdot(x), byshortestdigits(x)) << x;
}
