#include "analysis/fft.h"
#include "analysis/filter_run.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace gravon;

namespace {

std::array<THPFilterSection, 2> sections() {
    std::array<THPFilterSection, 2> h;
    for (int s = 0; s < 2; ++s) {
        h[std::size_t(s)].setSampFreq(44100.0);
        h[std::size_t(s)].setF0(70.0);
        h[std::size_t(s)].setQ(s == 0 ? 0.53 : 1.4);
    }
    return h;
}

bool samebits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(FilterRun, StepsGiveFilterArithmeticAndTheSumsOfTheWindow) {
    // Two blocks, the second continuing the first, of samples whose sizes span many powers of
    // two, so that the order of every sum shows in its last bits. The run gives what filter()
    // on both sections gives sample by sample, the window's sums in sample order, and the
    // sum the transform takes for the mean of the window of the two blocks.
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> expo(-30.0, 0.0);
    // Odd hops end their steps on a single sample; a second block given fewer samples than
    // the hop takes the missing ones as zeros.
    struct tcase {
        std::size_t hop, missing;
    };
    for (const tcase t : {tcase{882, 0},
                          {960, 0},
                          {100, 0},
                          {18, 0},
                          {883, 0},
                          {17, 0},
                          {1, 0},
                          {882, 7},
                          {35, 20},
                          {40, 40}}) {
        const std::size_t hop = t.hop;
        std::vector<float> in(2 * hop);
        for (auto& v : in) v = float((gen() & 1 ? 1 : -1) * std::exp2(expo(gen)));
        for (std::size_t i = 2 * hop - t.missing; i < 2 * hop; ++i) in[i] = 0.0f;
        auto h = sections();
        auto ref = sections();
        std::vector<double> window(2 * hop);
        for (std::size_t i = 0; i < 2 * hop; ++i) {
            const double y = ref[1].filter(ref[0].filter(double(in[i])));
            window[i] = double(float(y)) * tfilterrun::pascaltoref;
        }
        tfilterrun a, b;
        const double none[4] = {};
        std::vector<double> out(2 * hop);
        a.start(h, std::span<const float>(in).first(hop), out.data(), hop, 0.0, none, 0.5f);
        // One step at a time, as a loop elsewhere takes them.
        while (!a.done()) a.step_with([](std::size_t) {});
        h[0].setstate(a.p0, a.q0);
        h[1].setstate(a.p1, a.q1);
        double firsthalf[4];
        a.blocklanes(firsthalf);
        b.start(h, std::span<const float>(in).subspan(hop, hop - t.missing), out.data() + hop, hop,
                a.half, firsthalf, 0.5f);
        b.finish();
        for (std::size_t i = 0; i < 2 * hop; ++i) ASSERT_TRUE(samebits(out[i], window[i])) << i;
        double sum = 0, half = 0, peak = 0;
        for (std::size_t i = 0; i < 2 * hop; ++i) {
            sum += window[i] * window[i];
            if (i >= hop) {
                half += window[i] * window[i];
                peak = std::max(peak, window[i]);
            }
        }
        EXPECT_TRUE(samebits(b.sum, sum)) << hop;
        EXPECT_TRUE(samebits(b.half, half)) << hop;
        EXPECT_EQ(b.peak, peak);
        double lanes[4];
        b.windowlanes(lanes);
        EXPECT_TRUE(samebits(inputsum(lanes), inputsum(window))) << hop;
    }
}

TEST(FilterRun, TheBlocksMagnitudesAreScannedOnTheWay) {
    // The run's own samples, whole chunks and a shorter end, give the peak, overload and
    // zero flags of the block: a NaN neither raises the peak nor overloads but is not zero,
    // -0 is zero, a magnitude at the limit is no overload; missing samples are not scanned.
    struct tcase {
        std::vector<float> v;
        std::size_t hop;
        tblockpeak want;
    };
    std::vector<float> many(37, 0.25f);
    many[35] = -0.75f;
    std::vector<float> nan(20, 0.0f);
    nan[3] = std::nanf("");
    const std::vector<tcase> cases = {
        {many, 40, {0.75f, true, false}},
        {nan, 20, {0.0f, false, false}},
        {std::vector<float>(19, -0.0f), 19, {0.0f, false, true}},
        {{0.5f, -0.5f}, 33, {0.5f, false, false}},
        {{}, 16, {0.0f, false, true}},
    };
    for (const tcase& t : cases) {
        std::vector<double> out(t.hop);
        const double none[4] = {};
        tfilterrun r;
        r.start(sections(), t.v, out.data(), t.hop, 0.0, none, 0.5f);
        r.finish();
        const tblockpeak b = r.rawpeak();
        EXPECT_EQ(b.peak, t.want.peak) << t.hop;
        EXPECT_EQ(b.over, t.want.over) << t.hop;
        EXPECT_EQ(b.zero, t.want.zero) << t.hop;
        EXPECT_EQ(r.rawlimit(), 0.5f);
    }
}
