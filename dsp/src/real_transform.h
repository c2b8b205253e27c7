// Transforms of real sequences through a complex transform of half the size.
//
// Interpolar and FPBFiltrar take a real trace to its spectrum and a
// modified spectrum back to a real trace, of which only the real part is
// kept. Packing the even samples as real parts and the odd ones as imaginary
// parts halves the transform; a split pass with the twiddles e^(-2 pi i k / n)
// separates the two. In exact arithmetic the results equal the full complex
// transforms.
#ifndef ORVA_SIGDEX_REAL_TRANSFORM_H
#define ORVA_SIGDEX_REAL_TRANSFORM_H

#include <vector>

#include "fft_engine.h"

namespace orva::sigdex {

class RealFftPlan {
public:
    // n a power of two, 1..kMaxTransform; false (plan empty) otherwise or
    // when memory cannot be had. Rebuilding with the current size does nothing.
    bool Build(int n) noexcept;
    void Release() noexcept;
    int size() const noexcept { return n_; }

    // X[k] = sum x[j] e^(-2 pi i k j / n) for k = 0 .. n/2 (n/2 + 1 bins;
    // for n = 1 the one bin X[0]). x is not modified and may not overlap the
    // outputs. Allocates nothing.
    void Forward(const float* x, float* re, float* im) noexcept;

    // x[j] = sum over k = 0 .. n-1 of H[k] e^(+2 pi i k j / n) for the
    // Hermitian spectrum given by its bins k = 0 .. n/2 (H[n - k] = conj H[k];
    // the imaginary parts of H[0] and H[n/2] are ignored). Unscaled. re/im
    // are left unchanged; x may not overlap them. Allocates nothing.
    void Inverse(const float* re, const float* im, float* x) noexcept;

private:
    int n_ = 0;
    FftPlan half_;                 // complex transform of n/2 points
    std::vector<float> twiddles_;  // cos, sin of -2 pi k / n, k = 0 .. n/2 (n/2 + 1 each)
    std::vector<float> work_;      // four vectors of n/2: packed in re/im, transformed re/im
};

}  // namespace orva::sigdex

#endif
