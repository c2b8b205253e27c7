// Signal routines of the board library, driven through its exports on
// signals whose results are known.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "orvaboard.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<uint8_t> SineBytes(int count, double period, double amplitude) {
  std::vector<uint8_t> v(count);
  for (int i = 0; i < count; ++i) {
    v[i] = static_cast<uint8_t>(std::lround(128.0 + amplitude * std::sin(2.0 * kPi * i / period)));
  }
  return v;
}

// ---- Thinning --------------------------------------------------------------

TEST(BoardConditioning, DiezmaPicksWholeStepsAndMovesATenthTowardTheNext) {
  std::vector<uint8_t> in(1000);
  for (int i = 0; i < 1000; ++i) in[i] = static_cast<uint8_t>(i % 251);
  std::vector<uint8_t> out(100, 0);
  EXPECT_EQ(diezma(in.data(), 1000, out.data(), 100), -1);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(out[i], in[10 * i]) << i;

  // r = 1.5: out[1] = 100 + (200 - 100) / 10 * 0.5 = 105.
  const std::vector<uint8_t> three = {7, 100, 200};
  std::vector<uint8_t> two(2);
  diezma(three.data(), 3, two.data(), 2);
  EXPECT_EQ(two[0], 7);
  EXPECT_EQ(two[1], 105);

  // A falling step moves down by a tenth and is truncated: 200 - 10 * 0.5.
  const std::vector<uint8_t> fall = {0, 200, 100};
  diezma(fall.data(), 3, two.data(), 2);
  EXPECT_EQ(two[1], 195);
}

TEST(BoardConditioning, ThinningStaysInsideShortAndOddlySizedBuffers) {
  // More outputs than inputs: the step would read one past the last sample.
  const std::vector<uint8_t> in = {10, 50, 90, 250};
  std::vector<uint8_t> out(9, 0);
  diezma(in.data(), 4, out.data(), 9);
  for (uint8_t v : out) EXPECT_LE(v, 250);
  EXPECT_EQ(out[0], 10);
  diezma_sin_aliasing(in.data(), 4, out.data(), 9);
  EXPECT_EQ(out[0], 10);
  interpolar(in.data(), 4, out.data(), 9);
  EXPECT_EQ(out[0], 10);

  // Bad counts and null buffers change nothing and still report true.
  std::vector<uint8_t> untouched(4, 77);
  EXPECT_EQ(diezma(in.data(), 0, untouched.data(), 4), -1);
  EXPECT_EQ(diezma_sin_aliasing(in.data(), 4, untouched.data(), -2), -1);
  EXPECT_EQ(interpolar(nullptr, 4, untouched.data(), 4), -1);
  EXPECT_EQ(diezma(in.data(), 4, nullptr, 4), -1);
  for (uint8_t v : untouched) EXPECT_EQ(v, 77);

  // One sample in, one out.
  uint8_t one = 0;
  diezma(in.data(), 1, &one, 1);
  EXPECT_EQ(one, 10);
}

TEST(BoardConditioning, PeakThinningKeepsLargeSwingsAndSmoothsSmallOnes) {
  // Constant trace: out[1] is the maximum (far from the initial minimum 0),
  // every later output the mid-point of equal extremes.
  std::vector<uint8_t> flat(64, 100);
  std::vector<uint8_t> out(16, 0);
  diezma_sin_aliasing(flat.data(), 64, out.data(), 16);
  for (uint8_t v : out) EXPECT_EQ(v, 100);

  // Blocks of four holding 40 and 220: maxima and minima alternate.
  std::vector<uint8_t> wide(64);
  for (int i = 0; i < 64; ++i) wide[i] = (i % 4 == 1) ? 220 : 40;
  diezma_sin_aliasing(wide.data(), 64, out.data(), 16);
  for (int i = 1; i < 16; ++i) EXPECT_EQ(out[i], (i % 2) ? 220 : 40) << i;

  // A swing of 6 codes (under 15) is drawn through its mid-point 123.
  std::vector<uint8_t> quiet(64);
  for (int i = 0; i < 64; ++i) quiet[i] = (i % 2) ? 126 : 120;
  diezma_sin_aliasing(quiet.data(), 64, out.data(), 16);
  EXPECT_EQ(out[1], 126);  // the first minimum still counts as 0
  for (int i = 2; i < 16; ++i) EXPECT_EQ(out[i], 123) << i;
}

// ---- Byte resampling -------------------------------------------------------

