// Diezma, DiezmaSinAliasing, Interpolar, InterpolarCerrar and CambioFM.
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "Sigdex.h"
#include "fft_engine.h"
#include "real_transform.h"
#include "simd.h"
#include "spectral_ops.h"

namespace {

using orva::sigdex::IsPowerOfTwo;
using orva::sigdex::RealFftPlan;

constexpr int kMaxInterpolation = 8192;

// Interpolation tables for the last (n1, n2) pair, plus the working
// vectors (kept with the tables so that a repeated pair allocates nothing).
struct InterpolationState {
    int n1 = 0;
    int n2 = 0;
    RealFftPlan plan1;
    RealFftPlan plan2;
    std::vector<float> work;  // X re, im (n1/2 + 1 each), H re, im (n2/2 + 1 each)

    void Release() noexcept
    {
        n1 = n2 = 0;
        plan1.Release();
        plan2.Release();
        std::vector<float>().swap(work);
    }

    bool Prepare(int a, int b) noexcept
    {
        if (a == n1 && b == n2 && n1 != 0)
            return true;
        Release();
        try {
            std::vector<float> w(2 * static_cast<std::size_t>(a / 2 + 1) +
                                 2 * static_cast<std::size_t>(b / 2 + 1));
            if (!plan1.Build(a) || !plan2.Build(b)) {
                Release();
                return false;
            }
            work = std::move(w);
        } catch (const std::bad_alloc&) {
            Release();
            return false;
        }
        n1 = a;
        n2 = b;
        return true;
    }
};

InterpolationState& Interpolation()
{
    static InterpolationState state;
    return state;
}

// Kernels of the two thinning operations. Both keep the 32-bit float
// arithmetic of their definitions (x = i r and c + e rounded as floats; this
// file is built without fused multiply-adds) and are written without
// branches so that they vectorise over the outputs.

// out[i] for i = 1 .. nout - 1 of Diezma; last = nin - 1.
ORVA_SIMD_CLONES void ThinLinear(const float* __restrict in, int last, float* __restrict out,
                                 int nout, float r)
{
    for (int i = 1; i < nout; ++i) {
        const float x = static_cast<float>(i) * r;
        int b = static_cast<int>(x);  // x >= 0: truncation is the floor
        const float f = x - static_cast<float>(b);
        b = b < last ? b : last;
        int next = b + 1;
        next = next < last ? next : last;
        const float v0 = in[b];
        const float v1 = in[next];
        const float stepped = v0 + (v1 - v0) * 0.1f * f;
        // At the last input sample there is no next one to step toward.
        const float exact = (f == 0.0f) ? 1.0f : 0.0f;
        out[i] = exact != 0.0f || b == last ? v0 : stepped;
    }
}

// out[i] for i = 1 .. nout - 1 of DiezmaSinAliasing: the block of i is
// in[trunc(r i + e)], e = 0 .. length - 1, clipped to in[last]; odd i keep
// the maximum (start 0), even i the minimum (start 10000). The blocks are
// swept one offset e at a time over all outputs, so the inner loop runs
// across outputs and vectorises.
ORVA_SIMD_CLONES void ThinPeaks(const float* __restrict in, int last, float* __restrict out,
                                int nout, float r, int length)
{
    for (int i = 1; i < nout; ++i)
        out[i] = (i & 1) ? 0.0f : 10000.0f;
    for (int e = 0; e < length; ++e) {
        const float fe = static_cast<float>(e);
        for (int i = 1; i < nout; ++i) {
            int idx = static_cast<int>(r * static_cast<float>(i) + fe);
            idx = idx > last ? last : idx;
            const float v = in[idx];
            const float acc = out[i];
            const float mx = v > acc ? v : acc;
            const float mn = v < acc ? v : acc;
            out[i] = (i & 1) ? mx : mn;
        }
    }
}

}  // namespace

extern "C" {

void Diezma(const float* in, int16_t nin, float* out, int16_t nout)
{
    if (!in || !out || nin <= 0 || nout <= 0)
        return;
    out[0] = in[0];
    ThinLinear(in, nin - 1, out, nout, static_cast<float>(nin) / static_cast<float>(nout));
}

void DiezmaSinAliasing(const float* in, int16_t nin, float* out, int16_t nout)
{
    if (!in || !out || nin <= 0 || nout <= 0)
        return;
    const float r = static_cast<float>(nin) / static_cast<float>(nout);
    // Block length: the number of e = 0, 1, ... with e < r (the same for every block).
    int length = 0;
    while (static_cast<float>(length) < r)
        ++length;
    out[0] = in[0];
    ThinPeaks(in, nin - 1, out, nout, r, length);
}

void Interpolar(const float* in, float* out, int16_t n1, int16_t n2)
{
    if (!in || !out || !IsPowerOfTwo(n1, kMaxInterpolation) ||
        !IsPowerOfTwo(n2, kMaxInterpolation))
        return;
    InterpolationState& st = Interpolation();
    if (!st.Prepare(n1, n2))
        return;
    float* xr = st.work.data();
    float* xi = xr + (n1 / 2 + 1);
    float* hr = xi + (n1 / 2 + 1);
    float* hi = hr + (n2 / 2 + 1);
    st.plan1.Forward(in, xr, xi);
    orva::sigdex::PadSpectrum(xr, xi, n1, hr, hi, n2);
    st.plan2.Inverse(hr, hi, out);
}

void InterpolarCerrar(void)
{
    Interpolation().Release();
}

void CambioFM(const float* in, float* out, int16_t count, double fin, double fout)
{
    if (!in || !out || !IsPowerOfTwo(count, kMaxInterpolation))
        return;
    if (!std::isfinite(fin) || !std::isfinite(fout) || !(fin > 0.0) || !(fout > 0.0))
        return;
    const double g = count * fout / fin;
    if (!(g >= 1.0) || g > 32767.0)
        return;
    int m = 1;
    while (m < g)
        m *= 2;
    if (m > kMaxInterpolation)
        return;
    // Temporary of m floats; a fixed block so that no call allocates.
    static float temporary[kMaxInterpolation];
    Interpolar(in, temporary, count, static_cast<int16_t>(m));
    Diezma(temporary, static_cast<int16_t>(m), out, static_cast<int16_t>(g));
}

}  // extern "C"
