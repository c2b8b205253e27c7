// FPBFiltrar, FPBCerrar and the vector utilities.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "Sigdex.h"
#include "reference.h"

using namespace sigdex_test;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Ideal low-pass in double: keep the frequencies f (from -n/2 to n/2 - 1)
// that survive the removal of the z lowest and z - 1 highest centred bins.
std::vector<double> ReferenceLowPass(const std::vector<float>& in, int z)
{
    const int n = static_cast<int>(in.size());
    const Complex x = Dft(ToDouble(in), std::vector<double>(in.size(), 0.0));
    std::vector<double> out(in.size(), 0.0);
    for (int c = 0; c < n; ++c) {
        if (z > 0 && (c < z || c > n - z))
            continue;
        const int f = c - n / 2;
        const int idx = ((f % n) + n) % n;
        for (int j = 0; j < n; ++j) {
            const double a = 2 * kPi * j * f / n;
            out[static_cast<std::size_t>(j)] += (x.re[static_cast<std::size_t>(idx)] * std::cos(a) -
                                                 x.im[static_cast<std::size_t>(idx)] * std::sin(a)) /
                                                n;
        }
    }
    return out;
}

std::vector<float> Cosine(int n, int cycles, double amplitude = 1.0)
{
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j)
        v[static_cast<std::size_t>(j)] = static_cast<float>(amplitude * std::cos(2 * kPi * cycles * j / n));
    return v;
}

}  // namespace

TEST(SigdexLowPass, PassAndStopBins)
{
    // N = 16, rate 16, cut-off 2: z = 6, frequencies -2..2 survive.
    const std::vector<float> pass = Cosine(16, 2, 1.5);
    std::vector<float> out(16, 0.0f);
    FPBFiltrar(pass.data(), out.data(), 16, 16.0, 2.0);
    for (int j = 0; j < 16; ++j)
        EXPECT_NEAR(out[static_cast<std::size_t>(j)], pass[static_cast<std::size_t>(j)], 1e-5);
    const std::vector<float> stop = Cosine(16, 3);
    FPBFiltrar(stop.data(), out.data(), 16, 16.0, 2.0);
    for (float v : out)
        EXPECT_NEAR(v, 0.0, 1e-5);

    // Random input against the double-precision reference, several cut-offs
    // (z from 1 up to n/2 + 1, where everything goes).
    const std::vector<float> x = RandomFloats(64, 21);
    for (double fc : {31.9, 20.0, 10.0, 3.0, 0.6, 0.0, -1.0, -500.0}) {
        SCOPED_TRACE(fc);
        const double zd = (64.0 - 2 * fc) * 64 / 64.0 * 0.5;
        const int z = zd >= 33 ? 33 : (zd >= 1 ? static_cast<int>(zd) : 0);
        const std::vector<double> ref = ReferenceLowPass(x, z);
        std::vector<float> y(64, 0.0f);
        FPBFiltrar(x.data(), y.data(), 64, 64.0, fc);
        for (int j = 0; j < 64; ++j)
            ASSERT_NEAR(y[static_cast<std::size_t>(j)], ref[static_cast<std::size_t>(j)], 1e-5) << j;
    }
}

TEST(SigdexLowPass, CutOffAtOrAboveNyquistKeepsTheInput)
{
    for (int n : {1, 2, 8, 1024, 8192}) {
        SCOPED_TRACE(n);
        const std::vector<float> x = RandomFloats(static_cast<std::size_t>(n), 4);
        std::vector<float> y(static_cast<std::size_t>(n), 0.0f);
        FPBFiltrar(x.data(), y.data(), static_cast<int16_t>(n), 1000.0, 500.0);
        for (int j = 0; j < n; ++j)
            ASSERT_NEAR(y[static_cast<std::size_t>(j)], x[static_cast<std::size_t>(j)], 1e-5);
        // In place works too.
        std::vector<float> same = x;
        FPBFiltrar(same.data(), same.data(), static_cast<int16_t>(n), 1000.0, 800.0);
        for (int j = 0; j < n; ++j)
            ASSERT_NEAR(same[static_cast<std::size_t>(j)], x[static_cast<std::size_t>(j)], 1e-5);
    }
}

