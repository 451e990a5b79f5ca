#include "analysis/fft.h"

#include "analysis/simd_clones.h"
#include "analysis/vector_lanes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <string>

#pragma GCC diagnostic ignored "-Wpsabi" // v4 values never cross an ABI boundary

namespace gravon {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double twopi = 2.0 * std::numbers::pi;
// Gap, in doubles, before and between the two halves of the scratch buffer, so that the
// real and imaginary parts (and the output buffers) do not sit a multiple of 4 KiB apart,
// where the processor would mistake loads for dependent on earlier stores.
constexpr std::size_t scratchpad = 24;
constexpr double dbperneper = 10.0 / std::numbers::ln10; // 10*log10(x) = dbperneper*ln(x)

std::uint32_t reversebits(std::uint32_t k, std::int32_t bits) {
    std::uint32_t r = 0;
    for (std::int32_t b = 0; b < bits; ++b) {
        r = (r << 1) | (k & 1u);
        k >>= 1;
    }
    return r;
}

// The phase of a window point moved so that the window rises over the fraction l of its
// length, holds its peak up to the fraction r and falls over the rest.
double warpphase(double x, double l, double r) {
    double d = x - twopi * std::floor(x / twopi);
    if (d < twopi * l) return d * 0.5 / l;
    if (d <= twopi * r) return pi;
    return (d - twopi) * 0.5 / (1.0 - r) + twopi;
}

bool validwindow(TFFTWindow w) {
    auto v = static_cast<std::int32_t>(w);
    return v >= 0 && v <= 4;
}

// A derived value of one bin; an overflowed or otherwise failed bin reads 0.
inline double finiteor0(double v) {
    return std::isfinite(v) ? v : 0.0;
}

inline double dbofpower(double s) {
    if (!std::isfinite(s)) return 0.0;
    // 10*log10(s), through the natural logarithm (about twice as fast as log10).
    return s > 0 ? dbperneper * std::log(s) : fftzerodb;
}

inline double phaseof(double re, double im) {
    double p;
    if (re > 0) {
        p = std::atan(im / re);
    } else if (re < 0) {
        p = im > 0 ? std::atan(im / re) + pi : std::atan(im / re) - pi;
    } else if (re == 0) {
        p = im > 0 ? pi / 2 : (im < 0 ? -pi / 2 : 0.0);
    } else {
        p = 0.0; // re is NaN
    }
    return finiteor0(p);
}

// Sum of n values, in four interleaved partial sums so that the additions overlap.
double sumof(const double* __restrict x, std::size_t n) {
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += x[i];
        s1 += x[i + 1];
        s2 += x[i + 2];
        s3 += x[i + 3];
    }
    for (; i < n; ++i) s0 += x[i];
    return (s0 + s1) + (s2 + s3);
}

} // namespace

double inputsum(std::span<const double> x) {
    return sumof(x.data(), x.size());
}

int windowsizefactor(TFFTWindow w) {
    switch (w) {
    case TFFTWindow::rectangle:
        return 1;
    case TFFTWindow::Bartlett:
    case TFFTWindow::Hamming:
    case TFFTWindow::Hanning:
        return 2;
    case TFFTWindow::Blackman:
        return 4;
    }
    return 1;
}

double windowvalue(TFFTWindow w, double phi) {
    switch (w) {
    case TFFTWindow::rectangle:
        return 1.0;
    // A triangle over the phase: 0 at both ends, 1 at phi = pi.
    case TFFTWindow::Bartlett:
        return 1.0 - std::abs(phi / pi - 1.0);
    case TFFTWindow::Hamming:
        return 0.54 - 0.46 * std::cos(phi);
    case TFFTWindow::Hanning:
        return (1.0 - std::cos(phi)) * 0.5;
    case TFFTWindow::Blackman:
        return 0.42 - 0.5 * std::cos(phi) + 0.08 * std::cos(2.0 * phi);
    }
    return 1.0;
}

TFFT::TFFT() = default;

// ---- Sizes and window ----

void TFFT::marksizechange() {
    farrdirty = true;
    // The cached outputs belong to the old frame; a new size gives a different result.
    markoutputsdirty();
}

void TFFT::markoutputsdirty() {
    ffftdirty = true;
    foutcompdirty = fdbdirty = fabsdirty = fabs2dirty = fphasedirty = true;
    fabs2mirrorpending = false;
    fabs2lower = false;
    fpartspending = false;
    fdbdone = 0;
    finresumknown = false;
}

void TFFT::setLogFFTSize(std::int32_t value) {
    if (value < 2 || value > 20) return;
    flogfftsize = value;
    ffftsize = std::int32_t{1} << value;
    marksizechange();
}

void TFFT::setFFTSize(std::int32_t value) {
    if (value > fftmaxsize || value < 2)
        throw EFFTError("FFT size out of range (" + std::to_string(value) + ")");
    std::int32_t lg = 1;
    while ((std::int32_t{1} << lg) < value) ++lg;
    flogfftsize = lg;
    ffftsize = std::int32_t{1} << lg;
    marksizechange();
}

void TFFT::setWindowSize(std::int32_t value) {
    if (value > fftmaxsize || value < 2) throw EFFTError("Window size out of range");
    fwindowsize = value;
    if (ffftsize < fwindowsize) setFFTSize(fwindowsize);
    marksizechange();
}

