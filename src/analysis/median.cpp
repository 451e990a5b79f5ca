#include "analysis/median.h"

#pragma GCC diagnostic ignored "-Wpsabi" // vector values never cross an ABI boundary

#include "analysis/simd_clones.h"
#include "analysis/vector_lanes.h"

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

// The smallest and the largest of x[0] ... x[n - 1] and their sum, which is not finite when
// one of them is not. Four sets of lanes, so that each comparison waits for a quarter of the
// others only.
GRAVON_SIMD_CLONES
void extent(const double* x, int n, double& smallest, double& largest, double& sum) {
    const v4 inf = {infinity, infinity, infinity, infinity};
    v4 lo[4] = {inf, inf, inf, inf}, hi[4] = {-inf, -inf, -inf, -inf}, total[4] = {};
    int i = 0;
    for (; i + 16 <= n; i += 16)
        for (int g = 0; g < 4; ++g) {
            const v4 v = load<v4>(x + i + 4 * g);
            lo[g] = v < lo[g] ? v : lo[g];
            hi[g] = v > hi[g] ? v : hi[g];
            total[g] += v;
        }
    smallest = infinity;
    largest = -infinity;
    sum = 0;
    for (int g = 0; g < 4; ++g)
        for (int l = 0; l < 4; ++l) {
            smallest = std::min(smallest, lo[g][l]);
            largest = std::max(largest, hi[g][l]);
            sum += total[g][l];
        }
    for (; i < n; ++i) {
        smallest = std::min(smallest, x[i]);
        largest = std::max(largest, x[i]);
        sum += x[i];
    }
}

// The largest x[i] below t and the smallest from t on, in four sets of lanes likewise.
GRAVON_SIMD_CLONES
void around(const double* x, int n, double t, double& below, double& from) {
    const v4 tv = {t, t, t, t}, inf = {infinity, infinity, infinity, infinity};
    v4 lo[4] = {-inf, -inf, -inf, -inf}, hi[4] = {inf, inf, inf, inf};
    int i = 0;
    for (; i + 16 <= n; i += 16)
        for (int g = 0; g < 4; ++g) {
            const v4 v = load<v4>(x + i + 4 * g);
            lo[g] = (v < tv) & (v > lo[g]) ? v : lo[g];
            hi[g] = (v >= tv) & (v < hi[g]) ? v : hi[g];
        }
    below = -infinity;
    from = infinity;
    for (int g = 0; g < 4; ++g)
        for (int l = 0; l < 4; ++l) {
            below = std::max(below, lo[g][l]);
            from = std::min(from, hi[g][l]);
        }
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
