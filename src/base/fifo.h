// tfifo: a first-in first-out queue that keeps its memory. A queue that a buffer handler pops
// and pushes in turn, a few items long, then never allocates once it has held the most it
// ever holds; a std::deque would take and give back a block every few dozen items.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace gravon {

template <class T> class tfifo {
  public:
    bool empty() const { return fhead == fitems.size(); }
    std::size_t size() const { return fitems.size() - fhead; }
    T& front() { return fitems[fhead]; }
    const T& front() const { return fitems[fhead]; }
    auto begin() { return fitems.begin() + std::ptrdiff_t(fhead); }
    auto end() { return fitems.end(); }

    void push_back(const T& v) {
        // What was popped makes room before the memory grows.
        if (fhead > 0 && fitems.size() == fitems.capacity()) {
            fitems.erase(fitems.begin(), fitems.begin() + std::ptrdiff_t(fhead));
            fhead = 0;
        }
        fitems.push_back(v);
    }
    void pop_front() {
        if (++fhead == fitems.size()) clear();
    }
    void clear() {
        fitems.clear();
        fhead = 0;
    }
    template <class Pred> friend void erase_if(tfifo& q, Pred pred) {
        q.fitems.erase(std::remove_if(q.begin(), q.end(), pred), q.fitems.end());
        if (q.empty()) q.clear();
    }

  private:
    std::vector<T> fitems;
    std::size_t fhead = 0;
};

} // namespace gravon