void TFFT::setWindow(TFFTWindow value) {
    if (!validwindow(value))
        throw EFFTError("Window kind out of range (" +
                        std::to_string(static_cast<std::int32_t>(value)) + ")");
    fwindow = value;
    rebuildtables();
}

void TFFT::setwindowleftskew(double value) {
    if (!std::isfinite(value)) throw EFFTError("Window skew out of range");
    fwindowleftskew = value;
    rebuildtables();
}

void TFFT::setwindowrightskew(double value) {
    if (!std::isfinite(value)) throw EFFTError("Window skew out of range");
    fwindowrightskew = value;
    rebuildtables();
}

// ---- Tables ----

void TFFT::rebuildtables() {
    // A window longer than the frame does not fit; the caller is expected to restore N >= W
    // (by writing WindowSize) before the tables are used.
    if (ffftsize < fwindowsize) return;
    const std::int32_t n = ffftsize;
    const std::int32_t w = fwindowsize;
    const auto un = static_cast<std::size_t>(n);

    if (ftablesize != n) {
        ftwr.assign(un - 1, 0.0);
        ftwi.assign(un - 1, 0.0);
        for (std::int32_t d = 1; d < n; d <<= 1) {
            for (std::int32_t f = 0; f < d; ++f) {
                double a = pi * f / d;
                ftwr[d - 1 + f] = std::cos(a);
                ftwi[d - 1 + f] = std::sin(a);
            }
        }
        fbitflip.assign(un, 0);
        for (std::int32_t k = 0; k < n; ++k)
            fbitflip[k] = reversebits(static_cast<std::uint32_t>(k), flogfftsize);
        fbitfliphalf.assign(un / 2, 0);
        for (std::int32_t k = 0; k < n / 2; ++k)
            fbitfliphalf[k] = reversebits(static_cast<std::uint32_t>(k), flogfftsize - 1);
        fscratch.assign(un + 2 * scratchpad, 0.0);
        foutre.assign(un, 0.0);
        foutim.assign(un, 0.0);
        foutdb.assign(un, 0.0);
        foutabs.assign(un, 0.0);
        foutabs2.assign(un, 0.0);
        foutphase.assign(un, 0.0);
        foutcomplex.assign(un, tcomplex{});
        ftablesize = n;
    }

    fwin.assign(un, 0.0);
    const bool skewed = fwindowleftskew != 0.5 || fwindowrightskew != 0.5;
    for (std::int32_t i = 0; i < w; ++i) {
        const double x = twopi * i / (w - 1);
        double v;
        if (fwindow == TFFTWindow::rectangle) {
            v = 1.0;
        } else if (skewed) {
            v = windowvalue(fwindow, warpphase(x, fwindowleftskew, fwindowrightskew));
        } else if (fwindow == TFFTWindow::Bartlett) {
            v = 1.0 - std::abs(2.0 * i / (w - 1) - 1.0);
        } else {
            v = windowvalue(fwindow, x);
        }
        fwin[i] = v;
    }
    farrdirty = false;
}

void TFFT::ensuretables() {
    if (farrdirty) rebuildtables();
    if (farrdirty)
        throw EFFTError("FFT size (" + std::to_string(ffftsize) +
                        ") is smaller than the window size (" + std::to_string(fwindowsize) + ")");
}

const tdoublearr& TFFT::WinValues() {
    ensuretables();
    return fwin;
}

// ---- Inputs ----

namespace {
void checkinputlength(std::size_t len) {
    if (len > static_cast<std::size_t>(fftmaxsize))
        throw EFFTError("FFT size out of range (" + std::to_string(len) + ")");
}
} // namespace

void TFFT::setInRe(std::span<const double> values) {
    checkinputlength(values.size());
    const auto len = static_cast<std::int32_t>(values.size());
    if (len != fwindowsize) {
        setFFTSize(len);
        setWindowSize(len);
    }
    if (values.data() != finre.data() || values.size() != finre.size())
        finre.assign(values.begin(), values.end());
    fhalves = false;
    markoutputsdirty();
}

std::span<double> TFFT::InReForWriting(std::size_t length) {
    checkinputlength(length);
    const auto len = static_cast<std::int32_t>(length);
    if (len != fwindowsize) {
        setFFTSize(len);
        setWindowSize(len);
    }
    finre.resize(length, 0.0);
    fhalves = false;
    markoutputsdirty();
    return finre;
}

tdoublearr TFFT::InReValues() const {
    if (!fhalves) return finre;
    tdoublearr v(fhalf[0].begin(), fhalf[0].end());
    v.insert(v.end(), fhalf[1].begin(), fhalf[1].end());
    return v;
}

void TFFT::setInReHalves(std::span<const double> first, std::span<const double> second) {
    const std::size_t length = first.size() + second.size();
    checkinputlength(length);
    const auto len = static_cast<std::int32_t>(length);
    if (len != fwindowsize) {
        setFFTSize(len);
        setWindowSize(len);
    }
    fhalf[0] = first;
    fhalf[1] = second;
    fhalves = true;
    markoutputsdirty();
}

void TFFT::setInIm(std::span<const double> values) {
    checkinputlength(values.size());
    const auto len = static_cast<std::int32_t>(values.size());
    if (len != fwindowsize) {
        setFFTSize(len);
        setWindowSize(len);
    }
    if (values.data() != finim.data() || values.size() != finim.size())
        finim.assign(values.begin(), values.end());
    markoutputsdirty();
}

