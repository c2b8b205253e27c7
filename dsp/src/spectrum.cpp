// FFT, Modulo, FFTCerrar and Hamming.
#include <cmath>
#include <new>
#include <vector>

#include "Sigdex.h"
#include "fft_engine.h"
#include "simd.h"

namespace {

using orva::sigdex::FftPlan;

// The process-wide FFT tables; size() is the "current size" Modulo uses.
FftPlan& SpectrumPlan()
{
    static FftPlan plan;
    return plan;
}

// Window table for the last Hamming length (rebuilt only when it changes).
struct WindowTable {
    int32_t count = 0;
    std::vector<float> w;
};

WindowTable& HammingTable()
{
    static WindowTable table;
    return table;
}

double HammingWeight(int32_t i, int32_t count)
{
    if (count == 1)
        return 1.0;
    return 0.54 - 0.46 * std::cos(2.0 * 3.14159265358979323846 * i / (count - 1));
}

// Squares are summed in double so that large spectra cannot overflow to
// infinity; an exactly zero bin reads 0.
ORVA_SIMD_CLONES void MagnitudeLinear(const float* __restrict re, const float* __restrict im,
                                      float* __restrict out, int n, double scale)
{
    for (int i = 0; i < n; ++i) {
        const double r = re[i], q = im[i];
        out[i] = static_cast<float>(std::sqrt(r * r + q * q) * scale);
    }
}

}  // namespace

extern "C" {

void FFT(float* re, float* im, int32_t n)
{
    if (!re || !im || n < 2 || !orva::sigdex::IsPowerOfTwo(n, orva::sigdex::kMaxTransform))
        return;
    FftPlan& plan = SpectrumPlan();
    if (!plan.Build(n))
        return;
    plan.Forward(re, im, re, im, true);
}

void Modulo(const float* re, const float* im, float* out, int16_t mode)
{
    const int n = SpectrumPlan().size();
    if (n == 0 || !re || !im || !out)
        return;
    // m = |X| / (N * 0.5): a full-scale sine of amplitude A reads A at its bin.
    const double scale = 1.0 / (n * 0.5);
    if (mode != 1) {
        MagnitudeLinear(re, im, out, n, scale);
        return;
    }
    // Decibels from the double-precision magnitude, so that a tiny non-zero
    // bin gives a large negative figure rather than underflowing to 0.
    for (int i = 0; i < n; ++i) {
        const double r = re[i], q = im[i];
        out[i] = (r == 0.0 && q == 0.0)
                     ? 0.0f
                     : static_cast<float>(20.0 * std::log10(100.0 * std::sqrt(r * r + q * q) * scale));
    }
}

void FFTCerrar(void)
{
    SpectrumPlan().Release();
}

void Hamming(const float* in, float* out, int32_t count)
{
    if (!in || !out || count <= 0)
        return;
    WindowTable& table = HammingTable();
    if (table.count != count) {
        table.count = 0;
        try {
            std::vector<float> w(static_cast<std::size_t>(count));
            for (int32_t i = 0; i < count; ++i)
                w[static_cast<std::size_t>(i)] = static_cast<float>(HammingWeight(i, count));
            table.w = std::move(w);
            table.count = count;
        } catch (const std::bad_alloc&) {
            // No room for a table: weigh on the fly instead.
            for (int32_t i = 0; i < count; ++i)
                out[i] = static_cast<float>(HammingWeight(i, count)) * in[i];
            return;
        }
    }
    const float* w = table.w.data();
    for (int32_t i = 0; i < count; ++i)
        out[i] = w[i] * in[i];
}

}  // extern "C"
