#include "analysis/cepstral_peak.h"

#pragma GCC diagnostic ignored "-Wpsabi" // vector values never cross an ABI boundary

#include "analysis/median.h"
#include "analysis/simd_clones.h"
#include "analysis/vector_lanes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>

namespace gravon {

namespace {

// The smallest power the log spectrum and the level of the cepstrum take, so that an exactly
// silent bin gives a finite value.
constexpr double powerfloor = 1e-300;

// The Gaussian window of physical length n, with its ends at zero (exp(-48 t^2) over t in
// -1/2 ... 1/2, lowered by its value at the ends): the effective length is half the physical one.
void gaussian_window(std::vector<double>& w, int n) {
    w.resize(std::size_t(n));
    const double edge = std::exp(-12.0);
    for (int i = 0; i < n; ++i) {
        const double t = (i + 0.5) / n - 0.5;
        w[std::size_t(i)] = (std::exp(-48.0 * t * t) - edge) / (1 - edge);
    }
}

// ln x of a positive normal x, to some 1e-11: the exponent apart, the mantissa taken to
// [1/sqrt 2, sqrt 2) and its log summed from the atanh series. Unlike std::log a loop of
// these vectorises, and the cepstrum takes some 500 logs a frame. The mantissa is brought
// into its range by integer arithmetic alone: the bits are raised so that a mantissa from
// 1/sqrt 2 on carries into the exponent, which leaves a vector loop nothing to choose.
inline double fast_ln(double x) {
    constexpr std::uint64_t invsqrt2 = 0x3fe6a09e667f3bcdULL; // the bits of 1/sqrt 2
    const std::uint64_t u = std::bit_cast<std::uint64_t>(x) + (0x3ff0000000000000ULL - invsqrt2);
    // The exponent field as a double, by placing it in the mantissa of 2^52.
    const double k =
        std::bit_cast<double>(0x4330000000000000ULL | (u >> 52)) - 4503599627370496.0 - 1023;
    const double m = std::bit_cast<double>((u & 0x000fffffffffffffULL) + invsqrt2);
    const double s = (m - 1) / (m + 1), s2 = s * s;
    const double series =
        1 + s2 * (1.0 / 3 + s2 * (1.0 / 5 + s2 * (1.0 / 7 + s2 * (1.0 / 9 + s2 * (1.0 / 11)))));
    return 2 * s * series + k * std::numbers::ln2;
}

// out[k] = scale * ln(max(in[k], powerfloor)) for k < n.
GRAVON_SIMD_CLONES
void scaled_logs(const double* in, double* out, int n, double scale) {
    for (int k = 0; k < n; ++k) out[k] = scale * fast_ln(std::max(in[k], powerfloor));
}

// out[k] = sum over j of w[j] in[k + j] for k < n: a moving mean of weights w (count nw)
// whose first weight falls on in[k]. Eight outputs at a time are summed in registers over all
// the weights and stored once, rather than each weight's pass loading and storing them all.
GRAVON_SIMD_CLONES
void weighted_sums(const double* __restrict in, const double* __restrict w, int nw,
                   double* __restrict out, int n) {
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        v4 lo = {}, hi = {};
        for (int j = 0; j < nw; ++j) {
            const v4 wj = {w[j], w[j], w[j], w[j]};
            lo += wj * load<v4>(in + k + j);
            hi += wj * load<v4>(in + k + j + 4);
        }
        store(out + k, lo);
        store(out + k + 4, hi);
    }
    for (; k < n; ++k) {
        double acc = 0;
        for (int j = 0; j < nw; ++j) acc += w[j] * in[k + j];
        out[k] = acc;
    }
}

// acc[k] += w * x[k] for k < n.
GRAVON_SIMD_CLONES
void add_scaled(double* acc, const double* x, double w, int n) {
    for (int k = 0; k < n; ++k) acc[k] += w * x[k];
}

// The even log spectrum l[0] ... l[m] folded for the cosine transform by a transform of half
// the size: y[j] and y[m - j] from the sum and the difference of l[j] and l[m - j], the
// difference weighed by sin pi j / m; returns the sum of the differences weighed by
// cos pi j / m, which begins the odd outputs. y[0] and y[m / 2] are the caller's. In vector
// lanes, the sum in eight of them.
GRAVON_SIMD_CLONES
double folded(const double* __restrict l, const double* __restrict cosines,
              const double* __restrict sines, int m, double* __restrict y) {
    double lane[8] = {0.5 * (l[0] - l[m]), 0, 0, 0, 0, 0, 0, 0};
    int j = 1;
    for (; j + 8 <= m / 2; j += 8)
        for (int k = 0; k < 8; ++k) {
            const int i = j + k;
            const double sum = 0.5 * (l[i] + l[m - i]), diff = l[i] - l[m - i];
            y[i] = sum - sines[i] * diff;
            y[m - i] = sum + sines[i] * diff;
            lane[k] += cosines[i] * diff;
        }
    for (; j < m / 2; ++j) {
        const double sum = 0.5 * (l[j] + l[m - j]), diff = l[j] - l[m - j];
        y[j] = sum - sines[j] * diff;
        y[m - j] = sum + sines[j] * diff;
        lane[0] += cosines[j] * diff;
    }
    return ((lane[0] + lane[1]) + (lane[2] + lane[3])) +
           ((lane[4] + lane[5]) + (lane[6] + lane[7]));
}

// The power cepstrum from the half-size transform of the folded log spectrum (real parts re,
// imaginary parts im, both 0 ... m / 2) and the folded sum odd0 on the transform's scale:
// cep[0] ... cep[m].
GRAVON_SIMD_CLONES
void power_cepstrum(const double* __restrict re, const double* __restrict im, double odd0, int m,
                    double* __restrict cep) {
    // The transform divides by its size, half the full one's, which makes its values those
    // the full transform gives; the odd ones continue the folded sum on the same scale.
    for (int k = 0; k <= m / 2; ++k) cep[2 * k] = re[k] * re[k];
    // Odd output k continues the folded sum by the imaginary parts 1 ... k: a running sum,
    // taken in four stretches side by side, each from 0 (the last one also over the outputs
    // left over), and then set on the sum before its stretch.
    const int nodd = m / 2, stretch = nodd / 4;
    double* running = cep + 1; // odd output k at 2k
    double at[4] = {odd0, 0, 0, 0};
    for (int k = 0; k < stretch; ++k)
        for (int r = 0; r < 4; ++r) {
            const int i = r * stretch + k;
            if (i > 0) at[r] += im[i];
            running[2 * i] = at[r];
        }
    for (int i = 4 * stretch; i < nodd; ++i) {
        if (i > 0) at[3] += im[i];
        running[2 * i] = at[3];
    }
    double start = 0;
    for (int r = 0; r < 4; ++r) {
        const int end = r == 3 ? nodd : (r + 1) * stretch;
        for (int i = r * stretch; i < end; ++i) {
            const double v = start + running[2 * i];
            running[2 * i] = v * v;
        }
        start += at[r];
    }
}

// out[i] = (db[i + m] - db[i]) / m for i < m: the slopes of pairs half the range apart.
GRAVON_SIMD_CLONES
void pair_slopes(const double* __restrict db, int m, double* __restrict out) {
    for (int i = 0; i < m; ++i) out[i] = (db[i + m] - db[i]) / m;
}

// out[i] = db[i] - slope (from + i) for i < n: the heights above a line through 0.
GRAVON_SIMD_CLONES
void heights(const double* __restrict db, int from, int n, double slope, double* __restrict out) {
    for (int i = 0; i < n; ++i) out[i] = db[i] - slope * (from + i);
}

// y[i] = x[i + 1] - a x[i] for i < n; returns the sum of the y, taken in eight lanes so that
// the additions do not wait on each other.
GRAVON_SIMD_CLONES
double preemphasised(const double* __restrict x, double a, double* __restrict y, int n) {
    const v4 av = {a, a, a, a};
    v4 lo = {}, hi = {};
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const v4 p = load<v4>(x + i + 1) - av * load<v4>(x + i);
        const v4 q = load<v4>(x + i + 5) - av * load<v4>(x + i + 4);
        store(y + i, p);
        store(y + i + 4, q);
        lo += p;
        hi += q;
    }
    const v4 both = lo + hi;
    double sum = (both[0] + both[1]) + (both[2] + both[3]);
    for (; i < n; ++i) {
        y[i] = x[i + 1] - a * x[i];
        sum += y[i];
    }
    return sum;
}