void TFFT::setInChunk(const tsamplechunk& chunk) {
    constexpr auto capacity = static_cast<std::int32_t>(std::tuple_size_v<decltype(chunk.data)>);
    if (chunk.used > capacity)
        throw ERangeError("Sample chunk too long for the FFT (" + std::to_string(chunk.used) +
                          " samples, at most " + std::to_string(capacity) + ")");
    if (chunk.used != fwindowsize) {
        setFFTSize(chunk.used);
        setWindowSize(chunk.used);
    }
    if (&chunk != &finchunk) finchunk = chunk;
    const auto w = static_cast<std::size_t>(fwindowsize);
    finre.resize(w);
    finim.assign(w, 0.0);
    for (std::size_t i = 0; i < w; ++i) finre[i] = finchunk.data[i];
    fhalves = false;
    markoutputsdirty();
}

// ---- Transform ----

namespace {

// The butterflies of four neighbouring points run together as one value of four doubles (one
// AVX2 register, or two SSE2 registers); two doubles for spans of two points.
[[gnu::always_inline]] inline v4 reversed(const v4& v) {
    return __builtin_shufflevector(v, v, 3, 2, 1, 0);
}

// One radix-4 step: the radix-2 butterflies of spans d and 2d on the points 0, d, 2d, 3d
// from re/im (V = double: one point; V = v4: four neighbouring points).
template <class V>
[[gnu::always_inline]] inline void radix4(double* re, double* im, std::int32_t d, const double* w1r,
                                          const double* w1i, const double* w2r, const double* w2i) {
    const V ar = load<V>(w1r), ai = load<V>(w1i);
    const V r0 = load<V>(re), i0 = load<V>(im);
    const V r1 = load<V>(re + d), i1 = load<V>(im + d);
    const V r2 = load<V>(re + 2 * d), i2 = load<V>(im + 2 * d);
    const V r3 = load<V>(re + 3 * d), i3 = load<V>(im + 3 * d);
    // Span d: (0, 1) and (2, 3) with w1.
    const V e1r = r1 * ar - i1 * ai;
    const V e1i = r1 * ai + i1 * ar;
    const V e3r = r3 * ar - i3 * ai;
    const V e3i = r3 * ai + i3 * ar;
    const V p0r = r0 + e1r, p0i = i0 + e1i;
    const V p1r = r0 - e1r, p1i = i0 - e1i;
    const V p2r = r2 + e3r, p2i = i2 + e3i;
    const V p3r = r2 - e3r, p3i = i2 - e3i;
    // Span 2d: (0, 2) with w2 and (1, 3) with j*w2.
    const V br = load<V>(w2r), bi = load<V>(w2i);
    const V e2r = p2r * br - p2i * bi;
    const V e2i = p2r * bi + p2i * br;
    const V tr = p3r * br - p3i * bi;
    const V ti = p3r * bi + p3i * br;
    // (tr + j ti) * j = -ti + j tr
    store<V>(re, p0r + e2r);
    store<V>(im, p0i + e2i);
    store<V>(re + 2 * d, p0r - e2r);
    store<V>(im + 2 * d, p0i - e2i);
    store<V>(re + d, p1r - ti);
    store<V>(im + d, p1i + tr);
    store<V>(re + 3 * d, p1r + ti);
    store<V>(im + 3 * d, p1i - tr);
}

// Spans 1 and 2 on four neighbouring points (already in bit-reversed order): span 1 with the
// twiddle 1, span 2 with the twiddles 1 and +j. The results go to re[0..3], im[0..3].
struct tfourpoints {
    double r0, i0, r1, i1, r2, i2, r3, i3;
};
[[gnu::always_inline]] inline void firsttwospans(double* re, double* im, const tfourpoints& p) {
    const double ar = p.r0 + p.r1, ai = p.i0 + p.i1;
    const double br = p.r0 - p.r1, bi = p.i0 - p.i1;
    const double cr = p.r2 + p.r3, ci = p.i2 + p.i3;
    const double er = p.r2 - p.r3, ei = p.i2 - p.i3;
    re[0] = ar + cr;
    im[0] = ai + ci;
    re[2] = ar - cr;
    im[2] = ai - ci;
    // (er + j ei) * j = -ei + j er
    re[1] = br - ei;
    im[1] = bi + er;
    re[3] = br + ei;
    im[3] = bi - er;
}

// In-place decimation-in-time butterflies over n points whose input is already in
// bit-reversed order and has had its spans below d done; kernel e^(+j*2*pi*k*m/n). Two
// radix-2 spans d and 2d are done in one pass over memory (a radix-4 step); the number of
// spans left must be even. The arithmetic of each butterfly is that of the radix-2 algorithm.
GRAVON_SIMD_CLONES
void laterspans(double* __restrict re, double* __restrict im, std::int32_t n, std::int32_t d,
                const double* __restrict twr, const double* __restrict twi) {
    for (; d < n; d <<= 2) {
        // Spans d and 2d. Twiddle of span d: w1 = e^(+j*pi*f/d); of span 2d: w2 =
        // e^(+j*pi*f/(2d)) for the first pair and j*w2 for the second.
        const double* w1r = twr + (d - 1);
        const double* w1i = twi + (d - 1);
        const double* w2r = twr + (2 * d - 1);
        const double* w2i = twi + (2 * d - 1);
        for (std::int32_t g = 0; g < n; g += 4 * d) {
            if (d % 4 == 0) {
                for (std::int32_t f = 0; f < d; f += 4)
                    radix4<v4>(re + g + f, im + g + f, d, w1r + f, w1i + f, w2r + f, w2i + f);
            } else if (d == 2) {
                // The first pass of a transform with an odd number of spans: both points of
                // the span side by side, each with the arithmetic it has on its own.
                radix4<v2>(re + g, im + g, d, w1r, w1i, w2r, w2i);
            } else {
                for (std::int32_t f = 0; f < d; ++f)
                    radix4<double>(re + g + f, im + g + f, d, w1r + f, w1i + f, w2r + f, w2i + f);
            }
        }
    }
}

// The whole transform of n = 2^logsize points in bit-reversed order.
void butterflies(double* re, double* im, std::int32_t logsize, const double* twr,
                 const double* twi) {
    const std::int32_t n = std::int32_t{1} << logsize;
    if (n < 2) return;
    std::int32_t d;
    if (logsize % 2 == 1) {
        for (std::int32_t g = 0; g < n; g += 2) {
            const double er = re[g + 1], ei = im[g + 1];
            re[g + 1] = re[g] - er;
            im[g + 1] = im[g] - ei;
            re[g] += er;
            im[g] += ei;
        }
        d = 2;
    } else {
        for (std::int32_t g = 0; g < n; g += 4)
            firsttwospans(
                re + g, im + g,
                {re[g], im[g], re[g + 1], im[g + 1], re[g + 2], im[g + 2], re[g + 3], im[g + 3]});
        d = 4;
    }
    laterspans(re, im, n, d, twr, twi);
}

// Packs the 2m real values y as m complex values z[i] = (y[2i] - c) + j*(y[2i+1] - c), puts
// them in bit-reversed order and does the first one or two butterfly spans on the way, so
// that the points are loaded once. revhalf reverses log2 m bits. Returns the next span.
GRAVON_SIMD_CLONES
std::int32_t packfirstspans(double* __restrict zr, double* __restrict zi,
                            const double* __restrict y, const std::uint32_t* __restrict revhalf,
                            std::int32_t logm, double c) {
    const std::int32_t m = std::int32_t{1} << logm;
    if (m == 1) {
        zr[0] = y[0] - c;
        zi[0] = y[1] - c;
        return 1;
    }
    if (logm % 2 == 1) {
        // Place 2q + t holds z[t*m/2 + reverse(q)], reverse over log2 m - 1 bits.
        // A complex value is two neighbouring reals, so it is loaded as one pair (real,
        // imaginary), and the sum and difference are regrouped into real and imaginary pairs.
        const std::int32_t h = m / 2;
        const v2 cv = {c, c};
        for (std::int32_t q = 0; q < h; ++q) {
            const std::int32_t s = static_cast<std::int32_t>(revhalf[q] >> 1);
            const v2 a = load<v2>(y + 2 * s) - cv;
            const v2 b = load<v2>(y + 2 * (s + h)) - cv;
            const v2 sum = a + b, diff = a - b;
            store<v2>(zr + 2 * q, __builtin_shufflevector(sum, diff, 0, 2));
            store<v2>(zi + 2 * q, __builtin_shufflevector(sum, diff, 1, 3));
        }
        return 2;
    }
    // Place 4q + t holds z[reverse2(t)*m/4 + reverse(q)], reverse over log2 m - 2 bits.
    // Each point is a (real, imaginary) pair, the butterflies work on pairs, and only the four
    // results are regrouped into real and imaginary parts. Multiplying by j swaps the pair;
    // a difference is the sum with the negated value, which is exactly the same number.
    const std::int32_t qm = m / 4;
    const v2 cv = {c, c};
    using v2u = unsigned long long __attribute__((vector_size(16)));
    const v2u negre = {0x8000000000000000ull, 0}, negim = {0, 0x8000000000000000ull};
    const auto flip = [](v2 v, v2u sign) {
        v2u bits;
        std::memcpy(&bits, &v, sizeof bits);
        bits ^= sign;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    };
    for (std::int32_t q = 0; q < qm; ++q) {
        const std::int32_t s = static_cast<std::int32_t>(revhalf[q] >> 2);
        const v2 p0 = load<v2>(y + 2 * s) - cv;
        const v2 p1 = load<v2>(y + 2 * (s + 2 * qm)) - cv;
        const v2 p2 = load<v2>(y + 2 * (s + qm)) - cv;
        const v2 p3 = load<v2>(y + 2 * (s + 3 * qm)) - cv;
        const v2 a = p0 + p1, b = p0 - p1, cc = p2 + p3, e = p2 - p3;
        const v2 je = __builtin_shufflevector(e, e, 1, 0); // (ei, er)
        const v2 o0 = a + cc, o2 = a - cc;
        const v2 o1 = b + flip(je, negre); // (br - ei, bi + er)
        const v2 o3 = b + flip(je, negim); // (br + ei, bi - er)
        store<v2>(zr + 4 * q, __builtin_shufflevector(o0, o1, 0, 2));
        store<v2>(zr + 4 * q + 2, __builtin_shufflevector(o2, o3, 0, 2));
        store<v2>(zi + 4 * q, __builtin_shufflevector(o0, o1, 1, 3));
        store<v2>(zi + 4 * q + 2, __builtin_shufflevector(o2, o3, 1, 3));
    }
    return 4;
}

// Windowing of a real input: y[i] = (x[i] - m) * w[i] for i < nin, zero up to n, where x is a
// followed by b (na values of a). Returns the sum of the y values.
GRAVON_SIMD_CLONES
double windowreal(double* __restrict y, const double* __restrict a, std::int32_t na,
                  const double* __restrict b, const double* __restrict w, std::int32_t nin,
                  std::int32_t n, double m) {
    const v4 mv = {m, m, m, m};
    v4 acc = {0.0, 0.0, 0.0, 0.0};
    const auto x = [&](std::int32_t i) { return i < na ? a[i] : b[i - na]; };
    const auto group = [&](std::int32_t i, const v4& xv) {
        const v4 v = (xv - mv) * load<v4>(w + i);
        store<v4>(y + i, v);
        acc += v;
    };
    std::int32_t i = 0;
    for (; i + 4 <= std::min(na, nin); i += 4) group(i, load<v4>(a + i));
    if (i < na && i + 4 <= nin) {
        // The group where the halves meet.
        group(i, v4{x(i), x(i + 1), x(i + 2), x(i + 3)});
        i += 4;
    }
    for (; i + 4 <= nin; i += 4) group(i, load<v4>(b + (i - na)));
    double sum = (acc[0] + acc[1]) + (acc[2] + acc[3]);
    for (; i < nin; ++i) {
        y[i] = (x(i) - m) * w[i];
        sum += y[i];
    }
    for (i = nin; i < n; ++i) y[i] = 0.0;
    return sum;
}

// sumof of a followed by b: the same four running sums, the value at position i of the whole
// going to sum i mod 4, the last n mod 4 to sum 0.
double sumofhalves(std::span<const double> a, std::span<const double> b) {
    const std::size_t n = a.size() + b.size();
    const std::size_t whole = n / 4 * 4;
    double s[4] = {0.0, 0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < n; ++i)
        s[i < whole ? i % 4 : 0] += i < a.size() ? a[i] : b[i - a.size()];
    return (s[0] + s[1]) + (s[2] + s[3]);
}

// Unpacks the half-size transform Z of the packed real input into the n bins of its
// transform, scaled by s: with A = Z[k] and B = Z[m-k], E = (A + conj B)/2 and
// O = (A - conj B)/(2j) are the transforms of the even and odd samples, and
// X[k] = E + e^(+j*2*pi*k/n) * O, for the bins 0...m; bin n-k, the conjugate of bin k, is
// left to mirrorreal. Power: p[k] = |X[k]|^2 as abs2ofbins computes it from the bins, taken
// while they are in registers; Parts: the bins themselves into xr, xi. The analysis reads the
// power, so the bins are unpacked again, with the same arithmetic, only when they are read.
template <bool Power, bool Parts>
[[gnu::always_inline]] inline void
unpackbody(double* __restrict xr, double* __restrict xi, double* __restrict p,
           const double* __restrict zr, const double* __restrict zi, const double* __restrict tr,
           const double* __restrict ti, std::int32_t m, double s) {
    const double h = 0.5 * s;
    const double r0 = (zr[0] + zi[0]) * s, rm = (zr[0] - zi[0]) * s;
    if constexpr (Parts) {
        xr[0] = r0;
        xi[0] = 0.0;
        xr[m] = rm;
        xi[m] = 0.0;
    }
    if constexpr (Power) {
        p[0] = finiteor0(r0 * r0 + 0.0 * 0.0);
        p[m] = finiteor0(rm * rm + 0.0 * 0.0);
    }
    std::int32_t k = 1;
    const v4 hv = {h, h, h, h};
    constexpr double big = std::numeric_limits<double>::max();
    for (; k + 3 < m; k += 4) {
        const v4 ar = load<v4>(zr + k), ai = load<v4>(zi + k);
        const v4 br = reversed(load<v4>(zr + (m - k - 3))),
                 bi = reversed(load<v4>(zi + (m - k - 3)));
        const v4 t_r = load<v4>(tr + k), t_i = load<v4>(ti + k);
        const v4 er = ar + br, ei = ai - bi;
        const v4 or_ = ai + bi, oi = br - ar;
        const v4 vr = (er + (t_r * or_ - t_i * oi)) * hv;
        const v4 vi = (ei + (t_r * oi + t_i * or_)) * hv;
        if constexpr (Parts) {
            store<v4>(xr + k, vr);
            store<v4>(xi + k, vi);
        }
        if constexpr (Power) {
            const v4 pw = vr * vr + vi * vi;
            // Not finite: NaN fails the comparison, infinity exceeds the largest double.
            store<v4>(p + k, (pw <= big) & (pw >= -big) ? pw : v4{});
        }
    }
    for (; k < m; ++k) {
        const double ar = zr[k], ai = zi[k];
        const double br = zr[m - k], bi = zi[m - k];
        const double er = ar + br, ei = ai - bi;
        const double or_ = ai + bi, oi = br - ar;
        const double vr = (er + (tr[k] * or_ - ti[k] * oi)) * h;
        const double vi = (ei + (tr[k] * oi + ti[k] * or_)) * h;
        if constexpr (Parts) {
            xr[k] = vr;
            xi[k] = vi;
        }
        if constexpr (Power) p[k] = finiteor0(vr * vr + vi * vi);
    }
}

GRAVON_SIMD_CLONES
void unpackpower(double* __restrict p, const double* __restrict zr, const double* __restrict zi,
                 const double* __restrict tr, const double* __restrict ti, std::int32_t m,
                 double s) {
    unpackbody<true, false>(nullptr, nullptr, p, zr, zi, tr, ti, m, s);
}

GRAVON_SIMD_CLONES
void unpackparts(double* __restrict xr, double* __restrict xi, const double* __restrict zr,
                 const double* __restrict zi, const double* __restrict tr,
                 const double* __restrict ti, std::int32_t m, double s) {
    unpackbody<false, true>(xr, xi, nullptr, zr, zi, tr, ti, m, s);
}

// The bins m+1...2m-1 of a real input's transform: bin 2m-k is the conjugate of bin k.
void mirrorreal(double* __restrict xr, double* __restrict xi, std::int32_t m) {
    for (std::int32_t k = 1; k < m; ++k) {
        xr[2 * m - k] = xr[k];
        xi[2 * m - k] = -xi[k];
    }
}

// Natural logarithm of four positive, normal, finite values, by the classic argument
// reduction x = 2^k * (1 + f), sqrt(2)/2 <= 1 + f < sqrt(2), and a minimax polynomial in
// s = f/(2 + f); the error is below one unit in the last place, like the C library's.
[[gnu::always_inline]] inline v4 lognormal(const v4& x) {
    using v4u = unsigned long long __attribute__((vector_size(32)));
    constexpr double ln2hi = 6.93147180369123816490e-01;
    constexpr double ln2lo = 1.90821492927058770002e-10;
    constexpr double lg1 = 6.666666666666735130e-01, lg2 = 3.999999999940941908e-01,
                     lg3 = 2.857142874366239149e-01, lg4 = 2.222219843214978396e-01,
                     lg5 = 1.818357216161805012e-01, lg6 = 1.531383769920937332e-01,
                     lg7 = 1.479819860511658591e-01;
    v4u bits;
    std::memcpy(&bits, &x, sizeof bits);
    const v4u hx = (bits >> 32) & 0x000fffffu; // top 20 bits of the mantissa
    const v4u i = (hx + 0x95f64u) & 0x100000u; // set when the mantissa is >= sqrt(2)
    v4u k = (bits >> 52) - 1023u + (i >> 20);
    const v4u mbits = (bits & 0xffffffffu) | ((hx | (i ^ 0x3ff00000u)) << 32);
    v4 m;
    std::memcpy(&m, &mbits, sizeof m);
    // k as a double: k + 1.5*2^52 read as a double is exact for |k| < 2^51.
    constexpr double magic = 6755399441055744.0;
    k += 0x4338000000000000u;
    v4 dk;
    std::memcpy(&dk, &k, sizeof dk);
    dk -= magic;

    const v4 f = m - 1.0;
    const v4 sv = f / (2.0 + f);
    const v4 z = sv * sv;
    const v4 w = z * z;
    const v4 t1 = w * (lg2 + w * (lg4 + w * lg6));
    const v4 t2 = z * (lg1 + w * (lg3 + w * (lg5 + w * lg7)));
    const v4 r = t2 + t1;
    const v4 hfsq = 0.5 * f * f;
    // Two arrangements of the same sum; the first is the more accurate one for mantissas
    // between 0x6147a and 0x6b851 (about 1.38 .. 1.42 before the reduction).
    const v4 near = dk * ln2hi - ((hfsq - (sv * (hfsq + r) + dk * ln2lo)) - f);
    const v4 far = dk * ln2hi - ((sv * (f - r) - dk * ln2lo) - f);
    const auto usenear = (hx > 0x6147au) & (hx < 0x6b851u);
    return usenear ? near : far;
}

// out[k] = re[k]^2 + im[k]^2, 0 where that is not finite.
GRAVON_SIMD_CLONES
void abs2ofbins(double* __restrict out, const double* __restrict re, const double* __restrict im,
                std::int32_t count) {
    std::int32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const v4 r = load<v4>(re + k), i = load<v4>(im + k);
        const v4 p = r * r + i * i;
        // Not finite: NaN fails the comparison, infinity exceeds the largest double.
        const auto finite =
            (p <= std::numeric_limits<double>::max()) & (p >= -std::numeric_limits<double>::max());
        store<v4>(out + k, finite ? p : v4{});
    }
    for (; k < count; ++k) out[k] = finiteor0(re[k] * re[k] + im[k] * im[k]);
}

