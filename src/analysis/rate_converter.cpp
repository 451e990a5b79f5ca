#include "analysis/rate_converter.h"

#pragma GCC diagnostic ignored "-Wpsabi" // vector values never cross an ABI boundary

#include "analysis/simd_clones.h"
#include "analysis/vector_lanes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

namespace gravon {

namespace {

constexpr int kernelsteps = 512; // kernel points per zero crossing

// The sum of w[j] x[j] for j < n, in sixteen running sums added up pairwise at the end.
[[gnu::always_inline]] inline float dot(const float* w, const float* x, int n) {
    v16f a = {};
    int j = 0;
    for (; j + 16 <= n; j += 16) a += load<v16f>(w + j) * load<v16f>(x + j);
    v8f b = __builtin_shufflevector(a, a, 0, 1, 2, 3, 4, 5, 6, 7) +
            __builtin_shufflevector(a, a, 8, 9, 10, 11, 12, 13, 14, 15);
    if (j + 8 <= n) {
        b += load<v8f>(w + j) * load<v8f>(x + j);
        j += 8;
    }
    float tail = 0;
    for (; j < n; ++j) tail += w[j] * x[j];
    return ((b[0] + b[4]) + (b[1] + b[5])) + ((b[2] + b[6]) + (b[3] + b[7])) + tail;
}

// A stretch of a stream taken to another rate through a table of taps per phase, the rates
// being as insteps to phases in lowest terms: out[c] for the output samples k ... k + count - 1,
// output sample k lying k * insteps / phases input samples on, that is at input sample
// (k * insteps) / phases (rounded down) and phase (k * insteps) mod phases; its taps begin
// `reach` input samples before that. The input is kept in a ring (mask its size - 1). The
// samples are made in one loop, their positions stepped on instead of divided out each.
GRAVON_SIMD_CLONES
void polyphase(const float* ring, std::int64_t mask, const float* table, int taps, int reach,
               std::int64_t insteps, std::int64_t phases, std::int64_t k, double* out,
               std::int64_t count) {
    std::int64_t at = k * insteps / phases, phase = k * insteps % phases;
    const std::int64_t stepat = insteps / phases, stepphase = insteps % phases;
    for (std::int64_t c = 0; c < count; ++c) {
        const float* w = table + phase * taps;
        const std::int64_t first = at - reach;
        float sum = 0;
        if (first >= 0 && ((first ^ (first + taps - 1)) & ~mask) == 0) {
            // The taps lie in one stretch of the ring.
            sum = dot(w, ring + (first & mask), taps);
        } else {
            for (int j = 0; j < taps; ++j) {
                const std::int64_t n = first + j;
                if (n >= 0) sum += w[j] * ring[n & mask];
            }
        }
        out[c] = sum;
        at += stepat;
        phase += stepphase;
        if (phase >= phases) {
            phase -= phases;
            ++at;
        }
    }
}

} // namespace

void tratestream::prepare(double in, double out, double keep) {
    finrate = in;
    fidentity = in == out;
    fratio = in / out;
    // The pass band reaches the lower rate's Nyquist frequency, so a stream taken down loses
    // what the lower rate cannot carry and a stream taken up gains nothing.
    const double cutoff = std::min(in, out) / 2;
    fscale = 2 * cutoff / in;
    fgain = fscale;
    freach = fidentity ? 0 : zerocrossings / fscale;
    fkernel.assign(std::size_t(zerocrossings * kernelsteps + 2), 0.0f);
    for (int i = 0; i <= zerocrossings * kernelsteps; ++i) {
        const double u = double(i) / kernelsteps;
        const double sinc = i == 0 ? 1.0 : std::sin(std::numbers::pi * u) / (std::numbers::pi * u);
        const double taper = 0.5 * (1 + std::cos(std::numbers::pi * u / zerocrossings));
        fkernel[std::size_t(i)] = float(sinc * taper);
    }
    // Whole-number rates whose ratio has few phases get a table per phase.
    fphases.clear();
    ftaps = 0;
    if (!fidentity && in == std::floor(in) && out == std::floor(out) && in < 1e7 && out < 1e7) {
        fin = std::int64_t(in);
        fout = std::int64_t(out);
        std::int64_t a = fin, b = fout;
        while (b != 0) a = std::exchange(b, a % b);
        fphasestep = a;
        const std::int64_t nphases = fout / fphasestep;
        freachtaps = int(std::ceil(freach));
        ftaps = 2 * freachtaps + 1;
        if (nphases <= 1024) {
            fphases.assign(std::size_t(nphases * ftaps), 0.0f);
            for (std::int64_t ph = 0; ph < nphases; ++ph) {
                const double frac = double(ph * fphasestep) / double(fout);
                for (int j = 0; j < ftaps; ++j) {
                    const double d = std::abs(double(j - freachtaps) - frac);
                    if (d > freach) continue;
                    fphases[std::size_t(ph * ftaps + j)] = float(kernelat(d) * fgain);
                }
            }
        } else {
            ftaps = 0;
        }
    }
    std::int64_t size = 1;
    while (double(size) < keep * in + 2 * freach + 4) size *= 2;
    fring.assign(std::size_t(size), 0.0f);
    fmask = size - 1;
    reset();
}

void tratestream::reset() {
    std::fill(fring.begin(), fring.end(), 0.0f);
    fcount = 0;
}

void tratestream::push(std::span<const float> x) {
    // In at most two stretches of the ring.
    std::size_t done = 0;
    while (done < x.size()) {
        const auto at = std::size_t(fcount & fmask);
        const std::size_t n = std::min(x.size() - done, fring.size() - at);
        std::copy_n(x.data() + done, n, fring.data() + at);
        done += n;
        fcount += std::int64_t(n);
    }
}

std::int64_t tratestream::available() const {
    // Output k needs input up to k * ratio + reach.
    const double last = (double(fcount) - 1 - freach) / fratio;
    return last < 0 ? 0 : std::int64_t(std::floor(last)) + 1;
}

std::int64_t tratestream::earliest() const {
    const double first = (double(fcount - std::int64_t(fring.size())) + freach) / fratio;
    return first <= 0 ? 0 : std::int64_t(std::ceil(first));
}

double tratestream::kernelat(double d) const {
    const double u = d * fscale * kernelsteps;
    const auto i = std::size_t(u);
    const double f = u - double(i);
    return fkernel[i] + f * (fkernel[i + 1] - fkernel[i]);
}

double tratestream::sample(std::int64_t k) const {
    if (fidentity) return fring[std::size_t(k & fmask)];
    const double p = double(k) * fratio;
    const std::int64_t lo = std::max<std::int64_t>(0, std::int64_t(std::ceil(p - freach)));
    const std::int64_t hi = std::int64_t(std::floor(p + freach));
    double sum = 0;
    for (std::int64_t n = lo; n <= hi; ++n) {
        sum += kernelat(std::abs(double(n) - p)) * fring[std::size_t(n & fmask)];
    }
    return sum * fgain;
}

void tratestream::read(std::int64_t first, std::span<double> out) const {
    const auto n = std::int64_t(out.size());
    // Outputs 0 ... from - 1 and to ... n - 1 lie outside the kept input.
    const std::int64_t from = std::clamp(earliest() - first, std::int64_t(0), n);
    const std::int64_t to = std::clamp(available() - first, from, n);
    std::fill(out.begin(), out.begin() + from, 0.0);
    if (ftaps > 0) {
        polyphase(fring.data(), fmask, fphases.data(), ftaps, freachtaps, fin / fphasestep,
                  fout / fphasestep, first + from, out.data() + from, to - from);
    } else {
        for (std::int64_t i = from; i < to; ++i) out[std::size_t(i)] = sample(first + i);
    }
    std::fill(out.begin() + to, out.end(), 0.0);
}

} // namespace gravon
