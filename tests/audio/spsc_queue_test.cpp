#include "audio/spsc_queue.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <thread>

using namespace gravon;

namespace {

TEST(SpscQueue, HoldsExactlyItsCapacityInOrder) {
    tspscqueue<int> q(3);
    int v = 0;
    EXPECT_FALSE(q.pop(v));
    for (int round = 0; round < 5; ++round) { // wraps the counters past the slots
        EXPECT_TRUE(q.push(10 * round + 1));
        EXPECT_TRUE(q.push(10 * round + 2));
        EXPECT_TRUE(q.push(10 * round + 3));
        EXPECT_FALSE(q.push(99));
        for (int k = 1; k <= 3; ++k) {
            ASSERT_TRUE(q.pop(v));
            EXPECT_EQ(v, 10 * round + k);
        }
        EXPECT_FALSE(q.pop(v));
        EXPECT_TRUE(q.empty());
    }
}

// A buffer handed over as its index and a checksum of its contents, written by the producer
// before the push: the consumer must see all of it.
struct thandover {
    std::uint64_t sequence;
    std::uint64_t check;
};

TEST(SpscQueue, TwoThreadsPassEveryElementOnceInOrder) {
    constexpr std::uint64_t n = 1'000'000;
    tspscqueue<thandover> q(8); // small, so both full and empty happen often
    std::thread producer([&] {
        for (std::uint64_t i = 0; i < n;) {
            if (q.push({i, i * 2654435761u}))
                ++i;
            else
                std::this_thread::yield();
        }
    });
    std::uint64_t expected = 0;
    std::uint64_t wrong = 0;
    thandover h{};
    while (expected < n) {
        if (!q.pop(h)) {
            std::this_thread::yield();
            continue;
        }
        if (h.sequence != expected || h.check != expected * 2654435761u) ++wrong;
        ++expected;
    }
    producer.join();
    EXPECT_EQ(wrong, 0u);
    EXPECT_FALSE(q.pop(h));
}

} // namespace