// dbofbins from the powers p = abs2 of the bins, as far as it goes: a group of four whose
// powers are all normal gives the same values from them. Returns where it stopped: the first
// group with another power, which only the bins themselves tell (a power of 0 may be an
// overflow), or count.
GRAVON_SIMD_CLONES
std::int32_t dbofpowers(double* __restrict out, const double* __restrict p, std::int32_t count) {
    std::int32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const v4 pw = load<v4>(p + k);
        const auto normal =
            (pw >= std::numeric_limits<double>::min()) & (pw <= std::numeric_limits<double>::max());
        if (!(normal[0] && normal[1] && normal[2] && normal[3])) return k;
        store<v4>(out + k, dbperneper * lognormal(pw));
    }
    return k;
}

// out[k] = 10*log10(re[k]^2 + im[k]^2), -3250 where that is 0, 0 where it is not finite.
GRAVON_SIMD_CLONES
void dbofbins(double* __restrict out, const double* __restrict re, const double* __restrict im,
              std::int32_t count) {
    std::int32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const v4 r = load<v4>(re + k), i = load<v4>(im + k);
        const v4 p = r * r + i * i;
        const auto normal =
            (p >= std::numeric_limits<double>::min()) & (p <= std::numeric_limits<double>::max());
        if (normal[0] && normal[1] && normal[2] && normal[3]) {
            store<v4>(out + k, dbperneper * lognormal(p));
        } else {
            for (int l = 0; l < 4; ++l) out[k + l] = dbofpower(p[l]);
        }
    }
    for (; k < count; ++k) out[k] = dbofpower(re[k] * re[k] + im[k] * im[k]);
}

} // namespace

