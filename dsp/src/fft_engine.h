// Complex transform engine shared by FFT, Interpolar and FPBFiltrar.
//
// A split-format (separate real and imaginary arrays) Stockham auto-sort
// network: radix-4 decimation-in-frequency passes followed by one final
// radix-4 or radix-2 pass. Auto-sorting means the result comes out in natural
// frequency order without a bit-reversal pass; the centred order (zero
// frequency at N/2) costs nothing: the final pass writes its outputs into
// rotated slots. Every pass reads one buffer and writes another, so two
// scratch pairs (S and T) are kept with the plan; the caller's arrays are
// read by the first pass and written by the last.
//
// In exact arithmetic the result equals the radix-2 network
// X[k] = sum x[n] e^(-2 pi i k n / N); in single precision it matches a
// double-precision DFT to within the usual O(log N) rounding.
#ifndef ORVA_SIGDEX_FFT_ENGINE_H
#define ORVA_SIGDEX_FFT_ENGINE_H

#include <cstdint>
#include <vector>

namespace orva::sigdex {

// Largest transform size the engine is built for (FFT accepts up to 16384).
inline constexpr int kMaxTransform = 16384;

// True for 1, 2, 4, ... up to limit.
bool IsPowerOfTwo(int64_t n, int64_t limit) noexcept;

class FftPlan {
public:
    // Builds tables and scratch for size n (a power of two, 1..kMaxTransform).
    // Returns false, leaving the plan empty, for any other n or when memory
    // cannot be had. Rebuilding with the current size does nothing.
    bool Build(int n) noexcept;
    // Frees everything; size() becomes 0.
    void Release() noexcept;
    int size() const noexcept { return n_; }

    // Transforms n complex values. inIm may be null for a real input (zero
    // imaginary part). out may be the same arrays as in. centred selects the
    // centred order (zero frequency at n/2, the n/2 bin at index 0) instead of
    // the natural one. Must not be called on an empty plan. Allocates nothing.
    void Forward(const float* inRe, const float* inIm, float* outRe, float* outIm,
                 bool centred) noexcept;

private:
    int n_ = 0;
    int radix4Passes_ = 0;      // passes before the final one
    bool finalRadix2_ = false;  // final pass is radix 2 (odd log2 n)
    std::vector<float> twiddles_;          // per pass: w1r w1i w2r w2i w3r w3i, m each
    std::vector<std::size_t> twOffset_;    // start of each pass's block
    std::vector<float> scratch_;           // S re, S im, T re, T im; n each
};

}  // namespace orva::sigdex

#endif
