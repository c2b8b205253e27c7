// Runtime instruction-set dispatch for the hot kernels.
//
// On x86-64 Linux with GCC each kernel marked ORVA_SIMD_CLONES is compiled
// twice: once for the baseline (SSE2) and once for x86-64-v3 (AVX2 + FMA);
// the loader picks the right one once, at start-up, from the CPU it runs on.
// Elsewhere the attribute expands to nothing and the baseline build is used.
#ifndef ORVA_SIGDEX_SIMD_H
#define ORVA_SIGDEX_SIMD_H

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__linux__) && \
    !defined(ORVA_NO_SIMD_CLONES)
#define ORVA_SIMD_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define ORVA_SIMD_CLONES
#endif

#endif