TEST(BoardConditioning, InterpolarKeepsSamplesAndFollowsABandLimitedSine) {
  // Period of 16 input samples, enlarged four times.
  const auto in = SineBytes(64, 16.0, 90.0);
  std::vector<uint8_t> out(256);
  EXPECT_EQ(interpolar(in.data(), 64, out.data(), 256), -1);
  for (int k = 0; k < 64; ++k) EXPECT_EQ(out[4 * k], in[k]) << k;
  // Away from the ends the new points lie on the sine (rounding of the input
  // codes and the short kernel allow a few codes).
  for (int i = 24; i < 232; ++i) {
    const double expected = 128.0 + 90.0 * std::sin(2.0 * kPi * i / 64.0);
    EXPECT_NEAR(out[i], expected, 3.0) << i;
  }
}

TEST(BoardConditioning, InterpolarKeepsConstantsAndLowPassesWhenThinning) {
  std::vector<uint8_t> flat(37, 201);
  std::vector<uint8_t> out(100);
  interpolar(flat.data(), 37, out.data(), 100);
  for (uint8_t v : out) EXPECT_EQ(v, 201);

  // 4:1 thinning of a slow sine plus a tone at the input's Nyquist rate: the
  // fast tone, which would alias, is removed; the slow sine survives.
  std::vector<uint8_t> mixed(512);
  for (int i = 0; i < 512; ++i) {
    mixed[i] = static_cast<uint8_t>(
        std::lround(128.0 + 60.0 * std::sin(2.0 * kPi * i / 128.0) + ((i % 2) ? 40.0 : -40.0)));
  }
  std::vector<uint8_t> small(128);
  interpolar(mixed.data(), 512, small.data(), 128);
  for (int i = 16; i < 112; ++i) {
    EXPECT_NEAR(small[i], 128.0 + 60.0 * std::sin(2.0 * kPi * i / 32.0), 4.0) << i;
  }

  // Full-scale steps overshoot but are clamped into the byte range.
  std::vector<uint8_t> step(16);
  for (int i = 0; i < 16; ++i) step[i] = i < 8 ? 0 : 255;
  std::vector<uint8_t> big(64);
  interpolar(step.data(), 16, big.data(), 64);
  EXPECT_EQ(big[0], 0);
  EXPECT_EQ(big[63], 255);
}

// ---- Trace to screen points -------------------------------------------------

TEST(BoardConditioning, ReescalaPinsFarValuesAndTruncatesTowardZero) {
  const float values[] = {100.0f, 100.0f, 100.0f, -2.7f, 2.7f, 0.0f};
  OrvaPoint p[6];
  reescala_la_senal(p, values, 1, 200.0, 0.0);
  EXPECT_EQ(p[0].y, 16010);
  reescala_la_senal(p, values, 1, -200.0, 0.0);
  EXPECT_EQ(p[0].y, -16010);
  reescala_la_senal(p, values, 1, 160.0, 0.0);
  EXPECT_EQ(p[0].y, 16000);

  reescala_la_senal(p, values, 6, 1.0, 0.0);
  EXPECT_EQ(p[3].y, -2);
  EXPECT_EQ(p[4].y, 2);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(p[i].x, i);

  // Offset is added before scaling: (0 - 128) * 0.5.
  reescala_la_senal(p + 5, values + 5, 1, 0.5, -128.0);
  EXPECT_EQ(p[5].y, -64);
  EXPECT_EQ(p[5].x, 0);

  const float odd[] = {std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity()};
  reescala_la_senal(p, odd, 2, 1.0, 0.0);
  EXPECT_EQ(p[0].y, 16010);
  EXPECT_EQ(p[1].y, 16010);
}

TEST(BoardConditioning, ReescalaWithAbscissaeAndBadArguments) {
  const uint8_t values[] = {128, 0, 255};
  const float xs[] = {0.0f, 99.9f, -37.0f};
  OrvaPoint p[3];
  reescala_la_senal2(p, values, xs, 3, 2.0, -128.0);
  EXPECT_EQ(p[0].x, 0);
  EXPECT_EQ(p[0].y, 0);
  EXPECT_EQ(p[1].x, 9);
  EXPECT_EQ(p[1].y, -256);
  EXPECT_EQ(p[2].x, -3);
  EXPECT_EQ(p[2].y, 254);

  // An abscissa far off the drawing area is pinned like the values.
  const float far[] = {1.0e9f, -1.0e9f, 160000.0f};
  reescala_la_senal2(p, values, far, 3, 1.0, 0.0);
  EXPECT_EQ(p[0].x, 16010);
  EXPECT_EQ(p[1].x, -16010);
  EXPECT_EQ(p[2].x, 16000);

  OrvaPoint keep = {5, 6};
  reescala_la_senal(&keep, nullptr, 1, 1.0, 0.0);
  reescala_la_senal2(&keep, values, nullptr, 1, 1.0, 0.0);
  const float v = 1.0f;
  reescala_la_senal(&keep, &v, 0, 1.0, 0.0);
  reescala_la_senal(&keep, &v, -5, 1.0, 0.0);
  EXPECT_EQ(keep.x, 5);
  EXPECT_EQ(keep.y, 6);
}

