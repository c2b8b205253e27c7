// Diezma, DiezmaSinAliasing, Interpolar, InterpolarCerrar and CambioFM.
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "Sigdex.h"
#include "fft_engine.h"
#include "spectral_ops.h"

namespace {

using orva::sigdex::FftPlan;
using orva::sigdex::IsPowerOfTwo;

constexpr int kMaxInterpolation = 8192;

// Interpolation tables for the last (n1, n2) pair, plus the working vectors
// (kept with the tables so that a repeated pair allocates nothing).
struct InterpolationState {
    int n1 = 0;
    int n2 = 0;
    FftPlan plan1;
    FftPlan plan2;
    std::vector<float> work;  // re1, im1 (n1 each), re2, im2 (n2 each)

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
            std::vector<float> w(2 * static_cast<std::size_t>(a) + 2 * static_cast<std::size_t>(b));
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

}  // namespace

extern "C" {

void Diezma(const float* in, int16_t nin, float* out, int16_t nout)
{
    if (!in || !out || nin <= 0 || nout <= 0)
        return;
    const int last = nin - 1;
    const float r = static_cast<float>(nin) / static_cast<float>(nout);
    out[0] = in[0];
    for (int i = 1; i < nout; ++i) {
        const float x = static_cast<float>(i) * r;
        const float fb = std::floor(x);
        int b = static_cast<int>(fb);
        if (b > last) {
            out[i] = in[last];
            continue;
        }
        const float f = x - fb;
        if (f == 0.0f || b == last) {
            // At the last input sample there is no next one to step toward.
            out[i] = in[b];
        } else {
            out[i] = in[b] + (in[b + 1] - in[b]) * 0.1f * f;
        }
    }
}

void DiezmaSinAliasing(const float* in, int16_t nin, float* out, int16_t nout)
{
    if (!in || !out || nin <= 0 || nout <= 0)
        return;
    const float r = static_cast<float>(nin) / static_cast<float>(nout);
    out[0] = in[0];
    for (int i = 1; i < nout; ++i) {
        const float c = r * static_cast<float>(i);
        const bool odd = (i & 1) != 0;
        float acc = odd ? 0.0f : 10000.0f;
        for (int e = 0; static_cast<float>(e) < r; ++e) {
            const int idx = static_cast<int>(c + static_cast<float>(e));
            if (idx >= nin)
                break;  // the last block may reach past the input: clipped
            const float v = in[idx];
            if (odd ? (v > acc) : (v < acc))
                acc = v;
        }
        out[i] = acc;
    }
}

void Interpolar(const float* in, float* out, int16_t n1, int16_t n2)
{
    if (!in || !out || !IsPowerOfTwo(n1, kMaxInterpolation) ||
        !IsPowerOfTwo(n2, kMaxInterpolation))
        return;
    InterpolationState& st = Interpolation();
    if (!st.Prepare(n1, n2))
        return;
    float* re1 = st.work.data();
    float* im1 = re1 + n1;
    float* re2 = im1 + n1;
    float* im2 = re2 + n2;
    st.plan1.Forward(in, nullptr, re1, im1, false);
    orva::sigdex::PlaceSpectrum(re1, im1, n1, re2, im2, n2);
    // The real part of the inverse transform lands straight in out.
    st.plan2.Forward(re2, im2, out, im2, false);
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
