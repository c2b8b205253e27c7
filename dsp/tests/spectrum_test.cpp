// FFT, Modulo, FFTCerrar and Hamming through the exported interface.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Sigdex.h"
#include "reference.h"

#ifdef SIGDEX_TEST_FFTW
#include <fftw3.h>
#endif

using namespace sigdex_test;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Single-precision rounding bound for an N-point transform of a vector of
// norm |x|: a few ulps per stage, relative to the norm.
double Tolerance(int n, double norm)
{
    return 2e-7 * std::log2(static_cast<double>(n) + 1) * norm + 1e-6;
}

void ExpectMatchesReference(int n, uint32_t seed)
{
    SCOPED_TRACE(testing::Message() << "N = " << n);
    std::vector<float> re = RandomFloats(static_cast<std::size_t>(n), seed);
    std::vector<float> im = RandomFloats(static_cast<std::size_t>(n), seed + 1000);
    const double norm = Norm(re, im);
    const Complex ref = Centre(n <= 2048 ? Dft(ToDouble(re), ToDouble(im))
                                         : FastDft(ToDouble(re), ToDouble(im)));
    FFT(re.data(), im.data(), n);
    EXPECT_LE(MaxError(re, im, ref), Tolerance(n, norm));
}

}  // namespace

TEST(SigdexSpectrumTransform, FastReferenceAgreesWithDirectDft)
{
    const std::vector<float> re = RandomFloats(512, 7), im = RandomFloats(512, 8);
    const Complex a = Dft(ToDouble(re), ToDouble(im));
    const Complex b = FastDft(ToDouble(re), ToDouble(im));
    for (std::size_t k = 0; k < re.size(); ++k) {
        ASSERT_NEAR(a.re[k], b.re[k], 1e-9);
        ASSERT_NEAR(a.im[k], b.im[k], 1e-9);
    }
}

TEST(SigdexSpectrumTransform, RandomVectorsMatchDoublePrecisionDftAtEverySize)
{
    for (int n = 2; n <= 16384; n *= 2)
        ExpectMatchesReference(n, static_cast<uint32_t>(n));
}

TEST(SigdexSpectrumTransform, CentredOrderOfImpulseConstantAndCosine)
{
    const int n = 64;
    // Impulse: flat spectrum, re = 1, im = 0 everywhere.
    std::vector<float> re(n, 0.0f), im(n, 0.0f);
    re[0] = 1.0f;
    FFT(re.data(), im.data(), n);
    for (int k = 0; k < n; ++k) {
        EXPECT_FLOAT_EQ(re[k], 1.0f);
        EXPECT_FLOAT_EQ(im[k], 0.0f);
    }
    std::vector<float> mag(n, -1.0f);
    Modulo(re.data(), im.data(), mag.data(), 0);
    for (int k = 0; k < n; ++k)
        EXPECT_FLOAT_EQ(mag[k], 2.0f / n);

    // Constant 1: everything at zero frequency, index N/2.
    std::fill(re.begin(), re.end(), 1.0f);
    std::fill(im.begin(), im.end(), 0.0f);
    FFT(re.data(), im.data(), n);
    for (int k = 0; k < n; ++k) {
        EXPECT_NEAR(re[k], k == n / 2 ? n : 0.0, 1e-4) << k;
        EXPECT_NEAR(im[k], 0.0, 1e-4) << k;
    }
    Modulo(re.data(), im.data(), mag.data(), 0);
    EXPECT_FLOAT_EQ(mag[n / 2], 2.0f);

    // Cosine of amplitude A with k cycles: A at N/2 - k and N/2 + k.
    const int cycles = 5;
    const float amplitude = 3.0f;
    for (int j = 0; j < n; ++j) {
        re[j] = amplitude * static_cast<float>(std::cos(2 * kPi * cycles * j / n));
        im[j] = 0.0f;
    }
    FFT(re.data(), im.data(), n);
    Modulo(re.data(), im.data(), mag.data(), 0);
    // The cosine splits into two bins of N A / 2 each, and m = |X| / (N / 2) = A.
    EXPECT_NEAR(mag[n / 2 + cycles], amplitude, 1e-4);
    EXPECT_NEAR(mag[n / 2 - cycles], amplitude, 1e-4);
    EXPECT_NEAR(mag[n / 2], 0.0, 1e-4);

    // Nyquist: the alternating sequence lands at index 0.
    for (int j = 0; j < n; ++j) {
        re[j] = (j % 2 == 0) ? 1.0f : -1.0f;
        im[j] = 0.0f;
    }
    FFT(re.data(), im.data(), n);
    EXPECT_NEAR(re[0], n, 1e-4);
    EXPECT_NEAR(re[n / 2], 0.0, 1e-4);
}

