// Vectors of lanes as the compiler's vector extension handles them: a loop written over one
// value of four doubles (or sixteen floats) keeps that many sums apart and in registers. Loads
// and stores go through memcpy, so that no pointer needs the vector's alignment.
#pragma once

#include <cstring>

namespace gravon {

using v2 = double __attribute__((vector_size(16)));
using v4 = double __attribute__((vector_size(32)));
using v8f = float __attribute__((vector_size(32)));
using v16f = float __attribute__((vector_size(64)));

template <class V, class T> [[gnu::always_inline]] inline V load(const T* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class V, class T> [[gnu::always_inline]] inline void store(T* p, const V& v) {
    std::memcpy(p, &v, sizeof v);
}

} // namespace gravon
