#include "analysis/rate_converter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gravon {

namespace {

constexpr int kernelsteps = 512; // kernel points per zero crossing

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
    for (float v : x) fring[std::size_t(fcount++ & fmask)] = v;
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

double tratestream::sample(std::int64_t k) const {
    const double p = double(k) * fratio;
    if (fidentity) return fring[std::size_t(k & fmask)];
    const std::int64_t lo = std::max<std::int64_t>(0, std::int64_t(std::ceil(p - freach)));
    const std::int64_t hi = std::int64_t(std::floor(p + freach));
    double sum = 0;
    for (std::int64_t n = lo; n <= hi; ++n) {
        const double u = std::abs(double(n) - p) * fscale * kernelsteps;
        const auto i = std::size_t(u);
        const double f = u - double(i);
        const double w = fkernel[i] + f * (fkernel[i + 1] - fkernel[i]);
        sum += w * fring[std::size_t(n & fmask)];
    }
    return sum * fgain;
}

void tratestream::read(std::int64_t first, std::span<double> out) const {
    const std::int64_t lo = earliest(), hi = available();
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::int64_t k = first + std::int64_t(i);
        out[i] = k >= lo && k < hi ? sample(k) : 0.0;
    }
}

} // namespace gravon
