// Marks a hot function to be compiled three times, for plain x86-64, for AVX2 and for AVX-512,
// the version chosen at run time by the processor. The vector code is the same in all three
// and no multiplication and addition is fused into one rounding (the analysis is built with
// -ffp-contract=off), so every version gives bit-identical results and the result does not
// depend on the machine; the wider versions also round to integers with one instruction
// instead of a library call and keep more values in registers.
#pragma once

// clang refuses the clones (its AVX calling-convention check rejects the always-inline vector
// helpers in them), so a clang build has only the plain loops.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define GRAVON_SIMD_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define GRAVON_SIMD_CLONES
#endif
