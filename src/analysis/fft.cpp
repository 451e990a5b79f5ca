#include "analysis/fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace gravon {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double twopi = 2.0 * std::numbers::pi;

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
    return s > 0 ? 10.0 * std::log10(s) : fftzerodb;
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

} // namespace

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
        fscratch.assign(un, 0.0);
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
    markoutputsdirty();
}

// ---- Transform ----

// In-place radix-2 decimation-in-time butterflies over 2^logsize points whose input is
// already in bit-reversed order. Kernel e^(+j*2*pi*k*n/size).
void TFFT::fftcore(double* re, double* im, std::int32_t logsize) const {
    const std::int32_t n = std::int32_t{1} << logsize;
    if (n < 2) return;
    // Span 1: the twiddle is 1.
    for (std::int32_t g = 0; g < n; g += 2) {
        const double er = re[g + 1], ei = im[g + 1];
        re[g + 1] = re[g] - er;
        im[g + 1] = im[g] - ei;
        re[g] += er;
        im[g] += ei;
    }
    if (n < 4) return;
    // Span 2: twiddles 1 and +j.
    for (std::int32_t g = 0; g < n; g += 4) {
        double er = re[g + 2], ei = im[g + 2];
        re[g + 2] = re[g] - er;
        im[g + 2] = im[g] - ei;
        re[g] += er;
        im[g] += ei;
        // (re + j im) * j = -im + j re
        er = -im[g + 3];
        ei = re[g + 3];
        re[g + 3] = re[g + 1] - er;
        im[g + 3] = im[g + 1] - ei;
        re[g + 1] += er;
        im[g + 1] += ei;
    }
    for (std::int32_t d = 4; d < n; d <<= 1) {
        const double* __restrict wr = ftwr.data() + (d - 1);
        const double* __restrict wi = ftwi.data() + (d - 1);
        for (std::int32_t g = 0; g < n; g += 2 * d) {
            double* __restrict rt = re + g;
            double* __restrict it = im + g;
            double* __restrict rb = re + g + d;
            double* __restrict ib = im + g + d;
            for (std::int32_t f = 0; f < d; ++f) {
                const double e = rb[f] * wr[f] - ib[f] * wi[f];
                const double gg = rb[f] * wi[f] + ib[f] * wr[f];
                const double tr = rt[f], ti = it[f];
                rb[f] = tr - e;
                ib[f] = ti - gg;
                rt[f] = tr + e;
                it[f] = ti + gg;
            }
        }
    }
}