// Real input: the N real values are packed as N/2 complex values z[n] = y[2n] + j*y[2n+1],
// transformed at half size and unpacked; bin N-k is the conjugate of bin k.
void TFFT::realtransform(double mr) {
    const std::int32_t n = ffftsize;
    const std::int32_t m = n / 2;
    // The windowed input goes into the output buffer first, the packed half-size frame into
    // the scratch buffer (real parts in its first half, imaginary parts in its second).
    double* y = foutre.data();
    const std::span<const double> a = fhalves ? fhalf[0] : std::span<const double>(finre);
    const std::span<const double> b = fhalves ? fhalf[1] : std::span<const double>();
    const std::int32_t nin = std::min(static_cast<std::int32_t>(a.size() + b.size()), n);
    const double sum = windowreal(y, a.data(), static_cast<std::int32_t>(a.size()), b.data(),
                                  fwin.data(), nin, n, mr);
    // Removing the mean a second time, after windowing and zero fill, leaves bin 0 at zero.
    const double c = fremovedc ? sum / n : 0.0;
    double* zr = fscratch.data() + scratchpad;
    double* zi = fscratch.data() + m + scratchpad;
    const std::int32_t d = packfirstspans(zr, zi, y, fbitfliphalf.data(), flogfftsize - 1, c);
    laterspans(zr, zi, m, d, ftwr.data(), ftwi.data());
    unpackpower(foutabs2.data(), zr, zi, ftwr.data() + (m - 1), ftwi.data() + (m - 1), m,
                1.0 / fwindowsize);
    fsymmetric = true;
    fabs2lower = true;
    fpartspending = true;
    // The upper half only for the outputs that show it; the power and level spectra are
    // mirrored from their own lower half.
    fmirrorpending = true;
}

