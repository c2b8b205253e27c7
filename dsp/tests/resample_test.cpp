// Diezma, DiezmaSinAliasing, Interpolar, InterpolarCerrar and CambioFM.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "Sigdex.h"
#include "reference.h"

using namespace sigdex_test;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Band-limited resampling evaluated directly in double:
// Re(sum_{k=-n1/2}^{n1/2-1} X[k] e^(2 pi i j k / n2)) / n1.
std::vector<double> ReferenceInterpolation(const std::vector<float>& in, int n2)
{
    const int n1 = static_cast<int>(in.size());
    const Complex x = Dft(ToDouble(in), std::vector<double>(in.size(), 0.0));
    const int kmin = -std::min(n1, n2) / 2;
    const int kmax = kmin + std::min(n1, n2) - 1;
    std::vector<double> out(static_cast<std::size_t>(n2));
    for (int j = 0; j < n2; ++j) {
        double s = 0;
        for (int k = kmin; k <= kmax; ++k) {
            const int idx = ((k % n1) + n1) % n1;
            const double a = 2 * kPi * j * k / n2;
            s += x.re[static_cast<std::size_t>(idx)] * std::cos(a) -
                 x.im[static_cast<std::size_t>(idx)] * std::sin(a);
        }
        out[static_cast<std::size_t>(j)] = s / n1;
    }
    return out;
}

// Heap block of exactly n floats, so that AddressSanitizer sees any access
// past the end.
std::unique_ptr<float[]> Exact(std::size_t n, float fill)
{
    std::unique_ptr<float[]> p(new float[n]);
    for (std::size_t i = 0; i < n; ++i)
        p[i] = fill;
    return p;
}

// The two thinning definitions written out one output at a time, in the same
// 32-bit float arithmetic, as the model the library's kernels must equal.
std::vector<float> ModelDiezma(const std::vector<float>& in, int nout)
{
    const int nin = static_cast<int>(in.size());
    const float r = static_cast<float>(nin) / static_cast<float>(nout);
    std::vector<float> out(static_cast<std::size_t>(nout));
    out[0] = in[0];
    for (int i = 1; i < nout; ++i) {
        volatile float x = static_cast<float>(i) * r;  // no fused multiply-add
        const float b = std::floor(x);
        const float f = x - b;
        const auto k = static_cast<std::size_t>(b);
        out[static_cast<std::size_t>(i)] = f == 0.0f ? in[k] : in[k] + (in[k + 1] - in[k]) * 0.1f * f;
    }
    return out;
}

std::vector<float> ModelPeaks(const std::vector<float>& in, int nout)
{
    const int nin = static_cast<int>(in.size());
    const float r = static_cast<float>(nin) / static_cast<float>(nout);
    std::vector<float> out(static_cast<std::size_t>(nout));
    out[0] = in[0];
    for (int i = 1; i < nout; ++i) {
        volatile float c = r * static_cast<float>(i);
        float acc = (i % 2) ? 0.0f : 10000.0f;
        for (int e = 0; static_cast<float>(e) < r; ++e) {
            const float v = in[static_cast<std::size_t>(static_cast<int>(c + static_cast<float>(e)))];
            if ((i % 2) ? v > acc : v < acc)
                acc = v;
        }
        out[static_cast<std::size_t>(i)] = acc;
    }
    return out;
}

}  // namespace

TEST(SigdexDecimation, InstrumentRatiosEqualTheDefinitions)
{
    // The input and output counts the instrument uses (ratios 1.25 to 7.8125)
    // and a few odd ones, on a signal with values on both sides of 0.
    for (auto [nin, nout] : {std::pair{2048, 1638}, std::pair{2048, 1311}, std::pair{2592, 829},
                             std::pair{3750, 768}, std::pair{4686, 768}, std::pair{6580, 842},
                             std::pair{1000, 3}, std::pair{777, 100}, std::pair{50, 49}}) {
        SCOPED_TRACE(testing::Message() << nin << " -> " << nout);
        const std::vector<float> in = RandomFloats(static_cast<std::size_t>(nin), 31, -50.0f, 300.0f);
        std::vector<float> out(static_cast<std::size_t>(nout), 0.0f);
        Diezma(in.data(), static_cast<int16_t>(nin), out.data(), static_cast<int16_t>(nout));
        EXPECT_EQ(out, ModelDiezma(in, nout));
        DiezmaSinAliasing(in.data(), static_cast<int16_t>(nin), out.data(), static_cast<int16_t>(nout));
        EXPECT_EQ(out, ModelPeaks(in, nout));
    }
}

