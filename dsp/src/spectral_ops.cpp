#include "spectral_ops.h"

#include <algorithm>

#include "simd.h"

namespace orva::sigdex {

namespace {

ORVA_SIMD_CLONES void Scale(const float* __restrict inRe, const float* __restrict inIm,
                            float* __restrict outRe, float* __restrict outIm, int count,
                            float scale)
{
    for (int i = 0; i < count; ++i) {
        outRe[i] = inRe[i] * scale;
        outIm[i] = inIm[i] * scale;
    }
}

ORVA_SIMD_CLONES void ScaleInPlace(float* __restrict re, float* __restrict im, int count, float scale)
{
    for (int i = 0; i < count; ++i) {
        re[i] *= scale;
        im[i] *= scale;
    }
}

}  // namespace

void PadSpectrum(const float* xr, const float* xi, int n1, float* hr, float* hi, int n2)
{
    // n1 is a power of two, so 1/n1 is exact and the product equals the division.
    const float scale = 1.0f / static_cast<float>(n1);
    const int top = n2 / 2;  // last bin of H
    std::fill(hr, hr + top + 1, 0.0f);
    std::fill(hi, hi + top + 1, 0.0f);
    const int k = std::min(n1, n2);
    if (k == 1) {  // a single frequency, zero
        hr[0] = xr[0] * scale;
        return;
    }
    const int b = k / 2;  // the band's unpaired bin, -b
    Scale(xr, xi, hr, hi, b, scale);
    // X[-b] = conj X[b]; only its real part counts. At n2's own Nyquist bin it
    // stands alone; elsewhere it is shared between +b and -b.
    hr[b] = xr[b] * scale * (b == top ? 1.0f : 0.5f);
    hi[b] = 0.0f;
}

void LowPassSpectrum(float* re, float* im, int n, int z)
{
    const int top = n / 2;
    ScaleInPlace(re, im, top + 1, 1.0f / static_cast<float>(n));
    if (z <= 0)
        return;
    for (int k = std::max(0, top - z + 1); k <= top; ++k) {
        re[k] = 0.0f;
        im[k] = 0.0f;
    }
}

}  // namespace orva::sigdex