void TFFT::complextransform(double mr, double mi) {
    const std::int32_t n = ffftsize;
    const double* __restrict win = fwin.data();
    const std::uint32_t* __restrict rev = fbitflip.data();
    double* __restrict re = foutre.data();
    double* __restrict im = foutim.data();
    const std::int32_t nre = std::min(static_cast<std::int32_t>(finre.size()), n);
    const std::int32_t nim = std::min(static_cast<std::int32_t>(finim.size()), n);
    double sumre = 0.0, sumim = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double vr = i < nre ? (finre[i] - mr) * win[i] : 0.0;
        const double vi = i < nim ? (finim[i] - mi) * win[i] : 0.0;
        re[rev[i]] = vr;
        im[rev[i]] = vi;
        sumre += vr;
        sumim += vi;
    }
    if (fremovedc) {
        const double cr = sumre / n, ci = sumim / n;
        for (std::int32_t i = 0; i < n; ++i) {
            re[i] -= cr;
            im[i] -= ci;
        }
    }
    butterflies(re, im, flogfftsize, ftwr.data(), ftwi.data());
    const double wsize = fwindowsize;
    for (std::int32_t i = 0; i < n; ++i) {
        re[i] /= wsize;
        im[i] /= wsize;
    }
    fsymmetric = false;
    fmirrorpending = false;
}

