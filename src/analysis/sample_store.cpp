#include "analysis/sample_store.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace gravon {

namespace {

// +0.0f, whose bits are all zero like those of untouched memory.
bool is_clear(float v) {
    return std::bit_cast<std::uint32_t>(v) == 0;
}

bool all_clear(std::span<const float> v) {
    std::uint32_t any = 0;
    for (const float x : v) any |= std::bit_cast<std::uint32_t>(x);
    return any == 0;
}

} // namespace

tsamplestore::tsamplestore(std::size_t n, float v) {
    assign(n, v);
}

tsamplestore::tsamplestore(const tsamplestore& other) {
    *this = other;
}

tsamplestore& tsamplestore::operator=(const tsamplestore& other) {
    if (this == &other) return *this;
    fmemory = tlargepagememory(other.fsize * sizeof(float));
    fcapacity = other.fsize;
    fsize = other.fsize;
    fclean = std::min(other.fclean, other.fsize);
    if (fclean > 0) std::memcpy(data(), other.data(), fclean * sizeof(float));
    return *this;
}

void tsamplestore::reserve(std::size_t n) {
    if (n <= fcapacity) return;
    tlargepagememory grown(n * sizeof(float));
    // Only what was ever written: the rest of the new memory is zero already.
    if (fclean > 0) std::memcpy(grown.data(), fmemory.data(), fclean * sizeof(float));
    fmemory = std::move(grown);
    fcapacity = n;
}

void tsamplestore::fill(std::size_t from, std::size_t to, float v) {
    if (from >= to) return;
    if (is_clear(v)) {
        // Memory from fclean on is zero; only what lies below it needs clearing.
        if (from < fclean) {
            std::fill(data() + from, data() + std::min(to, fclean), v);
            if (to >= fclean) fclean = from;
        }
        return;
    }
    std::fill(data() + from, data() + to, v);
    fclean = std::max(fclean, to);
}

void tsamplestore::resize(std::size_t n, float v) {
    if (n > fcapacity) reserve(std::max(n, 2 * fcapacity));
    fill(fsize, n, v);
    fsize = n;
}

void tsamplestore::assign(std::size_t n, float v) {
    if (n > fcapacity) reserve(n);
    fill(0, n, v);
    fsize = n;
}

void tsamplestore::write(std::size_t at, std::span<const float> v) {
    if (v.empty()) return;
    // Silence beyond all that was ever written is there already. A sound is nearly always
    // told from silence by its first sample, before the whole block is looked at.
    if (at >= fclean && is_clear(v[0]) && all_clear(v)) return;
    std::memcpy(data() + at, v.data(), v.size() * sizeof(float));
    fclean = std::max(fclean, at + v.size());
}

bool operator==(const tsamplestore& a, const tsamplestore& b) {
    return a.fsize == b.fsize && std::equal(a.begin(), a.end(), b.begin());
}

} // namespace gravon
