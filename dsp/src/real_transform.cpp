#include "real_transform.h"

#include <cmath>
#include <cstddef>
#include <new>

#include "simd.h"

namespace orva::sigdex {

namespace {

// x[2m] -> even[m], x[2m + 1] -> odd[m], m < half.
ORVA_SIMD_CLONES void Deinterleave(const float* __restrict x, float* __restrict even,
                                   float* __restrict odd, int half)
{
    for (int m = 0; m < half; ++m) {
        even[m] = x[2 * m];
        odd[m] = x[2 * m + 1];
    }
}

// x[2m] = even[m], x[2m + 1] = -negOdd[m], m < half.
ORVA_SIMD_CLONES void InterleaveNegOdd(const float* __restrict even, const float* __restrict negOdd,
                                       float* __restrict x, int half)
{
    for (int m = 0; m < half; ++m) {
        x[2 * m] = even[m];
        x[2 * m + 1] = -negOdd[m];
    }
}

// Forward split, bins k = 1 .. half - 1. With A = Z[k], B = conj Z[half - k]:
// E = (A + B) / 2, O = -i (A - B) / 2, X[k] = E + W^k O.
[[gnu::always_inline]] inline void SplitKernel(int half, const float* __restrict zr,
                                               const float* __restrict zi,
                                               const float* __restrict zrRev,
                                               const float* __restrict ziRev,
                                               const float* __restrict c,
                                               const float* __restrict s, float* __restrict xr,
                                               float* __restrict xi)
{
    for (int k = 1; k < half; ++k) {
        const float ar = zr[k], ai = zi[k];
        const float br = zrRev[half - k], bi = -ziRev[half - k];
        const float er = 0.5f * (ar + br), ei = 0.5f * (ai + bi);
        const float dr = 0.5f * (ar - br), di = 0.5f * (ai - bi);
        const float orr = di, oi = -dr;
        xr[k] = er + c[k] * orr - s[k] * oi;
        xi[k] = ei + c[k] * oi + s[k] * orr;
    }
}

ORVA_SIMD_CLONES void Split(int half, const float* __restrict zr, const float* __restrict zi,
                            const float* __restrict c, const float* __restrict s,
                            float* __restrict xr, float* __restrict xi)
{
    SplitKernel(half, zr, zi, zr, zi, c, s, xr, xi);
}

// Inverse merge, k = 1 .. half - 1: with P = H[k], Q = conj H[half - k],
// E = P + Q, O = (P - Q) e^(+2 pi i k / n), Z = E + i O; stores conj Z.
[[gnu::always_inline]] inline void MergeKernel(int half, const float* __restrict hr,
                                               const float* __restrict hi,
                                               const float* __restrict hrRev,
                                               const float* __restrict hiRev,
                                               const float* __restrict c,
                                               const float* __restrict s, float* __restrict outR,
                                               float* __restrict outI)
{
    for (int k = 1; k < half; ++k) {
        const float pr = hr[k], pi = hi[k];
        const float qr = hrRev[half - k], qi = -hiRev[half - k];
        const float er = pr + qr, ei = pi + qi;
        const float fr = pr - qr, fi = pi - qi;
        const float orr = c[k] * fr + s[k] * fi;
        const float oi = c[k] * fi - s[k] * fr;
        outR[k] = er - oi;
        outI[k] = -(ei + orr);
    }
}

ORVA_SIMD_CLONES void Merge(int half, const float* __restrict hr, const float* __restrict hi,
                            const float* __restrict c, const float* __restrict s,
                            float* __restrict outR, float* __restrict outI)
{
    MergeKernel(half, hr, hi, hr, hi, c, s, outR, outI);
}

}  // namespace

bool RealFftPlan::Build(int n) noexcept
{
    if (n == n_ && n_ != 0)
        return true;
    Release();
    if (!IsPowerOfTwo(n, kMaxTransform))
        return false;
    if (n == 1) {
        n_ = 1;
        return true;
    }
    const int half = n / 2;
    try {
        std::vector<float> tw(2 * static_cast<std::size_t>(half + 1));
        const long double step = -2.0L * 3.14159265358979323846264338327950288L / n;
        for (int k = 0; k <= half; ++k) {
            const long double a = step * k;
            tw[static_cast<std::size_t>(k)] = static_cast<float>(std::cos(a));
            tw[static_cast<std::size_t>(half + 1 + k)] = static_cast<float>(std::sin(a));
        }
        std::vector<float> work(4 * static_cast<std::size_t>(half));
        if (!half_.Build(half))
            return false;
        twiddles_ = std::move(tw);
        work_ = std::move(work);
    } catch (const std::bad_alloc&) {
        Release();
        return false;
    }
    n_ = n;
    return true;
}

void RealFftPlan::Release() noexcept
{
    n_ = 0;
    half_.Release();
    std::vector<float>().swap(twiddles_);
    std::vector<float>().swap(work_);
}

void RealFftPlan::Forward(const float* x, float* re, float* im) noexcept
{
    if (n_ == 1) {
        re[0] = x[0];
        im[0] = 0.0f;
        return;
    }
    const int half = n_ / 2;
    float* even = work_.data();
    float* odd = even + half;
    float* zr = odd + half;
    float* zi = zr + half;
    Deinterleave(x, even, odd, half);
    half_.Forward(even, odd, zr, zi, false);
    // k = 0 and k = n/2 both come from Z[0]: sums of the even and odd samples.
    const float z0r = zr[0], z0i = zi[0];
    re[0] = z0r + z0i;
    im[0] = 0.0f;
    re[half] = z0r - z0i;
    im[half] = 0.0f;
    const float* c = twiddles_.data();
    Split(half, zr, zi, c, c + half + 1, re, im);
}

void RealFftPlan::Inverse(const float* re, const float* im, float* x) noexcept
{
    if (n_ == 1) {
        x[0] = re[0];
        return;
    }
    const int half = n_ / 2;
    float* cr = work_.data();
    float* ci = cr + half;
    float* yr = ci + half;
    float* yi = yr + half;
    // k = 0 pairs H[0] with H[n/2], both taken as real.
    cr[0] = re[0] + re[half];
    ci[0] = -(re[0] - re[half]);
    const float* c = twiddles_.data();
    Merge(half, re, im, c, c + half + 1, cr, ci);
    // z = IDFT(Z) = conj(FFT(conj Z)): x[2m] = Re z[m], x[2m + 1] = Im z[m].
    half_.Forward(cr, ci, yr, yi, false);
    InterleaveNegOdd(yr, yi, x, half);
}

}  // namespace orva::sigdex
