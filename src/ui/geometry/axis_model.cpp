#include "ui/geometry/axis_model.h"

#include "base/number_text.h"
#include "base/pitch.h"
#include "base/rounding.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace gravon {

namespace {

// More ticks than any screen can show: a range that asks for more gets none.
constexpr std::size_t maxticks = 10000;

bool bad(double x) {
    return !std::isfinite(x);
}

// The label thinning's priority of a logarithmic label, by its first non-zero digit.
int log_label_rank(const std::string& s) {
    static constexpr int rank[10] = {9, 0, 1, 3, 4, 2, 6, 7, 5, 8};
    for (char c : s)
        if (c >= '1' && c <= '9') return rank[c - '0'];
    return 9;
}

// ... of a music label, by its pitch class: A, C, D, E, F, G, B, then the black keys.
int music_label_rank(const std::string& s) {
    if (s.empty()) return 12;
    if (s.size() > 1 && (s[1] == '#' || s[1] == 'b')) return 7;
    switch (s[0]) {
    case 'A':
        return 0;
    case 'C':
        return 1;
    case 'D':
        return 2;
    case 'E':
        return 3;
    case 'F':
        return 4;
    case 'G':
        return 5;
    case 'B':
        return 6;
    default:
        return 12;
    }
}

// Black-key classes come from priority 8 on (rank 7 here) and are never labelled.
constexpr int firstblackrank = 7;

// The character that decides whether a linear label is major: leading commas, minus signs,
// points and digits are stripped while more than one character remains.
char deciding_char(const std::string& s) {
    std::size_t i = 0;
    while (s.size() - i > 1 &&
           (s[i] == ',' || s[i] == '-' || s[i] == '.' || (s[i] >= '0' && s[i] <= '9')))
        ++i;
    return s.empty() ? ' ' : s[i];
}

} // namespace

ttextsize approximate_text_size(const std::string& s) {
    int n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return {6 * n, 13};
}

TAxisModel::TAxisModel() : fmeasure(approximate_text_size) {}

// ---- range ------------------------------------------------------------------------------------

double TAxisModel::limited_lo(double stored) const {
    double mn = fminlo, mx = fmaxlo;
    if (finteger) {
        mn = std::ceil(mn);
        mx = std::floor(mx);
    }
    double v = stored;
    if (v < mn) v = mn;
    if (v > mx) v = mx;
    return finteger ? std::nearbyint(v) : v;
}

double TAxisModel::limited_hi(double storedlo, double storedhi) const {
    double mn = fminhi, mx = fmaxhi;
    if (finteger) {
        mn = std::ceil(mn);
        mx = std::floor(mx);
    }
    double v = storedhi;
    if (v < mn) v = mn;
    if (v > mx) v = mx;
    if (v - storedlo > fmaxdiff)
        v = finteger ? std::floor(storedlo + fmaxdiff) : storedlo + fmaxdiff;
    if (v - storedlo < fmindiff)
        v = finteger ? std::ceil(storedlo + fmindiff) : storedlo + fmindiff;
    return finteger ? std::nearbyint(v) : v;
}

double TAxisModel::LoValue() const {
    return limited_lo(flo);
}

double TAxisModel::HiValue() const {
    return limited_hi(flo, fhi);
}

void TAxisModel::changed() const {
    if (onchange) onchange();
}

void TAxisModel::store_end(bool hi, double v) {
    double& stored = hi ? fhi : flo;
    if (v != stored) {
        stored = v;
        fstale = true;
    }
    if (flogarithmic && v <= 0)
        throw EAxisError(std::string(hi ? "HiValue=" : "LoValue=") + floattostr(v) +
                         ", must be >0 for log scale!");
}

void TAxisModel::after_range_write(double oldlo, double oldhi) {
    setMarkerValue(fmarkervalue);
    rebuild_ticks();
    changed();
    if ((LoValue() != oldlo || HiValue() != oldhi) && !fscaleevent) scale_changed();
}

void TAxisModel::setLoValue(double v) {
    const double oldlo = LoValue(), oldhi = HiValue();
    store_end(false, v);
    after_range_write(oldlo, oldhi);
}

void TAxisModel::setHiValue(double v) {
    const double oldlo = LoValue(), oldhi = HiValue();
    store_end(true, v);
    after_range_write(oldlo, oldhi);
}

void TAxisModel::set_hilovalues(double hi, double lo) {
    const double oldlo = LoValue(), oldhi = HiValue();
    const bool wasrunning = fscaleevent;
    fscaleevent = true;
    try {
        store_end(true, hi);
        store_end(false, lo);
    } catch (...) {
        fscaleevent = wasrunning;
        throw;
    }
    fscaleevent = wasrunning;
    after_range_write(oldlo, oldhi);
}