TEST(SigdexDecimation, DiezmaPicksAndTenthStep)
{
    std::vector<float> in(1000);
    for (int i = 0; i < 1000; ++i)
        in[static_cast<std::size_t>(i)] = static_cast<float>(i * i % 977);
    std::vector<float> out(100, -1.0f);
    Diezma(in.data(), 1000, out.data(), 100);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(out[static_cast<std::size_t>(i)], in[static_cast<std::size_t>(10 * i)]) << i;

    // 3 -> 2: r = 1.5, out[1] = in[1] + (in[2] - in[1]) * 0.1 * 0.5.
    const float three[] = {1.0f, 10.0f, 30.0f};
    float two[2] = {0, 0};
    Diezma(three, 3, two, 2);
    EXPECT_EQ(two[0], 1.0f);
    EXPECT_NEAR(two[1], 10.0f + 20.0f * 0.05f, 1e-5);

    // Output count 1: only the first sample.
    float single = -1.0f;
    Diezma(three, 3, &single, 1);
    EXPECT_EQ(single, 1.0f);
}

TEST(SigdexDecimation, NeverReadsPastTheInputAndRefusesEmptyCounts)
{
    // Every pair of small counts with exact-size buffers (checked by the
    // sanitizers); outputs stay within the input's range.
    for (int nin = 1; nin <= 40; ++nin) {
        for (int nout = 1; nout <= 60; ++nout) {
            auto in = Exact(static_cast<std::size_t>(nin), 0.0f);
            for (int i = 0; i < nin; ++i)
                in[static_cast<std::size_t>(i)] = static_cast<float>(1 + (i * 7) % 11);
            auto out = Exact(static_cast<std::size_t>(nout), -1.0f);
            Diezma(in.get(), static_cast<int16_t>(nin), out.get(), static_cast<int16_t>(nout));
            for (int i = 0; i < nout; ++i) {
                EXPECT_GE(out[static_cast<std::size_t>(i)], 1.0f);
                EXPECT_LE(out[static_cast<std::size_t>(i)], 11.0f);
            }
            DiezmaSinAliasing(in.get(), static_cast<int16_t>(nin), out.get(),
                              static_cast<int16_t>(nout));
            for (int i = 1; i < nout; ++i) {
                const float v = out[static_cast<std::size_t>(i)];
                EXPECT_TRUE((v >= 1.0f && v <= 11.0f)) << nin << "->" << nout << " at " << i;
            }
        }
    }
    // Upsampling past the end: 2 -> 3 reaches b = 1, the last sample.
    auto two = Exact(2, 0.0f);
    two[0] = 4.0f;
    two[1] = 8.0f;
    auto three = Exact(3, -1.0f);
    Diezma(two.get(), 2, three.get(), 3);
    EXPECT_EQ(three[2], 8.0f);

    // Refused counts leave the output untouched.
    std::vector<float> in(8, 1.0f), out(8, -2.0f);
    for (int16_t bad : {int16_t(0), int16_t(-5)}) {
        Diezma(in.data(), bad, out.data(), 4);
        Diezma(in.data(), 8, out.data(), bad);
        DiezmaSinAliasing(in.data(), bad, out.data(), 4);
        DiezmaSinAliasing(in.data(), 8, out.data(), bad);
    }
    EXPECT_EQ(out, std::vector<float>(8, -2.0f));
}

