// Averaging sequences, measurements on synthetic traces, and the automatic
// gain / timebase steps.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "orva/scope/measurements.h"

namespace orva::scope {
namespace {

constexpr float kVoltsPerCodeAt1V = 1.0f * 4.0f / 128.0f;

std::vector<float> Square(float low, float high, int period, int phase = 0, int size = 1024) {
  std::vector<float> m(static_cast<std::size_t>(size));
  for (int j = 0; j < size; ++j) m[static_cast<std::size_t>(j)] = ((j + phase) % period) < period / 2 ? high : low;
  return m;
}

TEST(MeasureAveraging, FactorsBlendTheNewTraceInSinglePrecision) {
  const std::vector<float> a(1024, 100.0f);
  std::vector<float> m(8193, 0.0f);
  const float want[] = {25.0f, 43.75f, 57.8125f, 68.359375f};
  for (const float w : want) {
    PasoDePromediado(4, a, m);
    EXPECT_FLOAT_EQ(m[0], w);
    EXPECT_FLOAT_EQ(m[767], w);
    EXPECT_FLOAT_EQ(m[768], 0.0f);  // beyond the displayed record: untouched
  }
  // Factor 2 continues from the current contents (no reset when switching).
  PasoDePromediado(2, a, m);
  EXPECT_FLOAT_EQ(m[10], (68.359375f + 100.0f) / 2.0f);
  // Factors other than 1, 2, 4, 8 leave the average alone.
  const std::vector<float> before = m;
  for (const std::int16_t n : {0, 3, 5, 16, -4}) {
    PasoDePromediado(n, a, m);
    EXPECT_EQ(m, before) << n;
  }
  // Factor 1 makes it a copy of the new trace, its length included.
  PasoDePromediado(1, a, m);
  EXPECT_EQ(m, a);
  // Factor 8 from 0 towards 80.
  std::vector<float> z(1024, 0.0f);
  PasoDePromediado(8, std::vector<float>(1024, 80.0f), z);
  EXPECT_FLOAT_EQ(z[100], 10.0f);
}

TEST(MeasureAveraging, ShortTracesAverageOnlyThePointsBothHold) {
  std::vector<float> m(1024, 0.0f);
  const std::vector<float> a(300, 64.0f);
  PasoDePromediado(2, a, m);
  EXPECT_FLOAT_EQ(m[299], 32.0f);
  EXPECT_FLOAT_EQ(m[300], 0.0f);
  std::vector<float> empty;
  PasoDePromediado(4, a, empty);
  EXPECT_TRUE(empty.empty());
}

TEST(MeasureMeasurements, FlatTraceHasNoPeriodAndRmsIsTheMean) {
  std::vector<float> m(1024, 160.0f);
  m[700] = 163.0f;  // a wiggle smaller than 5 codes
  const EntradaMedidas in{1, 0, kVoltsPerCodeAt1V, 1e-6f};
  const ResultadoMedidas r = Medidas(m, in);
  EXPECT_EQ(r.f, 0.0);
  EXPECT_EQ(r.t, 0.0);
  EXPECT_DOUBLE_EQ(r.vm, 1.0);      // one division above the centre at 1 V/div
  EXPECT_DOUBLE_EQ(r.vrms, r.vm);
  EXPECT_DOUBLE_EQ(r.vpp, 0.0);
  EXPECT_EQ(r.vm_byte, 160);
  EXPECT_FALSE(r.vm_byte_clamped);
}

TEST(MeasureMeasurements, SquareWaveOfKnownPeriod) {
  const float tpp = static_cast<float>(5e-6 * 10.0 / 256.0);  // 5 us/div
  for (const int phase : {0, 20, 7, 33}) {
    const std::vector<float> m = Square(64.0f, 192.0f, 40, phase);
    const ResultadoMedidas r = Medidas(m, {1, 0, kVoltsPerCodeAt1V, tpp});
    EXPECT_DOUBLE_EQ(r.vpp, 4.0) << phase;
    EXPECT_DOUBLE_EQ(r.vm, 0.0) << phase;
    EXPECT_EQ(r.f, std::nearbyint(1.0 / (40.0 * tpp))) << phase;
    EXPECT_DOUBLE_EQ(r.t, 1.0 / r.f);
    // 41 points summed over 40: 64 * sqrt(41/40) codes.
    EXPECT_NEAR(r.vrms, 64.0 * std::sqrt(41.0 / 40.0) * kVoltsPerCodeAt1V, 1e-9) << phase;
    EXPECT_NEAR(r.vrms, 2.0248, 1e-4);
    const Periodo p = EstimaPeriodo(m);
    ASSERT_TRUE(p.encontrado);
    EXPECT_EQ(p.fin - p.inicio, 40);
  }
}

TEST(MeasureMeasurements, SineOfKnownPeriodAndOffset) {
  // 100 points per period, 80 codes amplitude about 128, offset +20 codes added.
  std::vector<float> m(1024);
  for (int j = 0; j < 1024; ++j) m[static_cast<std::size_t>(j)] = 148.0f + 80.0f * static_cast<float>(std::sin(2 * M_PI * j / 100.0));
  const float tpp = static_cast<float>(1e-3 * 10.0 / 256.0);
  const ResultadoMedidas r = Medidas(m, {2, 20, kVoltsPerCodeAt1V, tpp});
  EXPECT_NEAR(r.vpp, 160 * kVoltsPerCodeAt1V, 0.01);
  EXPECT_NEAR(r.vm, 0.0, 0.01);                   // the offset is taken off the mean
  EXPECT_EQ(r.vm_byte, 148);                      // channel 2: offset not taken off
  EXPECT_EQ(r.f, std::nearbyint(1.0 / (100.0 * tpp)));
  // The RMS keeps the offset: about sqrt(20^2 + 80^2 / 2) codes.
  EXPECT_NEAR(r.vrms, std::sqrt(400.0 + 3200.0) * kVoltsPerCodeAt1V, 0.05);
  // Channel 1 takes its offset off the byte mid level.
  EXPECT_EQ(Medidas(m, {1, 20, kVoltsPerCodeAt1V, tpp}).vm_byte, 128);
}

TEST(MeasureMeasurements, MissingCrossingsOrTimeGiveNoFrequency) {
  // One falling edge only: no full period.
  std::vector<float> m(1024, 200.0f);
  for (int j = 400; j < 1024; ++j) m[static_cast<std::size_t>(j)] = 50.0f;
  EXPECT_FALSE(EstimaPeriodo(m).encontrado);
  const ResultadoMedidas r = Medidas(m, {1, 0, kVoltsPerCodeAt1V, 1e-6f});
  EXPECT_EQ(r.f, 0.0);
  EXPECT_EQ(r.t, 0.0);
  EXPECT_DOUBLE_EQ(r.vrms, r.vm);
  // A period but no time per point (timebase not programmed): frequency 0.
  const ResultadoMedidas z = Medidas(Square(64, 192, 40), {1, 0, kVoltsPerCodeAt1V, 0.0f});
  EXPECT_EQ(z.f, 0.0);
  EXPECT_EQ(z.t, 0.0);
  EXPECT_GT(z.vrms, 0.0);
  // Period longer than the 751 points searched.
  EXPECT_FALSE(EstimaPeriodo(Square(64, 192, 1000, 300)).encontrado);
  // Traces shorter than the windows are read only as far as they go.
  EXPECT_FALSE(EstimaPeriodo({}).encontrado);
  const ResultadoMedidas s = Medidas(std::vector<float>(100, 200.0f), {1, 0, kVoltsPerCodeAt1V, 1e-6f});
  EXPECT_DOUBLE_EQ(s.vpp, 0.0);
  EXPECT_EQ(Medidas(Square(64, 192, 40, 0, 300), {1, 0, kVoltsPerCodeAt1V, 1e-6f}).f,
            std::nearbyint(1.0 / (40.0 * 1e-6f)));
}

TEST(MeasureMeasurements, ByteMidLevelIsClampedAndTheRestStillStored) {
  const std::vector<float> m = Square(10.0f, 50.0f, 40);  // mid level 30
  const ResultadoMedidas low = Medidas(m, {1, 100, kVoltsPerCodeAt1V, 1e-6f});
  EXPECT_EQ(low.vm_byte, 0);
  EXPECT_TRUE(low.vm_byte_clamped);
  EXPECT_DOUBLE_EQ(low.vm, (30.0 - 128.0 - 100.0) * kVoltsPerCodeAt1V);
  EXPECT_DOUBLE_EQ(low.vpp, 40.0 * kVoltsPerCodeAt1V);
  EXPECT_GT(low.f, 0.0);
  const ResultadoMedidas high = Medidas(std::vector<float>(1024, 250.0f), {1, -30, kVoltsPerCodeAt1V, 1e-6f});
  EXPECT_EQ(high.vm_byte, 255);
  EXPECT_TRUE(high.vm_byte_clamped);
  // Negative extremes count as 0.
  const ResultadoMedidas neg = Medidas(std::vector<float>(1024, -12.0f), {2, 0, kVoltsPerCodeAt1V, 1e-6f});
  EXPECT_EQ(neg.vm_byte, 0);
  EXPECT_FALSE(neg.vm_byte_clamped);
  EXPECT_DOUBLE_EQ(neg.vm, -128.0 * kVoltsPerCodeAt1V);
}

TEST(MeasureAutomaticGain, WalksTowardsLessSensitiveRangesUntilTheSignalFits) {
  // A 3 V-peak sine on channel 1: extremes in codes at each gain, clipped to 0..255.
  const float vdiv[] = {50, 20, 10, 5, 2, 1, 0.5f, 0.2f, 0.1f, 0.05f, 0.02f};
  bool on = true;
  std::int16_t g = 10;
  std::vector<int> visited;
  for (int pass = 0; pass < 20 && on; ++pass) {
    visited.push_back(g);
    const double span = 3.0 / (vdiv[g] * 4.0 / 128.0);
    const double mx = std::min(255.0, 128.0 + span);
    const double mn = std::max(0.0, 128.0 - span);
    PasoGananciaAutomatica(on, g, mn, mx);
  }
  EXPECT_FALSE(on);
  EXPECT_EQ(g, 5);  // 1 V/div: +-96 codes fits 5..250
  EXPECT_EQ(visited, (std::vector<int>{10, 9, 8, 7, 6, 5}));
}

TEST(MeasureAutomaticGain, StopsAtTheLeastSensitiveRangeAndIdlesWhenOff) {
  bool on = true;
  std::int16_t g = 1;
  PasoGananciaAutomatica(on, g, 0, 255);
  EXPECT_TRUE(on);
  EXPECT_EQ(g, 0);
  PasoGananciaAutomatica(on, g, 0, 255);
  EXPECT_FALSE(on);
  EXPECT_EQ(g, 0);
  PasoGananciaAutomatica(on, g, 0, 255);
  EXPECT_EQ(g, 0);
  // Exactly on the limits counts as fitting.
  on = true;
  g = 7;
  PasoGananciaAutomatica(on, g, 5, 250);
  EXPECT_FALSE(on);
  EXPECT_EQ(g, 7);
}

TEST(MeasureAutomaticTimebase, StopsAtTheFirstPeriodOrAtFiveMillisecondsPerDivision) {
  bool on = true;
  std::int16_t base = 2;
  int steps = 0;
  while (on && steps < 40) {
    PasoBaseDeTiemposAutomatica(on, base, 0, 0);
    ++steps;
  }
  EXPECT_EQ(base, 17);  // 5 ms/div
  EXPECT_EQ(steps, 15);

  on = true;
  base = 9;
  PasoBaseDeTiemposAutomatica(on, base, 0, 0);
  EXPECT_EQ(base, 10);
  EXPECT_TRUE(on);
  PasoBaseDeTiemposAutomatica(on, base, 0, 1250);  // channel 2 shows a period
  EXPECT_FALSE(on);
  EXPECT_EQ(base, 10);

  // Never past the slowest row.
  on = true;
  base = 20;
  PasoBaseDeTiemposAutomatica(on, base, 0, 0);
  EXPECT_EQ(base, 20);
  EXPECT_FALSE(on);
}

TEST(MeasureAutomaticSettle, TwoProgrammingsSettleThenEveryOneSteps) {
  AjusteAutomatico a;
  EXPECT_FALSE(a.TocaGanancia());
  EXPECT_FALSE(a.TocaGanancia());
  EXPECT_TRUE(a.TocaGanancia());
  EXPECT_TRUE(a.TocaGanancia());
  EXPECT_FALSE(a.TocaBaseDeTiempos());
  a.ReiniciaGanancia();
  EXPECT_EQ(a.ContadorGanancia(), 0);
  EXPECT_FALSE(a.TocaGanancia());
  EXPECT_EQ(a.ContadorBaseDeTiempos(), 1);
}

}  // namespace
}  // namespace orva::scope
