// FPBFiltrar, FPBCerrar and the vector utilities.
#include <cmath>
#include <new>
#include <vector>

#include "Sigdex.h"
#include "fft_engine.h"
#include "real_transform.h"
#include "simd.h"
#include "spectral_ops.h"

namespace {

using orva::sigdex::RealFftPlan;

constexpr int kMaxFilter = 8192;

// Filter tables for the last size plus the two working vectors.
struct FilterState {
    RealFftPlan plan;
    std::vector<float> work;  // half spectrum re, im: n/2 + 1 each

    void Release() noexcept
    {
        plan.Release();
        std::vector<float>().swap(work);
    }

    bool Prepare(int n) noexcept
    {
        if (plan.size() == n)
            return true;
        Release();
        try {
            std::vector<float> w(2 * static_cast<std::size_t>(n / 2 + 1));
            if (!plan.Build(n))
                return false;
            work = std::move(w);
        } catch (const std::bad_alloc&) {
            Release();
            return false;
        }
        return true;
    }
};

FilterState& Filter()
{
    static FilterState state;
    return state;
}

ORVA_SIMD_CLONES void CopyBytesStraight(const uint8_t* __restrict bytes, float* __restrict out,
                                        int32_t count, int32_t offset)
{
    for (int32_t i = 0; i < count; ++i) {
        int32_t v = offset + bytes[i];
        v = v > 255 ? 255 : v;
        v = v < 0 ? 0 : v;
        out[i] = static_cast<float>(v);
    }
}

ORVA_SIMD_CLONES void CopyBytesInverted(const uint8_t* __restrict bytes, float* __restrict out,
                                        int32_t count, int32_t offset)
{
    for (int32_t i = 0; i < count; ++i) {
        int32_t v = offset - bytes[i] + 255;
        v = v > 255 ? 255 : v;
        v = v < 0 ? 0 : v;
        out[i] = static_cast<float>(v);
    }
}

}  // namespace

extern "C" {

void FPBFiltrar(const float* in, float* out, int16_t n, double fs, double fc)
{
    if (!in || !out || !orva::sigdex::IsPowerOfTwo(n, kMaxFilter))
        return;
    if (!std::isfinite(fs) || !std::isfinite(fc) || !(fs > 0.0))
        return;
    // z = trunc((fs - 2 fc) n / fs * 0.5), clamped: beyond n/2 + 1 every bin
    // is already gone, below 1 none is.
    const double zd = (fs - 2.0 * fc) * n / fs * 0.5;
    const int maxZ = n / 2 + 1;
    int z = 0;
    if (zd >= maxZ)
        z = maxZ;
    else if (zd >= 1.0)
        z = static_cast<int>(zd);
    FilterState& st = Filter();
    if (!st.Prepare(n))
        return;
    float* re = st.work.data();
    float* im = re + (n / 2 + 1);
    st.plan.Forward(in, re, im);
    orva::sigdex::LowPassSpectrum(re, im, n, z);
    st.plan.Inverse(re, im, out);
}

void FPBCerrar(void)
{
    Filter().Release();
}

int32_t PosMax(const float* v, int32_t count, double* value)
{
    double best = -1e300;
    int32_t at = count;
    if (v && count > 0) {
        at = 0;
        for (int32_t i = 0; i < count; ++i) {
            if (v[i] > best) {
                best = v[i];
                at = i;
            }
        }
    }
    if (value)
        *value = best;
    return at;
}

int32_t PosMin(const float* v, int32_t count, double* value)
{
    double best = 1e300;
    int32_t at = count;
    if (v && count > 0) {
        at = 0;
        for (int32_t i = 0; i < count; ++i) {
            if (v[i] < best) {
                best = v[i];
                at = i;
            }
        }
    }
    if (value)
        *value = best;
    return at;
}

void Suma(const float* a, const float* b, float* out, int32_t count, int16_t offset)
{
    if (!a || !b || !out)
        return;
    const float o = offset;
    for (int32_t i = 0; i < count; ++i)
        out[i] = a[i] + b[i] - o;
}

void Resta(const float* a, const float* b, float* out, int32_t count, int16_t offset)
{
    if (!a || !b || !out)
        return;
    const float o = offset;
    for (int32_t i = 0; i < count; ++i)
        out[i] = o + (a[i] - b[i]);
}

void Promedia(const float* nuevo, float* avg, int32_t count, float weight)
{
    if (!nuevo || !avg || count <= 0)
        return;
    if (!std::isfinite(weight) || !(weight > 1.0f)) {
        // Weight 1 (and anything below it) means no history: a plain copy,
        // which also clears a non-finite value left in the average.
        for (int32_t i = 0; i < count; ++i)
            avg[i] = nuevo[i];
        return;
    }
    const float older = weight - 1.0f;
    for (int32_t i = 0; i < count; ++i)
        avg[i] = (older * avg[i] + nuevo[i]) / weight;
}

void Copia(const uint8_t* bytes, float* out, int32_t count, int16_t invert, int16_t offset)
{
    if (!bytes || !out || count <= 0)
        return;
    if (invert != 0)
        CopyBytesInverted(bytes, out, count, offset);
    else
        CopyBytesStraight(bytes, out, count, offset);
}

}  // extern "C"