TEST(SigdexSpectrumMagnitude, DecibelsAndZeroBins)
{
    const int n = 8;
    std::vector<float> re(n, 0.0f), im(n, 0.0f);
    FFT(re.data(), im.data(), n);  // sets the current size to 8
    // m = |X| / 4: 0.04 gives m = 0.01, which is 0 dB; 3 + 4i gives m = 1.25.
    re = {0.04f, 0.0f, 3.0f, 0.0f, -40.0f, 1e-44f, 0.0f, 1e-30f};
    im = {0.0f, 0.0f, 4.0f, 0.0f, 0.0f, 0.0f, -0.0f, 0.0f};
    std::vector<float> db(n, -7.0f), lin(n, -7.0f);
    Modulo(re.data(), im.data(), db.data(), 1);
    Modulo(re.data(), im.data(), lin.data(), 2);
    EXPECT_NEAR(db[0], 0.0, 1e-4);
    EXPECT_EQ(db[1], 0.0f);  // an all-zero bin: 0, not minus infinity
    EXPECT_NEAR(db[2], 20 * std::log10(125.0), 1e-4);
    EXPECT_NEAR(db[4], 20 * std::log10(1000.0), 1e-4);
    EXPECT_EQ(db[6], 0.0f);  // negative zero is zero too
    EXPECT_TRUE(std::isfinite(db[7]));
    // A tiny but non-zero bin is very negative, not mistaken for an empty one.
    EXPECT_LT(db[5], -800.0f);
    EXPECT_NEAR(db[7], 20 * std::log10(100 * 1e-30 / 4), 1e-3);
    EXPECT_NEAR(lin[0], 0.01, 1e-7);
    EXPECT_NEAR(lin[2], 1.25, 1e-6);
    EXPECT_EQ(lin[1], 0.0f);
    EXPECT_NEAR(lin[4], 10.0, 1e-5);
    // Large values do not overflow to infinity.
    re[3] = 3e38f;
    im[3] = 3e38f;
    Modulo(re.data(), im.data(), lin.data(), 0);
    EXPECT_TRUE(std::isfinite(lin[3]));
}

TEST(SigdexSpectrumTransform, InvalidSizesAreRefusedAndKeepTheCurrentTables)
{
    std::vector<float> re = RandomFloats(64, 3), im = RandomFloats(64, 4);
    FFT(re.data(), im.data(), 16);
    const std::vector<float> keepRe = re, keepIm = im;
    for (int32_t bad : {0, 1, -16, 12, 48, 100, 32768, 65536 + 16, 1 << 20}) {
        FFT(re.data(), im.data(), bad);
        EXPECT_EQ(re, keepRe) << bad;
        EXPECT_EQ(im, keepIm) << bad;
    }
    FFT(nullptr, im.data(), 16);
    EXPECT_EQ(im, keepIm);
    // Modulo still works on the last valid size: writes 16 values, not more.
    std::vector<float> mag(64, -5.0f);
    Modulo(re.data(), im.data(), mag.data(), 0);
    for (int k = 0; k < 64; ++k) {
        if (k < 16)
            EXPECT_NE(mag[k], -5.0f) << k;
        else
            EXPECT_EQ(mag[k], -5.0f) << k;
    }
}