void TAxisModel::scale_changed() {
    if (fscaleevent) return;
    fscaleevent = true;
    try {
        if (OnScaleChanged) OnScaleChanged();
    } catch (...) {
        fscaleevent = false;
        throw;
    }
    fscaleevent = false;
}

void TAxisModel::setMinLoValue(double v) {
    fminlo = v;
    setLoValue(flo);
}
void TAxisModel::setMaxLoValue(double v) {
    fmaxlo = v;
    setLoValue(flo);
}
void TAxisModel::setMinHiValue(double v) {
    fminhi = v;
    setHiValue(fhi);
}
void TAxisModel::setMaxHiValue(double v) {
    fmaxhi = v;
    setHiValue(fhi);
}
void TAxisModel::setMinValueDifference(double v) {
    fmindiff = v;
    setHiValue(fhi);
}
void TAxisModel::setMaxValueDifference(double v) {
    fmaxdiff = v;
    setHiValue(fhi);
}

// ---- scale ------------------------------------------------------------------------------------

void TAxisModel::setPosition(tposition p) {
    if (fscaleevent || p == fposition) return;
    fposition = p;
    fstale = true;
    changed();
}

void TAxisModel::setLogarithmic(bool b) {
    if (b) {
        if (flo <= 0)
            throw EAxisError("LoValue=" + floattostr(flo) + ", must be >0 for log scale!");
        if (fhi <= 0)
            throw EAxisError("HiValue=" + floattostr(fhi) + ", must be >0 for log scale!");
    }
    flogarithmic = b;
    fstale = true;
    changed();
}

void TAxisModel::setMusicScale(bool b) {
    fmusicscale = b;
    fstale = true;
    changed();
}
void TAxisModel::setReverse(bool b) {
    freverse = b;
    fstale = true;
    changed();
}
void TAxisModel::setIsInteger(bool b) {
    finteger = b;
    fstale = true;
    changed();
}
void TAxisModel::setTickMarkSize(std::int32_t v) {
    fticksize = v;
    fstale = true;
    changed();
}
void TAxisModel::setTickSpaceAim(std::int32_t v) {
    ftickspaceaim = v;
    fstale = true;
    changed();
}
void TAxisModel::setAxisText(const std::string& s) {
    faxistext = s;
    fstale = true;
    changed();
}

void TAxisModel::setMarkerValue(double v) {
    const double lo = LoValue(), hi = HiValue();
    fmarkervalue = std::clamp(v, std::min(lo, hi), std::max(lo, hi));
    if (MarkerVisible) changed();
}

void TAxisModel::setSize(std::int32_t width, std::int32_t height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == fwidth && height == fheight) return;
    fwidth = width;
    fheight = height;
    fstale = true;
    changed();
}

void TAxisModel::setTextMeasure(ttextmeasure m) {
    fmeasure = m ? std::move(m) : ttextmeasure(approximate_text_size);
    fstale = true;
}

std::int32_t TAxisModel::autosize_extent() const {
    if (vertical()) return std::max(fmeasure("12345").width, fmeasure(faxistext).width) + fticksize;
    return fmeasure("Aj").height * 4 / 3 + fticksize;
}

// ---- conversions ------------------------------------------------------------------------------

double TAxisModel::fraction(double v) const {
    const double lo = LoValue(), hi = HiValue();
    if (lo == hi) return NAN;
    if (flogarithmic) {
        if (v <= 0 || lo <= 0 || hi <= 0) return NAN;
        return std::log10(v / lo) / std::log10(hi / lo);
    }
    return (v - lo) / (hi - lo);
}

double TAxisModel::value_to_notclipped_position(double v) const {
    const double f = fraction(v);
    if (bad(f)) return 0;
    return vertical() != freverse ? 1 - f : f;
}

double TAxisModel::value_to_position(double v) const {
    return std::clamp(value_to_notclipped_position(v), 0.0, 1.0);
}

std::int32_t TAxisModel::value_to_notclippedpixel(double v) const {
    const double f = fraction(v);
    if (std::isnan(f)) return 0;
    const std::int32_t l1 = length() - 1;
    const std::int32_t p = roundint(l1 * f);
    return vertical() != freverse ? l1 - p : p;
}

std::int32_t TAxisModel::value_to_pixel(double v) const {
    return std::clamp(value_to_notclippedpixel(v), 0, length() - 1);
}

double TAxisModel::pixel_to_value(std::int32_t p) const {
    const double lo = LoValue(), hi = HiValue();
    const std::int32_t l1 = length() - 1;
    const double q = vertical() != freverse ? l1 - p : p;
    double v = 0;
    if (l1 > 0 && lo != hi) {
        if (!flogarithmic)
            v = lo + (hi - lo) * q / l1;
        else if (lo > 0 && hi > 0)
            v = lo * std::pow(10.0, std::log10(hi / lo) * q / l1);
    }
    if (bad(v)) v = 0;
    return std::clamp(v, std::min(lo, hi), std::max(lo, hi));
}

