#include "audio/waveform_ring_buffer.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace gravon;

namespace {

// A spread of values that differs from sample to sample, both signs, full range.
std::int16_t pattern(std::int32_t j) {
    return static_cast<std::int16_t>((j * 7919) % 65536 - 32768);
}

TEST(RingBuffer, SizesFollowTheColumns) {
    tRingBuffer r;
    EXPECT_EQ(r.ratefactor(), 11);
    EXPECT_EQ(r.length(), 110);
    r.setnsamples(10 * 44100);
    r.setwavedisplaywidth(500);
    EXPECT_EQ(r.ratefactor(), 883);
    EXPECT_EQ(r.length(), 883 * 500);
    EXPECT_EQ(r.wavedisplay().size(), 500u);
    // Exactly divisible still gets one more sample per column.
    r.setnsamples(1000);
    EXPECT_EQ(r.ratefactor(), 3);
    EXPECT_EQ(r.length(), 1500);
    // Without columns the ring holds what was asked and the rate stays.
    r.setwavedisplaywidth(0);
    EXPECT_EQ(r.length(), 1000);
    EXPECT_EQ(r.ratefactor(), 3);
    for (int j = 0; j < 2500; ++j) r.add_sample(pattern(j));
    EXPECT_EQ(r.get_sample(0), pattern(2499));
    EXPECT_TRUE(r.wavedisplay().empty());
    r.setnsamples(0);
    r.add_wavechunk(TWaveChunk{1, 2, 3}, 3); // an empty ring takes nothing
    EXPECT_EQ(r.length(), 0);
    EXPECT_EQ(r.get_sample(0), 0);
}

TEST(RingBuffer, OverviewHoldsTheExtremesOfEachColumn) {
    tRingBuffer r;
    r.setnsamples(95);
    r.setwavedisplaywidth(8); // 12 samples per column, ring of 96
    for (const tminmax& c : r.wavedisplay()) {
        EXPECT_EQ(c.min, 0);
        EXPECT_EQ(c.max, 0);
    }
    // Two passes less one: the newest sample ends a column, so every column is complete and
    // the display starts at column 0. Sample j went to ring index (j + 1) mod 96.
    const std::int32_t n = 2 * 96 - 1;
    TWaveChunk all(n);
    for (std::int32_t j = 0; j < n; ++j) all[j] = pattern(j);
    r.add_wavechunk(all, n);
    std::vector<std::int16_t> ring(96);
    for (std::int32_t j = 0; j < n; ++j) ring[(j + 1) % 96] = all[j];
    const std::vector<tminmax> shown = r.wavedisplay();
    ASSERT_EQ(shown.size(), 8u);
    for (std::size_t c = 0; c < 8; ++c) {
        const auto [lo, hi] =
            std::minmax_element(ring.begin() + 12 * c, ring.begin() + 12 * c + 12);
        EXPECT_EQ(shown[c].min, *lo) << c;
        EXPECT_EQ(shown[c].max, *hi) << c;
    }
    // The next sample starts column 0 afresh, which then comes last.
    r.add_sample(5);
    EXPECT_EQ(r.wavedisplay().back().min, 5);
    EXPECT_EQ(r.wavedisplay().back().max, 5);
    EXPECT_EQ(r.wavedisplay().front().max, shown[1].max);
}

TEST(RingBuffer, PositionsRunFromTheNewestThroughTheOldest) {
    tRingBuffer r; // ring of 110
    for (std::int32_t j = 0; j < 250; ++j) r.add_sample(pattern(j));
    EXPECT_EQ(r.get_sample(0), pattern(249));
    EXPECT_EQ(r.get_sample(1), pattern(140)); // the oldest of the last 110
    EXPECT_EQ(r.get_sample(109), pattern(248));
    EXPECT_EQ(r.get_sample(110), 0);
    EXPECT_EQ(r.get_sample(-1), 0);

    TWaveChunk out;
    r.get_wavechunk(out, 1, 109); // across the end of the ring
    ASSERT_EQ(out.size(), 109u);
    for (std::int32_t k = 0; k < 109; ++k) ASSERT_EQ(out[k], pattern(140 + k)) << k;
    r.get_wavechunk(out, 0, 0);
    EXPECT_EQ(out, TWaveChunk{pattern(249)});

    r.get_wavechunk(out, 100, 115); // beyond the ring: zeros of the length asked for
    EXPECT_EQ(out, TWaveChunk(16, 0));
    r.get_wavechunk(out, -2, 3);
    EXPECT_EQ(out, TWaveChunk(6, 0));

    r.clear_buffers();
    EXPECT_EQ(r.get_sample(5), 0);
    EXPECT_EQ(r.wavedisplay().back().max, 0);
}

} // namespace