// y[i] = (y[i] - mean) w[i] for i < n.
GRAVON_SIMD_CLONES
void centred_windowed(double* __restrict y, const double* __restrict w, double mean, int n) {
    for (int i = 0; i < n; ++i) y[i] = (y[i] - mean) * w[i];
}

} // namespace

std::vector<double> span_weights(double span) {
    if (!(span > 0)) return {1.0};
    // The share of the triangle around d that lies below t.
    const auto below = [](double t) {
        if (t <= -1) return 0.0;
        if (t <= 0) return (t + 1) * (t + 1) / 2;
        if (t < 1) return 1 - (1 - t) * (1 - t) / 2;
        return 1.0;
    };
    const int half = int(std::ceil(span / 2 + 1)) - 1;
    std::vector<double> w(std::size_t(2 * half + 1));
    for (int d = -half; d <= half; ++d)
        w[std::size_t(d + half)] = (below(span / 2 - d) - below(-span / 2 - d)) / span;
    return w;
}

void tpowercepstrum::prepare(double rate, const tcppssettings& s) {
    frate = rate;
    fwindowlength = std::max(4, int(std::lround(2 * 3 / s.pitchfloor * rate)));
    gaussian_window(fwindow, fwindowlength);
    std::int32_t n = 2;
    while (n < fwindowlength) n *= 2;
    fnquef = n / 2 + 1;
    for (TFFT* f : {&fforward, &finverse}) {
        f->setWindow(TFFTWindow::rectangle);
        f->setRemoveDC(false);
    }
    fforward.setFFTSize(n);
    fforward.setWindowSize(fwindowlength);
    // The log spectrum is real and even, so its transform is a cosine transform of its lower
    // half, which a transform of half the size gives (the input folded with a sine, the odd
    // outputs summed from the imaginary parts).
    const int half = n / 2;
    finverse.setFFTSize(half);
    finverse.setWindowSize(half);
    fforward.InReForWriting(std::size_t(fwindowlength));
    finverse.InReForWriting(std::size_t(half));
    flogs.assign(std::size_t(fnquef), 0.0);
    ffoldcos.resize(std::size_t(half / 2));
    ffoldsin.resize(std::size_t(half / 2));
    for (int j = 0; j < half / 2; ++j) {
        ffoldcos[std::size_t(j)] = std::cos(std::numbers::pi * j / half);
        ffoldsin[std::size_t(j)] = std::sin(std::numbers::pi * j / half);
    }
    fpreemphasis = std::exp(-2 * std::numbers::pi * s.preemphasisfrom / rate);
    fquefweights = span_weights(s.quefrencysmoothing * rate);
    fpeaklo = std::max(1, int(std::ceil(rate / s.peakhi)));
    fpeakhi = std::min(fnquef - 2, int(std::floor(rate / s.peaklo)));
    ftrendfrom = std::clamp(int(std::lround(s.trendfrom * rate)), 1, fnquef - 2);
    fdb.assign(std::size_t(fnquef), 0.0);
    fscratch.assign(std::size_t(fnquef), 0.0);
    fslopes.assign(std::size_t(fnquef), 0.0);
}