TEST(SigdexSpectrumTransform, TableLifecycleAcrossSizesAndRelease)
{
    FFTCerrar();
    FFTCerrar();  // harmless when repeated
    std::vector<float> re(4, 1.0f), im(4, 1.0f), mag(4, -3.0f);
    Modulo(re.data(), im.data(), mag.data(), 0);  // no current size: nothing written
    EXPECT_EQ(mag, std::vector<float>(4, -3.0f));

    for (int n : {256, 32, 256, 4096, 8, 4096}) {
        ExpectMatchesReference(n, 99);
        ExpectMatchesReference(n, 100);  // same size again: tables reused
    }
    FFTCerrar();
    Modulo(re.data(), im.data(), mag.data(), 0);
    EXPECT_EQ(mag, std::vector<float>(4, -3.0f));
    ExpectMatchesReference(4096, 5);  // rebuilt after release
    FFTCerrar();
}

#ifdef SIGDEX_TEST_FFTW
TEST(SigdexSpectrumTransform, AgreesWithFftwAtLargeSizes)
{
    for (int n : {1024, 8192, 16384}) {
        SCOPED_TRACE(n);
        std::vector<float> re = RandomFloats(static_cast<std::size_t>(n), 11);
        std::vector<float> im = RandomFloats(static_cast<std::size_t>(n), 12);
        fftwf_complex* buf = fftwf_alloc_complex(static_cast<std::size_t>(n));
        fftwf_plan plan = fftwf_plan_dft_1d(n, buf, buf, FFTW_FORWARD, FFTW_ESTIMATE);
        for (int j = 0; j < n; ++j) {
            buf[j][0] = re[static_cast<std::size_t>(j)];
            buf[j][1] = im[static_cast<std::size_t>(j)];
        }
        fftwf_execute(plan);
        const double norm = Norm(re, im);
        FFT(re.data(), im.data(), n);
        double worst = 0;
        for (int k = 0; k < n; ++k) {
            const int c = (k + n / 2) % n;
            worst = std::max(worst, std::abs(double(re[static_cast<std::size_t>(c)]) - buf[k][0]));
            worst = std::max(worst, std::abs(double(im[static_cast<std::size_t>(c)]) - buf[k][1]));
        }
        EXPECT_LE(worst, 2 * Tolerance(n, norm));
        fftwf_destroy_plan(plan);
        fftwf_free(buf);
    }
}
#endif

TEST(SigdexSpectrumWindow, HammingValuesLengthsAndInPlace)
{
    std::vector<float> in = {2, 2, 2, 2, 2}, out(5, 0.0f);
    Hamming(in.data(), out.data(), 5);
    const float expected[] = {0.08f, 0.54f, 1.0f, 0.54f, 0.08f};
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(out[i], 2 * expected[i], 1e-6) << i;

    // A new length rebuilds the table; going back gives the first result again.
    std::vector<float> three(3, 1.0f), out3(3, 0.0f);
    Hamming(three.data(), out3.data(), 3);
    EXPECT_NEAR(out3[0], 0.08, 1e-6);
    EXPECT_NEAR(out3[1], 1.0, 1e-6);
    EXPECT_NEAR(out3[2], 0.08, 1e-6);
    std::vector<float> again(5, 0.0f);
    Hamming(in.data(), again.data(), 5);
    EXPECT_EQ(again, out);

    // Count 1: the lone sample passes unchanged (no division by zero).
    float one = 7.5f, oneOut = 0.0f;
    Hamming(&one, &oneOut, 1);
    EXPECT_EQ(oneOut, 7.5f);

    // Count 0 or negative: nothing written.
    std::vector<float> untouched(4, 9.0f);
    Hamming(in.data(), untouched.data(), 0);
    Hamming(in.data(), untouched.data(), -3);
    EXPECT_EQ(untouched, std::vector<float>(4, 9.0f));

    // In place, and symmetric for an odd count.
    std::vector<float> v(9, 1.0f);
    Hamming(v.data(), v.data(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_FLOAT_EQ(v[i], v[8 - i]);
    EXPECT_FLOAT_EQ(v[4], 1.0f);
}
