#include "spectral_ops.h"

#include <algorithm>
#include <cstring>

#include "simd.h"

namespace orva::sigdex {

namespace {

ORVA_SIMD_CLONES void ScaleConjugate(const float* __restrict inRe, const float* __restrict inIm,
                                     float* __restrict outRe, float* __restrict outIm, int count,
                                     float scale)
{
    for (int i = 0; i < count; ++i) {
        outRe[i] = inRe[i] * scale;
        outIm[i] = -(inIm[i] * scale);
    }
}

ORVA_SIMD_CLONES void ScaleConjugateInPlace(float* __restrict re, float* __restrict im, int count,
                                            float scale)
{
    for (int i = 0; i < count; ++i) {
        re[i] *= scale;
        im[i] = -(im[i] * scale);
    }
}

}  // namespace

void PlaceSpectrum(const float* re1, const float* im1, int n1, float* re2, float* im2, int n2)
{
    const int k = std::min(n1, n2);
    const int negative = k / 2;          // frequencies -negative .. -1
    const int positive = k - negative;   // frequencies 0 .. positive - 1
    // n1 is a power of two, so 1/n1 is exact and the product equals the division.
    const float scale = 1.0f / static_cast<float>(n1);
    std::memset(re2, 0, sizeof(float) * static_cast<std::size_t>(n2));
    std::memset(im2, 0, sizeof(float) * static_cast<std::size_t>(n2));
    ScaleConjugate(re1, im1, re2, im2, positive, scale);
    ScaleConjugate(re1 + (n1 - negative), im1 + (n1 - negative), re2 + (n2 - negative),
                   im2 + (n2 - negative), negative, scale);
}

void LowPassSpectrum(float* re, float* im, int n, int z)
{
    const float scale = 1.0f / static_cast<float>(n);
    ScaleConjugateInPlace(re, im, n, scale);
    if (z <= 0)
        return;
    const int half = n / 2;
    const int mask = n - 1;
    // Centred bin c is natural index (c + n/2) mod n.
    for (int c = 0; c < z; ++c) {
        re[(c + half) & mask] = 0.0f;
        im[(c + half) & mask] = 0.0f;
    }
    for (int c = n - z + 1; c < n; ++c) {
        re[(c + half) & mask] = 0.0f;
        im[(c + half) & mask] = 0.0f;
    }
}

}  // namespace orva::sigdex