void tpowercepstrum::compute(std::span<const double> x, std::span<double> cep) {
    const std::span<double> in = fforward.InReForWriting(std::size_t(fwindowlength));
    // The pre-emphasised frame loses its mean before the window: a frame's offset would
    // otherwise decide the level of the lowest bins, which are nearly empty, and through their
    // logs the whole cepstrum.
    const double mean =
        preemphasised(x.data(), fpreemphasis, in.data(), fwindowlength) / fwindowlength;
    centred_windowed(in.data(), fwindow.data(), mean, fwindowlength);
    const tdoublearr& power = fforward.OutAbs2Lower();
    const int m = fnquef - 1;
    const double* l = flogs.data();
    scaled_logs(power.data(), flogs.data(), fnquef, 1.0);
    const std::span<double> y = finverse.InReForWriting(std::size_t(m));
    y[0] = 0.5 * (l[0] + l[m]);
    y[std::size_t(m / 2)] = l[m / 2];
    const double odd = folded(l, ffoldcos.data(), ffoldsin.data(), m, y.data());
    const tdoublearr& re = finverse.OutRe();
    const tdoublearr& im = finverse.OutIm();
    power_cepstrum(re.data(), im.data(), odd / m, m, cep.data());
}

double tpowercepstrum::prominence(std::span<double> cep) {
    // Moving mean over quefrency; near the ends over the bins there are.
    const int nw = int(fquefweights.size()), half = nw / 2;
    const int inner = std::max(0, fnquef - 2 * half); // bins with all their neighbours
    weighted_sums(cep.data(), fquefweights.data(), nw, fscratch.data() + half, inner);
    const auto atedge = [&](int k) {
        const int lo = std::max(0, k - half), hi = std::min(fnquef - 1, k + half);
        double sum = 0, weight = 0;
        for (int j = lo; j <= hi; ++j) {
            const double w = fquefweights[std::size_t(j - k + half)];
            sum += w * cep[std::size_t(j)];
            weight += w;
        }
        fscratch[std::size_t(k)] = sum / weight;
    };
    for (int k = 0; k < std::min(half, fnquef); ++k) atedge(k);
    for (int k = std::max(half, fnquef - half); k < fnquef; ++k) atedge(k);
    scaled_logs(fscratch.data(), fdb.data(), fnquef, 10 / std::numbers::ln10);

    // Theil's slope from pairs half the range apart, and the median intercept, so that the
    // peak itself and the low quefrencies' formant bumps do not tilt the line.
    const int n = fnquef - ftrendfrom;
    const int m = n / 2;
    pair_slopes(fdb.data() + ftrendfrom, m, fslopes.data());
    const double slope = median(fslopes.data(), m);
    heights(fdb.data() + ftrendfrom, ftrendfrom, n, slope, fslopes.data());
    const double intercept = median(fslopes.data(), n);

    // The peak is the bin highest above the line, not the highest bin: in a breathy voice the
    // period's peak may stand lower than its double's yet further above the falling trend.
    // Its level above the line is refined by a parabola through it and its neighbours.
    const auto above = [&](int k) { return fdb[std::size_t(k)] - (intercept + slope * k); };
    int peak = fpeaklo;
    double best = above(peak);
    for (int k = fpeaklo + 1; k <= fpeakhi; ++k)
        if (const double r = above(k); r > best) {
            best = r;
            peak = k;
        }
    const double a = above(peak - 1), c = above(peak + 1);
    const double d = a - 2 * best + c;
    return d < 0 ? best - 0.125 * (a - c) * (a - c) / d : best;
}