TEST(SigdexLowPass, RefusalsAndTableLifecycle)
{
    const std::vector<float> x = RandomFloats(16384, 8);
    std::vector<float> y(16384, 5.0f);
    FPBFiltrar(x.data(), y.data(), 12, 16.0, 2.0);
    FPBFiltrar(x.data(), y.data(), 0, 16.0, 2.0);
    FPBFiltrar(x.data(), y.data(), -8, 16.0, 2.0);
    FPBFiltrar(x.data(), y.data(), 16384, 16.0, 2.0);
    FPBFiltrar(x.data(), y.data(), 16, 0.0, 2.0);
    FPBFiltrar(x.data(), y.data(), 16, -16.0, 2.0);
    FPBFiltrar(x.data(), y.data(), 16, std::numeric_limits<double>::infinity(), 2.0);
    FPBFiltrar(x.data(), y.data(), 16, 16.0, std::nan(""));
    EXPECT_EQ(y, std::vector<float>(16384, 5.0f));

    FPBCerrar();
    FPBCerrar();
    const std::vector<float> a = RandomFloats(128, 1);
    const std::vector<double> ref = ReferenceLowPass(a, 40);   // fs 128, fc 24: z = 40
    const std::vector<double> ref2 = ReferenceLowPass(a, 52);  // fs 128, fc 12: z = 52
    for (int round = 0; round < 3; ++round) {
        std::vector<float> y128(128, 0.0f), y32(32, 0.0f);
        FPBFiltrar(a.data(), y128.data(), 128, 128.0, 12.0);
        for (int j = 0; j < 128; ++j)
            ASSERT_NEAR(y128[static_cast<std::size_t>(j)], ref2[static_cast<std::size_t>(j)], 1e-5);
        FPBFiltrar(a.data(), y32.data(), 32, 128.0, 12.0);  // another size rebuilds
        FPBFiltrar(a.data(), y128.data(), 128, 128.0, 24.0);
        for (int j = 0; j < 128; ++j)
            ASSERT_NEAR(y128[static_cast<std::size_t>(j)], ref[static_cast<std::size_t>(j)], 1e-5);
        if (round == 1)
            FPBCerrar();
    }
}

TEST(SigdexVectorUtilities, PositionsOfExtremes)
{
    const float a[] = {1, 3, 3, 2};
    double value = 0;
    EXPECT_EQ(PosMax(a, 4, &value), 1);
    EXPECT_EQ(value, 3.0);
    const float b[] = {2, 1, 1};
    EXPECT_EQ(PosMin(b, 3, &value), 1);
    EXPECT_EQ(value, 1.0);
    EXPECT_EQ(PosMax(a, 0, &value), 0);
    EXPECT_EQ(value, -1e300);
    EXPECT_EQ(PosMin(a, -3, &value), -3);
    EXPECT_EQ(value, 1e300);
    // NaN never wins; the value pointer may be omitted.
    const float withNan[] = {std::nanf(""), -2, 5, std::nanf(""), 5};
    EXPECT_EQ(PosMax(withNan, 5, &value), 2);
    EXPECT_EQ(value, 5.0);
    EXPECT_EQ(PosMin(withNan, 5, nullptr), 1);
    // A longer vector: the last index is reachable.
    std::vector<float> ramp(767);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<float>(i) * 0.5f;
    EXPECT_EQ(PosMax(ramp.data(), 767, &value), 766);
    EXPECT_EQ(value, 383.0);
    EXPECT_EQ(PosMin(ramp.data(), 767, &value), 0);
}

