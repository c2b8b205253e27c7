// The board library's point conversion and XY plotter, as the renderers and
// the window call them.
//
// ORVA_RENDER_BOARD_ROUTINES (set by the build when the board library exports
// them) forwards to reescala_la_senal / dibuja_un_vector_xy2; without it the
// local copies below, with the same arithmetic, are used.
#include <cmath>
#include <cstdint>

#include "orva/scope/render.h"

#if ORVA_RENDER_BOARD_ROUTINES
#include "orvaboard.h"
#endif

namespace orva::scope {

#if ORVA_RENDER_BOARD_ROUTINES

static_assert(sizeof(gdi::POINT) == 8, "point records are two 32-bit integers");

void ReescalaLaSenal(gdi::POINT* puntos, const float* valores, std::int32_t n, double escala,
                     double offset) {
  if (puntos == nullptr || valores == nullptr || n <= 0) return;
  reescala_la_senal(reinterpret_cast<OrvaPoint*>(puntos), valores, n, escala, offset);
}

void DibujaUnVectorXY2(OrvaSurface* surface, const float* x, const float* y, std::int32_t n,
                       std::uint32_t color, std::int32_t step, float alto, float ancho) {
  dibuja_un_vector_xy2(surface, x, y, n, static_cast<std::int32_t>(color), step < 1 ? 1 : step,
                       alto, ancho);
}

#else

void ReescalaLaSenal(gdi::POINT* puntos, const float* valores, std::int32_t n, double escala,
                     double offset) {
  if (puntos == nullptr || valores == nullptr) return;
  for (std::int32_t i = 0; i < n; ++i) {
    // Extended precision, truncated toward zero, then pinned just outside the
    // drawing area.
    const long double v =
        (static_cast<long double>(valores[i]) + offset) * static_cast<long double>(escala);
    const long double t = std::trunc(v);
    std::int32_t y;
    if (std::isnan(t) || t > 16000.0L) {
      y = 16010;  // above the top (a NaN sample is pinned there too)
    } else if (t < -16000.0L) {
      y = -16010;
    } else {
      y = static_cast<std::int32_t>(t);
    }
    puntos[i] = gdi::POINT{i, y};
  }
}

void DibujaUnVectorXY2(OrvaSurface* surface, const float* x, const float* y, std::int32_t n,
                       std::uint32_t color, std::int32_t step, float alto, float ancho) {
  if (surface == nullptr || surface->set_pixel == nullptr || x == nullptr || y == nullptr) return;
  if (step < 1) step = 1;
  const float a = ancho / 256.0f;
  const float b = alto / 256.0f;
  for (std::int64_t i = 0; i < static_cast<std::int64_t>(n) - 1; i += step) {
    const double col = std::trunc(static_cast<double>(a * x[i]));
    const double row = std::trunc(static_cast<double>((128.0f - y[i]) * b + b * 128.0f));
    if (!(std::fabs(col) < 2.0e9) || !(std::fabs(row) < 2.0e9)) continue;
    surface->set_pixel(surface->context, static_cast<std::int32_t>(col),
                       static_cast<std::int32_t>(row), color);
  }
}

#endif

}  // namespace orva::scope