TEST(SigdexDecimation, PeakKeepingAlternatesMaximumAndMinimum)
{
    std::vector<float> minusOne(40, -1.0f), out(10, 5.0f);
    DiezmaSinAliasing(minusOne.data(), 40, out.data(), 10);
    EXPECT_EQ(out[0], -1.0f);
    for (int i = 1; i < 10; ++i)
        EXPECT_EQ(out[static_cast<std::size_t>(i)], i % 2 ? 0.0f : -1.0f) << i;

    // A one-sample spike survives in the maximum of its block, a dip in the
    // minimum; plain thinning would miss both.
    std::vector<float> trace(64, 100.0f);
    trace[13] = 200.0f;  // block of i = 3 (r = 4: 12..15), odd -> maximum
    trace[18] = 20.0f;   // block of i = 4 (16..19), even -> minimum
    std::vector<float> env(16, 0.0f), thin(16, 0.0f);
    DiezmaSinAliasing(trace.data(), 64, env.data(), 16);
    Diezma(trace.data(), 64, thin.data(), 16);
    EXPECT_EQ(env[3], 200.0f);
    EXPECT_EQ(env[4], 20.0f);
    EXPECT_EQ(env[5], 100.0f);
    EXPECT_EQ(*std::max_element(thin.begin(), thin.end()), 100.0f);

    // Values above 10000 cannot lower the minimum's start.
    std::vector<float> high(8, 20000.0f), hout(4, 0.0f);
    DiezmaSinAliasing(high.data(), 8, hout.data(), 4);
    EXPECT_EQ(hout[1], 20000.0f);
    EXPECT_EQ(hout[2], 10000.0f);
}

TEST(SigdexInterpolation, BandLimitedSignalsAreReproduced)
{
    // Cosine below the n1/2 bin, 8 -> 16: out[2j] = in[j].
    std::vector<float> in(8), out(16, 0.0f);
    for (int j = 0; j < 8; ++j)
        in[static_cast<std::size_t>(j)] = static_cast<float>(std::cos(2 * kPi * 3 * j / 8 + 0.4));
    Interpolar(in.data(), out.data(), 8, 16);
    for (int j = 0; j < 8; ++j)
        EXPECT_NEAR(out[static_cast<std::size_t>(2 * j)], in[static_cast<std::size_t>(j)], 1e-5);
    for (int j = 0; j < 16; ++j)
        EXPECT_NEAR(out[static_cast<std::size_t>(j)], std::cos(2 * kPi * 3 * j / 16 + 0.4), 1e-5);

    // Constant: constant at every output.
    std::vector<float> c(32, 3.25f), cout(256, 0.0f);
    Interpolar(c.data(), cout.data(), 32, 256);
    for (float v : cout)
        EXPECT_NEAR(v, 3.25f, 1e-5);

    // Random inputs against the direct formula, including the Nyquist bin
    // taken once on the negative side.
    for (auto [n1, n2] : {std::pair{64, 256}, std::pair{128, 4096}, std::pair{256, 2048},
                          std::pair{16, 16}, std::pair{1, 8}, std::pair{2, 4}, std::pair{1, 1},
                          std::pair{2, 2}}) {
        SCOPED_TRACE(testing::Message() << n1 << " -> " << n2);
        const std::vector<float> x = RandomFloats(static_cast<std::size_t>(n1), 17);
        std::vector<float> y(static_cast<std::size_t>(n2), 0.0f);
        Interpolar(x.data(), y.data(), static_cast<int16_t>(n1), static_cast<int16_t>(n2));
        const std::vector<double> ref = ReferenceInterpolation(x, n2);
        for (int j = 0; j < n2; ++j)
            ASSERT_NEAR(y[static_cast<std::size_t>(j)], ref[static_cast<std::size_t>(j)], 2e-5) << j;
        for (int j = 0; j < n1; ++j)  // the input samples at the matching outputs
            ASSERT_NEAR(y[static_cast<std::size_t>(j * (n2 / n1))], x[static_cast<std::size_t>(j)],
                        2e-5);
    }
}