TEST(SigdexVectorUtilities, SumDifferenceAndAverage)
{
    std::vector<float> a(5, 128.0f), b(5, 128.0f), out(5, 0.0f);
    Suma(a.data(), b.data(), out.data(), 5, 128);
    EXPECT_EQ(out, std::vector<float>(5, 128.0f));
    a = {140, 100, 128, 0, 255};
    b = {128, 120, 128, 255, 0};
    Resta(a.data(), b.data(), out.data(), 5, 128);
    EXPECT_EQ(out, (std::vector<float>{140, 108, 128, -127, 383}));
    Suma(a.data(), b.data(), out.data(), 5, 0);
    EXPECT_EQ(out, (std::vector<float>{268, 220, 256, 255, 255}));
    std::vector<float> keep(5, -1.0f);
    Suma(a.data(), b.data(), keep.data(), 0, 128);
    Resta(a.data(), b.data(), keep.data(), -2, 128);
    EXPECT_EQ(keep, std::vector<float>(5, -1.0f));

    std::vector<float> avg(3, 0.0f);
    const std::vector<float> fresh(3, 8.0f);
    Promedia(fresh.data(), avg.data(), 3, 4.0f);
    EXPECT_EQ(avg, std::vector<float>(3, 2.0f));
    Promedia(fresh.data(), avg.data(), 3, 4.0f);
    EXPECT_EQ(avg, std::vector<float>(3, 3.5f));
    // Weight 1 copies; weight 0, negative or not finite are taken as 1.
    for (float w : {1.0f, 0.0f, -2.0f, std::nanf(""), std::numeric_limits<float>::infinity()}) {
        std::vector<float> v = {1.0f, std::numeric_limits<float>::infinity(), 3.0f};
        Promedia(fresh.data(), v.data(), 3, w);
        EXPECT_EQ(v, fresh) << w;
    }
    std::vector<float> untouched(3, 1.0f);
    Promedia(fresh.data(), untouched.data(), 0, 2.0f);
    EXPECT_EQ(untouched, std::vector<float>(3, 1.0f));
}

TEST(SigdexVectorUtilities, ByteConversionWithOffsetInversionAndClamping)
{
    const uint8_t zero = 0;
    float v = -1.0f;
    Copia(&zero, &v, 1, 1, 0);
    EXPECT_EQ(v, 255.0f);
    const uint8_t b250 = 250;
    Copia(&b250, &v, 1, 0, 10);
    EXPECT_EQ(v, 255.0f);
    Copia(&b250, &v, 1, -1, -10);
    EXPECT_EQ(v, 0.0f);  // 255 - 250 - 10 clamps at 0
    Copia(&b250, &v, 1, 0, -300);
    EXPECT_EQ(v, 0.0f);

    // An odd length exercises the vector tail; inverting byte b equals the
    // straight conversion of 255 - b with the same offset.
    const int n = 8203;
    std::vector<uint8_t> raw(static_cast<std::size_t>(n)), mirrored(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        raw[static_cast<std::size_t>(i)] = static_cast<uint8_t>((i * 37 + 11) & 0xff);
        mirrored[static_cast<std::size_t>(i)] = static_cast<uint8_t>(255 - raw[static_cast<std::size_t>(i)]);
    }
    for (int16_t offset : {int16_t(0), int16_t(17), int16_t(-40), int16_t(300)}) {
        std::vector<float> inv(static_cast<std::size_t>(n)), straight(static_cast<std::size_t>(n));
        Copia(raw.data(), inv.data(), n, 1, offset);
        Copia(mirrored.data(), straight.data(), n, 0, offset);
        EXPECT_EQ(inv, straight) << offset;
        for (int i = 0; i < n; ++i) {
            const float expect = std::clamp<float>(raw[static_cast<std::size_t>(i)] + offset, 0, 255);
            std::vector<float> one(1);
            if (i % 997 == 0) {
                Copia(&raw[static_cast<std::size_t>(i)], one.data(), 1, 0, offset);
                ASSERT_EQ(one[0], expect);
            }
        }
    }
    std::vector<float> keep(4, 3.0f);
    Copia(raw.data(), keep.data(), 0, 0, 0);
    Copia(raw.data(), keep.data(), -4, 0, 0);
    EXPECT_EQ(keep, std::vector<float>(4, 3.0f));
}
