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

// The magnitudes of an unfiltered block: a NaN sample neither raises the peak nor overloads,
// but it is not zero.
struct tblockpeak {
    float peak = 0;         // largest magnitude, counted from 0
    bool over = false;      // some magnitude exceeds the limit
    bool zero = true;       // every sample is zero
    bool nonfinite = false; // some sample is NaN or infinite
};

struct tfilterrun {
    // Samples per step.
    static constexpr std::size_t chunk = 16;
    // Pressure in Pa times this gives units of 20 uPa.
    static constexpr double pascaltoref = 50000.0;

    // Filters hop samples of v (missing samples taken as zero) into out, in units of 20 uPa,
    // from the sections' present state (the sections themselves are not changed), with the
    // window's sum of squares continued from sumfrom and its running sums for the mean
    // (inputsum) from lanesfrom, those of the window's first half.
    // The block's own samples are scanned on the way for their magnitudes against limit.
    void start(const std::array<THPFilterSection, 2>& h, std::span<const float> v, double* out,
               std::size_t hop, double sumfrom, const double (&lanesfrom)[4], float limit);
    bool done() const { return next >= hop && n1 == 0 && pending == 0; }
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
    // Once done, the magnitudes of the block's samples (those of v), and the limit they were
    // compared with.
    tblockpeak rawpeak() const;
    float rawlimit() const { return limit; }

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
    std::size_t n1 = 0;      // samples of the chunk that awaits the second section
    std::size_t c1 = 0;      // its first sample
    int cur = 0;
    alignas(32) double peaks[4] = {};
    // Sample j goes to lane j mod 4 of both: as the first half that is its lane, as the
    // second half its lane is (hop + j) mod 4, so that lane l of `second` is the window's
    // lane (hop + l) mod 4.
    alignas(32) double first[4] = {};
    alignas(32) double second[4] = {};
    alignas(32) double squares[2][chunk] = {};
    // The second section's input terms a10 * (first section's output) of that chunk.
    alignas(32) double in1[chunk] = {};
    // Lanes of the raw samples' peak, overload, nonzero and non-finite flags.
    float limit = 0;
    alignas(16) float rawpeaks[4] = {};
    alignas(16) std::int32_t rawover[4] = {}, rawnonzero[4] = {}, rawnonfinite[4] = {};
};

