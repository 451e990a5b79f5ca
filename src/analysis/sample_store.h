// tsamplestore: the audio store of one channel, an array of samples that grows as a recording
// or a replay goes on. It reads and writes like a vector of floats, but its memory comes from
// large pages and is zero until written: growing the store writes no zeros into memory that
// never held anything else, and silence handed to `write` beyond what was ever written is
// not written at all, so that a silent channel occupies no memory.
#pragma once

#include "base/large_page_memory.h"

#include <cstddef>
#include <span>

namespace gravon {

class tsamplestore {
  public:
    tsamplestore() = default;
    // n samples of value v.
    tsamplestore(std::size_t n, float v);
    tsamplestore(const tsamplestore& other);
    tsamplestore& operator=(const tsamplestore& other);
    tsamplestore(tsamplestore&&) noexcept = default;
    tsamplestore& operator=(tsamplestore&&) noexcept = default;

    std::size_t size() const { return fsize; }
    bool empty() const { return fsize == 0; }
    std::size_t capacity() const { return fcapacity; }

    float* data() { return static_cast<float*>(fmemory.data()); }
    const float* data() const { return static_cast<const float*>(fmemory.data()); }
    float& operator[](std::size_t i) { return data()[i]; }
    const float& operator[](std::size_t i) const { return data()[i]; }
    float* begin() { return data(); }
    float* end() { return data() + fsize; }
    const float* begin() const { return data(); }
    const float* end() const { return data() + fsize; }
    operator std::span<const float>() const { return {data(), fsize}; }
    // The memory behind the samples; it moves when the store grows past its capacity.
    const tlargepagememory& memory() const { return fmemory; }
    // Samples from here on were never written: they are zero, and no memory holds them yet
    // unless it was populated.
    std::size_t written() const { return fclean; }

    // Room for n samples without moving them; size and contents stay.
    void reserve(std::size_t n);
    // n samples; new ones take the value v.
    void resize(std::size_t n, float v = 0.0f);
    // n samples, all of value v.
    void assign(std::size_t n, float v);
    // The samples v at positions at...at + v.size() - 1, which lie inside the store.
    void write(std::size_t at, std::span<const float> v);

    friend bool operator==(const tsamplestore& a, const tsamplestore& b);

  private:
    void fill(std::size_t from, std::size_t to, float v);

    tlargepagememory fmemory;
    std::size_t fsize = 0;
    std::size_t fcapacity = 0;
    // Every sample from here on is zero in memory, inside the store or beyond its size.
    std::size_t fclean = 0;
};

} // namespace gravon
