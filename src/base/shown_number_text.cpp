#include "base/shown_number_text.h"

#include "base/errors.h"
#include "base/number_text.h"

#include <cmath>

namespace gravon {

namespace {

std::string nonfinite(double x) {
    if (std::isnan(x)) return "NAN";
    return x > 0 ? "INF" : "-INF";
}

// The texts below hold no other punctuation than the separator (and grouping, handled by
// the caller), so swapping one character is exact.
std::string swapchar(std::string s, char from, char to) {
    if (from == to) return s;
    for (char& c : s)
        if (c == from) c = to;
    return s;
}

} // namespace

std::string sigdigitssep(int n, double x, char sep) {
    if (!std::isfinite(x)) return nonfinite(x);
    return swapchar(sigdigits(n, x), localedecimalseparator(), sep);
}

std::string floattostrsep(double x, char sep) {
    if (!std::isfinite(x)) return nonfinite(x);
    return swapchar(floattostrdot(x), '.', sep);
}

std::string formatfloatsep(const std::string& pattern, double x, char sep) {
    if (!std::isfinite(x)) return nonfinite(x);
    std::string s = formatfloatdot(pattern, x);
    if (sep == '.') return s;
    // "." is the decimal point and "," the thousands separator in the dot form.
    char thousands = sep == ',' ? '.' : ',';
    for (char& c : s) {
        if (c == '.')
            c = sep;
        else if (c == ',')
            c = thousands;
    }
    return s;
}

std::string notenamesep(const std::string& name, char sep) {
    std::string s = name;
    for (char& c : s) {
        bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                     c == '#' || c == '-' || c == '+' || c == ' ';
        if (!plain) c = sep;
    }
    return s;
}

double strtofloatsep(const std::string& s, char sep) {
    if (s.empty()) return strtofloatdot(s);
    if (sep != '.' && s.find('.') != std::string::npos)
        throw EConvertError("'" + s + "' is not a valid floating point value");
    try {
        return strtofloatdot(swapchar(s, sep, '.'));
    } catch (const EConvertError&) {
        throw EConvertError("'" + s + "' is not a valid floating point value");
    }
}

} // namespace gravon
