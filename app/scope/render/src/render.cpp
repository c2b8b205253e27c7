// Trace renderers: rescale to integer points, map, one polyline.
#include "orva/scope/render.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orva::scope {
namespace {

constexpr std::int32_t kMaxPoints = 768;

struct Mapping {
  std::int32_t last;  // logical width n of the trace
  double escala;
  double offset;
};

constexpr Mapping kTiempo{768, 125.0, -128.0};
constexpr Mapping kEspectro{511, 320.0, -50.0};
constexpr Mapping kImpresora{768, 62.5, 0.0};

// Shared point buffer: the renderers run on the window thread only, one at a
// time, and never keep the points after returning.
std::array<gdi::POINT, kMaxPoints>& PointBuffer() {
  static std::array<gdi::POINT, kMaxPoints> buffer{};
  return buffer;
}

// Keeps the points' y on the surface's pixel rows. The logical bottom edge,
// -16000, maps to row `height`, one row below the picture, so a trace at the
// bottom of its range (code 0, or anything clipped below) would vanish while
// one clipped at the top shows along row 0. Points are pinned between the top
// edge and the logical y of the last row, so a clipped trace shows at either
// edge.
void PinToRows(gdi::POINT* puntos, std::int32_t count, std::int32_t height) {
  if (height <= 0) return;
  const auto bottom = static_cast<std::int32_t>(-16000 + std::ceil(32000.0 / height));
  for (std::int32_t i = 0; i < count; ++i)
    puntos[i].y = std::clamp<std::int32_t>(puntos[i].y, bottom, 16000);
}

// Steps 1 to 7 (and 8 when restore is set) of every renderer; on a picture
// (pin set) the points are kept on its rows.
void Draw(gdi::Canvas& surface, const std::vector<float>& traza, gdi::COLORREF color,
          const Mapping& m, bool restore, bool pin) {
  surface.SetScaleMode(gdi::Canvas::kPixels);
  surface.SetForeColor(color);
  surface.SetDrawStyle(gdi::PS_SOLID);
  gdi::HDC hdc = surface.hDC();
  const int saved = gdi::SaveDC(hdc);
  gdi::SetMapMode(hdc, gdi::MM_ANISOTROPIC);
  const std::int32_t count =
      static_cast<std::int32_t>(std::min<std::size_t>(traza.size(), static_cast<std::size_t>(m.last)));
  auto& puntos = PointBuffer();
  ReescalaLaSenal(puntos.data(), traza.data(), count, m.escala, m.offset);
  if (pin) PinToRows(puntos.data(), count, static_cast<std::int32_t>(surface.ScaleHeight()));
  gdi::SetWindowOrgEx(hdc, 0, 16000, nullptr);
  gdi::SetWindowExtEx(hdc, m.last, -32000, nullptr);
  gdi::SetViewportOrgEx(hdc, 0, 0, nullptr);
  // In pixel mode the scale width and height are the surface's pixel size.
  gdi::SetViewportExtEx(hdc, static_cast<std::int32_t>(surface.ScaleWidth()),
                        static_cast<std::int32_t>(surface.ScaleHeight()), nullptr);
  if (count >= 2) gdi::Polyline(hdc, puntos.data(), count);
  if (restore && saved > 0) gdi::RestoreDC(hdc, saved);
}

}  // namespace

void DibujaTrazo(gdi::Canvas& picture, const std::vector<float>& traza, gdi::COLORREF color) {
  Draw(picture, traza, color, kTiempo, true, true);
  picture.Scale(0, 256, 768, 0);
}

void DibujaTrazoEspectro(gdi::Canvas& picture, const std::vector<float>& traza,
                         gdi::COLORREF color) {
  Draw(picture, traza, color, kEspectro, true, true);
  picture.Scale(0, 256, 511, 0);
}

void DibujaTrazoImpresora(gdi::Canvas& printer, const std::vector<float>& traza,
                          gdi::COLORREF color, bool restaurar) {
  // The page's user scale is the property saved here and set back on restore.
  const double left = printer.ScaleLeft(), top = printer.ScaleTop();
  const double width = printer.ScaleWidth(), height = printer.ScaleHeight();
  const int mode = printer.ScaleMode();
  Draw(printer, traza, color, kImpresora, restaurar, false);
  if (restaurar) {
    if (mode == gdi::Canvas::kUser) {
      printer.Scale(left, top, left + width, top + height);
    } else {
      printer.SetScaleMode(mode);
    }
  }
}

}  // namespace orva::scope
