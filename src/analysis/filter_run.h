// The two cascaded high-pass sections of a channel run over one block a few samples at a time.
// The recursions are chains of dependent operations that leave most of the processor idle; a
// loop elsewhere that takes a step now and then lets the processor run the chain side by side
// with its own work. Step by step or all at once, every sample gets the same arithmetic, in
// the same order, as THPFilterSection::filter() on both sections.
#pragma once

#include "analysis/filter_sections.h"

#include <array>
#include <cstddef>
#include <span>

namespace gravon {

struct tfilterrun {
    // Samples per step.
    static constexpr std::size_t chunk = 16;
    // Pressure in Pa times this gives units of 20 uPa.
    static constexpr double pascaltoref = 50000.0;

    // Filters hop samples of v (missing samples taken as zero) into out, in units of 20 uPa,
    // from the sections' present state (the sections themselves are not changed), with the
    // window's sum of squares continued from sumfrom and its running sums for the mean
    // (inputsum) from lanesfrom, those of the window's first half.
    void start(const std::array<THPFilterSection, 2>& h, std::span<const float> v, double* out,
               std::size_t hop, double sumfrom, const double (&lanesfrom)[4]);
    bool done() const { return next >= hop && pending == 0; }
    // The next step, calling along(i) for each sample i of it beside the recursions: a loop
    // elsewhere that does its work there runs side by side with them. Nothing once done.
    template <class talong> void step_with(talong&& along);
    // The remaining steps.
    void finish();

    // The results, once done. The window's sum of squares continued from sumfrom, the block's
    // own sum from 0 (the next window's first half) and its peak counted from 0.
    double sum = 0, half = 0, peak = 0;
    // The sections' state after the block: w[n-1] and w[n-2] of each.
    double p0 = 0, q0 = 0, p1 = 0, q1 = 0;
    // Once done, the running sums for the mean of a window of two blocks of an even length
    // hop: of this block as the first half (from 0), and of the window with this block as
    // its second half.
    void blocklanes(double (&out)[4]) const;
    void windowlanes(double (&out)[4]) const;

  private:
    void last_sums();

    double a00 = 0, a01 = 0, a02 = 0, g0 = 0, b01 = 0, b02 = 0;
    double a10 = 0, a11 = 0, a12 = 0, g1 = 0, b11 = 0, b12 = 0;
    const float* in = nullptr;
    std::size_t nv = 0;
    double* out = nullptr;
    std::size_t hop = 0;
    std::size_t next = 0;    // first sample of the next step
    std::size_t pending = 0; // squares of the last step not yet summed
    int cur = 0;
    alignas(32) double peaks[4] = {};
    // Sample j goes to lane j mod 4 of both: as the first half that is its lane, as the
    // second half its lane is (hop + j) mod 4, so that lane l of `second` is the window's
    // lane (hop + l) mod 4.
    alignas(32) double first[4] = {};
    alignas(32) double second[4] = {};
    alignas(32) double squares[2][chunk] = {};
};

// A step: the two recursions over the next chunk, which are chains of dependent operations,
// side by side with the sums of the previous chunk's squares; then the second section's
// output, the rounding to single precision and the squares of the chunk, which depend on
// nothing but the recursion, four samples at a time.
template <class talong> [[gnu::always_inline]] inline void tfilterrun::step_with(talong&& along) {
    if (next >= hop) {
        if (pending != 0) last_sums();
        return;
    }
    using v4 = double __attribute__((vector_size(32)));
    using v4f = float __attribute__((vector_size(16)));
    const std::size_t c0 = next;
    const std::size_t n = hop - c0 < chunk ? hop - c0 : chunk;
    // Locals, which no store through out can change.
    const double a00 = this->a00, a01 = this->a01, a02 = this->a02;
    const double g0 = this->g0, b01 = this->b01, b02 = this->b02;
    const double a10 = this->a10, a11 = this->a11, a12 = this->a12;
    const float* const src = in + c0;
    // Samples from the block, then zeros.
    const std::size_t m = nv <= c0 ? 0 : nv - c0 < n ? nv - c0 : n;
    double* const dst = out + c0;
    double x0 = p0, y0 = q0, x1 = p1, y1 = q1;
    double s = sum, hs = half;
    const double* prev = squares[cur ^ 1];
    // The second section's recursion values of the chunk, after its two previous ones.
    alignas(32) double w[chunk + 2];
    w[0] = y1;
    w[1] = x1;
    const auto recursion = [&](std::size_t i) {
        const double x = i < m ? double(src[i]) : 0.0;
        const double w0 = a00 * x + a01 * x0 + a02 * y0;
        const double o0 = g0 * (w0 + b01 * x0 + b02 * y0);
        y0 = x0;
        x0 = w0;
        const double ww = a10 * o0 + a11 * x1 + a12 * y1;
        y1 = x1;
        x1 = ww;
        w[i + 2] = ww;
    };
    if (pending == n) {
        for (std::size_t i = 0; i < n; ++i) {
            recursion(i);
            along(i);
            s += prev[i];
            hs += prev[i];
        }
    } else {
        for (std::size_t i = 0; i < pending; ++i) {
            s += prev[i];
            hs += prev[i];
        }
        for (std::size_t i = 0; i < n; ++i) {
            recursion(i);
            along(i);
        }
    }
    const double g1 = this->g1, b11 = this->b11, b12 = this->b12;
    const v4 g1v = v4{} + g1, b11v = v4{} + b11, b12v = v4{} + b12;
    const v4 refv = v4{} + pascaltoref;
    v4 pk, fl, sl;
    __builtin_memcpy(&pk, peaks, sizeof pk);
    __builtin_memcpy(&fl, first, sizeof fl);
    __builtin_memcpy(&sl, second, sizeof sl);
    double* sq = squares[cur];
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        v4 a, b, c;
        __builtin_memcpy(&a, w + i + 2, sizeof a);
        __builtin_memcpy(&b, w + i + 1, sizeof b);
        __builtin_memcpy(&c, w + i, sizeof c);
        const v4 y = g1v * (a + b11v * b + b12v * c);
        const v4 x = __builtin_convertvector(__builtin_convertvector(y, v4f), v4) * refv;
        __builtin_memcpy(dst + i, &x, sizeof x);
        const v4 x2 = x * x;
        __builtin_memcpy(sq + i, &x2, sizeof x2);
        pk = x > pk ? x : pk;
        fl += x;
        sl += x;
    }
    for (; i < n; ++i) {
        const double y = g1 * (w[i + 2] + b11 * w[i + 1] + b12 * w[i]);
        const double x = double(float(y)) * pascaltoref;
        dst[i] = x;
        sq[i] = x * x;
        pk[0] = x > pk[0] ? x : pk[0];
        fl[(c0 + i) % 4] += x;
        sl[(c0 + i) % 4] += x;
    }
    __builtin_memcpy(peaks, &pk, sizeof pk);
    __builtin_memcpy(first, &fl, sizeof fl);
    __builtin_memcpy(second, &sl, sizeof sl);
    p0 = x0, q0 = y0, p1 = x1, q1 = y1;
    sum = s, half = hs;
    pending = n;
    cur ^= 1;
    next += n;
}

} // namespace gravon
