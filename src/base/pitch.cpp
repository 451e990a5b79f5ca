#include "base/pitch.h"

#include "base/rounding.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace gravon {

namespace {

// Remainder and quotient rounded towards minus infinity, so that semitone numbers below 0
// (frequencies under about 8.2 Hz) keep their pitch class and octave.
std::int64_t floormod(std::int64_t a, std::int64_t m) {
    std::int64_t r = a % m;
    return r < 0 ? r + m : r;
}
std::int64_t floordiv(std::int64_t a, std::int64_t m) {
    std::int64_t q = a / m;
    return (a % m != 0 && a < 0) ? q - 1 : q;
}

// c in two significant digits, the shorter of the exponent form ("1.2E-4", the mantissa
// always with one decimal) and the plain form of the same rounded value ("0.00012");
// the plain form wins a tie. The locale's decimal separator is used.
std::string twosigdigits(double c) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1E", c);
    // buf is [-]d<sep>dE(+|-)ddd; the separator may be any locale character.
    std::string text(buf);
    bool negative = text[0] == '-';
    std::string digits;
    size_t epos = text.find('E');
    for (size_t i = 0; i < epos; ++i)
        if (text[i] >= '0' && text[i] <= '9') digits += text[i];
    int exponent = std::atoi(text.c_str() + epos + 1);
    if (digits == "00") exponent = 0;
    const char* dp = std::localeconv()->decimal_point;
    std::string sep = (dp && *dp) ? dp : ".";

    std::string sign = negative ? "-" : "";
    std::string e = sign + digits.substr(0, 1) + sep + digits.substr(1) + "E" +
                    (exponent < 0 ? "-" : "") + std::to_string(std::abs(exponent));

    // Plain text of 0.d1d2 x 10^(exponent+1).
    std::string intpart, fracpart;
    int pointpos = exponent + 1; // digits before the decimal point
    if (pointpos <= 0) {
        intpart = "0";
        fracpart = std::string(-pointpos, '0') + digits;
    } else if (pointpos >= 2) {
        intpart = digits + std::string(pointpos - 2, '0');
    } else {
        intpart = digits.substr(0, 1);
        fracpart = digits.substr(1);
    }
    while (!fracpart.empty() && fracpart.back() == '0') fracpart.pop_back();
    if (digits == "00") sign.clear();
    std::string p = sign + intpart + (fracpart.empty() ? "" : sep + fracpart);
    return e.size() < p.size() ? e : p;
}

const char* const pitchclassnames[12] = {"C",  "C#", "D",  "Eb", "E",  "F",
                                         "F#", "G",  "Ab", "A",  "Bb", "B"};

} // namespace

bool isblackkey(std::int32_t n) {
    return floormod(7 * std::int64_t(n) + 18, 12) < 5;
}

std::string notename(double s, bool withcents) {
    if (!std::isfinite(s)) return "-";
    std::int64_t n = roundint64(s);
    std::string name = pitchclassnames[floormod(n, 12)];
    name += std::to_string(floordiv(n, 12) - 1);
    if (withcents) {
        std::string cents = twosigdigits((s - double(n)) * 100.0);
        if (cents.empty() || cents[0] != '-') cents = "+" + cents;
        name += " " + cents + " cent";
    }
    return name;
}

std::string freqnotename(double f, bool withcents) {
    if (!(f > 0)) return "-";
    return notename(freqtosemitone(f), withcents);
}

double nicestep(double x) {
    if (!(x > 0)) return 0;
    if (std::isinf(x)) return x;
    double l = std::log10(x);
    double e = l >= 0 ? std::trunc(l) : std::trunc(l) - 1.0;
    double scale = std::pow(10.0, e);
    double q = x / scale;
    double m;
    if (q < sqrt2)
        m = 1;
    else if (q < sqrt10)
        m = 2;
    else if (q < sqrt50)
        m = 5;
    else
        m = 10;
    return scale * m;
}

} // namespace gravon
