// The record of the shown traces and its CSV form.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "orva/dao.h"
#include "orva/export/trace_export.h"
#include "record_text.h"

namespace orva::exporta {
namespace {

constexpr double kInicioPantalla = 256.0;         // first position of the middle screen
constexpr double kPosicionesPorDivision = 25.6;
constexpr float kCentro = 128.0f;                 // code of 0 V
constexpr float kCodigosPorVoltioDiv = 128.0f / 4.0f;  // 32 codes a division

// The shortest text that reads back to v, always with a '.' (to_chars does
// not look at the locale).
template <class T>
void Numero(std::string& linea, T v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  linea.append(buf, r.ptr);
}

struct Cierra {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::size_t Registro::Filas() const {
  std::size_t n = 0;
  for (const auto& c : voltios) n = std::max(n, c.size());
  return n;
}

double Registro::Tiempo(std::size_t fila) const {
  return static_cast<double>(primera_muestra + static_cast<std::int64_t>(fila)) / fm;
}

Registro PreparaRegistro(std::span<const TrazaMostrada> trazas, double movimiento_div, double fm) {
  if (!std::isfinite(fm) || fm <= 0.0) throw std::invalid_argument("no display sample rate");
  if (!std::isfinite(movimiento_div)) throw std::invalid_argument("no trigger point");
  Registro r;
  r.fm = fm;
  r.primera_muestra =
      static_cast<std::int64_t>(std::nearbyint(-kInicioPantalla - movimiento_div * kPosicionesPorDivision));
  for (const TrazaMostrada& t : trazas) {
    const std::size_t n = std::min(t.codigos.size(), kPosicionesDelRegistro);
    std::vector<float> v(n);
    const float por_codigo = t.voltios_por_division / kCodigosPorVoltioDiv;
    for (std::size_t i = 0; i < n; ++i) v[i] = (t.codigos[i] - kCentro - t.desplazamiento) * por_codigo;
    r.nombres.push_back(t.nombre);
    r.voltios.push_back(std::move(v));
  }
  if (r.Filas() == 0) throw std::invalid_argument("no trace to export (the instrument has drawn none)");
  return r;
}

std::string Encabezado(const Registro& registro) {
  std::string s = "time (s)";
  for (const std::string& n : registro.nombres) s += "," + n + " (V)";
  return s;
}

void EscribeCsv(const Registro& registro, const std::string& destino) {
  dao::ReplacementFile nuevo(destino);
  std::unique_ptr<std::FILE, Cierra> f(std::fopen(nuevo.TemporaryPath().c_str(), "w"));
  if (!f) throw std::runtime_error("cannot write " + nuevo.TemporaryPath());
  std::string linea = Encabezado(registro);
  linea += '\n';
  bool ok = std::fputs(linea.c_str(), f.get()) >= 0;
  for (std::size_t fila = 0; ok && fila < registro.Filas(); ++fila) {
    linea.clear();
    Numero(linea, registro.Tiempo(fila));
    for (const auto& columna : registro.voltios) {
      linea += ',';
      if (fila < columna.size()) Numero(linea, columna[fila]);
    }
    linea += '\n';
    ok = std::fputs(linea.c_str(), f.get()) >= 0;
  }
  if (!ok || std::fclose(f.release()) != 0) throw std::runtime_error("cannot write " + destino);
  nuevo.Commit();
}

}  // namespace orva::exporta
