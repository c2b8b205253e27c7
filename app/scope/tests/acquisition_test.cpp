// The acquisition cycle through the instrument's members, against a recording
// board and a hand-moved clock: capture geometry and the arguments of every
// board call, the poll/time-out/re-arm sequence, refused programmings, the
// software trigger search and its slope check, the hold record, external
// trigger offsets and the Auto-mode fall-back.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Sigdex.h"
#include "orva/scope/osciloscopio.h"
#include "scope_fakes.h"
#include "sigdexp/sigdex_control.h"

namespace orva::scope {
namespace {

using testing::Rig;

constexpr double kPi = 3.14159265358979323846;

// center + amp * sin(2 pi (i - zero_at) / period), rounded to codes 0..255.
std::vector<std::uint8_t> Sine(int n, double center, double amp, double period, double zero_at) {
  std::vector<std::uint8_t> v(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double y = center + amp * std::sin(2 * kPi * (i - zero_at) / period);
    v[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::lround(std::clamp(y, 0.0, 255.0)));
  }
  return v;
}

// The working trace the instrument should build from raw bytes, computed
// independently with a separate signal-processing control.
std::vector<float> ReferenceTrace(const std::vector<std::uint8_t>& raw, int total, int timebase) {
  const TimebaseRow& row = Timebase(timebase);
  std::vector<float> w(static_cast<std::size_t>(total));
  Copia(raw.data(), w.data(), total, 0, 0);
  orva::Sigdex s;
  if (row.orden_interpolacion > 0) {
    s.VectorInReal(w);
    s.OrdenInterpolacion(row.orden_interpolacion);
    s.Interpolar();
    w = s.VectorOutReal();
  }
  if (row.orden_diezmado > 0) {
    s.VectorInReal(w);
    s.OrdenDiezmado(row.orden_diezmado);
    s.Diezmar();
    w = s.VectorOutReal();
  }
  return w;
}

void Basic(Osciloscopio& o, int timebase) {
  o.BaseDeTiemposActual(static_cast<std::int16_t>(timebase));
  o.CanalDisparo(1);
  o.Canal1Activo(true);
  o.Canal2Activo(true);
  o.AcoplamientoCanal1(1);
  o.AcoplamientoCanal2(1);
  o.GananciaCanal1(5);
  o.GananciaCanal2(5);
  o.Nivel(128);
  o.ModoDisparo(kModoNormal);
}

TEST(ScopeProgramming, CaptureGeometryAndCountsSentToTheBoard) {
  struct Case {
    int timebase;
    double shift;
    std::int32_t pre, screen, post;
    std::int16_t sent_b;
    std::int32_t sent_a;
  };
  const std::vector<Case> cases{
      {8, 0, 2240, 2000, 2340, 2240, 4340},
      {8, 2, 2640, 2000, 1940, 2640, 3940},   // 400 samples move to the first count
      {8, -1.5, 1940, 2000, 2640, 1940, 4640},
      {2, 0, 30, 20, 78, 30, 98},
      {2, 0.25, 30, 20, 78, 30, 98},          // 30.5 and 77.5 round half to even
      {2, 0.75, 32, 20, 76, 32, 96},          // 31.5 and 76.5
      {15, 0, 1562, 1562, 1562, 1562, 3124},
      {20, 1, 1343, 1221, 1099, 1343, 2320},  // 122.1 samples of shift
      // Shifts beyond +-10 divisions are used as +-10: counts never negative.
      {8, 1000, 4240, 2000, 340, 4240, 2340},
      {8, -1e9, 240, 2000, 4340, 240, 6340},
      {17, std::nan(""), 1953, 1953, 1953, 1953, 3906},
  };
  for (const Case& c : cases) {
    Rig r;
    Basic(*r.osc, c.timebase);
    r.osc->MovimientoPretrigger(c.shift);
    EXPECT_EQ(r.osc->Programacion(), 1);
    EXPECT_EQ(r.osc->CuentaPre(), c.pre) << c.timebase << " " << c.shift;
    EXPECT_EQ(r.osc->CuentaPantalla(), c.screen);
    EXPECT_EQ(r.osc->CuentaPos(), c.post) << c.timebase << " " << c.shift;
    ASSERT_EQ(r.log->oscil_new.size(), 1u);
    EXPECT_EQ(r.log->oscil_new[0].cuenta_b, c.sent_b);
    EXPECT_EQ(r.log->oscil_new[0].cuenta_a, c.sent_a);
  }
}

TEST(ScopeProgramming, ArgumentsOfTheProgrammingAndReadCalls) {
  Rig r;
  Basic(*r.osc, 12);
  r.osc->CanalDisparo(2);
  r.osc->AcoplamientoCanal1(0);
  r.osc->AcoplamientoCanal2(2);
  r.osc->GananciaCanal1(3);
  r.osc->GananciaCanal2(9);
  r.osc->Nivel(200);
  r.osc->Flanco(1);
  r.osc->ModoDisparo(kModoAuto);
  r.osc->DisparoExterno(1);
  r.osc->Programacion();
  ASSERT_EQ(r.log->oscil_new.size(), 1u);
  const OscilNewArgs& a = r.log->oscil_new[0];
  EXPECT_EQ(a.canal_disparo, 2);
  EXPECT_EQ(a.acoplamiento1, 0);
  EXPECT_EQ(a.acoplamiento2, 2);
  EXPECT_EQ(a.ganancia1, 3);
  EXPECT_EQ(a.ganancia2, 9);
  EXPECT_EQ(a.nivel, 55);  // 255 - Nivel
  EXPECT_EQ(a.flanco, 1);
  EXPECT_EQ(a.periodo, static_cast<float>(32.0 / 40000000.0));  // 2^5 / 40 MHz
  EXPECT_EQ(a.reservado, 10000);
  EXPECT_EQ(a.modo, kModoAuto);
  EXPECT_EQ(a.disparo_externo, 1);
  EXPECT_FALSE(r.osc->FinDeCaptura());

  r.osc->FuerzaModoSoftware(true);
  r.osc->Programacion();
  EXPECT_EQ(r.log->oscil_new.back().modo, kModoSinDisparo);

  r.osc->LecturaDeMemoria();
  ASSERT_EQ(r.log->reads.size(), 1u);
  const LeeLaMemoriaArgs& l = r.log->reads[0];
  EXPECT_EQ(l.cuenta_a, 2500);
  EXPECT_EQ(l.cuenta_b, 1250);
  EXPECT_EQ(l.salto, 2500);
  EXPECT_EQ(l.canal_disparo, 2);
  EXPECT_EQ(l.nivel, 200);  // not inverted here
  EXPECT_EQ(l.flanco, 1);
  EXPECT_EQ(l.ganancia1, 3);
  EXPECT_EQ(l.ganancia2, 9);
  EXPECT_EQ(l.acoplamiento1, 0);
  EXPECT_EQ(l.acoplamiento2, 2);

  r.osc->path("/boards/ktr");
  r.osc->DireccionES(0x390);
  EXPECT_EQ(r.osc->Configuracion(), 5);
  ASSERT_EQ(r.log->configuracio.size(), 1u);
  EXPECT_EQ(r.log->configuracio[0].first, 0x390);
  EXPECT_EQ(r.log->configuracio[0].second, "/boards/ktr");
}

TEST(ScopeProgramming, ValuesThatDoNotFitTheBoardFieldsSendNothing) {
  struct Case {
    const char* what;
    std::function<void(Osciloscopio&)> spoil;
    Rechazo reason;
  };
  const std::vector<Case> cases{
      {"level 256", [](Osciloscopio& o) { o.Nivel(256); }, Rechazo::kNivel},
      {"level -1", [](Osciloscopio& o) { o.Nivel(-1); }, Rechazo::kNivel},
      {"external 300", [](Osciloscopio& o) { o.DisparoExterno(300); }, Rechazo::kDisparoExterno},
      {"slope 2", [](Osciloscopio& o) { o.Flanco(2); }, Rechazo::kFlanco},
      {"coupling 7", [](Osciloscopio& o) { o.AcoplamientoCanal2(7); }, Rechazo::kAcoplamiento},
      {"stored gain 11",
       [](Osciloscopio& o) {
         hosting::PropertyBag bag;
         o.WriteProperties(bag);
         bag.Write("GananciaCanal1", std::int64_t{11}, 0);
         o.ReadProperties(bag);
       },
       Rechazo::kGanancia},
  };
  for (const Case& c : cases) {
    Rig r;
    Basic(*r.osc, 8);
    c.spoil(*r.osc);
    EXPECT_EQ(r.osc->Programacion(), kProgramacionRechazada) << c.what;
    EXPECT_EQ(r.osc->ProgramacionRechazada(), c.reason) << c.what;
    EXPECT_TRUE(r.log->oscil_new.empty()) << c.what;
    r.osc->LecturaDeMemoria();
    EXPECT_TRUE(r.log->reads.empty()) << c.what;
  }
  // Once the value fits again, programming goes through.
  Rig r;
  Basic(*r.osc, 8);
  r.osc->Nivel(300);
  EXPECT_EQ(r.osc->Programacion(), kProgramacionRechazada);
  r.osc->Nivel(255);
  EXPECT_EQ(r.osc->Programacion(), 1);
  EXPECT_EQ(r.osc->ProgramacionRechazada(), Rechazo::kNinguno);
  EXPECT_EQ(r.log->oscil_new.back().nivel, 0);
}

TEST(ScopeProgramming, AutomaticGainProgramsTheBoardTwiceOnItsFirstPass) {
  Rig r;
  Basic(*r.osc, 8);
  r.osc->GainAuto1(true);
  r.osc->Programacion();
  EXPECT_EQ(r.log->oscil_new.size(), 2u);
  r.osc->Programacion();
  EXPECT_EQ(r.log->oscil_new.size(), 3u);
}

TEST(ScopePolling, TimeOutReArmsAndAutoFallsBackToUntriggered) {
  for (const std::int16_t mode : {kModoNormal, kModoAuto, kModoSingle}) {
    Rig r;
    Basic(*r.osc, 15);  // 1 ms/div: time-out 0.5 s
    r.osc->ModoDisparo(mode);
    r.osc->Programacion();
    r.clock.Advance(0.2);
    EXPECT_FALSE(r.osc->ComprobacionFinDeCaptura());
    EXPECT_EQ(r.log->oscil_new.size(), 1u);  // no re-arm yet
    EXPECT_FALSE(r.osc->FuerzaModoSoftware());
    r.clock.Advance(0.4);  // 0.6 s after programming
    EXPECT_FALSE(r.osc->ComprobacionFinDeCaptura());
    ASSERT_EQ(r.log->oscil_new.size(), 2u) << mode;  // re-armed in every mode
    EXPECT_EQ(r.osc->FuerzaModoSoftware(), mode == kModoAuto) << mode;
    EXPECT_EQ(r.log->oscil_new[1].modo, mode == kModoAuto ? kModoSinDisparo : mode);
    // The re-arm reset the time stamp: the next poll soon after does not re-arm.
    r.clock.Advance(0.3);
    EXPECT_FALSE(r.osc->ComprobacionFinDeCaptura());
    EXPECT_EQ(r.log->oscil_new.size(), 2u);
    r.clock.Advance(0.3);
    EXPECT_FALSE(r.osc->ComprobacionFinDeCaptura());
    EXPECT_EQ(r.log->oscil_new.size(), 3u);
    // The capture ends.
    r.log->fin = 256;
    EXPECT_TRUE(r.osc->ComprobacionFinDeCaptura());
    EXPECT_TRUE(r.osc->FinDeCaptura());
    EXPECT_EQ(r.log->polls, 5);
  }
}

TEST(ScopePolling, TimeOutUsesTheProgrammedTimebase) {
  Rig r;
  Basic(*r.osc, 15);
  r.osc->Programacion();
  r.osc->BaseDeTiemposActual(20);  // 2.47 s, but not programmed yet
  r.clock.Advance(0.6);
  EXPECT_FALSE(r.osc->ComprobacionFinDeCaptura());
  ASSERT_EQ(r.log->oscil_new.size(), 2u);
  EXPECT_EQ(r.osc->BaseDeTiemposProgramada(), 20);  // the re-arm takes the new row
  r.clock.Advance(0.6);
  EXPECT_FALSE(r.osc->ComprobacionFinDeCaptura());
  EXPECT_EQ(r.log->oscil_new.size(), 2u);
}

TEST(ScopePolling, AValueOtherThan256MeansStillRunning) {
  Rig r;
  Basic(*r.osc, 8);
  r.osc->Programacion();
  for (std::int16_t v : {0, 1, 255, 257, -1}) {
    r.log->fin = v;
    EXPECT_FALSE(r.osc->ComprobacionFinDeCaptura()) << v;
  }
}

// A capture at 5 us/div whose channel 1 crosses `center` at raw sample zero_at.
struct TriggerRig : Rig {
  explicit TriggerRig(double amp = 80, double zero_at = 2240, int timebase = 8) {
    Basic(*osc, timebase);
    osc->Programacion();
    const int total = osc->CuentaPre() + osc->CuentaPantalla() + osc->CuentaPos();
    log->canal1 = Sine(total, 128, amp, 2000, zero_at);
    log->canal2 = Sine(total, 128, 30, 1000, 0);
  }
  int Total() const { return osc->CuentaPre() + osc->CuentaPantalla() + osc->CuentaPos(); }
};

TEST(ScopeTrigger, RisingAndFallingEdgesLandAtTheScreensLeftEdge) {
  {
    TriggerRig r;  // rising through 128 at the board's trigger point
    r.osc->LecturaDeMemoria();
    const auto& a = r.osc->TrazaAlineada1();
    ASSERT_EQ(a.size(), 1024u);
    EXPECT_TRUE(r.osc->DisparoEncontrado());
    EXPECT_LE(a[255], 128.0f);
    EXPECT_GE(a[256], 128.0f);
    EXPECT_GT(a[270], a[256]);
  }
  {
    TriggerRig r(-80);  // falling
    r.osc->Flanco(1);
    r.osc->LecturaDeMemoria();
    const auto& a = r.osc->TrazaAlineada1();
    EXPECT_TRUE(r.osc->DisparoEncontrado());
    EXPECT_GE(a[255], 128.0f);
    EXPECT_LE(a[256], 128.0f);
    EXPECT_LT(a[270], a[256]);
  }
  {
    // Inverted channel, rising slope selected: the search takes the falling
    // edge of the inverted trace, i.e. the rising edge of the input.
    TriggerRig r;
    r.osc->Canal1Invertido(true);
    r.osc->LecturaDeMemoria();
    const auto& a = r.osc->TrazaAlineada1();
    EXPECT_TRUE(r.osc->DisparoEncontrado());
    EXPECT_GE(a[255], 128.0f);
    EXPECT_LE(a[256], 128.0f);
  }
  {
    // A vertical offset moves the trace and the threshold together.
    TriggerRig r;
    r.osc->DesplazamientoYCanal1(20);
    r.osc->LecturaDeMemoria();
    const auto& a = r.osc->TrazaAlineada1();
    EXPECT_TRUE(r.osc->DisparoEncontrado());
    EXPECT_LE(a[255], 148.0f);
    EXPECT_GE(a[256], 148.0f);
  }
}

TEST(ScopeTrigger, PretriggerShiftMovesTheCrossingOnScreen) {
  Rig r;
  Basic(*r.osc, 8);
  r.osc->MovimientoPretrigger(2);  // 51.2 display points
  r.osc->Programacion();
  const int total = r.osc->CuentaPre() + r.osc->CuentaPantalla() + r.osc->CuentaPos();
  r.log->canal1 = Sine(total, 128, 80, 2000, r.osc->CuentaPre());
  r.osc->LecturaDeMemoria();
  const auto& a = r.osc->TrazaAlineada1();
  EXPECT_TRUE(r.osc->DisparoEncontrado());
  EXPECT_LE(a[306], 128.0f);
  EXPECT_GE(a[307], 128.0f);
}

TEST(ScopeTrigger, WithoutACrossingTheGuardOffsetIsUsed) {
  TriggerRig r;
  r.osc->Flanco(1);  // the window holds only a rising edge
  r.osc->LecturaDeMemoria();
  EXPECT_FALSE(r.osc->DisparoEncontrado());
  EXPECT_EQ(r.osc->IndiceDisparo(), 0);
  // Offset 240 / 7.8125 = 30.72 -> 31.
  const auto w = ReferenceTrace(r.log->canal1, r.Total(), 8);
  const auto& a = r.osc->TrazaAlineada1();
  for (int j = 0; j < 1024 && 31 + j < static_cast<int>(w.size()); ++j) ASSERT_EQ(a[j], w[31 + j]) << j;
}

TEST(ScopeTrigger, ExternalTriggerUsesFixedOffsets) {
  for (const int timebase : {3, 8}) {
    TriggerRig r(80, 2240, timebase);
    r.osc->DisparoExterno(1);
    r.osc->FuerzaModoSoftware(true);
    r.osc->LecturaDeMemoria();
    const int offset = timebase == 3 ? 118 : 31 - 10;
    const auto w = ReferenceTrace(r.log->canal1, r.Total(), timebase);
    const auto& a = r.osc->TrazaAlineada1();
    int compared = 0;
    for (int j = 0; j < 1024 && offset + j < static_cast<int>(w.size()); ++j, ++compared)
      ASSERT_EQ(a[j], w[offset + j]) << timebase << " " << j;
    EXPECT_GT(compared, 700);
    EXPECT_FALSE(r.osc->FuerzaModoSoftware());  // the external trigger ends free-running
  }
}

TEST(ScopeTrigger, HoldKeepsTheLastTraceForFiveFailedSlopeChecks) {
  // A blip from 118 up to 130 crosses the level 128 but turns back down before
  // leaving the +-5 band: the rising crossing is found, the slope check fails.
  TriggerRig r;
  r.osc->LecturaDeMemoria();  // first trace: accepted, the record was empty
  EXPECT_TRUE(r.osc->RetencionValida());
  const std::vector<float> first = r.osc->TrazaAlineada1();
  r.log->canal1.assign(static_cast<std::size_t>(r.Total()), 118);
  for (std::size_t i = 2240; i < 2440; ++i) r.log->canal1[i] = 130;
  for (int k = 1; k <= 5; ++k) {
    r.osc->LecturaDeMemoria();
    EXPECT_TRUE(r.osc->DisparoEncontrado());
    EXPECT_EQ(r.osc->FallosDeFlanco(), k);
    EXPECT_EQ(r.osc->TrazaAlineada1(), first) << k;
  }
  r.osc->LecturaDeMemoria();  // the sixth is accepted whatever its slope
  EXPECT_EQ(r.osc->FallosDeFlanco(), 0);
  EXPECT_NE(r.osc->TrazaAlineada1(), first);
  EXPECT_LT(r.osc->Maximo1(), 131.0);
}

TEST(ScopeTrigger, SlopeCheckPassesWhateverTheInversionAndOffset) {
  // The check sees the trace as the search does, so every capture of a clean
  // sine is accepted: no held screens, no stutter.
  struct Case {
    double amp;  // > 0: the input rises through the board's trigger point
    bool inverted;
    std::int16_t flanco;
    std::int16_t offset;
  };
  for (const Case c : {Case{80, true, 0, 0}, Case{-80, true, 1, 0}, Case{-80, false, 1, 60},
                       Case{80, true, 0, 20}, Case{80, false, 0, 60}}) {
    TriggerRig r(c.amp);
    r.osc->Canal1Invertido(c.inverted);
    r.osc->Flanco(c.flanco);
    r.osc->DesplazamientoYCanal1(c.offset);
    for (int k = 0; k < 7; ++k) {
      r.osc->LecturaDeMemoria();
      ASSERT_TRUE(r.osc->DisparoEncontrado()) << c.inverted << c.flanco << c.offset;
      ASSERT_EQ(r.osc->FallosDeFlanco(), 0) << c.inverted << c.flanco << c.offset << " read " << k;
    }
  }
}

TEST(ScopeTrigger, AutoFallsBackWhenTheLevelLeavesTheTrace) {
  Rig r;
  Basic(*r.osc, 8);
  r.osc->ModoDisparo(kModoAuto);
  r.osc->Nivel(250);
  r.osc->Programacion();
  const int total = r.osc->CuentaPre() + r.osc->CuentaPantalla() + r.osc->CuentaPos();
  r.log->canal1 = Sine(total, 125, 25, 2000, 2240);  // spans 100..150
  r.osc->LecturaDeMemoria();
  EXPECT_NEAR(r.osc->Maximo1(), 150.0, 1.0);
  EXPECT_NEAR(r.osc->Minimo1(), 100.0, 1.0);
  EXPECT_TRUE(r.osc->FuerzaModoSoftware());
  r.osc->Programacion();
  EXPECT_EQ(r.log->oscil_new.back().modo, kModoSinDisparo);
  r.osc->Nivel(120);
  r.osc->LecturaDeMemoria();
  EXPECT_FALSE(r.osc->FuerzaModoSoftware());
  r.osc->Programacion();
  EXPECT_EQ(r.log->oscil_new.back().modo, kModoAuto);

  // Outside Auto the flag is left alone when the level is out of range.
  r.osc->ModoDisparo(kModoNormal);
  r.osc->Nivel(250);
  r.osc->LecturaDeMemoria();
  EXPECT_FALSE(r.osc->FuerzaModoSoftware());
  r.osc->FuerzaModoSoftware(true);
  r.osc->LecturaDeMemoria();
  EXPECT_TRUE(r.osc->FuerzaModoSoftware());
  r.osc->Nivel(128);
  r.osc->LecturaDeMemoria();
  EXPECT_FALSE(r.osc->FuerzaModoSoftware());
}

TEST(ScopeTrigger, SlowTimebasesKeepTheBoardsAlignmentAndFillXY) {
  Rig r;
  Basic(*r.osc, 14);  // 500 us/div: decimation only, no guard samples
  r.osc->Programacion();
  const int total = r.osc->CuentaPre() + r.osc->CuentaPantalla() + r.osc->CuentaPos();
  r.log->canal1 = Sine(total, 128, 60, 1562, 1562);
  r.osc->LecturaDeMemoria();
  const auto w = ReferenceTrace(r.log->canal1, total, 14);
  EXPECT_EQ(r.osc->TrazaAlineada1(), w);
  EXPECT_EQ(r.osc->VCanal1XY(), w);
  EXPECT_EQ(w.size(), 768u);
  EXPECT_NEAR(r.osc->Maximo1(), 188.0, 1.0);
}

TEST(ScopeTrigger, StoredFastestTimebaseStillAlignsWithoutDecimation) {
  // A loaded timebase of 0 (10 ns/div) has no decimation ratio; the alignment
  // then works on the interpolated trace alone.
  Rig r;
  Basic(*r.osc, 8);
  hosting::PropertyBag bag;
  r.osc->WriteProperties(bag);
  bag.Write("BaseDeTiemposActual", std::int64_t{0}, std::int64_t{-100});
  r.osc->ReadProperties(bag);
  ASSERT_EQ(r.osc->BaseDeTiemposActual(), 0);
  r.osc->Programacion();
  EXPECT_EQ(r.osc->CuentaPre() + r.osc->CuentaPantalla() + r.osc->CuentaPos(), 16);
  r.log->canal1 = Sine(16, 128, 80, 4, 6);  // 10 MHz at 40 MHz: rising at sample 6
  r.osc->LecturaDeMemoria();
  const auto& a = r.osc->TrazaAlineada1();
  ASSERT_EQ(a.size(), 1024u);
  EXPECT_TRUE(r.osc->DisparoEncontrado());
  EXPECT_LE(a[255], 128.0f);
  EXPECT_GE(a[256], 128.0f);
}

}  // namespace
}  // namespace orva::scope
