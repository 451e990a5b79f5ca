// Marks a hot function to be compiled twice, for plain x86-64 and for AVX2, the version
// chosen at run time by the processor. AVX2 without FMA (and without contraction of
// multiplications and additions, which the language mode forbids) gives bit-identical
// results, so the result does not depend on the machine; the AVX2 version also rounds to
// integers with one instruction instead of a library call.
#pragma once

// clang refuses the clones (its AVX calling-convention check rejects the always-inline vector
// helpers in them), so a clang build has only the plain loops.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define GRAVON_SIMD_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define GRAVON_SIMD_CLONES
#endif