void tcppstrack::prepare(double fsin, int hop, const tcppssettings& s) {
    fs = s;
    fready = fsin > 0 && std::isfinite(fsin) && hop > 0 && s.peakhi > s.peaklo &&
             s.peakhi < s.maxfrequency && std::isfinite(s.peakhi);
    if (!fready) return;
    frate = 2 * s.maxfrequency;
    // A step longer than a hop would leave hops without a frame, so without a value.
    fstep = std::max(1, int(std::lround(std::min(s.timestep, hop / fsin) * frate)));
    ftimeweights = span_weights(s.timesmoothing * frate / fstep);
    fhalfframes = int(ftimeweights.size()) / 2;
    fcep.prepare(frate, s);
    const double hopout = hop * frate / fsin;
    fstream.prepare(fsin, frate, 0); // sized below, once the lag is known
    flagout = fcep.windowlength() / 2 + std::int64_t(fhalfframes) * fstep +
              std::int64_t(std::ceil(fstream.lag())) + 2;
    const double keep =
        (hopout + double(flagout) + fcep.windowlength() / 2.0 + double(fhalfframes) * fstep + 8) /
        frate;
    fstream.prepare(fsin, frate, keep);
    fslots = int(std::ceil(hopout / fstep)) + 2 * fhalfframes + 2;
    fcache.assign(std::size_t(fslots) * std::size_t(fcep.nquefrencies()), 0.0);
    fcached.assign(std::size_t(fslots), -1);
    fsmoothed.assign(std::size_t(fcep.nquefrencies()), 0.0);
    std::int64_t ring = 1;
    while (ring < 2 * (fcep.windowlength() + 1 + std::int64_t(fslots) * fstep)) ring *= 2;
    fconverted.assign(std::size_t(2 * ring), 0.0);
    fconvertedmask = ring - 1;
    fmaxframes = fslots - 2 * fhalfframes - 1;
    reset();
}

