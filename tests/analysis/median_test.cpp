#include "analysis/median.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace gravon;

namespace {

// The median the slow way: all values sorted.
double sorted_median(std::vector<double> x) {
    std::sort(x.begin(), x.end());
    const std::size_t k = x.size() / 2;
    return x.size() % 2 == 1 ? x[k] : (x[k] + x[k - 1]) / 2;
}

} // namespace

TEST(Median, IsBitForBitTheMedianOfTheSortedValuesWhateverTheirDistribution) {
    std::mt19937_64 rng(7);
    std::normal_distribution<double> normal;
    const double inf = std::numeric_limits<double>::infinity();
    struct tcase {
        std::string name;
        std::vector<double> x;
    };
    std::vector<tcase> cases;
    for (int n : {1, 2, 3, 15, 16, 17, 256, 257, 512}) {
        std::vector<double> x(static_cast<std::size_t>(n));
        for (double& v : x) v = normal(rng);
        cases.push_back({"normal " + std::to_string(n), x});
    }
    // A cepstrum's trend: a falling curve with bumps at the start and the period's peak.
    std::vector<double> trend(512);
    for (std::size_t i = 0; i < trend.size(); ++i)
        trend[i] = -20 * std::log10(1.0 + double(i)) + 40 * std::exp(-double(i) / 8) +
                   (i >= 90 && i <= 92 ? 25 : 0) + 0.3 * normal(rng);
    cases.push_back({"cepstral trend", trend});
    std::vector<double> heavy(300);
    for (double& v : heavy) v = std::pow(10.0, 30 * normal(rng));
    cases.push_back({"twenty decades wide", heavy});
    std::vector<double> ramp(100);
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = double(ramp.size() - i);
    cases.push_back({"descending", ramp});
    // Values where no threshold separates the middle two, and the ends not finite.
    cases.push_back({"middle two equal", {1, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9}});
    cases.push_back({"all equal", std::vector<double>(64, -3000.0)});
    cases.push_back({"neighbouring doubles",
                     {1.0, std::nextafter(1.0, 2.0), 1.0, std::nextafter(1.0, 2.0), 1.0,
                      std::nextafter(1.0, 2.0), 1.0, std::nextafter(1.0, 2.0), 1.0,
                      std::nextafter(1.0, 2.0), 1.0, std::nextafter(1.0, 2.0), 1.0,
                      std::nextafter(1.0, 2.0), 1.0, std::nextafter(1.0, 2.0)}});
    std::vector<double> infinite = trend;
    infinite[3] = inf;
    infinite[400] = -inf;
    cases.push_back({"with infinities", infinite});
    for (const tcase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<double> x = c.x;
        const double expected = sorted_median(c.x), got = median(x.data(), int(x.size()));
        EXPECT_EQ(std::memcmp(&expected, &got, sizeof got), 0) << expected << " " << got;
        // Only reordered.
        std::sort(x.begin(), x.end());
        std::vector<double> sorted = c.x;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(x, sorted);
    }
    // A NaN gives some value, at once.
    std::vector<double> withnan = trend;
    withnan[10] = std::numeric_limits<double>::quiet_NaN();
    median(withnan.data(), int(withnan.size()));
}
