// The remote-link state: capture of the settings record from the instrument
// and the change/guard flags the front panel reports through.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "orva/remote/registro_remoto.h"
#include "orva/scope/osciloscopio.h"

namespace orva::remote {
namespace {

TEST(RegistroRemoto, CaptureCopiesTheFourteenSettingsInSlotOrder) {
  scope::Osciloscopio o;
  o.AcoplamientoCanal1(2);
  o.AcoplamientoCanal2(0);
  o.GananciaCanal1(7);
  o.GananciaCanal2(9);
  o.BaseDeTiemposActual(13);
  o.CanalDisparo(2);
  o.ModoDisparo(1);
  o.Flanco(1);
  o.DisparoExterno(1);
  o.MetodoInterpolacion(hosting::PropertyValue(std::int64_t{1}));
  o.Nivel(201);
  o.MovimientoPretrigger(-3);
  o.GainAuto2(true);  // also moves GananciaCanal2 to 10

  EstadoRemoto e;
  EXPECT_TRUE(e.captura_registro_remoto(o));
  const RegistroRemoto want{2, 0, 7, 10, 13, 2, 1, 1, 1, 1, 201, -3, 0, -1};
  EXPECT_EQ(e.Registro, want);
  // Capturing touches none of the flags.
  EXPECT_FALSE(e.CambioLocal);
  EXPECT_EQ(e.AutomaticoRemoto, 0);
}

TEST(RegistroRemoto, NumericFieldsRoundHalfToEvenAndSaturate) {
  struct Caso {
    double movimiento;
    hosting::PropertyValue metodo;
    std::int16_t want_movimiento, want_metodo;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Caso casos[] = {
      {2.5, hosting::PropertyValue(0.5), 2, 0},
      {-1.5, hosting::PropertyValue(std::string("3")), -2, 3},
      {1e9, hosting::PropertyValue(-1e9), 32767, -32768},
      {std::nan(""), hosting::PropertyValue(std::string("lineal")), 0, 0},
      {inf, hosting::PropertyValue(inf), 0, 0},
  };
  for (const Caso& c : casos) {
    scope::Osciloscopio o;
    o.MovimientoPretrigger(c.movimiento);
    o.MetodoInterpolacion(c.metodo);
    EstadoRemoto e;
    e.captura_registro_remoto(o);
    EXPECT_EQ(e.Registro.MovimientoPretrigger, c.want_movimiento) << c.movimiento;
    EXPECT_EQ(e.Registro.MetodoInterpolacion, c.want_metodo) << c.movimiento;
  }
}

TEST(EstadoRemoto, ChangesAreReportedOnlyOnceStartedAndWhileNoRecordIsApplied) {
  EstadoRemoto e;
  e.CambioDelUsuario();  // before start-up: nothing to report to yet
  EXPECT_FALSE(e.CambioLocal);
  e.inicia_enlace_remoto();
  EXPECT_TRUE(e.NoAplicandoRemoto);
  e.NoAplicandoRemoto = false;  // a received record is being applied
  e.CambioDelUsuario();
  EXPECT_FALSE(e.CambioLocal);
  e.NoAplicandoRemoto = true;
  e.CambioDelUsuario();
  EXPECT_TRUE(e.CambioLocal);
  EXPECT_EQ(Bandera16(true), -1);
  EXPECT_EQ(Bandera16(false), 0);
}

}  // namespace
}  // namespace orva::remote
