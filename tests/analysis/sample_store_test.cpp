#include "analysis/sample_store.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace gravon {
namespace {

std::vector<float> contents(const tsamplestore& s) {
    return std::vector<float>(s.begin(), s.end());
}

// What a vector of floats holds after the same operations, step by step: the store must read
// exactly like one, including the zeros it skips writing.
TEST(SampleStore, ReadsLikeAVectorThroughGrowthShrinkAndSilence) {
    tsamplestore s(10, 0.0f);
    std::vector<float> v(10, 0.0f);
    std::vector<float> loud(7);
    std::iota(loud.begin(), loud.end(), 1.0f);
    const std::vector<float> silence(7, 0.0f);

    s.write(2, loud);
    std::copy(loud.begin(), loud.end(), v.begin() + 2);
    EXPECT_EQ(contents(s), v);
    // Shrunk, then grown again with zeros: what lay beyond the size must not come back.
    s.resize(4);
    v.resize(4);
    s.resize(12);
    v.resize(12, 0.0f);
    EXPECT_EQ(contents(s), v);
    // Silence over samples that were written is written.
    s.write(2, silence);
    std::copy(silence.begin(), silence.end(), v.begin() + 2);
    EXPECT_EQ(contents(s), v);
    // Growth past the capacity keeps the samples; silence far beyond anything written reads 0.
    s.write(5, loud);
    std::copy(loud.begin(), loud.end(), v.begin() + 5);
    s.resize(5000, 0.0f);
    v.resize(5000, 0.0f);
    s.write(4000, silence);
    s.resize(6000, -1.5f);
    v.resize(6000, -1.5f);
    EXPECT_EQ(contents(s), v);
    // A value other than +0 is always written, -0 included.
    s.assign(8, -0.0f);
    v.assign(8, -0.0f);
    EXPECT_EQ(std::memcmp(s.data(), v.data(), 8 * sizeof(float)), 0);
}

TEST(SampleStore, CopiesCompareEqualAndAreIndependent) {
    tsamplestore a(100, 0.0f);
    const std::vector<float> loud(10, 3.0f);
    a.write(50, loud);
    tsamplestore b = a;
    EXPECT_TRUE(a == b);
    b[55] = 4.0f;
    EXPECT_FALSE(a == b);
    EXPECT_EQ(a[55], 3.0f);
    b = a;
    EXPECT_TRUE(a == b);
    b.resize(101);
    EXPECT_FALSE(a == b);
}

// A store of a long recording: far more than one large page, reserved ahead, every sample
// zero until written, the last one reachable.
TEST(SampleStore, LongStoreStartsSilentAndKeepsItsSamplesWhenMoved) {
    const std::size_t n = std::size_t(30) * 60 * 44100;
    tsamplestore s;
    s.reserve(n);
    EXPECT_GE(s.capacity(), n);
    s.resize(n);
    EXPECT_EQ(s[0], 0.0f);
    EXPECT_EQ(s[n / 2], 0.0f);
    EXPECT_EQ(s[n - 1], 0.0f);
    const std::vector<float> tail(3, 0.25f);
    s.write(n - 3, tail);
    tsamplestore moved = std::move(s);
    EXPECT_EQ(moved.size(), n);
    EXPECT_EQ(moved[n - 1], 0.25f);
    EXPECT_EQ(moved[n - 4], 0.0f);
}

} // namespace
} // namespace gravon