// A step: the first section's recursion over the next chunk and the second section's over the
// chunk before, two chains of dependent operations side by side with the sums of the squares
// of the chunk before that. Around them, four samples at a time, goes what depends on nothing
// but a recursion: the first section's input terms before it, its output and the second
// section's input terms after it; the second section's output, the rounding to single
// precision and the squares after the second recursion. The chains then hold only the
// operations that must wait for the sample before.
template <class talong> [[gnu::always_inline]] inline void tfilterrun::step_with(talong&& along) {
    using v4 = double __attribute__((vector_size(32)));
    using v4f = float __attribute__((vector_size(16)));
    // Lane by lane: GCC turns a whole-vector widening into two half conversions and a merge,
    // this form into one instruction.
    const auto widened = [](v4f f) __attribute__((always_inline)) {
        return v4{double(f[0]), double(f[1]), double(f[2]), double(f[3])};
    };
    const std::size_t c0 = next;
    const std::size_t n = c0 < hop ? (hop - c0 < chunk ? hop - c0 : chunk) : 0;
    const std::size_t n1 = this->n1;
    if (n == 0 && n1 == 0) {
        if (pending != 0) last_sums();
        return;
    }
    // Locals, which no store through out can change.
    const double a01 = this->a01, a02 = this->a02;
    const double a11 = this->a11, a12 = this->a12;
    // The first section's input terms a00 * x, from the block's samples and then zeros.
    alignas(32) double ax[chunk];
    {
        const double a00 = this->a00;
        const float* const src = in + c0;
        const std::size_t m = nv <= c0 ? 0 : nv - c0 < n ? nv - c0 : n;
        using v4i = std::int32_t __attribute__((vector_size(16)));
        v4f pk;
        v4i ov, nz, nf;
        __builtin_memcpy(&pk, rawpeaks, sizeof pk);
        __builtin_memcpy(&ov, rawover, sizeof ov);
        __builtin_memcpy(&nz, rawnonzero, sizeof nz);
        __builtin_memcpy(&nf, rawnonfinite, sizeof nf);
        const v4f limv = v4f{} + limit;
        const v4f maxv = v4f{} + __FLT_MAX__;
        const auto scan = [&](v4f f) __attribute__((always_inline)) {
            v4i bits;
            __builtin_memcpy(&bits, &f, sizeof bits);
            bits &= 0x7fffffff;
            v4f a;
            __builtin_memcpy(&a, &bits, sizeof a);
            ov |= a > limv;
            nz |= f != v4f{};
            nf |= ~(a <= maxv);
            pk = a > pk ? a : pk;
        };
        if (m == chunk) {
            const v4 a00v = v4{} + a00;
            for (std::size_t i = 0; i < chunk; i += 4) {
                v4f f;
                __builtin_memcpy(&f, src + i, sizeof f);
                scan(f);
                const v4 x = a00v * widened(f);
                __builtin_memcpy(ax + i, &x, sizeof x);
            }
        } else {
            for (std::size_t i = 0; i < n; ++i) ax[i] = a00 * (i < m ? double(src[i]) : 0.0);
            // The block's samples of the chunk in lane 0, the other lanes with zeros.
            for (std::size_t i = 0; i < m; ++i) scan(v4f{src[i], 0.0f, 0.0f, 0.0f});
        }
        __builtin_memcpy(rawpeaks, &pk, sizeof pk);
        __builtin_memcpy(rawover, &ov, sizeof ov);
        __builtin_memcpy(rawnonzero, &nz, sizeof nz);
        __builtin_memcpy(rawnonfinite, &nf, sizeof nf);
    }
    double x0 = p0, y0 = q0, x1 = p1, y1 = q1;
    double s = sum, hs = half;
    const double* prev = squares[cur ^ 1];
    // Each section's recursion values of its chunk, after its two previous ones.
    alignas(32) double w0s[chunk + 2];
    alignas(32) double w1s[chunk + 2];
    w0s[0] = y0;
    w0s[1] = x0;
    w1s[0] = y1;
    w1s[1] = x1;
    // Samples from..to-1 of the parts that run there: the first recursion (r0), the second
    // (r1), the sums (sq). Two samples at a time, so that the recursion values take turns in
    // their registers instead of being copied from one to the other on the chains.
    const auto span = [&]<bool r0, bool r1, bool sq>(std::size_t from, std::size_t to)
        __attribute__((always_inline)) {
        const auto one = [&](std::size_t i) __attribute__((always_inline)) {
            if constexpr (r0) {
                const double w0 = ax[i] + a01 * x0 + a02 * y0;
                y0 = x0;
                x0 = w0;
                w0s[i + 2] = w0;
            }
            if constexpr (r1) {
                const double ww = in1[i] + a11 * x1 + a12 * y1;
                y1 = x1;
                x1 = ww;
                w1s[i + 2] = ww;
            }
            along(i);
            if constexpr (sq) {
                s += prev[i];
                hs += prev[i];
            }
        };
        std::size_t i = from;
        for (; i + 2 <= to; i += 2) {
            double wa = 0, wb = 0, va = 0, vb = 0;
            if constexpr (r0) wa = ax[i] + a01 * x0 + a02 * y0;
            if constexpr (r1) va = in1[i] + a11 * x1 + a12 * y1;
            along(i);
            if constexpr (sq) {
                s += prev[i];
                hs += prev[i];
            }
            if constexpr (r0) wb = ax[i + 1] + a01 * wa + a02 * x0;
            if constexpr (r1) vb = in1[i + 1] + a11 * va + a12 * x1;
            along(i + 1);
            if constexpr (sq) {
                s += prev[i + 1];
                hs += prev[i + 1];
            }
            if constexpr (r0) {
                w0s[i + 2] = wa;
                w0s[i + 3] = wb;
                y0 = wa, x0 = wb;
            }
            if constexpr (r1) {
                w1s[i + 2] = va;
                w1s[i + 3] = vb;
                y1 = va, x1 = vb;
            }
        }
        if (i < to) one(i);
    };
    // The parts end at n, n1 and pending: the samples up to the first end run all of them,
    // and so on.
    const std::size_t most = n > n1 ? (n > pending ? n : pending) : (n1 > pending ? n1 : pending);
    for (std::size_t i = 0; i < most;) {
        const bool r0 = i < n, r1 = i < n1, sq = i < pending;
        std::size_t to = most;
        if (r0 && n < to) to = n;
        if (r1 && n1 < to) to = n1;
        if (sq && pending < to) to = pending;
        switch (int(r0) << 2 | int(r1) << 1 | int(sq)) {
        case 7:
            span.template operator()<true, true, true>(i, to);
            break;
        case 6:
            span.template operator()<true, true, false>(i, to);
            break;
        case 5:
            span.template operator()<true, false, true>(i, to);
            break;
        case 4:
            span.template operator()<true, false, false>(i, to);
            break;
        case 3:
            span.template operator()<false, true, true>(i, to);
            break;
        case 2:
            span.template operator()<false, true, false>(i, to);
            break;
        default:
            span.template operator()<false, false, true>(i, to);
            break;
        }
        i = to;
    }
    p0 = x0, q0 = y0, p1 = x1, q1 = y1;
    sum = s, half = hs;

    // The second section's output of the chunk before, into the window.
    if (n1 != 0) {
        const double g1 = this->g1, b11 = this->b11, b12 = this->b12;
        const v4 g1v = v4{} + g1, b11v = v4{} + b11, b12v = v4{} + b12;
        const v4 refv = v4{} + pascaltoref;
        v4 pk, fl, sl;
        __builtin_memcpy(&pk, peaks, sizeof pk);
        __builtin_memcpy(&fl, this->first, sizeof fl);
        __builtin_memcpy(&sl, this->second, sizeof sl);
        double* const dst = out + c1;
        double* sq = squares[cur];
        std::size_t i = 0;
        for (; i + 4 <= n1; i += 4) {
            v4 a, b, c;
            __builtin_memcpy(&a, w1s + i + 2, sizeof a);
            __builtin_memcpy(&b, w1s + i + 1, sizeof b);
            __builtin_memcpy(&c, w1s + i, sizeof c);
            const v4 y = g1v * (a + b11v * b + b12v * c);
            const v4 x = widened(__builtin_convertvector(y, v4f)) * refv;
            __builtin_memcpy(dst + i, &x, sizeof x);
            const v4 x2 = x * x;
            __builtin_memcpy(sq + i, &x2, sizeof x2);
            pk = x > pk ? x : pk;
            fl += x;
            sl += x;
        }
        for (; i < n1; ++i) {
            const double y = g1 * (w1s[i + 2] + b11 * w1s[i + 1] + b12 * w1s[i]);
            const double x = double(float(y)) * pascaltoref;
            dst[i] = x;
            sq[i] = x * x;
            pk[0] = x > pk[0] ? x : pk[0];
            fl[(c1 + i) % 4] += x;
            sl[(c1 + i) % 4] += x;
        }
        __builtin_memcpy(peaks, &pk, sizeof pk);
        __builtin_memcpy(this->first, &fl, sizeof fl);
        __builtin_memcpy(this->second, &sl, sizeof sl);
        cur ^= 1;
    }
    pending = n1;

    // The first section's output of this chunk and the second section's input terms from it,
    // for the next step.
    if (n != 0) {
        const double g0 = this->g0, b01 = this->b01, b02 = this->b02, a10 = this->a10;
        const v4 g0v = v4{} + g0, b01v = v4{} + b01, b02v = v4{} + b02, a10v = v4{} + a10;
        std::size_t i = 0;
        for (; i + 4 <= n; i += 4) {
            v4 a, b, c;
            __builtin_memcpy(&a, w0s + i + 2, sizeof a);
            __builtin_memcpy(&b, w0s + i + 1, sizeof b);
            __builtin_memcpy(&c, w0s + i, sizeof c);
            const v4 t = a10v * (g0v * (a + b01v * b + b02v * c));
            __builtin_memcpy(in1 + i, &t, sizeof t);
        }
        for (; i < n; ++i) in1[i] = a10 * (g0 * (w0s[i + 2] + b01 * w0s[i + 1] + b02 * w0s[i]));
    }
    this->n1 = n;
    c1 = c0;
    next += n;
}

} // namespace gravon
