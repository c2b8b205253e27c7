// XY view: channel 2 plotted against channel 1 as dots on a caller-owned
// surface, and the check that tells whether a record has few enough periods
// for a readable XY figure.
#include <cmath>
#include <cstdint>

#include "orvaboard.h"

namespace {

// Dots computed from wild float samples (or a huge plot area) can leave the
// 32-bit pixel range: such dots are skipped rather than converted.
constexpr double kPixelLimit = 2.0e9;

template <typename Sample>
void PlotDots(const OrvaSurface* surface, const Sample* x, const Sample* y, int32_t count,
              int32_t colour, int32_t step, float height, float width) {
  if (surface == nullptr || surface->set_pixel == nullptr || x == nullptr || y == nullptr) {
    return;
  }
  // A step of 0 or less would never advance: plot every sample instead.
  const std::int64_t stride = step < 1 ? 1 : step;
  const float a = width / 256.0f;
  const float b = height / 256.0f;
  const std::int64_t end = static_cast<std::int64_t>(count) - 1;  // last sample never plotted
  for (std::int64_t i = 0; i < end; i += stride) {
    const float xs = static_cast<float>(x[i]);
    const float ys = static_cast<float>(y[i]);
    const double column = std::trunc(static_cast<double>(a * xs));
    const double row = std::trunc(static_cast<double>((128.0f - ys) * b + b * 128.0f));
    if (!(std::fabs(column) <= kPixelLimit) || !(std::fabs(row) <= kPixelLimit)) continue;
    surface->set_pixel(surface->context, static_cast<std::int32_t>(column),
                       static_cast<std::int32_t>(row), static_cast<std::uint32_t>(colour));
  }
}

// Crossings of the mean with a hysteresis band of +-5 codes.
int CountSwings(const uint8_t* s, int32_t count) {
  double sum = 0.0;
  for (int32_t k = 0; k < count - 1; ++k) sum += s[k];
  // The last sample is left out of the sum but counted in the divisor.
  const double mean = sum / count;
  bool high = s[0] >= mean;
  int crossings = 0;
  for (int32_t k = 1; k < count - 1; ++k) {
    if (high && s[k] < mean - 5.0) {
      ++crossings;
      high = false;
    } else if (!high && s[k] > mean + 5.0) {
      ++crossings;
      high = true;
    }
  }
  return crossings;
}

}  // namespace

extern "C" {

ORVABOARD_API void dibuja_un_vector_xy(const OrvaSurface* surface, const uint8_t* x,
                                       const uint8_t* y, int32_t count, int32_t colour,
                                       int32_t step, float height, float width) {
  PlotDots(surface, x, y, count, colour, step, height, width);
}

ORVABOARD_API void dibuja_un_vector_xy2(const OrvaSurface* surface, const float* x,
                                        const float* y, int32_t count, int32_t colour,
                                        int32_t step, float height, float width) {
  PlotDots(surface, x, y, count, colour, step, height, width);
}

ORVABOARD_API int16_t comprueba_fm_para_xy(const uint8_t* x, const uint8_t* y, int32_t count) {
  if (x == nullptr || y == nullptr || count < 1) return -1;
  const int cx = CountSwings(x, count);
  const int cy = CountSwings(y, count);
  if (cx < 10 || cy < 10) return -1;
  if (cx > 10 && cy > 10) return 1;
  return 0;
}

}  // extern "C"