void tcppstrack::reset() {
    if (!fready) return;
    fstream.reset();
    fhavefrom = fhaveto = 0;
    std::fill(fcached.begin(), fcached.end(), -1);
}

void tcppstrack::push(std::span<const float> x) {
    if (fready) fstream.push(x);
}

std::span<const double> tcppstrack::frame(std::int64_t m) {
    const int nq = fcep.nquefrencies();
    const std::size_t slot = std::size_t(((m % fslots) + fslots) % fslots);
    const std::span<double> cep(fcache.data() + slot * std::size_t(nq), std::size_t(nq));
    if (fcached[slot] != m) {
        const int len = fcep.windowlength();
        fcep.compute(converted(m * fstep - len / 2 - 1, len + 1), cep);
        fcached[slot] = m;
    }
    return cep;
}

std::span<const double> tcppstrack::converted(std::int64_t first, int count) {
    const std::int64_t end = first + count;
    const std::int64_t size = fconvertedmask + 1;
    // Frames overlap: only the samples not converted yet are, unless there is a gap.
    if (first < fhavefrom || first > fhaveto) fhavefrom = fhaveto = first;
    while (fhaveto < end) {
        const std::int64_t at = fhaveto & fconvertedmask;
        const std::int64_t n = std::min(end - fhaveto, size - at);
        double* const to = fconverted.data() + at;
        fstream.read(fhaveto, std::span<double>(to, std::size_t(n)));
        std::copy_n(to, n, to + size);
        fhaveto += n;
    }
    fhavefrom = std::max(fhavefrom, fhaveto - size);
    return {fconverted.data() + (first & fconvertedmask), std::size_t(count)};
}

double tcppstrack::hopvalue(std::size_t hop) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    if (!fready) return none;
    const double ratio = frate / fstream.inputrate();
    const double end = double(fstream.inputcount()) * ratio - double(flagout);
    auto mfirst = std::int64_t(std::ceil((end - double(hop) * ratio) / fstep));
    const auto mlast = std::int64_t(std::ceil(end / fstep)) - 1;
    // A hop longer than the one prepared for takes its last frames.
    mfirst = std::max(mfirst, mlast - fmaxframes + 1);
    if (mlast < mfirst) return none;
    const int nq = fcep.nquefrencies();
    const std::int64_t count = mlast - mfirst + 1;
    const std::int64_t taken =
        fs.hoppositions > 0 ? std::min<std::int64_t>(fs.hoppositions, count) : count;
    double sum = 0;
    for (std::int64_t i = 0; i < taken; ++i) {
        // The middle frame of each of `taken` equal parts of the hop's frames.
        const std::int64_t m = mfirst + (2 * i + 1) * count / (2 * taken);
        std::fill(fsmoothed.begin(), fsmoothed.end(), 0.0);
        for (std::int64_t j = m - fhalfframes; j <= m + fhalfframes; ++j) {
            const std::span<const double> cep = frame(j);
            add_scaled(fsmoothed.data(), cep.data(), ftimeweights[std::size_t(j - m + fhalfframes)],
                       nq);
        }
        sum += fcep.prominence(fsmoothed);
    }
    return sum / double(taken);
}

} // namespace gravon