TEST(SigdexInterpolation, ReductionRefusalInPlaceAndTableLifecycle)
{
    // n2 < n1: the spectrum is cut to the central n2 bins.
    std::vector<float> in(64), out(16, 0.0f);
    for (int j = 0; j < 64; ++j)
        in[static_cast<std::size_t>(j)] = static_cast<float>(std::sin(2 * kPi * 2 * j / 64));
    Interpolar(in.data(), out.data(), 64, 16);
    for (int j = 0; j < 16; ++j)
        EXPECT_NEAR(out[static_cast<std::size_t>(j)], std::sin(2 * kPi * 2 * j / 16), 1e-5);
    for (int n2 : {16, 2, 1}) {
        const std::vector<float> r64 = RandomFloats(64, 3);
        const std::vector<double> ref = ReferenceInterpolation(r64, n2);
        Interpolar(r64.data(), out.data(), 64, static_cast<int16_t>(n2));
        for (int j = 0; j < n2; ++j)
            EXPECT_NEAR(out[static_cast<std::size_t>(j)], ref[static_cast<std::size_t>(j)], 2e-5) << n2;
    }

    // Sizes that are not powers of two or exceed 8192: output untouched.
    std::vector<float> big(16384, -4.0f);
    for (auto [a, b] : {std::pair{12, 16}, std::pair{16, 24}, std::pair{0, 16}, std::pair{16, 0},
                        std::pair{-16, 32}, std::pair{16, 16384}}) {
        Interpolar(in.data(), big.data(), static_cast<int16_t>(a), static_cast<int16_t>(b));
    }
    EXPECT_EQ(big, std::vector<float>(16384, -4.0f));

    // In place: the input is consumed before the output is written.
    std::vector<float> same(32, 0.0f);
    for (int j = 0; j < 8; ++j)
        same[static_cast<std::size_t>(j)] = static_cast<float>(std::cos(2 * kPi * j / 8));
    Interpolar(same.data(), same.data(), 8, 32);
    for (int j = 0; j < 32; ++j)
        EXPECT_NEAR(same[static_cast<std::size_t>(j)], std::cos(2 * kPi * j / 32), 1e-5);

    // Pairs change, repeat, and survive release (twice, and before use).
    InterpolarCerrar();
    InterpolarCerrar();
    const std::vector<float> x = RandomFloats(32, 5);
    const std::vector<double> ref128 = ReferenceInterpolation(x, 128);
    for (int round = 0; round < 3; ++round) {
        std::vector<float> y(128, 0.0f), z(64, 0.0f);
        Interpolar(x.data(), y.data(), 32, 128);
        Interpolar(x.data(), z.data(), 32, 64);
        Interpolar(x.data(), y.data(), 32, 128);
        for (int j = 0; j < 128; ++j)
            ASSERT_NEAR(y[static_cast<std::size_t>(j)], ref128[static_cast<std::size_t>(j)], 2e-5);
        if (round == 1)
            InterpolarCerrar();
    }
}

TEST(SigdexRateChange, CambioFMSpansTheInputAtTheNewRate)
{
    // 1024 samples of a slow sine at rate 1, to rate 2.5: g = 2560 outputs
    // (through a 4096-point interpolation) in a buffer of exactly that size.
    const int count = 1024;
    std::vector<float> in(count);
    for (int j = 0; j < count; ++j)
        in[static_cast<std::size_t>(j)] = static_cast<float>(std::sin(2 * kPi * 4 * j / count));
    auto out = Exact(2560, 99.0f);
    CambioFM(in.data(), out.get(), count, 1.0, 2.5);
    for (int i = 0; i < 2560; ++i) {
        const double t = i / 2.5;  // input-sample time of output i
        EXPECT_NEAR(out[static_cast<std::size_t>(i)], std::sin(2 * kPi * 4 * t / count), 0.01) << i;
    }

    // Downward: 256 samples at rate 4 to rate 1 gives 64 samples.
    std::vector<float> slow(256);
    for (int j = 0; j < 256; ++j)
        slow[static_cast<std::size_t>(j)] = static_cast<float>(std::cos(2 * kPi * 3 * j / 256));
    auto down = Exact(64, 99.0f);
    CambioFM(slow.data(), down.get(), 256, 4.0, 1.0);
    for (int i = 0; i < 64; ++i)
        EXPECT_NEAR(down[static_cast<std::size_t>(i)], std::cos(2 * kPi * 3 * i / 64), 1e-4) << i;

    // Refusals: count not a power of two, bad rates, too large a result.
    std::vector<float> untouched(4096, 7.0f);
    std::vector<float> src(1000, 1.0f);
    CambioFM(src.data(), untouched.data(), 1000, 1.0, 2.5);
    CambioFM(in.data(), untouched.data(), count, 0.0, 2.5);
    CambioFM(in.data(), untouched.data(), count, 1.0, -1.0);
    CambioFM(in.data(), untouched.data(), count, std::nan(""), 1.0);
    CambioFM(in.data(), untouched.data(), count, 1.0, 1e9);
    CambioFM(in.data(), untouched.data(), count, 1e9, 1.0);  // fewer than one output
    EXPECT_EQ(untouched, std::vector<float>(4096, 7.0f));
}
