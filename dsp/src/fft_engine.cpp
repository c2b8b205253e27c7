#include "fft_engine.h"

#include <cmath>
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
// quarter-turn twiddle is -i. y1 and y3 are returned before the pass
// twiddles are applied.
struct R4 {
    float y0r, y0i, y1r, y1i, y2r, y2i, y3r, y3i;
};

[[gnu::always_inline]] inline R4 Butterfly4(float ar, float ai, float br, float bi,
                                            float cr, float ci, float dr, float di)
{
    const float apcR = ar + cr, apcI = ai + ci;
    const float amcR = ar - cr, amcI = ai - ci;
    const float bpdR = br + dr, bpdI = bi + di;
    const float bmdR = br - dr, bmdI = bi - di;
    R4 r;
    r.y0r = apcR + bpdR;
    r.y0i = apcI + bpdI;
    r.y1r = amcR + bmdI;   // (a - c) - i (b - d)
    r.y1i = amcI - bmdR;
    r.y2r = apcR - bpdR;
    r.y2i = apcI - bpdI;
    r.y3r = amcR - bmdI;   // (a - c) + i (b - d)
    r.y3i = amcI + bmdR;
    return r;
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
        const R4 r = Butterfly4(xr[p], ai, xr[p + m], bi, xr[p + 2 * m], ci, xr[p + 3 * m], di);
        yr[4 * p] = r.y0r;
        yi[4 * p] = r.y0i;
        yr[4 * p + 1] = r.y1r * w1r[p] - r.y1i * w1i[p];
        yi[4 * p + 1] = r.y1r * w1i[p] + r.y1i * w1r[p];
        yr[4 * p + 2] = r.y2r * w2r[p] - r.y2i * w2i[p];
        yi[4 * p + 2] = r.y2r * w2i[p] + r.y2i * w2r[p];
        yr[4 * p + 3] = r.y3r * w3r[p] - r.y3i * w3i[p];
        yi[4 * p + 3] = r.y3r * w3i[p] + r.y3i * w3r[p];
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

// Middle pass with stride s >= 4 (sub-length n = 4m): for each p the inner
// loop runs over s contiguous values, so it vectorises with the twiddles
// broadcast.
ORVA_SIMD_CLONES void MiddlePass(int m, int s, const float* __restrict xr,
                                 const float* __restrict xi, float* __restrict yr,
                                 float* __restrict yi, const float* __restrict tw)
{
    for (int p = 0; p < m; ++p) {
        const float w1r = tw[p], w1i = tw[m + p];
        const float w2r = tw[2 * m + p], w2i = tw[3 * m + p];
        const float w3r = tw[4 * m + p], w3i = tw[5 * m + p];
        const float* __restrict ar = xr + s * p;
        const float* __restrict ai = xi + s * p;
        const float* __restrict br = ar + s * m;
        const float* __restrict bi = ai + s * m;
        const float* __restrict cr = br + s * m;
        const float* __restrict ci = bi + s * m;
        const float* __restrict dr = cr + s * m;
        const float* __restrict di = ci + s * m;
        float* __restrict y0r = yr + 4 * s * p;
        float* __restrict y0i = yi + 4 * s * p;
        float* __restrict y1r = y0r + s;
        float* __restrict y1i = y0i + s;
        float* __restrict y2r = y1r + s;
        float* __restrict y2i = y1i + s;
        float* __restrict y3r = y2r + s;
        float* __restrict y3i = y2i + s;
        for (int q = 0; q < s; ++q) {
            const R4 r = Butterfly4(ar[q], ai[q], br[q], bi[q], cr[q], ci[q], dr[q], di[q]);
            y0r[q] = r.y0r;
            y0i[q] = r.y0i;
            y1r[q] = r.y1r * w1r - r.y1i * w1i;
            y1i[q] = r.y1r * w1i + r.y1i * w1r;
            y2r[q] = r.y2r * w2r - r.y2i * w2i;
            y2i[q] = r.y2r * w2i + r.y2i * w2r;
            y3r[q] = r.y3r * w3r - r.y3i * w3i;
            y3i[q] = r.y3r * w3i + r.y3i * w3r;
        }
    }
}

// Final radix-4 pass (sub-length 4, stride s = N/4, no twiddles). Output t of
// column q is frequency q + s t; slot rotation rot (0 natural, 2 centred)
// moves it to q + s ((t + rot) mod 4).
ORVA_SIMD_CLONES void FinalPass4(int s, int rot, const float* __restrict xr,
                                 const float* __restrict xi, float* __restrict yr,
                                 float* __restrict yi)
{
    float* __restrict o0r = yr + s * ((0 + rot) & 3);
    float* __restrict o0i = yi + s * ((0 + rot) & 3);
    float* __restrict o1r = yr + s * ((1 + rot) & 3);
    float* __restrict o1i = yi + s * ((1 + rot) & 3);
    float* __restrict o2r = yr + s * ((2 + rot) & 3);
    float* __restrict o2i = yi + s * ((2 + rot) & 3);
    float* __restrict o3r = yr + s * ((3 + rot) & 3);
    float* __restrict o3i = yi + s * ((3 + rot) & 3);
    for (int q = 0; q < s; ++q) {
        const R4 r = Butterfly4(xr[q], xi[q], xr[q + s], xi[q + s], xr[q + 2 * s], xi[q + 2 * s],
                                xr[q + 3 * s], xi[q + 3 * s]);
        o0r[q] = r.y0r;
        o0i[q] = r.y0i;
        o1r[q] = r.y1r;
        o1i[q] = r.y1i;
        o2r[q] = r.y2r;
        o2i[q] = r.y2i;
        o3r[q] = r.y3r;
        o3i[q] = r.y3i;
    }
}

// Final radix-2 pass (sub-length 2, stride s = N/2); rot 1 swaps the halves.
ORVA_SIMD_CLONES void FinalPass2(int s, int rot, const float* __restrict xr,
                                 const float* __restrict xi, float* __restrict yr,
                                 float* __restrict yi)
{
    float* __restrict o0r = yr + s * rot;
    float* __restrict o0i = yi + s * rot;
    float* __restrict o1r = yr + s * (1 - rot);
    float* __restrict o1i = yi + s * (1 - rot);
    for (int q = 0; q < s; ++q) {
        const float ar = xr[q], ai = xi[q], br = xr[q + s], bi = xi[q + s];
        o0r[q] = ar + br;
        o0i[q] = ai + bi;
        o1r[q] = ar - br;
        o1i[q] = ai - bi;
    }
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
    const R4 r = Butterfly4(xr[0], xi[0], xr[1], xi[1], xr[2], xi[2], xr[3], xi[3]);
    const float yr[4] = {r.y0r, r.y1r, r.y2r, r.y3r};
    const float yi[4] = {r.y0i, r.y1i, r.y2i, r.y3i};
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
