// Signal routines that work on raw sample bytes and float traces: thinning,
// byte resampling, trace-to-points conversion, the caller-driven FFT steps
// with the band-limited interpolator built on them, and guarded asin/acos.
//
// Nothing here allocates: the interpolator's working vectors are fixed-size
// process-wide arrays sized for its largest transforms (256 in, 4096 out).
#include <cmath>
#include <cstdint>

#include "orvaboard.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxFftSize = 16384;
constexpr int kMaxN1 = 256;
constexpr int kMaxN2 = 4096;

// log2 of n when n is a power of two in 1..kMaxFftSize, else -1.
int Log2Size(int n) {
  if (n < 1 || n > kMaxFftSize || (n & (n - 1)) != 0) return -1;
  int s = 0;
  while ((1 << s) < n) ++s;
  return s;
}

// Input index for the fractional position x, held inside 0..count-1.
int HeldIndex(double x, int count) {
  if (!(x > 0.0)) return 0;
  if (x >= static_cast<double>(count - 1)) return count - 1;
  return static_cast<int>(x);
}

std::uint8_t ClampToByte(double v) {
  if (!(v > 0.0)) return 0;  // NaN too
  if (v > 255.0) return 255;
  return static_cast<std::uint8_t>(v);  // truncation toward zero
}

// Extended-precision (value + offset) * scale, truncated toward zero and
// pinned just outside +-16000 so that it stays a 16-bit drawing coordinate.
std::int32_t PinnedCoordinate(long double v) {
  const long double t = std::trunc(v);
  if (std::isnan(t) || t > 16000.0L) return 16010;
  if (t < -16000.0L) return -16010;
  return static_cast<std::int32_t>(t);
}

// Lanczos kernel with three lobes; x in input samples.
double Lanczos3(double x) {
  constexpr double kLobes = 3.0;
  if (x == 0.0) return 1.0;
  if (x <= -kLobes || x >= kLobes) return 0.0;
  const double px = kPi * x;
  return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
}

// One table set of the library: size, cosine/sine (n/2 each), bit reversal.
struct TableSet {
  int n = 0;  // 0: not built
  int stages = 0;
  float cosine[kMaxN2 / 2];
  float sine[kMaxN2 / 2];
  std::int16_t bit_reversal[kMaxN2];
};

TableSet g_set1;
TableSet g_set2;
// Working vectors of the interpolator.
float g_re1[kMaxN1], g_im1[kMaxN1], g_c_re1[kMaxN1], g_c_im1[kMaxN1];
float g_re2[kMaxN2], g_im2[kMaxN2], g_c_re2[kMaxN2];

void FillTables(int n, int stages, float* cosine, float* sine, std::int16_t* br) {
  if (cosine != nullptr || sine != nullptr) {
    for (int k = 0; k < n / 2; ++k) {
      const long double angle = static_cast<long double>(k) * 2.0L *
                                3.141592653589793238462643383279502884L / n;
      if (cosine != nullptr) cosine[k] = static_cast<float>(std::cos(angle));
      if (sine != nullptr) sine[k] = static_cast<float>(-std::sin(angle));
    }
  }
  if (br != nullptr) {
    for (int j = 0; j < n; ++j) {
      int r = 0;
      for (int k = 0; k < stages; ++k) {
        if ((j >> k) & 1) r |= 1 << (stages - 1 - k);
      }
      br[j] = static_cast<std::int16_t>(r);
    }
  }
}

// Decimation-in-frequency stages on re/im (n a checked power of two, stages
// within 0..log2 n, tables of n/2 entries).
void Butterflies(int n, int stages, float* re, float* im, const float* cosine,
                 const float* sine) {
  int f = n;
  for (int stage = 0; stage < stages; ++stage) {
    const int h = f / 2;
    const int t = n / f;
    for (int j = 0; j < h; ++j) {
      const float c = cosine[j * t];
      const float s = sine[j * t];
      for (int a = j; a < n; a += f) {
        const int b = a + h;
        const float xr = re[a], xi = im[a], yr = re[b], yi = im[b];
        re[a] = xr + yr;
        im[a] = xi + yi;
        const float dr = xr - yr, di = xi - yi;
        re[b] = c * dr - s * di;
        im[b] = s * dr + c * di;
      }
    }
    f = h;
  }
}

// Centring reorder through the bit-reversal table (entries already known to
// be in range when the table was built here).
void Centre(int n, const float* in, float* out, const std::int16_t* br) {
  const int half = n / 2;
  for (int j = 0; j < n; ++j) {
    const int dest = j < half ? half + j : j - half;
    const int src = br[j];
    out[dest] = (src >= 0 && src < n) ? in[src] : 0.0f;
  }
}

}  // namespace

