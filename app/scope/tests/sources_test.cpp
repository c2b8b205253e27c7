// The demonstration generator and the remote buffers as sources of the
// acquisition cycle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
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

// The generator computed sample by sample from its definition (one sine per
// sample and channel), with the instrument's random draws: 24 bits of the
// seeded 32-bit Mersenne twister scaled by 2^-24.
struct DirectDemo {
  std::vector<std::uint8_t> ch1, ch2;
};
DirectDemo Direct(std::uint32_t seed, int count, int timebase, int gain1, int gain2, bool free_running,
                  bool ground1, bool ground2) {
  std::mt19937 rng(seed);
  auto uniform = [&rng] { return static_cast<float>(rng() >> 8) * (1.0f / 16777216.0f); };
  const float phi = free_running ? uniform() : 0.0f;
  const double w = 80.0 / std::ldexp(1.0, static_cast<int>(Timebase(timebase).fm_placa));
  const double two_pi = 6.283184;
  const double a1 = 2.5 / static_cast<double>(Gain(gain1).volts_per_div) * 40.0;
  const double a2 = 2.5 / static_cast<double>(Gain(gain2).volts_per_div) * 30.0;
  DirectDemo d;
  for (int i = 0; i < count; ++i) {
    double y = a1 * std::sin(i * two_pi / w + phi);
    if (std::abs(y) > 5.0) y += uniform() * 0.5;
    y = std::clamp(y, -127.0, 127.0);
    d.ch1.push_back(ground1 ? 128 : static_cast<std::uint8_t>(std::nearbyint(y + 127.0)));
  }
  for (int i = 0; i < count; ++i) {
    double y = a2 * std::sin(2.0 * i * two_pi / w + 2.0 * phi) + uniform() * 0.5;
    y = std::clamp(y, -127.0, 127.0);
    d.ch2.push_back(ground2 ? 128 : static_cast<std::uint8_t>(std::nearbyint(y + 127.0)));
  }
  return d;
}

// The tabulated generator against the direct formula with the same seed, at
// the benchmark's timebases and the slowest one, at a gain that clips and
// one that does not, triggered (phase 0: every code equal) and free-running
// (random phase through the angle-sum identity: at most one code apart, and
// that only at rare exact half-code ties). Timebases are visited twice so
// that a table reused after another rate is checked too.
TEST(ScopeDemo, TabulatedGeneratorMatchesTheDirectFormula) {
  DemoRig r;
  int ties = 0, samples = 0;
  for (const int timebase : {2, 4, 8, 12, 16, 19, 20, 8, 2}) {
    for (const int gain : {9, 4}) {
      for (const bool free_running : {false, true}) {
        for (const bool ground1 : {false, true}) {
          r.osc->BaseDeTiemposActual(static_cast<std::int16_t>(timebase));
          r.osc->GananciaCanal1(static_cast<std::int16_t>(gain));
          r.osc->GananciaCanal2(static_cast<std::int16_t>(gain + 1));
          r.osc->AcoplamientoCanal1(ground1 ? 0 : 1);
          r.osc->Nivel(free_running ? 250 : 128);
          r.osc->FuerzaModoSoftware(free_running);
          const std::uint32_t seed = static_cast<std::uint32_t>(1000 + timebase * 10 + gain);
          r.osc->SetRandomSeed(seed);
          r.osc->Programacion();
          ASSERT_TRUE(r.osc->ComprobacionFinDeCaptura());
          r.osc->LecturaDeMemoria();
          const int n = std::min(r.Total() + 256, kRawBufferSize);
          const DirectDemo d = Direct(seed, n, timebase, gain, gain + 1, free_running, ground1, false);
          const auto raw1 = r.osc->V1Remoto();
          const auto raw2 = r.osc->V2Remoto();
          int diff1 = 0, diff2 = 0, worst = 0;
          for (int i = 0; i < n; ++i) {
            const int e1 = std::abs(raw1[static_cast<std::size_t>(i)] - d.ch1[static_cast<std::size_t>(i)]);
            const int e2 = std::abs(raw2[static_cast<std::size_t>(i)] - d.ch2[static_cast<std::size_t>(i)]);
            diff1 += e1 != 0;
            diff2 += e2 != 0;
            worst = std::max({worst, e1, e2});
          }
          const std::string where = "timebase " + std::to_string(timebase) + " gain " + std::to_string(gain) +
                                    (free_running ? " free-running" : " triggered") +
                                    (ground1 ? " ch1 GND" : "");
          if (!free_running) {
            EXPECT_EQ(diff1 + diff2, 0) << where;
          } else {
            EXPECT_LE(worst, 1) << where;
            EXPECT_LE(diff1 + diff2, 2) << where;
          }
          ties += diff1 + diff2;
          samples += 2 * n;
        }
      }
    }
  }
  std::printf("demo generator: %d of %d codes one apart from the direct formula\n", ties, samples);
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
