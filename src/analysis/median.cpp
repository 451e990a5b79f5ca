#include "analysis/median.h"

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

GRAVON_SIMD_CLONES
double smallest_from(const double* x, int n, double t) {
    const v4 tv = {t, t, t, t};
    v4 a = {infinity, infinity, infinity, infinity}, b = a;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const v4 u = load4(x + i), v = load4(x + i + 4);
        a = (u >= tv) & (u < a) ? u : a;
        b = (v >= tv) & (v < b) ? v : b;
    }
    double best = infinity;
    for (int l = 0; l < 4; ++l) best = std::min({best, a[l], b[l]});
    for (; i < n; ++i)
        if (x[i] >= t && x[i] < best) best = x[i];
    return best;
}

GRAVON_SIMD_CLONES
double largest_below(const double* x, int n, double t) {
    const v4 tv = {t, t, t, t};
    v4 a = {-infinity, -infinity, -infinity, -infinity}, b = a;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const v4 u = load4(x + i), v = load4(x + i + 4);
        a = (u < tv) & (u > a) ? u : a;
        b = (v < tv) & (v > b) ? v : b;
    }
    double best = -infinity;
    for (int l = 0; l < 4; ++l) best = std::max({best, a[l], b[l]});
    for (; i < n; ++i)
        if (x[i] < t && x[i] > best) best = x[i];
    return best;
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
        double lo = smallest_from(x, n, -infinity), hi = largest_below(x, n, infinity);
        if (std::isfinite(lo) && std::isfinite(hi) && count_below(x, n, infinity) == n) {
            // Below lo lie clo values, below hi chi or fewer; clo <= k < chi.
            int clo = 0, chi = n;
            for (int step = 0; step < 48; ++step) {
                // Interpolated between the counts, every third step halved, so that a skewed
                // distribution cannot slow the search to a crawl.
                double t = step % 3 == 2 ? lo + (hi - lo) / 2
                                         : lo + (hi - lo) * ((k - clo + 0.5) / double(chi - clo));
                if (!(t > lo && t < hi)) t = lo + (hi - lo) / 2;
                if (!(t > lo && t < hi)) break; // lo and hi are neighbouring doubles
                const int c = count_below(x, n, t);
                if (c == k) {
                    const double upper = smallest_from(x, n, t);
                    return n % 2 == 1 ? upper : (upper + largest_below(x, n, t)) / 2;
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
