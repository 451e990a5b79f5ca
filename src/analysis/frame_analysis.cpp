#include "analysis/frame_analysis.h"

#include "analysis/simd_clones.h"
#include "base/peak_interpolation.h"
#include "base/rounding.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#include <immintrin.h>
#define GRAVON_AVX2_FLANKS 1
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace gravon {

tf0band f0_search_band(double lof0limit, double hif0limit, double fs, int fftsize) {
    tf0band b;
    b.lobin = roundint(lof0limit / fs * fftsize) - 1;
    b.hibin = roundint(hif0limit / fs * fftsize) + 1;
    return b;
}

int strongest_bin(std::span<const double> outabs2, tf0band band, int nq) {
    int m = 0;
    double pw = 0;
    const int lo = std::max(band.lobin, 0);
    const int hi = std::min({band.hibin, nq - 1, int(outabs2.size()) - 1});
    for (int k = lo; k <= hi; ++k) {
        if (outabs2[std::size_t(k)] > pw) {
            m = k;
            pw = outabs2[std::size_t(k)];
        }
    }
    return m;
}

tf0result find_f0(std::span<const double> outabs2, std::span<const double> outdb,
                  std::span<const double> specnoisequantile, tf0band band, double fs,
                  const tanalysisparams& p, bool mirrored) {
    return find_f0(outabs2, outdb, specnoisequantile, band, fs, p, mirrored,
                   std::pow(10.0, p.minrelpartiallevel / 10.0),
                   std::pow(10.0, p.minsubharmonicratio / 10.0));
}

namespace {

// Whether the series of hypothesis h holds a real share of power beside that of the accepted
// hypothesis hbest < h: its partials k that are not partials of hbest (k hbest / h is no whole
// number) against those that are. Unlike the score, the partials are read at the multiples of
// the interpolated peak (peak = M + p bins): on the integer bin the higher partials fall up to
// half a bin per harmonic number away from their peaks, which would blur the two sums.
bool adds_partials(std::span<const double> outabs2, double peak, std::int32_t h, std::int32_t hbest,
                   double f, double hif0limit, bool mirrored, double shrfloor) {
    const int n = int(outabs2.size());
    double added = 0, shared = 0;
    for (std::int32_t k = 1; k <= 100 && k * f < hif0limit; ++k) {
        const std::int32_t idx = roundint(k * peak / h);
        if (idx >= n) break;
        const double v = outabs2[mirrored && idx > n / 2 ? n - idx : idx];
        if (k * hbest % h == 0)
            shared += v;
        else
            added += v;
    }
    return added > shared * shrfloor;
}

} // namespace

GRAVON_SIMD_CLONES
tf0result find_f0(std::span<const double> outabs2, std::span<const double> outdb,
                  std::span<const double> specnoisequantile, tf0band band, double fs,
                  const tanalysisparams& p, bool mirrored, double relfloor, double shrfloor,
                  int strongest) {
    tf0result r;
    const int n = int(outabs2.size());
    const int nq = int(std::min(specnoisequantile.size(), std::size_t(n / 2)));
    if (n < 3 || int(outdb.size()) < n || nq < 1) return r;

    // 1. Strongest bin of the band.
    const int m = strongest >= 0 ? strongest : strongest_bin(outabs2, band, nq);
    // Bin 0 outside the band means no bin of the band has power.
    const double pw =
        m >= band.lobin && outabs2[std::size_t(m)] > 0 ? outabs2[std::size_t(m)] : 0.0;
    r.strongestbin = m;
    r.strongestpower = pw;

    // 2. Interpolated frequency of the peak. A peak on the edge of the spectrum has no
    // neighbour on one side and is taken as it is.
    double off = 0;
    if (m >= 1 && m + 1 < n) off = parabolicoffset(true, outdb[m - 1], outdb[m], outdb[m + 1]);
    r.offset = off;
    r.peakfreq = (m + off) * fs / n;

    // 3. No fundamental until a hypothesis survives.
    r.f0 = 0;
    r.maxpartno = 0;
    double best = 0;

    // 4. Hypotheses: the peak is harmonic h of the voice.
    const std::int32_t hmax = roundint(p.hif0limit / p.lof0limit);
    for (std::int32_t h = 1; h <= hmax; ++h) {
        const double f = r.peakfreq / h;
        const std::int32_t b = roundint((m + off) / h);
        // The candidate bin only falls as h grows; once it reaches bin 0 no later
        // hypothesis can be tested, so the search ends (also for absurd F0 limits).
        if (b < 1) break;
        if (!(f > p.lof0limit)) continue;
        if (b + 1 >= n) continue;
        if (!islocalpeak(outabs2[b - 1], outabs2[b], outabs2[b + 1])) continue;
        // Score: power collected by the harmonic series, on the integer bin M.
        double s = 0;
        for (std::int32_t k = 1; k <= 100 && k * f < p.hif0limit; ++k) {
            const std::int32_t idx = roundint(double(k) * m / h);
            if (idx >= n) break;
            s += outabs2[mirrored && idx > n / 2 ? n - idx : idx];
        }
        if (!(s > best)) continue;
        const std::int32_t g = roundint(double(m) / h);
        if (!(outabs2[g] > pw * relfloor)) continue;
        if (!(specnoisequantile[g] + p.minsnr < outdb[g])) continue;
        // A lower candidate wins on its score alone only by collecting the higher one's
        // partials; what it adds must be partials too.
        if (p.subharmonicguard && r.maxpartno > 0 &&
            !adds_partials(outabs2, m + off, h, r.maxpartno, f, p.hif0limit, mirrored, shrfloor))
            continue;
        best = s;
        r.f0 = f;
        r.maxpartno = h;
    }
    // 5. No hypothesis: no F0 (the caller enters the reason).
    if (r.maxpartno == 0) r.f0 = 0;
    return r;
}

namespace {

// spreadbits[b] holds bit i of b in byte i (as 0 or 1).
constexpr std::array<std::uint64_t, 256> spreadbits = [] {
    std::array<std::uint64_t, 256> t{};
    for (int b = 0; b < 256; ++b)
        for (int i = 0; i < 8; ++i)
            if (b >> i & 1) t[std::size_t(b)] |= std::uint64_t(1) << (8 * i);
    return t;
}();

// Bits lo...hi of the bit set.
void set_bits(std::uint64_t* bits, int lo, int hi) {
    const int wlo = lo >> 6, whi = hi >> 6;
    const std::uint64_t from = ~std::uint64_t(0) << (lo & 63);
    const std::uint64_t to = ~std::uint64_t(0) >> (63 - (hi & 63));
    if (wlo == whi) {
        bits[wlo] |= from & to;
        return;
    }
    bits[wlo] |= from;
    for (int w = wlo + 1; w < whi; ++w) bits[w] = ~std::uint64_t(0);
    bits[whi] |= to;
}

// For the bins i = 1...n-2: bit i of leftstop is set when a[i] >= a[i+1] (or either is
// NaN), so that a walk to the left stops there; bit i of rightstop when a[i] >= a[i-1]. The
// other bits are left as they are. Each word is gathered in a register and stored once.
template <int step, class tgroup>
[[gnu::always_inline]] inline void flank_words(const double* a, int n, std::uint64_t* leftstop,
                                               std::uint64_t* rightstop, const tgroup& group) {
    const int nwords = (n >> 6) + 1;
    for (int w = 0; w < nwords; ++w) {
        const int base = w * 64;
        const int from = std::max(base, 1), to = std::min(base + 63, n - 2);
        std::uint64_t l = 0, r = 0;
        int i = from;
        auto one = [&](int b) {
            l |= std::uint64_t(!(a[b] < a[b + 1])) << (b - base);
            r |= std::uint64_t(!(a[b] < a[b - 1])) << (b - base);
        };
        // Single bins up to a multiple of the step, so that a group's bits land in this word.
        for (; i <= to && (i % step); ++i) one(i);
        for (; i + step - 1 <= to; i += step) group(a + i, l, r, i - base);
        for (; i <= to; ++i) one(i);
        leftstop[w] |= l;
        rightstop[w] |= r;
    }
}

#if defined(GRAVON_AVX2_FLANKS)
// Four bins per step; the comparisons are the same, so are the bits. (A lambda would not
// take the target, so the group is written out.)
__attribute__((target("avx2"))) void
flank_stops_avx2(const double* a, int n, std::uint64_t* leftstop, std::uint64_t* rightstop) {
    const int nwords = (n >> 6) + 1;
    for (int w = 0; w < nwords; ++w) {
        const int base = w * 64;
        const int from = std::max(base, 1), to = std::min(base + 63, n - 2);
        std::uint64_t l = 0, r = 0;
        int i = from;
        for (; i <= to && (i & 3); ++i) {
            l |= std::uint64_t(!(a[i] < a[i + 1])) << (i - base);
            r |= std::uint64_t(!(a[i] < a[i - 1])) << (i - base);
        }
        for (; i + 3 <= to; i += 4) {
            const __m256d x = _mm256_loadu_pd(a + i);
            const __m256d next = _mm256_loadu_pd(a + i + 1);
            const __m256d prev = _mm256_loadu_pd(a + i - 1);
            l |= (std::uint64_t(_mm256_movemask_pd(_mm256_cmp_pd(x, next, _CMP_LT_OQ))) ^ 15u)
                 << (i - base);
            r |= (std::uint64_t(_mm256_movemask_pd(_mm256_cmp_pd(x, prev, _CMP_LT_OQ))) ^ 15u)
                 << (i - base);
        }
        for (; i <= to; ++i) {
            l |= std::uint64_t(!(a[i] < a[i + 1])) << (i - base);
            r |= std::uint64_t(!(a[i] < a[i - 1])) << (i - base);
        }
        leftstop[w] |= l;
        rightstop[w] |= r;
    }
}
#endif

void flank_stops(const double* a, int n, std::uint64_t* leftstop, std::uint64_t* rightstop) {
#if defined(GRAVON_AVX2_FLANKS)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        flank_stops_avx2(a, n, leftstop, rightstop);
        return;
    }
#endif
#if defined(__SSE2__)
    // Two bins per step, from an even bin.
    flank_words<2>(a, n, leftstop, rightstop,
                   [](const double* p, std::uint64_t& l, std::uint64_t& r, int shift) {
                       const __m128d x = _mm_loadu_pd(p);
                       const auto lt = [&](const double* b) {
                           return std::uint64_t(_mm_movemask_pd(_mm_cmplt_pd(x, _mm_loadu_pd(b))));
                       };
                       l |= (lt(p + 1) ^ 3u) << shift;
                       r |= (lt(p - 1) ^ 3u) << shift;
                   });
#else
    flank_words<1>(a, n, leftstop, rightstop,
                   [](const double* p, std::uint64_t& l, std::uint64_t& r, int shift) {
                       l |= std::uint64_t(!(p[0] < p[1])) << shift;
                       r |= std::uint64_t(!(p[0] < p[-1])) << shift;
                   });
#endif
}

} // namespace

