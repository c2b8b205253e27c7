// End to end against the simulated board: the instrument programs the board
// library, polls, reads and aligns a sine of known amplitude and frequency, and
// the trigger crossing must sit at the left edge of the screen (index 256 of
// the aligned trace) within one display sample, at timebases from 50 ns/div to
// 50 ms/div. The measured alignment error per timebase is printed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "orva/scope/osciloscopio.h"
#include "orvaboard.h"
#include "orvaboard_sim.h"

namespace orva::scope {
namespace {

namespace sim = orva::board::sim;

// Fractional position of the level crossing of the given slope nearest to
// index 256 of the aligned trace (linear between the two samples around it).
std::optional<double> CrossingNear256(const std::vector<float>& a, double level, bool rising) {
  std::optional<double> best;
  for (int j = 200; j < 320 && j < static_cast<int>(a.size()); ++j) {
    const double p = a[static_cast<std::size_t>(j - 1)];
    const double q = a[static_cast<std::size_t>(j)];
    const bool crosses = rising ? (p < level && q >= level) : (p > level && q <= level);
    if (!crosses) continue;
    const double x = (j - 1) + (level - p) / (q - p);
    if (!best || std::abs(x - 256.0) < std::abs(*best - 256.0)) best = x;
  }
  return best;
}

// The older 40 MHz model runs at the programmed time scale; the larger model's
// 50 MHz clock samples 25% faster, which changes the time scale but not the
// alignment.
class ScopeBoardEndToEnd : public ::testing::TestWithParam<sim::Model> {
 protected:
  void SetUp() override {
    sim::InstallSimulatedBoard(GetParam());
    sim::SetInstantCaptures(true);
    no_calibrar_ganancia(1);  // raw samples: no calibration file in the tests
    osc_.DireccionES(0x390);
    osc_.path("");
    ASSERT_EQ(osc_.Configuracion(), GetParam() == sim::Model::kKtr2 ? TIPO_KTR2 : TIPO_KTR5);
    osc_.CanalDisparo(1);
    osc_.Canal1Activo(true);
    osc_.Canal2Activo(true);
    osc_.AcoplamientoCanal1(1);
    osc_.AcoplamientoCanal2(1);
    osc_.GananciaCanal1(4);  // 2 V/div
    osc_.GananciaCanal2(4);
    osc_.ModoDisparo(kModoNormal);
  }
  void TearDown() override {
    no_calibrar_ganancia(0);
    sim::InstallEmptyBus();
  }

  // Programs, polls until the end (moving the instrument's clock 0.1 s per
  // poll, so time-outs happen as they would) and reads one capture. Returns
  // the number of polls.
  int Capture() { return Capture(osc_); }
  int Capture(Osciloscopio& osc) {
    EXPECT_EQ(osc.Programacion(), 1);
    int polls = 0;
    bool ended = false;
    while (!ended && polls < 100) {
      ended = osc.ComprobacionFinDeCaptura();
      ++polls;
      now_ += 0.1;
    }
    EXPECT_TRUE(ended);
    osc.LecturaDeMemoria();
    return polls;
  }

