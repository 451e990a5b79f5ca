#include "analysis/median.h"

#pragma GCC diagnostic ignored "-Wpsabi" // vector values never cross an ABI boundary

#include "analysis/simd_clones.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace gravon {

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

// The number of x[i] below t, the smallest x[i] from t on and the largest below it (over n > 0
// values): all compared in vector lanes, so that no branch waits on a value.
GRAVON_SIMD_CLONES
int count_below(const double* x, int n, double t) {
    int count = 0;
    for (int i = 0; i < n; ++i) count += x[i] < t;
    return count;
}

using v4 = double __attribute__((vector_size(32)));

[[gnu::always_inline]] inline v4 load4(const double* p) {
    v4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The smallest and the largest of x[0] ... x[n - 1] and their sum, which is not finite when
// one of them is not.
GRAVON_SIMD_CLONES
void extent(const double* x, int n, double& smallest, double& largest, double& sum) {
    v4 lo = {infinity, infinity, infinity, infinity}, hi = -lo, total = {};
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const v4 v = load4(x + i);
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
        total += v;
    }
    smallest = std::min({lo[0], lo[1], lo[2], lo[3]});
    largest = std::max({hi[0], hi[1], hi[2], hi[3]});
    sum = (total[0] + total[1]) + (total[2] + total[3]);
    for (; i < n; ++i) {
        smallest = std::min(smallest, x[i]);
        largest = std::max(largest, x[i]);
        sum += x[i];
    }
}

// The largest x[i] below t and the smallest from t on.
GRAVON_SIMD_CLONES
void around(const double* x, int n, double t, double& below, double& from) {
    const v4 tv = {t, t, t, t};
    v4 lo = {-infinity, -infinity, -infinity, -infinity}, hi = -lo;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const v4 v = load4(x + i);
        lo = (v < tv) & (v > lo) ? v : lo;
        hi = (v >= tv) & (v < hi) ? v : hi;
    }
    below = std::max({lo[0], lo[1], lo[2], lo[3]});
    from = std::min({hi[0], hi[1], hi[2], hi[3]});
    for (; i < n; ++i) {
        if (x[i] < t)
            below = std::max(below, x[i]);
        else
            from = std::min(from, x[i]);
    }
}

// The median by ordering the values.
double ordered_median(double* x, int n) {
    const int k = n / 2;
    std::nth_element(x, x + k, x + n);
    if (n % 2 == 1) return x[k];
    return (x[k] + *std::max_element(x, x + k)) / 2;
}

} // namespace

double median(double* x, int n) {
    // The median is the smallest value from a threshold below which lie exactly n / 2 values
    // (and for an even n the mean with the largest below it). The threshold is sought between
    // the smallest and the largest value by counting, each count a pass in vector lanes,
    // which for the few hundred values of a frame is cheaper than ordering them, whose
    // comparisons a processor cannot predict. Values where no such threshold exists (the
    // middle two equal) or not found soon, and values that are not all finite, are ordered.
    const int k = n / 2;
    if (n >= 16) {
        double lo, hi, sum;
        extent(x, n, lo, hi, sum);
        if (std::isfinite(lo) && std::isfinite(hi) && std::isfinite(sum)) {
            // Below lo lie clo values, below hi chi or fewer; clo <= k < chi.
            int clo = 0, chi = n;
            for (int step = 0; step < 48; ++step) {
                // First the mean; then interpolated between the counts, every third step
                // halved, so that a skewed distribution cannot slow the search to a crawl.
                double t = step == 0       ? sum / n
                           : step % 3 == 2 ? lo + (hi - lo) / 2
                                           : lo + (hi - lo) * ((k - clo + 0.5) / double(chi - clo));
                if (!(t > lo && t < hi)) t = lo + (hi - lo) / 2;
                if (!(t > lo && t < hi)) break; // lo and hi are neighbouring doubles
                const int c = count_below(x, n, t);
                if (c == k) {
                    double below, upper;
                    around(x, n, t, below, upper);
                    return n % 2 == 1 ? upper : (upper + below) / 2;
                }
                if (c < k) {
                    lo = t;
                    clo = c;
                } else {
                    hi = t;
                    chi = c;
                }
            }
        }
    }
    return ordered_median(x, n);
}

} // namespace gravon
