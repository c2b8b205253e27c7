#include "orva/remote/registro_remoto.h"

#include <cmath>
#include <limits>
#include <optional>

#include "orva/hosting.h"
#include "orva/scope/osciloscopio.h"

namespace orva::remote {
namespace {

// A number as a 16-bit field: rounded half to even, saturated; 0 when it is
// not a finite number.
std::int16_t Campo16(std::optional<double> v) {
  if (!v || !std::isfinite(*v)) return 0;
  constexpr double lo = std::numeric_limits<std::int16_t>::min();
  constexpr double hi = std::numeric_limits<std::int16_t>::max();
  if (*v <= lo) return std::numeric_limits<std::int16_t>::min();
  if (*v >= hi) return std::numeric_limits<std::int16_t>::max();
  return static_cast<std::int16_t>(hosting::RoundHalfEven(*v));
}

}  // namespace

bool EstadoRemoto::captura_registro_remoto(const scope::Osciloscopio& o) {
  RegistroRemoto& r = Registro;
  r.AcoplamientoCanal1 = o.AcoplamientoCanal1();
  r.AcoplamientoCanal2 = o.AcoplamientoCanal2();
  r.GananciaCanal1 = o.GananciaCanal1();
  r.GananciaCanal2 = o.GananciaCanal2();
  r.BaseDeTiemposActual = o.BaseDeTiemposActual();
  r.CanalDisparo = o.CanalDisparo();
  r.ModoDisparo = o.ModoDisparo();
  r.Flanco = o.Flanco();
  r.DisparoExterno = o.DisparoExterno();
  r.MetodoInterpolacion = Campo16(hosting::ToDouble(o.MetodoInterpolacion()));
  r.Nivel = o.Nivel();
  r.MovimientoPretrigger = Campo16(o.MovimientoPretrigger());
  r.GainAuto1 = Bandera16(o.GainAuto1());
  r.GainAuto2 = Bandera16(o.GainAuto2());
  return true;
}

}  // namespace orva::remote
