// A fixed-capacity queue between exactly one producer thread and one consumer thread, without
// locks: the sound backend's thread hands filled buffers to the user-interface thread through
// it. Neither side ever waits or allocates; a full queue refuses the push and the producer
// decides what to drop.
#pragma once

#include <atomic>
#include <cstddef>
#include <new>
#include <vector>

namespace gravon {

template <class T> class tspscqueue {
  public:
    // Room for exactly `capacity` elements (at least 1).
    explicit tspscqueue(std::size_t capacity)
        : cells(capacity < 1 ? 1 : capacity), fcapacity(cells.size()) {}
    tspscqueue(const tspscqueue&) = delete;
    tspscqueue& operator=(const tspscqueue&) = delete;

    std::size_t capacity() const { return fcapacity; }

    // Producer only. False when the queue is full.
    bool push(const T& value) {
        const std::size_t tail = ftail.load(std::memory_order_relaxed);
        if (tail - headcache == fcapacity) {
            headcache = fhead.load(std::memory_order_acquire);
            if (tail - headcache == fcapacity) return false;
        }
        cells[tail % fcapacity] = value;
        ftail.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer only. False when the queue is empty.
    bool pop(T& value) {
        const std::size_t head = fhead.load(std::memory_order_relaxed);
        if (head == tailcache) {
            tailcache = ftail.load(std::memory_order_acquire);
            if (head == tailcache) return false;
        }
        value = cells[head % fcapacity];
        fhead.store(head + 1, std::memory_order_release);
        return true;
    }

    // Either side; exact only when the other side is idle.
    bool empty() const {
        return fhead.load(std::memory_order_acquire) == ftail.load(std::memory_order_acquire);
    }

  private:
    // Each side's counter on its own cache line, next to the copy of the other side's counter
    // that it reads, so the two threads do not keep taking a line from each other.
    static constexpr std::size_t line = 64;

    std::vector<T> cells;
    const std::size_t fcapacity;
    // Counters only grow; the slot is the counter modulo the capacity.
    alignas(line) std::atomic<std::size_t> ftail{0};
    std::size_t headcache = 0; // producer's last view of fhead
    alignas(line) std::atomic<std::size_t> fhead{0};
    std::size_t tailcache = 0; // consumer's last view of ftail
};

} // namespace gravon