void TFFT::transform() {
    ensuretables();
    // The complex transform reads the input as one array.
    if (fhalves && !fignoreinim) {
        finre.assign(fhalf[0].begin(), fhalf[0].end());
        finre.insert(finre.end(), fhalf[1].begin(), fhalf[1].end());
        fhalves = false;
    }
    double mr = 0.0, mi = 0.0;
    if (fremovedc) {
        const std::size_t nre = fhalves ? fhalf[0].size() + fhalf[1].size() : finre.size();
        if (nre > 0)
            mr = (finresumknown ? finresum
                  : fhalves     ? sumofhalves(fhalf[0], fhalf[1])
                                : sumof(finre.data(), finre.size())) /
                 static_cast<double>(nre);
        if (!fignoreinim && !finim.empty())
            mi = sumof(finim.data(), finim.size()) / static_cast<double>(finim.size());
    }
    if (fignoreinim)
        realtransform(mr);
    else
        complextransform(mr, mi);
    ffftdirty = false;
}

void TFFT::ensuretransform() {
    if (ffftdirty) transform();
}

void TFFT::ensureparts() {
    ensuretransform();
    if (fpartspending) {
        // The packed frame is still in the scratch buffer, untouched since the transform.
        const std::int32_t m = ffftsize / 2;
        unpackparts(foutre.data(), foutim.data(), fscratch.data() + scratchpad,
                    fscratch.data() + m + scratchpad, ftwr.data() + (m - 1), ftwi.data() + (m - 1),
                    m, 1.0 / fwindowsize);
        fpartspending = false;
    }
}