// ---- ticks ------------------------------------------------------------------------------------

void TAxisModel::rebuild_ticks() const {
    build_ticks();
    fstale = false;
}

void TAxisModel::check_tick(std::int32_t i) const {
    if (fstale) rebuild_ticks();
    if (i < 0 || std::size_t(i) >= fticks.size())
        throw EAxisError("Tickmark index out of range:" + std::to_string(i));
}

std::int32_t TAxisModel::nTickMarks() const {
    if (fstale) rebuild_ticks();
    return std::int32_t(fticks.size());
}
std::string TAxisModel::TickMarkText(std::int32_t i) const {
    check_tick(i);
    return fticks[std::size_t(i)].text;
}
std::int32_t TAxisModel::TickMarkPosition(std::int32_t i) const {
    check_tick(i);
    return fticks[std::size_t(i)].pixel;
}
bool TAxisModel::TickIsMajor(std::int32_t i) const {
    check_tick(i);
    return fticks[std::size_t(i)].major;
}
double TAxisModel::TickMarkValue(std::int32_t i) const {
    check_tick(i);
    return fticks[std::size_t(i)].value;
}

void TAxisModel::build_ticks() const {
    fticks.clear();
    const double lo = LoValue(), hi = HiValue();
    const std::int32_t l1 = length() - 1;
    if (flogarithmic && fmusicscale && lo > 0) {
        const double st = freqtosemitone(lo * 1.0000000001);
        if (!bad(st)) {
            std::int32_t s = truncint(st) + 1;
            if (isblackkey(s)) ++s;
            for (std::size_t n = 0; n < maxticks; ++n) {
                ttick t;
                t.value = semitonetofreq(s);
                t.text = freqnotename(t.value, false);
                t.major = !t.text.empty() && t.text[0] == 'C';
                t.pixel = value_to_notclippedpixel(t.value);
                fticks.push_back(std::move(t));
                if (fticks.back().value > hi) break;
                s += isblackkey(s + 1) ? 2 : 1;
            }
        }
        thin_labels();
        return;
    }
    if (flogarithmic && lo > 0 && hi / lo > 4) {
        double v = lo;
        for (std::size_t n = 0; n < maxticks; ++n) {
            // 1, 2, 3 ... 9, 10, 20 ... times each decade, below 1 as above it.
            const double d = std::pow(10.0, std::floor(std::log10(1.0000001 * v)));
            const double next = d * (std::trunc(v / d + 1e-10) + 1);
            if (bad(next) || next <= v) break;
            v = next;
            ttick t;
            t.value = v;
            t.text = sigdigits(8, v);
            const int r = log_label_rank(t.text);
            t.major = r <= 2; // first digit 1, 2 or 5
            t.pixel = value_to_notclippedpixel(v);
            fticks.push_back(std::move(t));
            if (v > hi) break;
        }
        thin_labels();
        return;
    }
    // Linear, also for a logarithmic range too short for decades.
    double tcount = 3;
    double s = ftickspaceaim;
    if (ftickspaceaim == 1) {
        const ttextsize ts = fmeasure("0.1234");
        s = 3.0 * (vertical() ? ts.height : ts.width);
    }
    if (ftickspaceaim != 0 && s > 0) {
        const double ns = nicestep(l1);
        if (!bad(ns)) tcount = std::trunc(std::nearbyint(ns) / s) + 2;
    }
    double step = tcount == 0 ? 1 : nicestep((hi - lo) / tcount);
    if (bad(step) || step <= 0) step = 1;
    double first = std::trunc(lo / step) * step;
    if (first < lo) first += step;
    const double count = std::trunc((hi - lo) / step) + 2;
    if (bad(first) || bad(count) || count < 0 || count > double(maxticks)) return;
    for (std::int32_t i = 0; i < std::int32_t(count); ++i) {
        ttick t;
        t.value = first + i * step;
        t.text = std::fabs(t.value / (hi - lo)) < 1e-5 ? "0" : sigdigits(8, t.value);
        t.major = deciding_char(t.text) == '0';
        t.pixel = value_to_pixel(t.value);
        fticks.push_back(std::move(t));
    }
}

