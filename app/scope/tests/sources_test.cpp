// The demonstration generator and the remote buffers as sources of the
// acquisition cycle.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "orva/scope/osciloscopio.h"
#include "scope_fakes.h"

namespace orva::scope {
namespace {

using testing::Rig;

struct DemoRig : Rig {
  explicit DemoRig(int timebase = 8) {
    osc->ModoDemo(true);
    osc->BaseDeTiemposActual(static_cast<std::int16_t>(timebase));
    osc->ModoDisparo(kModoAuto);
    osc->CanalDisparo(1);
    osc->Canal1Activo(true);
    osc->Canal2Activo(true);
    osc->AcoplamientoCanal1(1);
    osc->AcoplamientoCanal2(1);
    osc->GananciaCanal1(5);  // 1 V/div
    osc->GananciaCanal2(5);
    osc->Nivel(128);
  }
  int Total() const { return osc->CuentaPre() + osc->CuentaPantalla() + osc->CuentaPos(); }
  // One full pass of the host's loop.
  void Pass() {
    osc->Programacion();
    ASSERT_TRUE(osc->ComprobacionFinDeCaptura());
    osc->LecturaDeMemoria();
  }
};

TEST(ScopeDemo, NoBoardCallAndTheCaptureEndsAtOnce) {
  DemoRig r;
  EXPECT_EQ(r.osc->Programacion(), 0);
  r.clock.Advance(100.0);  // far past any time-out: still no board traffic
  EXPECT_TRUE(r.osc->ComprobacionFinDeCaptura());
  EXPECT_TRUE(r.osc->FinDeCaptura());
  r.osc->LecturaDeMemoria();
  EXPECT_TRUE(r.log->oscil_new.empty());
  EXPECT_EQ(r.log->polls, 0);
  EXPECT_TRUE(r.log->reads.empty());
  // Configuracion still asks the board library.
  r.osc->Configuracion();
  EXPECT_EQ(r.log->configuracio.size(), 1u);
}

TEST(ScopeDemo, ReadingBeforeAnyProgrammingLeavesTheTracesAlone) {
  Rig r;  // fresh instance: timebase row 0, no capture programmed yet
  r.osc->ModoDemo(true);
  r.osc->ModoDisparo(kModoAuto);
  r.osc->Canal1Activo(true);
  EXPECT_TRUE(r.osc->ComprobacionFinDeCaptura());
  EXPECT_NO_THROW(r.osc->LecturaDeMemoria());
  EXPECT_EQ(r.osc->TrazaAlineada1(), std::vector<float>(kAlignedSize, 0.0f));
  EXPECT_EQ(r.osc->V1Remoto()[0], 0);
}

TEST(ScopeDemo, ChannelOneIsAHundredCodeSineAroundTheCentre) {
  DemoRig r;
  r.Pass();
  const auto raw = r.osc->V1Remoto();
  const int n = r.Total() + 256;
  EXPECT_EQ(raw[0], 127);
  const auto [lo, hi] = std::minmax_element(raw.begin(), raw.begin() + n);
  EXPECT_EQ(*hi, 227);
  EXPECT_EQ(*lo, 27);
  // The period is 80 board samples at 40 MHz (500 kHz).
  EXPECT_EQ(raw[20], 227);
  EXPECT_EQ(raw[60], 27);
  EXPECT_NEAR(raw[80], 127, 1);
  // Nothing beyond one screen past the capture is written.
  EXPECT_EQ(raw[static_cast<std::size_t>(n)], 0);

  // Channel 2: 75 codes at twice the frequency, noise on every sample.
  const auto raw2 = r.osc->V2Remoto();
  EXPECT_NEAR(raw2[10], 202, 1);
  EXPECT_NEAR(raw2[30], 52, 1);

  // The aligned trace spans the same codes and the level sits inside it.
  EXPECT_NEAR(r.osc->Maximo1(), 227.0, 2.0);
  EXPECT_NEAR(r.osc->Minimo1(), 27.0, 2.0);
  EXPECT_FALSE(r.osc->FuerzaModoSoftware());
}

TEST(ScopeDemo, SensitiveGainClipsAndGroundedChannelIsFlat) {
  DemoRig r;
  r.osc->GananciaCanal1(9);  // 50 mV/div: amplitude 2000 codes
  r.osc->AcoplamientoCanal2(0);
  r.Pass();
  const auto raw = r.osc->V1Remoto();
  const int n = r.Total() + 256;
  const auto clipped = std::count_if(raw.begin(), raw.begin() + n, [](std::uint8_t v) { return v == 0 || v == 254; });
  EXPECT_GT(clipped, n * 9 / 10);
  const auto raw2 = r.osc->V2Remoto();
  EXPECT_TRUE(std::all_of(raw2.begin(), raw2.begin() + n, [](std::uint8_t v) { return v == 128; }));
  EXPECT_EQ(r.osc->Maximo2(), 128.0);
  EXPECT_EQ(r.osc->Minimo2(), 128.0);
}

TEST(ScopeDemo, RandomPhaseOnlyWhileFreeRunning) {
  DemoRig r;
  r.Pass();
  const auto a = r.osc->V1Remoto();
  r.Pass();
  const auto b = r.osc->V1Remoto();
  int far = 0;
  for (std::size_t i = 0; i < a.size(); ++i) far += std::abs(a[i] - b[i]) > 1;
  EXPECT_EQ(far, 0);  // triggered: the trace stands still (noise below one code)

  r.osc->Nivel(250);  // outside the signal: stays free-running in Auto
  r.osc->FuerzaModoSoftware(true);
  r.Pass();
  ASSERT_TRUE(r.osc->FuerzaModoSoftware());
  const auto c = r.osc->V1Remoto();
  r.Pass();
  const auto d = r.osc->V1Remoto();
  far = 0;
  for (std::size_t i = 0; i < c.size(); ++i) far += std::abs(c[i] - d[i]) > 1;
  EXPECT_GT(far, 100);  // the phase moved
}

TEST(ScopeDemo, SameSeedSameSignal) {
  DemoRig a, b;
  for (DemoRig* r : {&a, &b}) {
    r->osc->SetRandomSeed(77);
    r->osc->Nivel(250);
    r->osc->FuerzaModoSoftware(true);
    r->Pass();
    r->Pass();
  }
  EXPECT_EQ(a.osc->V1Remoto(), b.osc->V1Remoto());
  EXPECT_EQ(a.osc->V2Remoto(), b.osc->V2Remoto());
  EXPECT_EQ(a.osc->TrazaAlineada2(), b.osc->TrazaAlineada2());
}

TEST(ScopeDemo, OnlyAutoGeneratesOtherModesReprocessTheBuffers) {
  DemoRig r(12);
  r.osc->ModoDisparo(kModoNormal);
  r.osc->V1Remoto(std::vector<std::uint8_t>(kRawBufferSize, 200));
  r.Pass();
  EXPECT_EQ(r.osc->V1Remoto()[0], 200);
  const auto& a = r.osc->TrazaAlineada1();
  ASSERT_EQ(a.size(), 768u);
  EXPECT_TRUE(std::all_of(a.begin(), a.end(), [](float v) { return v == 200.0f; }));
  // The remote-filled buffer 2 (all 128 after the assignment pads nothing here).
  r.osc->ModoDisparo(kModoSingle);
  r.osc->DesplazamientoYCanal1(-50);
  r.Pass();
  EXPECT_EQ(r.osc->TrazaAlineada1()[100], 150.0f);
}

TEST(ScopeRemote, BuffersAreProcessedAsAssignedAndShortOnesArePadded) {
  Rig r;
  r.osc->ModoDemo(true);
  r.osc->ModoRemoto(true);
  r.osc->ModoDisparo(kModoAuto);
  r.osc->BaseDeTiemposActual(12);  // 100 us/div, 3750 samples per capture
  r.osc->Canal1Activo(true);
  r.osc->Canal2Activo(true);
  r.osc->CanalDisparo(1);
  EXPECT_EQ(r.osc->Programacion(), 0);
  EXPECT_TRUE(r.osc->ComprobacionFinDeCaptura());
  r.osc->V1Remoto(std::vector<std::uint8_t>(3750, 60));
  r.osc->V2Remoto(std::vector<std::uint8_t>(1000, 90));  // shorter than the capture
  r.osc->LecturaDeMemoria();
  EXPECT_TRUE(r.log->oscil_new.empty());
  EXPECT_TRUE(r.log->reads.empty());
  EXPECT_EQ(r.osc->V1Remoto()[0], 60);  // no demo generation
  const auto& a1 = r.osc->TrazaAlineada1();
  EXPECT_TRUE(std::all_of(a1.begin(), a1.end(), [](float v) { return v == 60.0f; }));
  const auto& a2 = r.osc->TrazaAlineada2();
  EXPECT_EQ(a2[10], 90.0f);
  EXPECT_EQ(a2[700], 128.0f);  // the missing part reads as the centre line
  EXPECT_EQ(r.osc->Maximo2(), 128.0);
  EXPECT_EQ(r.osc->Minimo2(), 90.0);
}

}  // namespace
}  // namespace orva::scope
