// Cursor, marker and pointer readout texts.
#include "orva/mainwindow/cursor_readouts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "orva/scope/readouts.h"

namespace orva::mainwindow {
namespace {

constexpr double kPosicionesPorDivision = 25.6;
constexpr double kCentro = 128.0;      // code of 0 V
constexpr double kInicioPantalla = 256.0;  // first position of the middle screen
constexpr double kPuntosFFT = 512.0;
constexpr double kCeroHz = 256.0;          // point of zero frequency in the centred transform
constexpr double kUltimoPunto = 511.0;     // points 0..510 span the view's width

// v as the 32-bit whole number of the readouts (nearest, ties to even under
// the default rounding mode); none outside 32 bits or when not finite.
std::optional<std::int32_t> Redondea32(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  const double r = std::nearbyint(v);
  if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(r);
}

bool RateUsable(double fm) { return std::isfinite(fm) && fm != 0.0; }

// The value in single precision for the formatters; none when not finite there.
std::optional<float> Single(double v) {
  const auto f = static_cast<float>(v);
  if (!std::isfinite(f)) return std::nullopt;
  return f;
}

std::string Tiempo(std::optional<std::int32_t> n, double fm) {
  if (!n || !RateUsable(fm)) return {};
  const auto t = Single(*n / fm);
  return t ? scope::FormatoTiempo(*t) : std::string();
}

std::string Voltios(double codes, double vdiv) {
  const auto v = Single(codes * vdiv * 4.0 / 128.0);
  return v ? scope::FormatoVoltios(*v) : std::string();
}

}  // namespace

std::string TextoTiempoCursor(double x, double shift_div, double fm) {
  return Tiempo(Redondea32((x - kInicioPantalla) - shift_div * kPosicionesPorDivision), fm);
}

std::string TextoDiferenciaTiempo(double x1, double x2, double fm) {
  return Tiempo(Redondea32(x2 - x1), fm);
}

std::string TextoInversoDiferenciaTiempo(double x1, double x2, double fm) {
  const std::optional<std::int32_t> n = Redondea32(x2 - x1);
  if (!n || *n == 0 || !RateUsable(fm)) return {};
  const auto f = Single(std::abs(fm / static_cast<double>(*n)));
  return f ? scope::FormatoFrecuencia(*f) : std::string();
}

std::string TextoVoltiosCursor(double y, double vdiv) { return Voltios(y - kCentro, vdiv); }

std::string TextoDiferenciaVoltios(double y1, double y2, double vdiv) {
  return Voltios(y1 - y2, vdiv);
}

int PuntoDelMarcador(double x, double left, double width, int columnas, std::span<const float> a,
                     std::span<const float> b) {
  if (!std::isfinite(x) || !std::isfinite(left) || !std::isfinite(width) || width == 0.0 ||
      columnas < 1)
    return -1;
  const double fraccion = std::clamp((x - left) / width, 0.0, 1.0);
  const auto cercano = static_cast<int>(std::nearbyint(fraccion * kUltimoPunto));
  // Points drawn on the column c: round(i * columnas / 511) == c.
  const double c = std::nearbyint(fraccion * columnas);
  const double por_columna = kUltimoPunto / columnas;
  const int desde = std::max(0, static_cast<int>(std::ceil((c - 0.5) * por_columna)));
  const int hasta = std::min(static_cast<int>(kUltimoPunto) - 1,
                             static_cast<int>(std::ceil((c + 0.5) * por_columna)) - 1);
  int punto = -1;
  float alto = 0;
  for (const std::span<const float>& espectro : {a, b}) {
    const int n = std::min(hasta + 1, static_cast<int>(std::min<std::size_t>(espectro.size(), 511)));
    for (int i = desde; i < n; ++i)
      if (punto < 0 || espectro[static_cast<std::size_t>(i)] > alto) {
        punto = i;
        alto = espectro[static_cast<std::size_t>(i)];
      }
  }
  return punto >= 0 ? punto : cercano;
}

std::string TextoFrecuenciaPunto(int punto, double fm) {
  if (punto < 0 || punto >= kPuntosFFT || !RateUsable(fm)) return {};
  const auto f = Single((punto - kCeroHz) * fm / kPuntosFFT);
  return f ? scope::FormatoFrecuencia(*f) : std::string();
}

}  // namespace orva::mainwindow
