#include "analysis/rate_converter.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using namespace gravon;

TEST(RateConverter, AStretchReadAtOnceHoldsTheSamplesReadOneByOneAndASinePassesUnchanged) {
    // Rates in small and large whole-number ratios, taken down and up.
    for (const double in : {44100.0, 48000.0, 22050.0, 96000.0, 8000.0}) {
        SCOPED_TRACE(in);
        const double out = 10000;
        tratestream s;
        s.prepare(in, out, 0.5);
        // 1.2 s of a 440 Hz sine, pushed in uneven blocks so that the ring wraps.
        std::vector<float> x(static_cast<std::size_t>(1.2 * in));
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = float(std::sin(2 * std::numbers::pi * 440 * double(i) / in));
        for (std::size_t i = 0; i < x.size(); i += 777)
            s.push(std::span<const float>(x.data() + i, std::min<std::size_t>(777, x.size() - i)));
        // A stretch reaching past both ends of what is kept.
        const std::int64_t first = s.earliest() - 5, n = s.available() - first + 5;
        std::vector<double> all(static_cast<std::size_t>(n));
        s.read(first, all);
        for (std::int64_t i = 0; i < n; ++i) {
            double one = -1;
            s.read(first + i, std::span<double>(&one, 1));
            ASSERT_EQ(all[std::size_t(i)], one) << "output " << first + i;
        }
        EXPECT_EQ(all.front(), 0.0);
        EXPECT_EQ(all.back(), 0.0);
        // Output sample k lies at input time k / out: the sine there, to the kernel's ripple.
        double worst = 0;
        for (std::int64_t i = 5; i < n - 5; ++i) {
            const double t = double(first + i) / out;
            worst = std::max(
                worst, std::abs(all[std::size_t(i)] - std::sin(2 * std::numbers::pi * 440 * t)));
        }
        EXPECT_LT(worst, 0.01);
    }
}