void TAxisModel::thin_labels() const {
    const std::int32_t len = length();
    foccupied.assign(std::size_t(std::max(len, 0)), 0);
    std::vector<std::size_t> order(fticks.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<int> rank(fticks.size());
    for (std::size_t i = 0; i < fticks.size(); ++i)
        rank[i] = fmusicscale ? music_label_rank(fticks[i].text) : log_label_rank(fticks[i].text);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return rank[a] < rank[b]; });
    const int widen = fmusicscale ? 0 : 1;
    for (std::size_t i : order) {
        ttick& t = fticks[i];
        if (fmusicscale && rank[i] >= firstblackrank) t.text.clear();
        std::int32_t a = t.pixel, b = t.pixel;
        if (!t.text.empty()) {
            const ttextsize ts = fmeasure(t.text);
            const std::int32_t half = (vertical() ? ts.height : ts.width) / 2;
            a = t.pixel - half - widen;
            b = t.pixel + half + widen;
        }
        a = std::max(a, 0);
        b = std::min(b, len - 1);
        bool hit = false;
        for (std::int32_t p = a; p <= b; ++p) hit = hit || foccupied[std::size_t(p)];
        if (hit) {
            t.text.clear();
            a = b = t.pixel;
        }
        for (std::int32_t p = std::max(a, 0); p <= std::min(b, len - 1); ++p)
            foccupied[std::size_t(p)] = 1;
    }
}

// ---- mouse ------------------------------------------------------------------------------------

std::int32_t TAxisModel::drag_coordinate(std::int32_t x, std::int32_t y) const {
    const std::int32_t l1 = length() - 1;
    const std::int32_t c = vertical() ? y : x;
    return vertical() != freverse ? l1 - c : c;
}

taxisdrag TAxisModel::drag_mode_at(std::int32_t x, std::int32_t y) const {
    if (AllowLoScroll != AllowHiScroll) return AllowLoScroll ? taxisdrag::low : taxisdrag::high;
    if (!AllowLoScroll) return taxisdrag::none;
    const double q = drag_coordinate(x, y);
    const double l1 = length() - 1;
    if (AllowMidScroll) {
        if (q > 2 * l1 / 3) return taxisdrag::high;
        if (q < l1 / 3) return taxisdrag::low;
        return taxisdrag::mid;
    }
    return q >= l1 / 2 ? taxisdrag::high : taxisdrag::low;
}

bool TAxisModel::mouse_down(std::int32_t x, std::int32_t y) {
    fdrag = drag_mode_at(x, y);
    fmoved = false;
    if (fdrag == taxisdrag::none) return false;
    const std::int32_t l1 = length() - 1;
    fpressq = std::max(std::min(drag_coordinate(x, y), l1 - 11), 11);
    fpresslo = LoValue();
    fpresshi = HiValue();
    return true;
}

bool TAxisModel::mouse_move(std::int32_t x, std::int32_t y) {
    if (fdrag == taxisdrag::none) return false;
    const double l1 = length() - 1;
    if (l1 < 21) return false;
    double q = drag_coordinate(x, y);
    if (q != fpressq) fmoved = true;
    const bool lg = flogarithmic;
    if (lg && (fpresslo <= 0 || fpresshi <= 0)) return false;
    const double lo0 = lg ? std::log10(fpresslo) : fpresslo;
    const double hi0 = lg ? std::log10(fpresshi) : fpresshi;
    const double u0 = lo0 + (hi0 - lo0) * fpressq / l1;
    double lo = lo0, hi = hi0;
    switch (fdrag) {
    case taxisdrag::low: {
        q = std::min(q, l1 - 10);
        const double a = q / l1;
        lo = (u0 - hi0 * a) / (1 - a);
        break;
    }
    case taxisdrag::high: {
        q = std::max(q, 10.0);
        hi = lo0 + (u0 - lo0) * l1 / q;
        break;
    }
    case taxisdrag::mid: {
        const double delta = (q - fpressq) * (hi0 - lo0) / l1;
        lo = lo0 - delta;
        hi = hi0 - delta;
        break;
    }
    case taxisdrag::none:
        break;
    }
    if (lg) {
        lo = std::pow(10.0, lo);
        hi = std::pow(10.0, hi);
    }
    if (bad(lo) || bad(hi) || (lg && (lo <= 0 || hi <= 0))) return false;
    const double oldlo = LoValue(), oldhi = HiValue();
    fscaleevent = true;
    fhi = hi;
    flo = lo;
    fstale = true;
    setMarkerValue(fmarkervalue);
    fscaleevent = false;
    changed();
    if (OnScaleChanging) {
        fscaleevent = true;
        try {
            OnScaleChanging();
        } catch (...) {
            fscaleevent = false;
            throw;
        }
        fscaleevent = false;
    }
    return LoValue() != oldlo || HiValue() != oldhi;
}

void TAxisModel::mouse_up(std::int32_t x, std::int32_t y) {
    if (fdrag == taxisdrag::none) return;
    fdrag = taxisdrag::none;
    if (fmoved) scale_changed();
}

} // namespace gravon
