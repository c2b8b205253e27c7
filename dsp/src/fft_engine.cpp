#include "fft_engine.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

#include "simd.h"

namespace orva::sigdex {

bool IsPowerOfTwo(int64_t n, int64_t limit) noexcept
{
    return n >= 1 && n <= limit && (n & (n - 1)) == 0;
}

namespace {

// One radix-4 DIF butterfly on split complex values. Forward sign: the
// quarter-turn twiddle is -i. y1 and y3 come out before the pass twiddles are
// applied. (Outputs go through references rather than a returned struct:
// GCC vectorises the callers' loops only when no aggregate is involved.)
[[gnu::always_inline]] inline void Butterfly4(float ar, float ai, float br, float bi, float cr,
                                              float ci, float dr, float di, float& y0r, float& y0i,
                                              float& y1r, float& y1i, float& y2r, float& y2i,
                                              float& y3r, float& y3i)
{
    const float apcR = ar + cr, apcI = ai + ci;
    const float amcR = ar - cr, amcI = ai - ci;
    const float bpdR = br + dr, bpdI = bi + di;
    const float bmdR = br - dr, bmdI = bi - di;
    y0r = apcR + bpdR;
    y0i = apcI + bpdI;
    y1r = amcR + bmdI;  // (a - c) - i (b - d)
    y1i = amcI - bmdR;
    y2r = apcR - bpdR;
    y2i = apcI - bpdI;
    y3r = amcR - bmdI;  // (a - c) + i (b - d)
    y3i = amcI + bmdR;
}

// First pass (stride 1, sub-length n = 4m): inputs are contiguous in p, the
// four outputs of butterfly p land at 4p .. 4p + 3. inputIm null: real input.
template <bool RealInput>
[[gnu::always_inline]] inline void FirstPassBody(int m, const float* __restrict xr,
                                                 const float* __restrict xi,
                                                 float* __restrict yr, float* __restrict yi,
                                                 const float* __restrict tw)
{
    const float* __restrict w1r = tw;
    const float* __restrict w1i = tw + m;
    const float* __restrict w2r = tw + 2 * m;
    const float* __restrict w2i = tw + 3 * m;
    const float* __restrict w3r = tw + 4 * m;
    const float* __restrict w3i = tw + 5 * m;
    for (int p = 0; p < m; ++p) {
        const float ai = RealInput ? 0.0f : xi[p];
        const float bi = RealInput ? 0.0f : xi[p + m];
        const float ci = RealInput ? 0.0f : xi[p + 2 * m];
        const float di = RealInput ? 0.0f : xi[p + 3 * m];
        float y0r, y0i, y1r, y1i, y2r, y2i, y3r, y3i;
        Butterfly4(xr[p], ai, xr[p + m], bi, xr[p + 2 * m], ci, xr[p + 3 * m], di, y0r, y0i, y1r,
                   y1i, y2r, y2i, y3r, y3i);
        yr[4 * p] = y0r;
        yi[4 * p] = y0i;
        yr[4 * p + 1] = y1r * w1r[p] - y1i * w1i[p];
        yi[4 * p + 1] = y1r * w1i[p] + y1i * w1r[p];
        yr[4 * p + 2] = y2r * w2r[p] - y2i * w2i[p];
        yi[4 * p + 2] = y2r * w2i[p] + y2i * w2r[p];
        yr[4 * p + 3] = y3r * w3r[p] - y3i * w3i[p];
        yi[4 * p + 3] = y3r * w3i[p] + y3i * w3r[p];
    }
}

ORVA_SIMD_CLONES void FirstPassComplex(int m, const float* __restrict xr, const float* __restrict xi,
                                       float* __restrict yr, float* __restrict yi,
                                       const float* __restrict tw)
{
    FirstPassBody<false>(m, xr, xi, yr, yi, tw);
}

ORVA_SIMD_CLONES void FirstPassReal(int m, const float* __restrict xr, float* __restrict yr,
                                    float* __restrict yi, const float* __restrict tw)
{
    FirstPassBody<true>(m, xr, nullptr, yr, yi, tw);
}

// Inner loop of a middle pass: s contiguous butterflies sharing one set of
// twiddles. Every stream is its own restrict parameter (GCC honours restrict
// on parameters, also after inlining, not on local pointers), so the loop
// vectorises without run-time alias checks.
[[gnu::always_inline]] inline void Column4(int s, const float* __restrict ar,
                                           const float* __restrict ai, const float* __restrict br,
                                           const float* __restrict bi, const float* __restrict cr,
                                           const float* __restrict ci, const float* __restrict dr,
                                           const float* __restrict di, float* __restrict y0r,
                                           float* __restrict y0i, float* __restrict y1r,
                                           float* __restrict y1i, float* __restrict y2r,
                                           float* __restrict y2i, float* __restrict y3r,
                                           float* __restrict y3i, float w1r, float w1i, float w2r,
                                           float w2i, float w3r, float w3i)
{
    for (int q = 0; q < s; ++q) {
        float t0r, t0i, t1r, t1i, t2r, t2i, t3r, t3i;
        Butterfly4(ar[q], ai[q], br[q], bi[q], cr[q], ci[q], dr[q], di[q], t0r, t0i, t1r, t1i, t2r,
                   t2i, t3r, t3i);
        y0r[q] = t0r;
        y0i[q] = t0i;
        y1r[q] = t1r * w1r - t1i * w1i;
        y1i[q] = t1r * w1i + t1i * w1r;
        y2r[q] = t2r * w2r - t2i * w2i;
        y2i[q] = t2r * w2i + t2i * w2r;
        y3r[q] = t3r * w3r - t3i * w3i;
        y3i[q] = t3r * w3i + t3i * w3r;
    }
}

// Middle pass with stride s >= 4 (sub-length n = 4m): for each p the inner
// loop runs over s contiguous values with the twiddles broadcast.
ORVA_SIMD_CLONES void MiddlePass(int m, int s, const float* __restrict xr,
                                 const float* __restrict xi, float* __restrict yr,
                                 float* __restrict yi, const float* __restrict tw)
{
    const std::ptrdiff_t sm = static_cast<std::ptrdiff_t>(s) * m;
    for (int p = 0; p < m; ++p) {
        const std::ptrdiff_t in = static_cast<std::ptrdiff_t>(s) * p;
        const std::ptrdiff_t out = 4 * in;
        Column4(s, xr + in, xi + in, xr + in + sm, xi + in + sm, xr + in + 2 * sm, xi + in + 2 * sm,
                xr + in + 3 * sm, xi + in + 3 * sm, yr + out, yi + out, yr + out + s, yi + out + s,
                yr + out + 2 * s, yi + out + 2 * s, yr + out + 3 * s, yi + out + 3 * s, tw[p],
                tw[m + p], tw[2 * m + p], tw[3 * m + p], tw[4 * m + p], tw[5 * m + p]);
    }
}

[[gnu::always_inline]] inline void Final4Kernel(
    int s, const float* __restrict ar, const float* __restrict ai, const float* __restrict br,
    const float* __restrict bi, const float* __restrict cr, const float* __restrict ci,
    const float* __restrict dr, const float* __restrict di, float* __restrict y0r,
    float* __restrict y0i, float* __restrict y1r, float* __restrict y1i, float* __restrict y2r,
    float* __restrict y2i, float* __restrict y3r, float* __restrict y3i)
{
    for (int q = 0; q < s; ++q)
        Butterfly4(ar[q], ai[q], br[q], bi[q], cr[q], ci[q], dr[q], di[q], y0r[q], y0i[q], y1r[q],
                   y1i[q], y2r[q], y2i[q], y3r[q], y3i[q]);
}

// Final radix-4 pass (sub-length 4, stride s = N/4, no twiddles). Output t of
// column q is frequency q + s t; slot rotation rot (0 natural, 2 centred)
// moves it to q + s ((t + rot) mod 4).
ORVA_SIMD_CLONES void FinalPass4(int s, int rot, const float* __restrict xr,
                                 const float* __restrict xi, float* __restrict yr,
                                 float* __restrict yi)
{
    const std::ptrdiff_t o0 = static_cast<std::ptrdiff_t>(s) * ((0 + rot) & 3);
    const std::ptrdiff_t o1 = static_cast<std::ptrdiff_t>(s) * ((1 + rot) & 3);
    const std::ptrdiff_t o2 = static_cast<std::ptrdiff_t>(s) * ((2 + rot) & 3);
    const std::ptrdiff_t o3 = static_cast<std::ptrdiff_t>(s) * ((3 + rot) & 3);
    Final4Kernel(s, xr, xi, xr + s, xi + s, xr + 2 * s, xi + 2 * s, xr + 3 * s, xi + 3 * s, yr + o0,
                 yi + o0, yr + o1, yi + o1, yr + o2, yi + o2, yr + o3, yi + o3);
}

[[gnu::always_inline]] inline void Final2Kernel(int s, const float* __restrict ar,
                                                const float* __restrict ai,
                                                const float* __restrict br,
                                                const float* __restrict bi, float* __restrict y0r,
                                                float* __restrict y0i, float* __restrict y1r,
                                                float* __restrict y1i)
{
    for (int q = 0; q < s; ++q) {
        y0r[q] = ar[q] + br[q];
        y0i[q] = ai[q] + bi[q];
        y1r[q] = ar[q] - br[q];
        y1i[q] = ai[q] - bi[q];
    }
}

// Final radix-2 pass (sub-length 2, stride s = N/2); rot 1 swaps the halves.
ORVA_SIMD_CLONES void FinalPass2(int s, int rot, const float* __restrict xr,
                                 const float* __restrict xi, float* __restrict yr,
                                 float* __restrict yi)
{
    const std::ptrdiff_t o0 = static_cast<std::ptrdiff_t>(s) * rot;
    const std::ptrdiff_t o1 = static_cast<std::ptrdiff_t>(s) * (1 - rot);
    Final2Kernel(s, xr, xi, xr + s, xi + s, yr + o0, yi + o0, yr + o1, yi + o1);
}

// Sizes 1, 2 and 4 in one step. All loads come before any store, so in and
// out may be the same arrays.
void SmallTransform(int n, const float* inRe, const float* inIm, float* outRe, float* outIm,
                    bool centred)
{
    float xr[4] = {}, xi[4] = {};
    for (int k = 0; k < n; ++k) {
        xr[k] = inRe[k];
        xi[k] = inIm ? inIm[k] : 0.0f;
    }
    if (n == 1) {
        outRe[0] = xr[0];
        outIm[0] = xi[0];
        return;
    }
    if (n == 2) {
        const int rot = centred ? 1 : 0;
        outRe[rot] = xr[0] + xr[1];
        outIm[rot] = xi[0] + xi[1];
        outRe[1 - rot] = xr[0] - xr[1];
        outIm[1 - rot] = xi[0] - xi[1];
        return;
    }
    float yr[4], yi[4];
    Butterfly4(xr[0], xi[0], xr[1], xi[1], xr[2], xi[2], xr[3], xi[3], yr[0], yi[0], yr[1], yi[1],
               yr[2], yi[2], yr[3], yi[3]);
    const int rot = centred ? 2 : 0;
    for (int t = 0; t < 4; ++t) {
        outRe[(t + rot) & 3] = yr[t];
        outIm[(t + rot) & 3] = yi[t];
    }
}

}  // namespace

bool FftPlan::Build(int n) noexcept
{
    if (n == n_ && n_ != 0)
        return true;
    Release();
    if (!IsPowerOfTwo(n, kMaxTransform))
        return false;
    int log2n = 0;
    while ((1 << log2n) < n)
        ++log2n;
    try {
        const int passes = log2n >= 3 ? (log2n - 1) / 2 : 0;
        std::vector<std::size_t> offsets;
        std::vector<float> tw;
        offsets.reserve(static_cast<std::size_t>(passes));
        int sub = n;
        for (int pass = 0; pass < passes; ++pass) {
            const int m = sub / 4;
            offsets.push_back(tw.size());
            tw.resize(tw.size() + 6 * static_cast<std::size_t>(m));
            float* block = tw.data() + offsets.back();
            // Angles in extended precision, stored as floats.
            const long double step = -2.0L * 3.14159265358979323846264338327950288L / sub;
            for (int p = 0; p < m; ++p) {
                for (int k = 1; k <= 3; ++k) {
                    const long double a = step * static_cast<long double>(k * p);
                    block[(2 * k - 2) * m + p] = static_cast<float>(std::cos(a));
                    block[(2 * k - 1) * m + p] = static_cast<float>(std::sin(a));
                }
            }
            sub /= 4;
        }
        std::vector<float> scratch(passes > 0 ? 4 * static_cast<std::size_t>(n) : 0);
        twiddles_ = std::move(tw);
        twOffset_ = std::move(offsets);
        scratch_ = std::move(scratch);
        radix4Passes_ = passes;
        finalRadix2_ = (log2n % 2) == 1;
        n_ = n;
        return true;
    } catch (const std::bad_alloc&) {
        Release();
        return false;
    }
}

void FftPlan::Release() noexcept
{
    n_ = 0;
    radix4Passes_ = 0;
    finalRadix2_ = false;
    std::vector<float>().swap(twiddles_);
    std::vector<std::size_t>().swap(twOffset_);
    std::vector<float>().swap(scratch_);
}

void FftPlan::Forward(const float* inRe, const float* inIm, float* outRe, float* outIm,
                      bool centred) noexcept
{
    const int n = n_;
    if (n <= 4) {
        if (n >= 1)
            SmallTransform(n, inRe, inIm, outRe, outIm, centred);
        return;
    }
    float* bufRe[2] = {scratch_.data(), scratch_.data() + 2 * static_cast<std::size_t>(n)};
    float* bufIm[2] = {scratch_.data() + n, scratch_.data() + 3 * static_cast<std::size_t>(n)};

    // Pass 0 reads the caller's input; later passes alternate S and T.
    int m = n / 4;
    if (inIm)
        FirstPassComplex(m, inRe, inIm, bufRe[0], bufIm[0], twiddles_.data() + twOffset_[0]);
    else
        FirstPassReal(m, inRe, bufRe[0], bufIm[0], twiddles_.data() + twOffset_[0]);
    int cur = 0;
    int s = 4;
    for (int pass = 1; pass < radix4Passes_; ++pass) {
        m /= 4;
        MiddlePass(m, s, bufRe[cur], bufIm[cur], bufRe[1 - cur], bufIm[1 - cur],
                   twiddles_.data() + twOffset_[static_cast<std::size_t>(pass)]);
        cur = 1 - cur;
        s *= 4;
    }
    if (finalRadix2_)
        FinalPass2(n / 2, centred ? 1 : 0, bufRe[cur], bufIm[cur], outRe, outIm);
    else
        FinalPass4(n / 4, centred ? 2 : 0, bufRe[cur], bufIm[cur], outRe, outIm);
}

}  // namespace orva::sigdex