  double now_ = 0.0;  // seconds of the instrument's clock
  Osciloscopio osc_{MakeLibraryBoardCalls(), [this] { return now_; }};
};

TEST_P(ScopeBoardEndToEnd, SineCrossingSitsAtTheScreensLeftEdgeAcrossTimebases) {
  const double volts_per_div = 2.0;
  const double amplitude = 3.0;  // volts: 48 codes
  for (const int timebase : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 15, 17, 20}) {
    for (const int slope : {0, 1}) {
     for (const double divisions_per_period : {3.3, 1.1}) {
      const double per_div = Timebase(timebase).base_tiempos_div;
      sim::Signal s;
      s.kind = sim::Signal::Kind::kSine;
      s.frequency = 1.0 / (divisions_per_period * per_div);
      s.amplitude = amplitude;
      sim::SetSignal(1, s);
      osc_.BaseDeTiemposActual(static_cast<std::int16_t>(timebase));
      osc_.Flanco(static_cast<std::int16_t>(slope));
      osc_.Nivel(128 + 8);  // a quarter division above the centre
      Capture();
      const auto& a = osc_.TrazaAlineada1();
      ASSERT_GE(a.size(), 768u);
      // Amplitude: 3 V at 2 V/div is 48 codes each side of 128. Spectral
      // interpolation of the short fast captures rings a few codes beyond
      // the peaks near the record's ends.
      const double tol = Timebase(timebase).orden_interpolacion > 0 ? 10.0 : 3.0;
      EXPECT_NEAR(osc_.Maximo1(), 128 + amplitude / volts_per_div * 32, tol) << timebase;
      EXPECT_NEAR(osc_.Minimo1(), 128 - amplitude / volts_per_div * 32, tol) << timebase;
      const auto x = CrossingNear256(a, osc_.Nivel(), slope == 0);
      ASSERT_TRUE(x.has_value()) << "timebase " << timebase << " slope " << slope;
      const double err = *x - 256.0;
      std::printf("alignment %s %-10s slope %d, %.1f div/period: crossing at %.3f, error %+.3f samples\n",
                  GetParam() == sim::Model::kKtr2 ? "ktr2" : "ktr5", std::string(Timebase(timebase).text).c_str(), slope, divisions_per_period, *x, err);
      EXPECT_LE(std::abs(err), 1.0) << "timebase " << timebase << " slope " << slope;
     }
    }
  }
}

TEST_P(ScopeBoardEndToEnd, ChannelTwoAndGroundCouplingComeThrough) {
  sim::Signal s1;
  s1.kind = sim::Signal::Kind::kSine;
  s1.frequency = 1.0 / (3.3 * 1e-3);
  s1.amplitude = 2.0;
  sim::SetSignal(1, s1);
  sim::Signal s2;
  s2.kind = sim::Signal::Kind::kDc;
  s2.offset = 4.0;  // two divisions up at 2 V/div: code 192
  sim::SetSignal(2, s2);
  osc_.BaseDeTiemposActual(15);
  osc_.Nivel(128);
  Capture();
  EXPECT_NEAR(osc_.Maximo2(), 192.0, 2.0);
  EXPECT_NEAR(osc_.Minimo2(), 192.0, 2.0);
  osc_.AcoplamientoCanal2(0);
  Capture();
  EXPECT_EQ(osc_.Maximo2(), 128.0);
  EXPECT_EQ(osc_.Minimo2(), 128.0);
}

TEST_P(ScopeBoardEndToEnd, AutoModeWithoutTriggerFallsBackAndStillProducesTraces) {
  sim::Signal s;
  s.kind = sim::Signal::Kind::kSine;
  s.frequency = 1.0 / (3.3 * 1e-3);
  s.amplitude = 1.0;  // 16 codes: the level 250 is never reached
  sim::SetSignal(1, s);
  osc_.BaseDeTiemposActual(15);
  osc_.ModoDisparo(kModoAuto);
  osc_.Nivel(250);
  // The board never finds the level: after the 0.5 s time-out the poll
  // switches to untriggered capture and re-arms, and that capture ends.
  const int polls = Capture();
  EXPECT_GE(polls, 6);
  EXPECT_LE(polls, 8);
  EXPECT_TRUE(osc_.FuerzaModoSoftware());
  EXPECT_NEAR(osc_.Maximo1(), 144.0, 2.0);
  EXPECT_NEAR(osc_.Minimo1(), 112.0, 2.0);
  // The level stays outside the trace: the next capture is untriggered at once.
  EXPECT_EQ(Capture(), 1);
  EXPECT_TRUE(osc_.FuerzaModoSoftware());
  // Back inside: triggered again.
  osc_.Nivel(130);
  Capture();
  EXPECT_FALSE(osc_.FuerzaModoSoftware());
  EXPECT_EQ(Capture(), 1);
}

// The trace handed to the screen must hold signal up to its last drawn point
// (767) at every timebase. The input sits two divisions up (code 192):
//  - a DC input with the level on it: every sample pair "crosses", so the
//    search stops at the top of its window and the alignment offset is the
//    largest the geometry allows, which puts the record's very end on screen;
//  - a square wave riding on it, triggered on its edges;
//  - the DC input with a level it never reaches (untriggered fall-back).
// With both interpolation methods: the window runs the linear one, whose last
// `order` points are reached by no sample pair.
TEST_P(ScopeBoardEndToEnd, LastScreenPointsHoldSignalAtEveryTimebase) {
  enum class Case { kLevelOnDc, kSquare, kUntriggered };
  for (const std::int64_t method : {0, 1}) {  // spectral, linear
    for (const int timebase : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 17, 20}) {
      for (const Case c : {Case::kLevelOnDc, Case::kSquare, Case::kUntriggered}) {
        for (const double shift : {0.0, -1.7}) {
          sim::Signal s;
          s.kind = c == Case::kSquare ? sim::Signal::Kind::kSquare : sim::Signal::Kind::kDc;
          s.frequency = 1.0 / (3.3 * Timebase(timebase).base_tiempos_div);
          s.amplitude = c == Case::kSquare ? 1.0 : 0.0;  // 16 codes either side
          s.offset = 4.0;                                // two divisions up at 2 V/div
          sim::SetSignal(1, s);
          sim::SetSignal(2, s);
          // A fresh instrument per case, so that no trace held from the
          // previous case (a failed slope check keeps it) hides this one.
          Osciloscopio osc{MakeLibraryBoardCalls(), [this] { return now_; }};
          osc.DireccionES(0x390);
          osc.path("");
          osc.Configuracion();
          osc.CanalDisparo(1);
          osc.Canal1Activo(true);
          osc.Canal2Activo(true);
          osc.AcoplamientoCanal1(1);
          osc.AcoplamientoCanal2(1);
          osc.GananciaCanal1(4);  // 2 V/div
          osc.GananciaCanal2(4);
          osc.ModoDisparo(kModoAuto);
          osc.promediado(1);  // the screen shows each aligned trace as it comes
          osc.MetodoInterpolacion(hosting::PropertyValue(method));
          osc.BaseDeTiemposActual(static_cast<std::int16_t>(timebase));
          osc.MovimientoPretrigger(shift);
          // The code the board stores for 4 V at 2 V/div (board gain code 3).
          const std::int16_t dc_code = sim::CodeForVolts(4.0, 3);
          osc.Nivel(c == Case::kUntriggered ? 250 : dc_code);
          Capture(osc);
          Capture(osc);  // the second read follows the untriggered fall-back
          const char* name = c == Case::kLevelOnDc ? "level on DC" : c == Case::kSquare ? "square" : "untriggered";
          for (int ch = 0; ch < 2; ++ch) {
            const std::vector<float> shown = ch == 0 ? osc.VCanal1() : osc.VCanal2();
            ASSERT_GE(shown.size(), 768u) << "timebase " << timebase;
            int low = 0;
            int first_low = -1;
            for (int i = 0; i < 768; ++i) {
              if (shown[static_cast<std::size_t>(i)] < 160.0f) {
                ++low;
                if (first_low < 0) first_low = i;
              }
            }
            EXPECT_EQ(low, 0) << "method " << method << ", timebase " << timebase << ", " << name
                              << ", shift " << shift << ", channel " << ch + 1
                              << ": first point below the signal at " << first_low;
          }
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Models, ScopeBoardEndToEnd,
                         ::testing::Values(sim::Model::kKtr2, sim::Model::kKtr5),
                         [](const ::testing::TestParamInfo<sim::Model>& info) {
                           return info.param == sim::Model::kKtr2 ? std::string("Ktr2")
                                                                  : std::string("Ktr5");
                         });

}  // namespace
}  // namespace orva::scope