void TFFT::ensureupperhalf() {
    ensureparts();
    if (fmirrorpending) {
        mirrorreal(foutre.data(), foutim.data(), ffftsize / 2);
        fmirrorpending = false;
    }
}

// ---- Outputs ----

const tdoublearr& TFFT::OutRe() {
    ensureupperhalf();
    return foutre;
}

const tdoublearr& TFFT::OutIm() {
    ensureupperhalf();
    return foutim;
}

const tcomplexarr& TFFT::OutComplex() {
    ensureupperhalf();
    if (foutcompdirty) {
        const std::size_t n = foutre.size();
        for (std::size_t k = 0; k < n; ++k) foutcomplex[k] = tcomplex{foutre[k], foutim[k]};
        foutcompdirty = false;
    }
    return foutcomplex;
}

const tdoublearr& TFFT::OutAbs2() {
    OutAbs2Lower();
    if (fabs2mirrorpending) {
        const std::int32_t n = ffftsize;
        double* __restrict out = foutabs2.data();
        for (std::int32_t k = 1; k < n / 2; ++k) out[n - k] = out[k];
        fabs2mirrorpending = false;
    }
    return foutabs2;
}

const tdoublearr& TFFT::OutAbs2Lower() {
    ensuretransform();
    if (fabs2dirty) {
        const std::int32_t n = ffftsize;
        const std::int32_t last = fsymmetric ? n / 2 : n - 1;
        const double* __restrict re = foutre.data();
        const double* __restrict im = foutim.data();
        double* __restrict out = foutabs2.data();
        if (!fabs2lower) abs2ofbins(out, re, im, last + 1);
        fabs2mirrorpending = fsymmetric;
        fabs2dirty = false;
    }
    return foutabs2;
}

void TFFT::computedb(std::int32_t from, std::int32_t to) {
    std::int32_t k = from;
    if (fabs2lower && fpartspending) {
        // From the power spectrum while the bins themselves are not unpacked: the same values
        // wherever the power is a normal number.
        k += dbofpowers(foutdb.data() + k, foutabs2.data() + k, to - k);
        if (to - k < 4)
            for (; k < to; ++k) {
                const double pw = foutabs2[std::size_t(k)];
                if (!(pw >= std::numeric_limits<double>::min() &&
                      pw <= std::numeric_limits<double>::max()))
                    break;
                foutdb[std::size_t(k)] = dbofpower(pw);
            }
    }
    if (k < to) {
        ensureparts();
        dbofbins(foutdb.data() + k, foutre.data() + k, foutim.data() + k, to - k);
    }
}

const tdoublearr& TFFT::OutAbs() {
    ensureparts();
    if (fabsdirty) {
        const std::int32_t n = ffftsize;
        const std::int32_t last = fsymmetric ? n / 2 : n - 1;
        const double* __restrict re = foutre.data();
        const double* __restrict im = foutim.data();
        double* __restrict out = foutabs.data();
        for (std::int32_t k = 0; k <= last; ++k)
            out[k] = finiteor0(std::sqrt(re[k] * re[k] + im[k] * im[k]));
        if (fsymmetric)
            for (std::int32_t k = 1; k < n / 2; ++k) out[n - k] = out[k];
        fabsdirty = false;
    }
    return foutabs;
}

const tdoublearr& TFFT::OutdB() {
    ensuretransform();
    if (fdbdirty) {
        const std::int32_t n = ffftsize;
        const std::int32_t last = fsymmetric ? n / 2 : n - 1;
        double* __restrict out = foutdb.data();
        // Bins of a partial computation are already there; dbofbins works in groups of four
        // counted from its first bin, so starting at a multiple of four gives the same values.
        computedb(fdbdone, last + 1);
        if (fsymmetric)
            for (std::int32_t k = 1; k < n / 2; ++k) out[n - k] = out[k];
        fdbdirty = false;
    }
    return foutdb;
}

const tdoublearr& TFFT::OutdBFirst(std::int32_t count) {
    ensuretransform();
    if (!fdbdirty || count <= fdbdone) return foutdb;
    const std::int32_t n = ffftsize;
    const std::int32_t end = (fsymmetric ? n / 2 : n - 1) + 1;
    if (count >= end) return OutdB();
    // Up to a whole group of four, so that every group is computed as OutdB computes it.
    const std::int32_t to = std::min(end, (count + 3) / 4 * 4);
    computedb(fdbdone, to);
    fdbdone = to;
    return foutdb;
}

const tdoublearr& TFFT::OutPhase() {
    ensureupperhalf();
    if (fphasedirty) {
        const std::size_t n = foutre.size();
        for (std::size_t k = 0; k < n; ++k) foutphase[k] = phaseof(foutre[k], foutim[k]);
        fphasedirty = false;
    }
    return foutphase;
}

// ---- Flags ----

bool TFFT::Dirty() const {
    return ffftdirty || foutcompdirty || fdbdirty || fabsdirty || fabs2dirty || fphasedirty;
}

void TFFT::setDirty(bool /*value*/) {
    markoutputsdirty();
}

} // namespace gravon
