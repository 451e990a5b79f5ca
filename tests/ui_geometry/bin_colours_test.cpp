#include "ui/geometry/bin_colours.h"

#include <cmath>
#include <gtest/gtest.h>

namespace gravon {
namespace {

TEST(BinColours, FastLog2MatchesTheLibrary) {
    for (double x : {1e-300, 4.9e-324, 1e-10, 0.02, 0.7071, 1.0, 1.41421356, 1.5, 2.0, 3.0, 250.0,
                     1e10, 1.7e308})
        EXPECT_NEAR(fast_log2(x), std::log2(x), 1e-14 * std::max(1.0, std::fabs(std::log2(x))))
            << x;
    for (double x = 0.001; x < 1000; x *= 1.0137)
        EXPECT_NEAR(fast_log2(x), std::log2(x), 2e-15 * std::max(1.0, std::fabs(std::log2(x))));
    EXPECT_TRUE(std::isnan(fast_log2(0)));
    EXPECT_TRUE(std::isnan(fast_log2(-1)));
    EXPECT_EQ(fast_log2(INFINITY), INFINITY);
}

TEST(BinColours, ShownLayerByNameAndMapping) {
    tpg pg;
    pg.param.resize(3);
    pg.param[0].name = "";
    pg.param[1].name = "Other";
    pg.param[2].name = "hnr";
    const tstdpgparamarr map = {{"AccTime", 1}, {"HNR", 3}, {"Other", 3}};
    EXPECT_EQ(shown_layer(pg, map, 3, 8), 1u); // the earliest layer that matches
    EXPECT_EQ(shown_layer(pg, map, 1, 8), 0u); // none matches
    EXPECT_EQ(shown_layer(pg, map, 9, 8), 0u); // beyond the display parameters
}

} // namespace
} // namespace gravon
