#include "base/fifo.h"

#include <deque>
#include <gtest/gtest.h>
#include <vector>

namespace gravon {
namespace {

// Pushes, pops and removals in the pattern of a buffer queue (a few items, refilled as they
// are taken) and in bursts: the queue must always hold what a deque holds, in order.
TEST(Fifo, HoldsWhatADequeHoldsThroughPopsPushesAndRemovals) {
    tfifo<int> q;
    std::deque<int> model;
    int next = 0;
    const auto same = [&] {
        ASSERT_EQ(q.size(), model.size());
        ASSERT_EQ(std::vector<int>(q.begin(), q.end()),
                  std::vector<int>(model.begin(), model.end()));
        if (!model.empty()) ASSERT_EQ(q.front(), model.front());
    };
    for (int step = 0; step < 500; ++step) {
        const int pushes = step % 50 == 0 ? 17 : 1, pops = step % 70 == 0 ? 9 : 1;
        for (int i = 0; i < pushes; ++i) {
            q.push_back(next);
            model.push_back(next++);
        }
        for (int i = 0; i < pops && !model.empty(); ++i) {
            q.pop_front();
            model.pop_front();
        }
        same();
        if (step % 90 == 0) {
            erase_if(q, [](int v) { return v % 3 == 0; });
            std::erase_if(model, [](int v) { return v % 3 == 0; });
            same();
        }
    }
    q.clear();
    EXPECT_TRUE(q.empty());
}

} // namespace
} // namespace gravon
