// libsigrok's demonstration device as the instrument's stream source, read
// through the instrument as the window reads it (program, poll, read,
// measure): A0, a +-10 V square of 10 samples a period, becomes channel 1,
// A1, a 10 V sine of 20 samples a period, channel 2. The device runs at the
// display rate of each timebase, so the square reads 1/10 and the sine
// 1/20 of 25.6 points per division.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "orva/scope/osciloscopio.h"
#include "orva/sigrok/stream.h"

namespace orva::sigrok {
namespace {

using namespace std::chrono_literals;

constexpr std::int16_t k1us = 6, k100us = 12, k10ms = 18;

std::shared_ptr<SigrokStream> DemoStream(double display_rate, std::string* error) {
  auto stream = std::make_shared<SigrokStream>();
  SigrokSpec spec;
  spec.driver = "demo";
  spec.options = {{"analog_channels", "2"}, {"logic_channels", "0"}};
  if (!stream->Connect(spec, display_rate, error)) return nullptr;
  return stream;
}

// One pass of the window: programs, polls until the capture ends (bounded),
// reads, averages and measures.
bool Pass(scope::Osciloscopio& osc) {
  osc.Programacion();
  const auto until = std::chrono::steady_clock::now() + 10s;
  while (!osc.ComprobacionFinDeCaptura()) {
    if (std::chrono::steady_clock::now() > until || osc.FalloDeFlujo()) return false;
    std::this_thread::sleep_for(std::chrono::duration<double>(std::max(osc.EsperaDeFlujo(), 0.001)));
  }
  osc.LecturaDeMemoria();
  osc.PromediaCanal(0);
  osc.PromediaCanal(1);
  osc.Medidas1();
  osc.Medidas2();
  return true;
}

TEST(SigrokStream, ReadoutsFollowTheDemonstrationWaveformsAtThreeTimebases) {
  std::string error;
  auto stream = DemoStream(scope::Timebase(k1us).fm_equivalente, &error);
  ASSERT_TRUE(stream) << error;
  scope::Osciloscopio osc;
  osc.ModoDemo(false);
  osc.Canal1Activo(true);
  osc.Canal2Activo(true);
  osc.AcoplamientoCanal1(scope::kAcoplamientoDC);
  osc.AcoplamientoCanal2(scope::kAcoplamientoDC);
  osc.GananciaCanal1(3);  // 5 V/div: +-10 V is +-2 divisions
  osc.GananciaCanal2(3);
  osc.CanalDisparo(1);
  osc.Flanco(0);
  osc.Nivel(128);
  osc.ModoDisparo(scope::kModoAuto);
  osc.promediado(1);
  osc.FuenteDeFlujo(stream);
  // One source throughout: its rate follows each timebase.
  for (std::int16_t k : {k1us, k100us, k10ms}) {
    const double fd = scope::Timebase(k).fm_equivalente;
    SCOPED_TRACE(scope::Timebase(k).text);
    osc.BaseDeTiemposActual(k);
    ASSERT_EQ(osc.BaseDeTiemposActual(), k);
    // The first pass after a change may still show the old rate's record.
    ASSERT_TRUE(Pass(osc)) << stream->Error();
    ASSERT_TRUE(Pass(osc)) << stream->Error();
    EXPECT_EQ(stream->SampleRate(), fd);
    EXPECT_TRUE(stream->Settings().rate_reached);
    EXPECT_NEAR(osc.F1(), fd / 10, fd / 10 * 0.005);
    EXPECT_NEAR(osc.F2(), fd / 20, fd / 20 * 0.005);
    EXPECT_NEAR(osc.Vpp1(), 20.0, 0.4);
    // 20 points a period: the trace's peaks lie up to half a point off the
    // sine's, 10 cos(pi / 20) = 9.88 V at worst, less the linear reading
    // between points.
    EXPECT_GE(osc.Vpp2(), 19.45);
    EXPECT_LE(osc.Vpp2(), 20.05);
  }
  // Slow timebases stream; fast ones capture one record at a time.
  EXPECT_TRUE(stream->Settings().continuous);
  EXPECT_FALSE(osc.FalloDeFlujo());
}

TEST(SigrokStream, PanelRequestsNeverWaitForTheDevice) {
  std::string error;
  auto stream = DemoStream(scope::Timebase(k1us).fm_equivalente, &error);
  ASSERT_TRUE(stream) << error;
  const std::uint64_t restarts = stream->Reconfigurations();

  // The demonstration device has no input range, coupling or trigger: the
  // panel's settings for them never stop its acquisition.
  scope::StreamSetup setup;
  setup.volts_per_div[0] = 0.05;
  setup.coupling[0] = 2;
  setup.trigger_channel = 0;
  setup.trigger_volts = 2.0;
  stream->FollowSetup(setup);
  ASSERT_TRUE(stream->Settle(5s));
  EXPECT_EQ(stream->Reconfigurations(), restarts);
  EXPECT_FALSE(stream->CouplesAc(0));  // AC stays the instrument's to do

  // A new timebase: the call only leaves the request; the control thread
  // stops the device, sets the new rate and starts it again.
  const double fd = scope::Timebase(k10ms).fm_equivalente;
  const auto before = std::chrono::steady_clock::now();
  stream->FollowDisplayRate(fd);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 100ms);  // a busy machine may deschedule us
  ASSERT_TRUE(stream->Settle(5s));
  EXPECT_EQ(stream->Reconfigurations(), restarts + 1);
  EXPECT_EQ(stream->SampleRate(), fd);
  EXPECT_TRUE(stream->Settings().continuous);
  // The frames at the new rate begin after everything written before it.
  const std::uint64_t since = stream->RateSince();
  const auto until = std::chrono::steady_clock::now() + 5s;
  while (stream->Ring()->Written() <= since && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(5ms);
  EXPECT_GT(stream->Ring()->Written(), since);
  EXPECT_FALSE(stream->Failed()) << stream->Error();
}

}  // namespace
}  // namespace orva::sigrok