// ---- FFT toolkit -----------------------------------------------------------

TEST(BoardConditioning, FftTablesHoldTwiddlesAndBitReversal) {
  float c[4], s[4];
  int16_t br[8];
  fft_inicializar(8, c, s, br);
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(c[k], std::cos(k * 2.0 * kPi / 8.0), 1e-7);
    EXPECT_NEAR(s[k], -std::sin(k * 2.0 * kPi / 8.0), 1e-7);
  }
  const int16_t expected[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  for (int j = 0; j < 8; ++j) EXPECT_EQ(br[j], expected[j]);

  // Not a power of two: the tables are left alone.
  float c3[4] = {9, 9, 9, 9};
  fft_inicializar(12, c3, c3, nullptr);
  EXPECT_EQ(c3[0], 9.0f);
}

TEST(BoardConditioning, FftStepsGiveTheCentredDiscreteTransform) {
  constexpr int n = 64;
  std::vector<float> cw(n / 2), sw(n / 2), in(n), re(n), im(n), cre(n), cim(n);
  std::vector<int16_t> br(n);
  fft_inicializar(n, cw.data(), sw.data(), br.data());
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
  for (float& v : in) v = dist(rng);

  fft_calcular(n, 6, in.data(), re.data(), im.data(), cw.data(), sw.data(), 0);
  fft_bit_reverse(n, re.data(), cre.data(), br.data());
  fft_bit_reverse(n, im.data(), cim.data(), br.data());
  for (int k = 0; k < n; ++k) {
    std::complex<double> x = 0;
    for (int t = 0; t < n; ++t) x += static_cast<double>(in[t]) * std::polar(1.0, -2.0 * kPi * k * t / n);
    const int at = k < n / 2 ? n / 2 + k : k - n / 2;
    EXPECT_NEAR(cre[at], x.real(), 1e-4) << k;
    EXPECT_NEAR(cim[at], x.imag(), 1e-4) << k;
  }

  // Complex input: re/im are transformed as they stand and in is not read.
  // An impulse at index 1 turns into e^(-2 pi i k / n).
  std::fill(re.begin(), re.end(), 0.0f);
  std::fill(im.begin(), im.end(), 0.0f);
  im[1] = 1.0f;
  fft_calcular(n, 6, nullptr, re.data(), im.data(), cw.data(), sw.data(), 1);
  fft_bit_reverse(n, re.data(), cre.data(), br.data());
  fft_bit_reverse(n, im.data(), cim.data(), br.data());
  const int k = 5;
  const auto e = std::complex<double>(0, 1) * std::polar(1.0, -2.0 * kPi * k / n);
  EXPECT_NEAR(cre[n / 2 + k], e.real(), 1e-5);
  EXPECT_NEAR(cim[n / 2 + k], e.imag(), 1e-5);

  // Zero stages only loads the vectors; a stage count above log2 n is held.
  fft_calcular(n, 0, in.data(), re.data(), im.data(), cw.data(), sw.data(), 0);
  EXPECT_EQ(re[3], in[3]);
  EXPECT_EQ(im[3], 0.0f);
  fft_calcular(n, 40, in.data(), re.data(), im.data(), cw.data(), sw.data(), 0);
  fft_bit_reverse(n, re.data(), cre.data(), br.data());
  float sum = 0;
  for (float v : in) sum += v;
  EXPECT_NEAR(cre[n / 2], sum, 1e-4);

  // A corrupt bit-reversal entry yields 0 instead of a read outside in.
  br[2] = 5000;
  fft_bit_reverse(n, re.data(), cre.data(), br.data());
  EXPECT_EQ(cre[n / 2 + 2], 0.0f);
}