extern "C" {

ORVABOARD_API int16_t diezma(const uint8_t* in, int16_t input_count, uint8_t* out,
                             int16_t output_count) {
  if (in == nullptr || out == nullptr || input_count < 1 || output_count < 1) return -1;
  const float r = static_cast<float>(input_count) / static_cast<float>(output_count);
  out[0] = in[0];
  for (int i = 1; i < output_count; ++i) {
    const float x = static_cast<float>(i) * r;
    const float fb = std::floor(x);
    const float f = x - fb;
    const int b = HeldIndex(fb, input_count);
    if (f == 0.0f || b + 1 >= input_count) {
      out[i] = in[b];
      continue;
    }
    const double e =
        in[b] + static_cast<double>(in[b + 1] - in[b]) / 10.0 * static_cast<double>(f);
    out[i] = ClampToByte(e);
  }
  return -1;
}

ORVABOARD_API int16_t diezma_sin_aliasing(const uint8_t* in, int16_t input_count, uint8_t* out,
                                          int16_t output_count) {
  if (in == nullptr || out == nullptr || input_count < 1 || output_count < 1) return -1;
  const float r = static_cast<float>(input_count) / static_cast<float>(output_count);
  out[0] = in[0];
  int last_max = 0;
  int last_min = 0;  // before the first minimum
  for (int i = 1; i < output_count; ++i) {
    const float c = r * static_cast<float>(i);
    const bool odd = (i & 1) != 0;
    int best = odd ? 0 : 10000;
    for (int e = 0; static_cast<float>(e) < r; ++e) {
      const int k = HeldIndex(std::trunc(c + static_cast<float>(e)), input_count);
      const int v = in[k];
      if (odd ? v > best : v < best) best = v;
    }
    (odd ? last_max : last_min) = best;
    const int swing = last_max > last_min ? last_max - last_min : last_min - last_max;
    out[i] = static_cast<uint8_t>(swing >= 15 ? best : (last_max + last_min) / 2);
  }
  return -1;
}

ORVABOARD_API int16_t interpolar(const uint8_t* in, int16_t input_count, uint8_t* out,
                                 int16_t output_count) {
  if (in == nullptr || out == nullptr || input_count < 1 || output_count < 1) return -1;
  const double ratio = static_cast<double>(input_count) / output_count;  // input per output
  const double widen = ratio > 1.0 ? ratio : 1.0;
  const double reach = 3.0 * widen;
  for (int i = 0; i < output_count; ++i) {
    const double pos = i * ratio;
    const int first = static_cast<int>(std::ceil(pos - reach));
    const int last = static_cast<int>(std::floor(pos + reach));
    double sum = 0.0, weights = 0.0;
    for (int k = first; k <= last; ++k) {
      const double w = Lanczos3((k - pos) / widen);
      if (w == 0.0) continue;
      const int src = k < 0 ? 0 : (k >= input_count ? input_count - 1 : k);
      sum += w * (in[src] - 128);
      weights += w;
    }
    // Lanczos weights around a position always add up to about 1; the
    // division only removes the small ripple so a constant stays exact.
    const double v = weights != 0.0 ? sum / weights : 0.0;
    // Round away the last few ulps before truncating, so an exact code
    // computed as 99.9999999 is not read as 99.
    out[i] = ClampToByte(128.0 + v + 1e-9);
  }
  return -1;
}

ORVABOARD_API void reescala_la_senal(OrvaPoint* points, const float* values, int32_t count,
                                     double scale, double offset) {
  if (points == nullptr || values == nullptr) return;
  for (int32_t i = 0; i < count; ++i) {
    const long double v =
        (static_cast<long double>(values[i]) + offset) * static_cast<long double>(scale);
    points[i].x = i;
    points[i].y = PinnedCoordinate(v);
  }
}

ORVABOARD_API void reescala_la_senal2(OrvaPoint* points, const uint8_t* values,
                                      const float* abscissae, int32_t count, double scale,
                                      double offset) {
  if (points == nullptr || values == nullptr || abscissae == nullptr) return;
  for (int32_t i = 0; i < count; ++i) {
    const long double v =
        (static_cast<long double>(values[i]) + offset) * static_cast<long double>(scale);
    points[i].x = PinnedCoordinate(static_cast<long double>(abscissae[i]) * 0.1L);
    points[i].y = PinnedCoordinate(v);
  }
}

ORVABOARD_API void fft_init(int16_t n1, int16_t n2) {
  const int s1 = Log2Size(n1);
  const int s2 = Log2Size(n2);
  g_set1.n = 0;
  g_set2.n = 0;
  if (s1 < 0 || s2 < 0 || n1 > kMaxN1 || n2 > kMaxN2 || n2 < n1) return;
  FillTables(n1, s1, g_set1.cosine, g_set1.sine, g_set1.bit_reversal);
  FillTables(n2, s2, g_set2.cosine, g_set2.sine, g_set2.bit_reversal);
  g_set1.n = n1;
  g_set1.stages = s1;
  g_set2.n = n2;
  g_set2.stages = s2;
}

ORVABOARD_API void fft_inicializar(int16_t n, float* cosine, float* sine, int16_t* bit_reversal) {
  const int s = Log2Size(n);
  if (s < 0) return;
  FillTables(n, s, cosine, sine, bit_reversal);
}

ORVABOARD_API void fft_calcular(int16_t n, int16_t stages, const float* in, float* real,
                                float* imaginary, const float* cosine, const float* sine,
                                int16_t complex_input) {
  const int s = Log2Size(n);
  if (s < 0 || real == nullptr || imaginary == nullptr) return;
  if (complex_input == 0) {
    if (in == nullptr) return;
    for (int i = 0; i < n; ++i) {
      real[i] = in[i];
      imaginary[i] = 0.0f;
    }
  }
  const int run = stages < 0 ? 0 : (stages > s ? s : stages);
  if (run == 0) return;
  if (cosine == nullptr || sine == nullptr) return;
  Butterflies(n, run, real, imaginary, cosine, sine);
}

ORVABOARD_API void fft_bit_reverse(int16_t n, const float* in, float* out,
                                   const int16_t* bit_reversal) {
  if (Log2Size(n) < 0 || in == nullptr || out == nullptr || bit_reversal == nullptr) return;
  Centre(n, in, out, bit_reversal);
}

ORVABOARD_API void fft_modulo(int16_t n, const float* real, const float* imaginary, float* out,
                              int16_t mode) {
  if (n < 1 || real == nullptr || imaginary == nullptr || out == nullptr) return;
  const double half = n * 0.5;
  for (int i = 0; i < n; ++i) {
    const double re = real[i], im = imaginary[i];
    if (re == 0.0 && im == 0.0) {
      out[i] = 0.0f;
      continue;
    }
    const double m = std::sqrt(re * re + im * im) / half;
    out[i] = static_cast<float>(mode == 1 ? 20.0 * std::log10(m) : m);
  }
}

ORVABOARD_API void fft_filtro_interpolador(float* trace, int16_t n1, int16_t n2) {
  if (trace == nullptr || g_set1.n == 0 || n1 != g_set1.n || n2 != g_set2.n) return;
  // Spectrum of the input, centred (zero frequency at n1/2) and scaled by 1/n1.
  for (int i = 0; i < n1; ++i) {
    g_re1[i] = trace[i];
    g_im1[i] = 0.0f;
  }
  Butterflies(n1, g_set1.stages, g_re1, g_im1, g_set1.cosine, g_set1.sine);
  Centre(n1, g_re1, g_c_re1, g_set1.bit_reversal);
  Centre(n1, g_im1, g_c_im1, g_set1.bit_reversal);
  // Zero-padded into the middle of an n2-point spectrum.
  for (int i = 0; i < n2; ++i) {
    g_re2[i] = 0.0f;
    g_im2[i] = 0.0f;
  }
  const int base = n2 / 2 - n1 / 2;
  for (int k = 0; k < n1; ++k) {
    g_re2[base + k] = g_c_re1[k] / static_cast<float>(n1);
    g_im2[base + k] = g_c_im1[k] / static_cast<float>(n1);
  }
  // A forward transform read backwards from its centre is the inverse one;
  // the centring leaves an alternating sign on the odd outputs.
  Butterflies(n2, g_set2.stages, g_re2, g_im2, g_set2.cosine, g_set2.sine);
  Centre(n2, g_re2, g_c_re2, g_set2.bit_reversal);
  for (int j = 0; j < n2; ++j) {
    const int src = ((n2 / 2 - j) % n2 + n2) % n2;
    const float v = g_c_re2[src];
    trace[j] = (n2 > 1 && (j & 1) != 0) ? -v : v;
  }
}

ORVABOARD_API double Arcsin(double x) {
  if (!(x >= -1.0 && x <= 1.0)) return 10000.0;
  return std::asin(x);
}

ORVABOARD_API double Arccos(double x) {
  if (!(x >= -1.0 && x <= 1.0)) return 10000.0;
  return std::acos(x);
}

}  // extern "C"