// Real input: the N real values are packed as N/2 complex values z[n] = y[2n] + j*y[2n+1],
// transformed at half size and unpacked; bin N-k is the conjugate of bin k.
void TFFT::realtransform(double mr) {
    const std::int32_t n = ffftsize;
    const std::int32_t m = n / 2;
    const double* __restrict win = fwin.data();
    double* __restrict y = fscratch.data();
    const std::int32_t nin = std::min(static_cast<std::int32_t>(finre.size()), n);
    const double* __restrict x = finre.data();
    double sum = 0.0;
    for (std::int32_t i = 0; i < nin; ++i) {
        const double v = (x[i] - mr) * win[i];
        y[i] = v;
        sum += v;
    }
    std::fill(y + nin, y + n, 0.0);
    // Removing the mean a second time, after windowing and zero fill, leaves bin 0 at zero.
    const double c = fremovedc ? sum / n : 0.0;

    double* __restrict re = foutre.data();
    double* __restrict im = foutim.data();
    const std::uint32_t* __restrict rev = fbitfliphalf.data();
    for (std::int32_t i = 0; i < m; ++i) {
        const std::uint32_t r = rev[i];
        re[r] = y[2 * i] - c;
        im[r] = y[2 * i + 1] - c;
    }
    fftcore(re, im, flogfftsize - 1);

    // Unpack in pairs (k, m-k) so that the work can be done in place: X[k] and X[m-k] take
    // the places of Z[k] and Z[m-k]; their mirrors go into the upper half.
    const double h = 0.5 / fwindowsize;
    const double* __restrict tr = ftwr.data() + (m - 1); // e^(+j*2*pi*k/N), k < m
    const double* __restrict ti = ftwi.data() + (m - 1);
    {
        const double z0r = re[0], z0i = im[0];
        re[0] = (z0r + z0i) / fwindowsize;
        im[0] = 0.0;
        re[m] = (z0r - z0i) / fwindowsize;
        im[m] = 0.0;
    }
    for (std::int32_t k = 1; 2 * k <= m; ++k) {
        const std::int32_t j = m - k;
        const double ar = re[k], ai = im[k];
        const double br = re[j], bi = im[j];
        // E = (A + conj B)/2, O = (A - conj B)/(2j), X[k] = E + T[k]*O
        const double ekr = ar + br, eki = ai - bi;
        const double okr = ai + bi, oki = br - ar;
        const double xkr = (ekr + tr[k] * okr - ti[k] * oki) * h;
        const double xki = (eki + tr[k] * oki + ti[k] * okr) * h;
        // The same for j, with A and B exchanged.
        const double ejr = br + ar, eji = bi - ai;
        const double ojr = bi + ai, oji = ar - br;
        const double xjr = (ejr + tr[j] * ojr - ti[j] * oji) * h;
        const double xji = (eji + tr[j] * oji + ti[j] * ojr) * h;
        re[k] = xkr;
        im[k] = xki;
        re[n - k] = xkr;
        im[n - k] = -xki;
        if (j != k) {
            re[j] = xjr;
            im[j] = xji;
            re[n - j] = xjr;
            im[n - j] = -xji;
        }
    }
    fsymmetric = true;
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
    fftcore(re, im, flogfftsize);
    const double wsize = fwindowsize;
    for (std::int32_t i = 0; i < n; ++i) {
        re[i] /= wsize;
        im[i] /= wsize;
    }
    fsymmetric = false;
}

void TFFT::transform() {
    ensuretables();
    double mr = 0.0, mi = 0.0;
    if (fremovedc) {
        if (!finre.empty()) {
            double s = 0.0;
            for (double v : finre) s += v;
            mr = s / static_cast<double>(finre.size());
        }
        if (!fignoreinim && !finim.empty()) {
            double s = 0.0;
            for (double v : finim) s += v;
            mi = s / static_cast<double>(finim.size());
        }
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

// ---- Outputs ----

const tdoublearr& TFFT::OutRe() {
    ensuretransform();
    return foutre;
}

const tdoublearr& TFFT::OutIm() {
    ensuretransform();
    return foutim;
}

const tcomplexarr& TFFT::OutComplex() {
    ensuretransform();
    if (foutcompdirty) {
        const std::size_t n = foutre.size();
        for (std::size_t k = 0; k < n; ++k) foutcomplex[k] = tcomplex{foutre[k], foutim[k]};
        foutcompdirty = false;
    }
    return foutcomplex;
}

const tdoublearr& TFFT::OutAbs2() {
    ensuretransform();
    if (fabs2dirty) {
        const std::int32_t n = ffftsize;
        const std::int32_t last = fsymmetric ? n / 2 : n - 1;
        const double* __restrict re = foutre.data();
        const double* __restrict im = foutim.data();
        double* __restrict out = foutabs2.data();
        for (std::int32_t k = 0; k <= last; ++k) out[k] = finiteor0(re[k] * re[k] + im[k] * im[k]);
        if (fsymmetric)
            for (std::int32_t k = 1; k < n / 2; ++k) out[n - k] = out[k];
        fabs2dirty = false;
    }
    return foutabs2;
}

const tdoublearr& TFFT::OutAbs() {
    ensuretransform();
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
        const double* __restrict re = foutre.data();
        const double* __restrict im = foutim.data();
        double* __restrict out = foutdb.data();
        for (std::int32_t k = 0; k <= last; ++k) out[k] = dbofpower(re[k] * re[k] + im[k] * im[k]);
        if (fsymmetric)
            for (std::int32_t k = 1; k < n / 2; ++k) out[n - k] = out[k];
        fdbdirty = false;
    }
    return foutdb;
}

const tdoublearr& TFFT::OutPhase() {
    ensuretransform();
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
