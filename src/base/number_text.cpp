#include "base/number_text.h"

#include "base/errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <locale>
#include <vector>

namespace gravon {

namespace {

// A finite number as decimal digits: value = d1.d2d3... x 10^exp. `digits` has no leading or
// trailing zeros; it is empty for zero.
struct decimal {
    bool neg = false;
    std::string digits;
    int exp = 0;

    bool iszero() const { return digits.empty(); }
    // The k-th significant digit (0 = the first), '0' outside the stored ones.
    char digit(int k) const {
        return (k >= 0 && k < static_cast<int>(digits.size())) ? digits[k] : '0';
    }
};

void striptrailingzeros(decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
}

// The shortest decimal text that reads back as x (x finite).
decimal shortest(double x) {
    decimal d;
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
    const char* p = buf;
    const char* end = r.ptr;
    if (p < end && *p == '-') {
        d.neg = true;
        ++p;
    }
    for (; p < end && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') d.digits += *p;
    int e = 0;
    if (p < end && *p == 'e') {
        ++p;
        bool eneg = false;
        if (p < end && (*p == '+' || *p == '-')) eneg = (*p++ == '-');
        std::from_chars(p, end, e);
        if (eneg) e = -e;
    }
    d.exp = e;
    striptrailingzeros(d);
    if (d.digits.empty()) {
        d.exp = 0;
        d.neg = false;
    }
    return d;
}

// Keeps nsig significant digits, rounding halves away from zero. nsig = 0 rounds to the
// power of ten just above the first digit or to zero; nsig < 0 always gives zero.
void roundto(decimal& d, int nsig) {
    if (d.iszero()) return;
    if (nsig < 0) {
        d = decimal{};
        return;
    }
    if (static_cast<int>(d.digits.size()) <= nsig) return;
    bool up = d.digits[nsig] >= '5';
    d.digits.resize(nsig);
    if (up) {
        int i = nsig - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exp;
        } else {
            ++d.digits[i];
        }
    }
    striptrailingzeros(d);
    if (d.iszero()) d = decimal{};
}

// Shortest fixed-notation text of d (no exponent), without sign.
std::string fixedtext(const decimal& d, char sep) {
    if (d.iszero()) return "0";
    std::string s;
    int n = static_cast<int>(d.digits.size());
    if (d.exp >= 0) {
        for (int k = 0; k <= d.exp; ++k) s += d.digit(k);
        if (n > d.exp + 1) {
            s += sep;
            s.append(d.digits, d.exp + 1, std::string::npos);
        }
    } else {
        s = "0";
        s += sep;
        s.append(-d.exp - 1, '0');
        s += d.digits;
    }
    return s;
}

std::string nonfinitetext(double x) {
    if (std::isnan(x)) return "NAN";
    return x < 0 ? "-INF" : "INF";
}

// Digits d[0...nd-1] (no trailing zeros; nd = 0 for zero) of a value d0.d1d2... x 10^e.
void writeplaintext(std::string& out, bool neg, const char* d, int nd, int e, char sep) {
    if (nd == 0) {
        out += '0';
        return;
    }
    if (neg) out += '-';
    if (e < -5 || e >= 15) {
        out += d[0];
        if (nd > 1) {
            out += sep;
            out.append(d + 1, std::size_t(nd - 1));
        }
        out += 'E';
        if (e < 0) out += '-';
        char eb[8];
        const auto er = std::to_chars(eb, eb + sizeof eb, e < 0 ? -e : e);
        out.append(eb, er.ptr);
    } else if (e >= 0) {
        for (int k = 0; k <= e; ++k) out += k < nd ? d[k] : '0';
        if (nd > e + 1) {
            out += sep;
            out.append(d + e + 1, std::size_t(nd - e - 1));
        }
    } else {
        out += '0';
        out += sep;
        out.append(std::size_t(-e - 1), '0');
        out.append(d, std::size_t(nd));
    }
}

// The text of appendplaintext by way of the shortest digits.
void appendplaintextshortest(std::string& out, double x, char sep) {
    // The shortest digits that read back as x, as shortest() takes them, rounded to 15
    // significant digits as roundto() rounds.
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
    const char* p = buf;
    const char* end = r.ptr;
    bool neg = false;
    if (p < end && *p == '-') {
        neg = true;
        ++p;
    }
    // dig[first...] are the digits; dig[0] takes a carry.
    char dig[40];
    dig[0] = '0';
    int nd = 0;
    for (; p < end && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9' && nd < int(sizeof dig) - 1) dig[1 + nd++] = *p;
    int e = 0;
    if (p < end && *p == 'e') {
        ++p;
        bool eneg = false;
        if (p < end && (*p == '+' || *p == '-')) eneg = (*p++ == '-');
        for (; p < end && *p >= '0' && *p <= '9'; ++p) e = 10 * e + (*p - '0');
        if (eneg) e = -e;
    }
    while (nd > 0 && dig[nd] == '0') --nd;
    int first = 1;
    constexpr int nsig = 15;
    if (nd > nsig) {
        const bool up = dig[first + nsig] >= '5';
        nd = nsig;
        if (up) {
            int i = first + nd - 1;
            while (i >= first && dig[i] == '9') dig[i--] = '0';
            if (i < first) {
                dig[--first] = '1';
                ++nd;
                ++e;
            } else {
                ++dig[i];
            }
        }
        while (nd > 0 && dig[first + nd - 1] == '0') --nd;
    }
    writeplaintext(out, neg, dig + first, nd, e, sep);
}

// The 15 significant digits of x > 0 in 1E-5 <= x < 1E15 that appendplaintext writes,
// taken straight from x's binary form where that is sure to give them: 15 digits of x
// rounded to nearest, as the shortest digits rounded half up give them unless x lies closer
// to a rounding midpoint than the shortest digits may lie to x (half a unit in the last
// place). Those few, and values outside the range, return false.
bool fastdigits15(double x, char* dig, int& nd, int& e) {
    if (!(x >= 1e-5 && x < 1e15)) return false;
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int be = int(bits >> 52) - 1075; // x = m * 2^be
    const std::uint64_t m = (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
    static constexpr std::uint64_t pow10[20] = {1ull,
                                                10ull,
                                                100ull,
                                                1000ull,
                                                10000ull,
                                                100000ull,
                                                1000000ull,
                                                10000000ull,
                                                100000000ull,
                                                1000000000ull,
                                                10000000000ull,
                                                100000000000ull,
                                                1000000000000ull,
                                                10000000000000ull,
                                                100000000000000ull,
                                                1000000000000000ull,
                                                10000000000000000ull,
                                                100000000000000000ull,
                                                1000000000000000000ull,
                                                10000000000000000000ull};
    // floor(log10 x) or one less; the integer part below sets it right.
    int d = ((be + 52) * 78913) >> 18;
    const int sh = -be; // 3...70 in the range
    using u128 = unsigned __int128;
    for (int tries = 0; tries < 3; ++tries) {
        const int t = 14 - d;
        if (t < 0 || t > 19) return false;
        // x * 10^t = p / 2^sh exactly.
        const u128 p = u128(m) * pow10[t];
        const u128 q = p >> sh;
        if (q >= pow10[15]) {
            ++d;
            continue;
        }
        if (q < pow10[14]) {
            --d;
            continue;
        }
        const u128 rem = p - (q << sh);
        const u128 half = u128(1) << (sh - 1);
        const u128 margin = pow10[t] / 2 + 1;
        std::uint64_t n = std::uint64_t(q);
        if (rem > half) {
            if (rem - half <= margin) return false;
            ++n;
        } else if (half - rem <= margin) {
            return false;
        }
        e = d;
        if (n == pow10[15]) {
            n = pow10[14];
            ++e;
        }
        for (int i = 14; i >= 0; --i) {
            dig[i] = char('0' + n % 10);
            n /= 10;
        }
        nd = 15;
        while (nd > 0 && dig[nd - 1] == '0') --nd;
        return true;
    }
    return false;
}

// plaintext appended to out, without a string of its own: tables write many numbers.
void appendplaintext(std::string& out, double x, char sep) {
    if (!std::isfinite(x)) {
        out += nonfinitetext(x);
        return;
    }
    char dig[15];
    int nd = 0, e = 0;
    if (fastdigits15(std::fabs(x), dig, nd, e)) {
        writeplaintext(out, x < 0, dig, nd, e, sep);
        return;
    }
    appendplaintextshortest(out, x, sep);
}

std::string plaintext(double x, char sep) {
    std::string s;
    appendplaintext(s, x, sep);
    return s;
}

// One section of a decimal pattern, taken apart.
struct patternsection {
    enum kind { literal, intplace, fracplace, point, exponent };
    struct token {
        kind k;
        std::string text; // literal text, or "E"/"e" for the exponent
    };
    std::vector<token> tokens;
    bool thousands = false;
    int intplaces = 0; // "0" and "#" before the point
    int minint = 0;    // places from the first "0" before the point up to the point
    int fracmax = 0;   // places after the point
    int fracmin = 0;   // up to and including the last "0" after the point
    bool scientific = false;
    bool expplus = false; // "E+": sign always; "E-": only when negative
    int expdigits = 0;
};

patternsection parsesection(const std::string& f) {
    patternsection ps;
    bool seenpoint = false;
    int firstzero = -1;
    size_t i = 0;
    auto addliteral = [&ps](const std::string& t) {
        if (!ps.tokens.empty() && ps.tokens.back().k == patternsection::literal)
            ps.tokens.back().text += t;
        else
            ps.tokens.push_back({patternsection::literal, t});
    };
    while (i < f.size()) {
        char c = f[i];
        if (c == '\'' || c == '"') {
            size_t close = f.find(c, i + 1);
            if (close == std::string::npos) close = f.size();
            addliteral(f.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        if ((c == '0' || c == '#') && !ps.scientific) {
            if (!seenpoint) {
                if (c == '0' && firstzero < 0) firstzero = ps.intplaces;
                ++ps.intplaces;
                ps.tokens.push_back({patternsection::intplace, {}});
            } else {
                ++ps.fracmax;
                if (c == '0') ps.fracmin = ps.fracmax;
                ps.tokens.push_back({patternsection::fracplace, {}});
            }
        } else if (c == '.' && !seenpoint && !ps.scientific) {
            seenpoint = true;
            ps.tokens.push_back({patternsection::point, {}});
        } else if (c == ',' && !seenpoint && !ps.scientific) {
            ps.thousands = true;
        } else if ((c == 'E' || c == 'e') && !ps.scientific && i + 1 < f.size() &&
                   (f[i + 1] == '+' || f[i + 1] == '-') && (ps.intplaces + ps.fracmax) > 0) {
            ps.scientific = true;
            ps.expplus = f[i + 1] == '+';
            ps.tokens.push_back({patternsection::exponent, std::string(1, c)});
            i += 2;
            while (i < f.size() && f[i] == '0') {
                if (ps.expdigits < 4) ++ps.expdigits;
                ++i;
            }
            continue;
        } else {
            addliteral(std::string(1, c));
        }
        ++i;
    }
    ps.minint = firstzero < 0 ? 0 : ps.intplaces - firstzero;
    return ps;
}

std::string groupthousands(const std::string& digits, char thousandsep) {
    std::string s;
    int n = static_cast<int>(digits.size());
    for (int k = 0; k < n; ++k) {
        if (k > 0 && (n - k) % 3 == 0) s += thousandsep;
        s += digits[k];
    }
    return s;
}

// Formats |x| with one section; `iszero` tells whether the written value is zero.
std::string formatsection(const patternsection& ps, double ax, char sep, char thousandsep,
                          bool& iszero) {
    decimal d = shortest(ax);
    d.neg = false;
    std::string intdigits, frac, exptext;
    if (ps.scientific) {
        int intn = std::max(1, ps.minint);
        roundto(d, intn + ps.fracmax);
        int e = d.iszero() ? 0 : d.exp - (intn - 1);
        for (int k = 0; k < intn; ++k) intdigits += d.digit(k);
        for (int k = 0; k < ps.fracmax; ++k) frac += d.digit(intn + k);
        if (e < 0)
            exptext += '-';
        else if (ps.expplus)
            exptext += '+';
        std::string ed = std::to_string(std::abs(e));
        if (static_cast<int>(ed.size()) < ps.expdigits) ed.insert(0, ps.expdigits - ed.size(), '0');
        exptext += ed;
    } else {
        roundto(d, d.exp + 1 + ps.fracmax);
        if (!d.iszero() && d.exp >= 0)
            for (int k = 0; k <= d.exp; ++k) intdigits += d.digit(k);
        for (int j = 1; j <= ps.fracmax; ++j) frac += d.digit(d.exp + j);
        if (d.iszero()) frac.assign(ps.fracmax, '0');
        if (static_cast<int>(intdigits.size()) < ps.minint)
            intdigits.insert(0, ps.minint - intdigits.size(), '0');
        if (ps.thousands) intdigits = groupthousands(intdigits, thousandsep);
    }
    iszero = d.iszero();
    while (static_cast<int>(frac.size()) > ps.fracmin && !frac.empty() && frac.back() == '0')
        frac.pop_back();

    std::string out;
    bool intdone = false;
    int fracindex = 0;
    for (const auto& t : ps.tokens) {
        switch (t.k) {
        case patternsection::literal:
            out += t.text;
            break;
        case patternsection::intplace:
            if (!intdone) out += intdigits;
            intdone = true;
            break;
        case patternsection::point:
            if (!intdone) out += intdigits;
            intdone = true;
            if (!frac.empty()) out += sep;
            break;
        case patternsection::fracplace:
            if (!intdone) out += intdigits;
            intdone = true;
            if (fracindex < static_cast<int>(frac.size())) out += frac[fracindex];
            ++fracindex;
            break;
        case patternsection::exponent:
            if (!intdone) out += intdigits;
            intdone = true;
            out += t.text + exptext;
            break;
        }
    }
    return out;
}

std::vector<std::string> splitsections(const std::string& pattern) {
    std::vector<std::string> sections(1);
    char quote = 0;
    for (char c : pattern) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';' && sections.size() < 3) {
            sections.emplace_back();
            continue;
        }
        sections.back() += c;
    }
    return sections;
}

std::string formatwith(const std::string& pattern, double x, char sep, char thousandsep) {
    std::vector<std::string> sections = splitsections(pattern);
    bool neg = x < 0;
    size_t idx = (neg && sections.size() >= 2 && !sections[1].empty()) ? 1 : 0;
    if (sections[idx].empty()) return plaintext(x, sep);
    bool iszero = false;
    std::string s =
        formatsection(parsesection(sections[idx]), std::fabs(x), sep, thousandsep, iszero);
    if (iszero && sections.size() >= 3 && !sections[2].empty())
        return formatsection(parsesection(sections[2]), 0.0, sep, thousandsep, iszero);
    if (idx == 0 && neg && !iszero) s.insert(s.begin(), '-');
    return s;
}

char localethousandsseparator() {
    return std::use_facet<std::numpunct<char>>(std::locale()).thousands_sep();
}

[[noreturn]] void notafloat(const std::string& s) {
    throw EConvertError("'" + s + "' is not a valid floating point value");
}

bool isblank(char c) {
    return c == ' ' || c == '\t';
}
bool isdigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

char localedecimalseparator() {
    return std::use_facet<std::numpunct<char>>(std::locale()).decimal_point();
}

namespace {

class tshownnumpunct : public std::numpunct<char> {
  public:
    tshownnumpunct(char d, char t) : fdecimal(d), fthousands(t) {}

  protected:
    char do_decimal_point() const override { return fdecimal; }
    char do_thousands_sep() const override { return fthousands; }
    // No grouping: streams that write numbers keep them in one piece.
    std::string do_grouping() const override { return ""; }

  private:
    char fdecimal, fthousands;
};

} // namespace

void setshownseparators(char decimalseparator, char thousandsseparator) {
    // A locale with a facet of its own has no name, so the C library's locale (printf,
    // strtod) is left alone.
    std::locale::global(std::locale(std::locale::classic(),
                                    new tshownnumpunct(decimalseparator, thousandsseparator)));
}

std::string sigdigits(int n, double x) {
    if (!std::isfinite(x)) return nonfinitetext(x);
    n = std::clamp(n, 1, 17);
    char sep = localedecimalseparator();
    decimal d = shortest(x);
    roundto(d, n);
    // Exponent form: n - 1 decimals kept even when they are zeros.
    std::string e = d.neg ? "-" : "";
    e += d.digit(0);
    if (n > 1) {
        e += sep;
        for (int k = 1; k < n; ++k) e += d.digit(k);
    }
    e += 'E';
    int ex = d.iszero() ? 0 : d.exp;
    if (ex < 0) e += '-';
    e += std::to_string(std::abs(ex));
    std::string p = d.neg ? "-" : "";
    p += fixedtext(d, sep);
    return e.size() < p.size() ? e : p;
}

std::string roundsigdigits(int n, double x) {
    if (!std::isfinite(x)) return {};
    n = std::clamp(n, 1, 17);
    decimal d = shortest(x);
    roundto(d, n);
    if (d.iszero()) return "0";
    std::string text =
        d.digits + "e" + std::to_string(d.exp - static_cast<int>(d.digits.size()) + 1);
    double v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc{}) return {};
    return floattostrdot(d.neg ? -v : v);
}

std::string floattostr(double x) {
    return plaintext(x, localedecimalseparator());
}

std::string floattostrdot(double x) {
    if (!std::isfinite(x)) return {};
    return plaintext(x, '.');
}

void appendfloattostrdot(std::string& out, double x) {
    if (std::isfinite(x)) appendplaintext(out, x, '.');
}

double strtofloatdot(const std::string& s) {
    if (s.empty()) throw EConvertError("Cannot convert empty string to number");
    size_t i = 0;
    const size_t n = s.size();
    while (i < n && isblank(s[i])) ++i;
    bool neg = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    const size_t mant = i;
    // Decimal position of the first significant digit, to tell overflow from underflow.
    long intlen = 0, leadingfraczeros = 0;
    bool seennonzero = false;
    int ndigits = 0;
    while (i < n && isdigit(s[i])) {
        if (s[i] != '0') seennonzero = true;
        if (seennonzero) ++intlen;
        ++ndigits;
        ++i;
    }
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && isdigit(s[i])) {
            if (s[i] != '0') seennonzero = true;
            if (!seennonzero) ++leadingfraczeros;
            ++ndigits;
            ++i;
        }
    }
    if (ndigits == 0) notafloat(s);
    long expvalue = 0;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool eneg = false;
        if (i < n && (s[i] == '+' || s[i] == '-')) eneg = s[i++] == '-';
        if (i >= n || !isdigit(s[i])) notafloat(s);
        while (i < n && isdigit(s[i])) {
            if (expvalue < 100000000) expvalue = expvalue * 10 + (s[i] - '0');
            ++i;
        }
        if (eneg) expvalue = -expvalue;
    }
    const size_t end = i;
    while (i < n && isblank(s[i])) ++i;
    if (i != n) notafloat(s);
    double v = 0;
    auto r = std::from_chars(s.data() + mant, s.data() + end, v, std::chars_format::general);
    if (r.ptr != s.data() + end) notafloat(s);
    if (r.ec == std::errc::result_out_of_range) {
        long magnitude = (intlen > 0 ? intlen : -leadingfraczeros) + expvalue;
        if (magnitude > 0) notafloat(s);
        v = 0;
    } else if (r.ec != std::errc{}) {
        notafloat(s);
    }
    if (!std::isfinite(v)) notafloat(s);
    return neg ? -v : v;
}

std::string formatfloat(const std::string& pattern, double x) {
    if (!std::isfinite(x)) return nonfinitetext(x);
    return formatwith(pattern, x, localedecimalseparator(), localethousandsseparator());
}

std::string formatfloatdot(const std::string& pattern, double x) {
    if (!std::isfinite(x)) return {};
    return formatwith(pattern, x, '.', ',');
}

} // namespace gravon