GRAVON_SIMD_CLONES
void mark_partials(std::span<const double> outabs2, const tf0result& f0,
                   std::span<std::uint8_t> isharm) {
    std::fill(isharm.begin(), isharm.end(), std::uint8_t(0));
    if (f0.maxpartno < 1) return;
    const int n = int(std::min(isharm.size(), outabs2.size() / 2));
    const double s = (f0.strongestbin + f0.offset) / f0.maxpartno;
    if (!(s > 0) || n < 1) return;
    const double* a = outabs2.data();

    // Where the flank walks stop, as bit sets, so that finding the end of a flank is a bit
    // scan instead of a walk that ends in a mispredicted branch at every partial. A walk to
    // the left from bin j marks j-1, j-2, ... down to (not including) the nearest bin i < j
    // with i = 0 or a[i] >= a[i+1]; a walk to the right marks j+1, ... up to the nearest
    // bin i > j with i >= n-1 or a[i] >= a[i-1].
    const int nwords = (n >> 6) + 2;
    constexpr int maxwords = 2 + 32768 / 64; // room for spectra of up to 65536 bins
    if (nwords > maxwords) {
        // Larger spectra than any usual setting gives: the walks themselves.
        std::int32_t k = 1;
        double q = s;
        do {
            const std::int32_t j = roundint(q);
            if (j >= 0 && j < n) {
                isharm[j] = 1;
                for (int i = j - 1; i > 0 && a[i] < a[i + 1]; --i) isharm[i] = 1;
                for (int i = j + 1; i < n - 1 && a[i] < a[i - 1]; ++i) isharm[i] = 1;
            }
            ++k;
            q = k * s;
        } while (q <= n - 1);
        return;
    }
    std::array<std::uint64_t, 3 * maxwords> words;
    std::fill_n(words.data(), 3 * nwords, std::uint64_t(0));
    std::uint64_t* leftstop = words.data();
    std::uint64_t* rightstop = leftstop + nwords;
    std::uint64_t* marked = rightstop + nwords;
    flank_stops(a, n, leftstop, rightstop);
    leftstop[0] |= 1; // bin 0 ends every walk to the left
    // Bins n-1 and beyond end every walk to the right.
    for (int w = (n - 1) >> 6; w < nwords; ++w)
        rightstop[w] |= ~std::uint64_t(0) << std::clamp(n - 1 - w * 64, 0, 63);

    std::int32_t k = 1;
    double q = s;
    do {
        const std::int32_t j = roundint(q);
        if (j >= 0 && j < n) {
            int lo = j, hi = j;
            if (j >= 1) {
                int w = (j - 1) >> 6;
                std::uint64_t m = leftstop[w] & (~std::uint64_t(0) >> (63 - ((j - 1) & 63)));
                while (m == 0) m = leftstop[--w];
                lo = w * 64 + 63 - std::countl_zero(m) + 1;
            }
            int w = (j + 1) >> 6;
            std::uint64_t m = rightstop[w] & (~std::uint64_t(0) << ((j + 1) & 63));
            while (m == 0) m = rightstop[++w];
            hi = w * 64 + std::countr_zero(m) - 1;
            set_bits(marked, lo, hi);
        }
        ++k;
        q = k * s;
    } while (q <= n - 1);

    // The marks as flags, eight at a time.
    std::uint8_t* out = isharm.data();
    const auto flags = [&](int i) { return spreadbits[(marked[i >> 6] >> (i & 63)) & 0xff]; };
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const std::uint64_t f = flags(i);
        std::memcpy(out + i, &f, sizeof f);
    }
    if (i < n) {
        const std::uint64_t f = flags(i);
        std::memcpy(out + i, &f, std::size_t(n - i));
    }
}

} // namespace gravon
