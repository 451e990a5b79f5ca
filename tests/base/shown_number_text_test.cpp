#include "base/errors.h"
#include "base/shown_number_text.h"

#include <gtest/gtest.h>
#include <limits>
#include <locale>

using namespace gravon;

TEST(ShownNumberText, SignificantDigits) {
    EXPECT_EQ(sigdigitssep(4, 220.46), "220.5");
    EXPECT_EQ(sigdigitssep(4, 220.46, ','), "220,5");
    EXPECT_EQ(sigdigitssep(3, 0.000123456, ','), "1,23E-4");
    EXPECT_EQ(sigdigitssep(3, 1234567), "1.23E6");
    EXPECT_EQ(sigdigitssep(4, std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(sigdigitssep(4, -std::numeric_limits<double>::infinity()), "-INF");
}

TEST(ShownNumberText, PlainText) {
    EXPECT_EQ(floattostrsep(110.0), "110");
    EXPECT_EQ(floattostrsep(0.5, ','), "0,5");
    EXPECT_EQ(floattostrsep(1.5e-7), "1.5E-7");
    EXPECT_EQ(floattostrsep(std::numeric_limits<double>::infinity()), "INF");
}

TEST(ShownNumberText, Patterns) {
    EXPECT_EQ(formatfloatsep("0.0", 80.0), "80.0");
    EXPECT_EQ(formatfloatsep("0.0", 1.24, ','), "1,2");
    EXPECT_EQ(formatfloatsep("0", -0.4), "0");
    EXPECT_EQ(formatfloatsep("0.000", 33.00722), "33.007");
    EXPECT_EQ(formatfloatsep("#,##0.00", 1234.5), "1,234.50");
    EXPECT_EQ(formatfloatsep("#,##0.00", 1234.5, ','), "1.234,50");
    EXPECT_EQ(formatfloatsep("0.0", std::numeric_limits<double>::quiet_NaN()), "NAN");
}

TEST(ShownNumberText, NoteNames) {
    EXPECT_EQ(notenamesep("A3 +0.72 cent", ','), "A3 +0,72 cent");
    EXPECT_EQ(notenamesep("Bb4 -45 cent", ','), "Bb4 -45 cent");
    EXPECT_EQ(notenamesep("C#2", ','), "C#2");
    EXPECT_EQ(notenamesep("-", ','), "-");
}

TEST(ShownNumberText, Parsing) {
    EXPECT_EQ(strtofloatsep("110.5"), 110.5);
    EXPECT_EQ(strtofloatsep("110,5", ','), 110.5);
    EXPECT_EQ(strtofloatsep(" -3 ", ','), -3.0);
    try {
        strtofloatsep("1.5", ',');
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'1.5' is not a valid floating point value");
    }
    try {
        strtofloatsep("1,5x", ',');
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'1,5x' is not a valid floating point value");
    }
    try {
        strtofloatsep("");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot convert empty string to number");
    }
}

namespace {

struct commapunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
};

// Installs a comma locale for one test and restores the previous one.
struct commalocale {
    std::locale previous = std::locale::global(std::locale(std::locale::classic(), new commapunct));
    ~commalocale() { std::locale::global(previous); }
};

} // namespace

TEST(ShownNumberText, TheGivenSeparatorWinsOverTheLocale) {
    commalocale guard;
    EXPECT_EQ(sigdigitssep(4, 220.46), "220.5");
    EXPECT_EQ(sigdigitssep(4, 220.46, ';'), "220;5");
    EXPECT_EQ(floattostrsep(0.25), "0.25");
    EXPECT_EQ(formatfloatsep("0.0", 2.5), "2.5");
}