TEST(BoardConditioning, FftModuloReadsAmplitudeAndFortyDecibelsBelowTheSignalLibrary) {
  const float re[4] = {2.0f, 0.0f, 0.0f, 3.0f};
  const float im[4] = {0.0f, 0.0f, -2.0f, 4.0f};
  float out[4];
  fft_modulo(4, re, im, out, 1);
  EXPECT_NEAR(out[0], 0.0f, 1e-6);  // m = 2 / (4 / 2) = 1 -> 0 dB
  EXPECT_EQ(out[1], 0.0f);          // empty bin
  fft_modulo(4, re, im, out, 0);
  EXPECT_NEAR(out[0], 1.0f, 1e-6);
  EXPECT_NEAR(out[2], 1.0f, 1e-6);
  EXPECT_NEAR(out[3], 2.5f, 1e-6);
  EXPECT_EQ(out[1], 0.0f);
  fft_modulo(4, re, im, out, 1);
  EXPECT_NEAR(out[3], 20.0 * std::log10(2.5), 1e-5);
}

TEST(BoardConditioning, InterpolatorFilterMatchesTheBandLimitedFormula) {
  constexpr int n1 = 32, n2 = 128;
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> dist(0.0f, 255.0f);
  std::vector<float> in(n1);
  for (float& v : in) v = dist(rng);
  std::vector<float> trace(n2, -1.0f);
  std::copy(in.begin(), in.end(), trace.begin());

  fft_init(n1, n2);
  fft_filtro_interpolador(trace.data(), n1, n2);
  // out[j] = Re(sum over k = -n1/2 .. n1/2-1 of X[k] e^(2 pi i j k / n2)) / n1.
  for (int j = 0; j < n2; ++j) {
    std::complex<double> acc = 0;
    for (int k = -n1 / 2; k < n1 / 2; ++k) {
      std::complex<double> x = 0;
      for (int t = 0; t < n1; ++t) x += static_cast<double>(in[t]) * std::polar(1.0, -2.0 * kPi * k * t / n1);
      acc += x * std::polar(1.0, 2.0 * kPi * j * k / n2);
    }
    EXPECT_NEAR(trace[j], acc.real() / n1, 2e-3) << j;
  }
  // The input samples come back on every fourth output.
  for (int t = 0; t < n1; ++t) EXPECT_NEAR(trace[4 * t], in[t], 2e-3);

  // A constant stays constant, at the largest sizes too.
  fft_init(256, 4096);
  std::vector<float> flat(4096, 0.0f);
  std::fill(flat.begin(), flat.begin() + 256, 77.5f);
  fft_filtro_interpolador(flat.data(), 256, 4096);
  for (int j = 0; j < 4096; j += 97) EXPECT_NEAR(flat[j], 77.5f, 1e-3) << j;
}

TEST(BoardConditioning, InterpolatorFilterRefusesSizesItHasNoTablesFor) {
  std::vector<float> trace(8, 3.0f);
  trace[1] = 9.0f;
  const auto before = trace;
  fft_init(2, 8);
  fft_filtro_interpolador(trace.data(), 4, 8);  // set 1 is for 2
  fft_filtro_interpolador(trace.data(), 2, 16);  // set 2 is for 8
  EXPECT_EQ(trace, before);
  fft_init(512, 4096);  // set 1 too large: both sets are forgotten
  fft_filtro_interpolador(trace.data(), 2, 8);
  EXPECT_EQ(trace, before);
  fft_init(8, 4);  // output smaller than input
  fft_filtro_interpolador(trace.data(), 8, 4);
  EXPECT_EQ(trace, before);
  fft_init(6, 12);  // not powers of two
  fft_filtro_interpolador(trace.data(), 6, 12);
  EXPECT_EQ(trace, before);

  // One sample in: its value spread over every output.
  fft_init(1, 8);
  fft_filtro_interpolador(trace.data(), 1, 8);
  for (float v : trace) EXPECT_NEAR(v, 3.0f, 1e-6);
}

TEST(BoardConditioning, GuardedInverseSineAndCosine) {
  EXPECT_DOUBLE_EQ(Arcsin(1.0), kPi / 2);
  EXPECT_DOUBLE_EQ(Arcsin(-0.5), -kPi / 6);
  EXPECT_DOUBLE_EQ(Arccos(-1.0), kPi);
  EXPECT_DOUBLE_EQ(Arccos(0.5), std::acos(0.5));
  EXPECT_EQ(Arcsin(1.0000001), 10000.0);
  EXPECT_EQ(Arccos(-1.0000001), 10000.0);
  EXPECT_EQ(Arcsin(std::numeric_limits<double>::quiet_NaN()), 10000.0);
}

}  // namespace
