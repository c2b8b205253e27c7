// Stream sources: the lock-free sample ring, and the instrument's stream path
// (conversion, resampling, trigger, refusal of timebases the source cannot
// fill, faults) with a synthetic source.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "orva/scope/osciloscopio.h"
#include "orva/scope/stream_source.h"
#include "scope_fakes.h"

namespace orva::scope {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::int16_t k200us = 13, k1ms = 15, k10ms = 18, k100us = 12;

// ---- The ring -------------------------------------------------------------

std::vector<float> Ramp(std::size_t frames, int channels, float first) {
  std::vector<float> v(frames * static_cast<std::size_t>(channels));
  for (std::size_t f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c) v[f * channels + c] = first + static_cast<float>(f) + 1000.0f * c;
  return v;
}

TEST(SampleRing, KeepsTheNewestFramesOfEachChannel) {
  SampleRing ring(8, 2);
  const auto a = Ramp(5, 2, 0.0f);
  const auto b = Ramp(6, 2, 5.0f);  // 11 frames in all: 3 are overwritten
  ring.Write(a.data(), 5, 2);
  ring.Write(b.data(), 6, 2);
  EXPECT_EQ(ring.Written(), 11u);
  std::vector<float> out(8);
  ASSERT_TRUE(ring.Read(0, 11, 8, out.data()));
  EXPECT_EQ(out, (std::vector<float>{3, 4, 5, 6, 7, 8, 9, 10}));
  ASSERT_TRUE(ring.Read(1, 9, 2, out.data()));
  EXPECT_EQ(out[0], 1007.0f);
  EXPECT_EQ(out[1], 1008.0f);
}

TEST(SampleRing, MonoDataLeavesTheSecondChannelFlat) {
  SampleRing ring(4, 2);
  const std::vector<float> mono{0.5f, -0.5f, 0.25f};
  ring.Write(mono.data(), 3, 1);
  std::vector<float> one(3), two(3);
  ASSERT_TRUE(ring.Read(0, 3, 3, one.data()));
  ASSERT_TRUE(ring.Read(1, 3, 3, two.data()));
  EXPECT_EQ(one, mono);
  EXPECT_EQ(two, std::vector<float>(3, 0.0f));
}

TEST(SampleRing, RefusesReadsOutsideWhatItHolds) {
  SampleRing ring(8, 1);
  const auto a = Ramp(20, 1, 0.0f);
  ring.Write(a.data(), 20, 1);
  struct Case {
    const char* what;
    int channel;
    std::uint64_t end;
    std::size_t count;
  };
  const Case cases[] = {
      {"channel past the ring's", 1, 20, 4},
      {"negative channel", -1, 20, 4},
      {"more than the capacity", 0, 20, 9},
      {"past the frames written", 0, 21, 4},
      {"before frame 0", 0, 3, 4},
      {"already overwritten", 0, 12, 4},
  };
  std::vector<float> out(16);
  for (const Case& c : cases) EXPECT_FALSE(ring.Read(c.channel, c.end, c.count, out.data())) << c.what;
  EXPECT_TRUE(ring.Read(0, 20, 8, out.data()));
}

TEST(SampleRing, AConsumerThreadNeverAcceptsATornCopy) {
  // The producer writes frame n with the value n; every copy the consumer
  // accepts must hold consecutive values ending at the frame it asked for.
  SampleRing ring(512, 1);
  std::atomic<bool> done{false};
  std::thread producer([&] {
    std::vector<float> block(37);
    float next = 0;
    for (int i = 0; i < 50000; ++i) {
      for (float& v : block) v = next++;
      ring.Write(block.data(), block.size(), 1);
    }
    done = true;
  });
  std::vector<float> out(64);
  long accepted = 0;
  bool torn = false;
  auto check = [&] {
    const std::uint64_t end = ring.Written();
    if (end < out.size() || !ring.Read(0, end, out.size(), out.data())) return;
    ++accepted;
    for (std::size_t i = 0; i < out.size(); ++i)
      torn = torn || out[i] != static_cast<float>(end - out.size() + i);
  };
  while (!done) check();
  producer.join();
  check();  // at rest a read always succeeds
  EXPECT_FALSE(torn);
  EXPECT_GT(accepted, 0);
}

// ---- The instrument on a stream -------------------------------------------

// A stream of two sines (volts), produced on demand by the test.
class SyntheticStream final : public StreamSource {
 public:
  SyntheticStream(double rate, int channels) : channels_(channels) {
    Open(rate, channels, StreamRingFrames(rate));
  }
  std::string Description() const override { return "synthetic"; }
  // Adds `seconds` of signal: channel 1 a1 sin(2 pi f1 t), channel 2 likewise.
  void Produce(double seconds) {
    const auto frames = static_cast<std::size_t>(std::llround(seconds * SampleRate()));
    block_.resize(frames * static_cast<std::size_t>(channels_));
    for (std::size_t i = 0; i < frames; ++i, ++n_) {
      const double t = static_cast<double>(n_) / SampleRate();
      block_[i * channels_] = static_cast<float>(a1 * std::sin(2 * kPi * f1 * t) + dc1);
      if (channels_ == 2) block_[i * channels_ + 1] = static_cast<float>(a2 * std::sin(2 * kPi * f2 * t));
    }
    Deliver(block_.data(), frames, channels_);
  }
  void Break(const std::string& why) { Fail(why); }
  void FollowSetup(const StreamSetup& setup) override { asked = setup; }
  bool CouplesAc(int channel) const override { return channel == 0 && ac_in_source; }
  double a1 = 1.0, f1 = 1000.0, dc1 = 0.0, a2 = 0.5, f2 = 250.0;
  StreamSetup asked;
  bool ac_in_source = false;

 private:
  int channels_;
  std::uint64_t n_ = 0;
  std::vector<float> block_;
};

struct StreamRig : testing::Rig {
  explicit StreamRig(std::int16_t timebase = k1ms, double rate = 48000.0, int channels = 2) {
    stream = std::make_shared<SyntheticStream>(rate, channels);
    osc->Canal1Activo(true);
    osc->Canal2Activo(true);
    osc->AcoplamientoCanal1(kAcoplamientoAC);
    osc->AcoplamientoCanal2(kAcoplamientoAC);
    osc->GananciaCanal1(5);  // 1 V/div
    osc->GananciaCanal2(7);  // 0.2 V/div
    osc->CanalDisparo(1);
    osc->Flanco(0);
    osc->Nivel(128);
    osc->ModoDisparo(kModoNormal);
    osc->promediado(1);
    osc->FuenteDeFlujo(stream);
    osc->BaseDeTiemposActual(timebase);
  }
  // Delivers a record's worth of signal, polls and reads; false when the
  // poll found no capture.
  bool Capture(double seconds = 0.5) {
    osc->Programacion();
    stream->Produce(seconds);
    clock.Advance(seconds);
    if (!osc->ComprobacionFinDeCaptura()) return false;
    osc->LecturaDeMemoria();
    return true;
  }
  void Measure() {
    osc->PromediaCanal(0);
    osc->PromediaCanal(1);
    osc->Medidas1();
    osc->Medidas2();
  }
  std::shared_ptr<SyntheticStream> stream;
};

TEST(StreamPath, ReadsFrequencyAndVoltsAcrossTimebases) {
  struct Case {
    std::int16_t timebase;
    double f1, f2;
  };
  // Periods of whole display points (25.6 points a division), so that the
  // period estimator's own rounding to whole points adds nothing.
  const Case cases[] = {{k200us, 1000, 2000}, {k1ms, 1024, 256}, {k10ms, 102.4, 25.6}};
  for (const Case& c : cases) {
    StreamRig r(c.timebase);
    r.stream->f1 = c.f1;
    r.stream->f2 = c.f2;
    ASSERT_TRUE(r.Capture(1.0)) << c.timebase;
    r.Measure();
    EXPECT_NEAR(r.osc->F1(), c.f1, c.f1 * 0.005 + 0.5) << c.timebase;  // shown in whole hertz
    EXPECT_NEAR(r.osc->F2(), c.f2, c.f2 * 0.005 + 0.5) << c.timebase;
    EXPECT_NEAR(r.osc->Vpp1(), 2.0, 0.04) << c.timebase;
    EXPECT_NEAR(r.osc->Vpp2(), 1.0, 0.02) << c.timebase;
  }
}

TEST(StreamPath, ConvertsVoltsToCodesAtTheGainOffsetAndCoupling) {
  // 1 V peak at 1 V/div is +-32 codes around the centre.
  struct Case {
    const char* what;
    std::int16_t coupling;
    bool inverted;
    std::int16_t offset;
    double max, min;
  };
  const Case cases[] = {
      {"plain", kAcoplamientoAC, false, 0, 160, 96},
      {"offset up 40", kAcoplamientoAC, false, 40, 200, 136},
      {"grounded", kAcoplamientoGND, false, 0, 128, 128},
      {"inverted", kAcoplamientoDC, true, 0, 159, 95},
  };
  for (const Case& c : cases) {
    StreamRig r(k1ms);
    r.osc->AcoplamientoCanal1(c.coupling);
    r.osc->Canal1Invertido(c.inverted);
    r.osc->DesplazamientoYCanal1(c.offset);
    r.osc->ModoDisparo(kModoAuto);
    r.osc->FuerzaModoSoftware(true);
    ASSERT_TRUE(r.Capture()) << c.what;
    EXPECT_NEAR(r.osc->Maximo1(), c.max, 0.6) << c.what;
    EXPECT_NEAR(r.osc->Minimo1(), c.min, 0.6) << c.what;
  }
  // A signal past the screen is clipped at the converter's 0..255.
  StreamRig big(k1ms);
  big.stream->a1 = 10.0;
  big.osc->ModoDisparo(kModoAuto);
  big.osc->FuerzaModoSoftware(true);
  ASSERT_TRUE(big.Capture());
  EXPECT_LE(big.osc->Maximo1(), 255.5);
  EXPECT_GE(big.osc->Minimo1(), -0.5);
}

TEST(StreamPath, ACCouplingRemovesTheDCTheSourceLeavesIn) {
  // 1 V peak on 0.5 V of DC at 1 V/div: the DC is 16 codes.
  struct Case {
    const char* what;
    std::int16_t coupling;
    bool ac_in_source;
    double centre;  // (max + min) / 2 in codes
  };
  const Case cases[] = {
      {"DC shows it", kAcoplamientoDC, false, 144},
      {"AC removes it", kAcoplamientoAC, false, 128},
      {"AC left to a source that couples AC itself", kAcoplamientoAC, true, 144},
  };
  for (const Case& c : cases) {
    StreamRig r(k1ms);
    r.stream->dc1 = 0.5;
    r.stream->ac_in_source = c.ac_in_source;
    r.osc->AcoplamientoCanal1(c.coupling);
    r.osc->ModoDisparo(kModoAuto);
    r.osc->FuerzaModoSoftware(true);
    ASSERT_TRUE(r.Capture()) << c.what;
    EXPECT_NEAR((r.osc->Maximo1() + r.osc->Minimo1()) / 2, c.centre, 0.6) << c.what;
    EXPECT_NEAR(r.osc->Maximo1() - r.osc->Minimo1(), 64.0, 1.2) << c.what;
  }
}

TEST(StreamPath, TheSourceIsToldTheGainsCouplingAndTriggerInVolts) {
  StreamRig r(k1ms);  // ch1 1 V/div AC, ch2 0.2 V/div AC, trigger ch1 rising
  r.osc->Nivel(160);  // a division above the centre
  r.osc->Programacion();
  EXPECT_EQ(r.stream->asked.volts_per_div[0], 1.0);
  EXPECT_NEAR(r.stream->asked.volts_per_div[1], 0.2, 1e-6);  // the gain table holds floats
  EXPECT_EQ(r.stream->asked.coupling[0], 2);
  EXPECT_EQ(r.stream->asked.trigger_channel, 0);
  EXPECT_DOUBLE_EQ(r.stream->asked.trigger_volts, 1.0);
  EXPECT_TRUE(r.stream->asked.trigger_rising);
  // Inverted, a level a division above the centre on the screen is a
  // division below it at the input; the chosen slope stays the input's.
  r.osc->Canal1Invertido(true);
  r.osc->Flanco(1);
  r.osc->AcoplamientoCanal1(kAcoplamientoGND);
  r.osc->Programacion();
  EXPECT_DOUBLE_EQ(r.stream->asked.trigger_volts, -33.0 / 32.0);
  EXPECT_FALSE(r.stream->asked.trigger_rising);
  EXPECT_EQ(r.stream->asked.coupling[0], 0);
  // Auto must show a trace without an edge: no trigger is asked of the source.
  r.osc->ModoDisparo(kModoAuto);
  r.osc->Programacion();
  EXPECT_EQ(r.stream->asked.trigger_channel, -1);
}

TEST(StreamPath, TheTriggerHoldsTheTraceStillAcrossCaptures) {
  StreamRig r(k1ms);
  std::vector<float> first;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(r.Capture(0.2 + 0.0113 * i)) << i;  // a phase that moves between captures
    EXPECT_TRUE(r.osc->DisparoEncontrado());
    const auto& a = r.osc->TrazaAlineada1();
    // The rising crossing of the centre sits at the screen's left edge.
    EXPECT_NEAR(a[kScreenLeftEdge], 128.0, 2.0);
    EXPECT_GT(a[kScreenLeftEdge + 3], a[kScreenLeftEdge - 3]);
    if (i == 0) {
      first = a;
      continue;
    }
    double worst = 0;
    for (int j = 0; j < kShownPoints; ++j) worst = std::max(worst, std::abs(double(a[j]) - first[j]));
    EXPECT_LT(worst, 2.0) << "capture " << i;
  }
}

TEST(StreamPath, TriggerModesKeepTheirMeaning) {
  // The level lies above the signal: Normal waits past every time-out, Auto
  // shows an untriggered capture after one.
  for (const std::int16_t mode : {kModoNormal, kModoAuto}) {
    StreamRig r(k1ms);
    r.osc->Nivel(250);
    r.osc->ModoDisparo(mode);
    r.osc->Programacion();
    bool shown = false;
    for (int i = 0; i < 8 && !shown; ++i) {  // 1.2 s: past two time-outs
      r.stream->Produce(0.15);
      r.clock.Advance(0.15);
      shown = r.osc->ComprobacionFinDeCaptura();
    }
    EXPECT_EQ(shown, mode == kModoAuto) << mode;
    if (!shown) continue;
    r.osc->LecturaDeMemoria();
    EXPECT_FALSE(r.osc->DisparoEncontrado());
    EXPECT_GT(r.osc->Maximo1(), 150.0);  // the newest signal, untriggered
  }
}

TEST(StreamPath, APollWaitsForTheSamplesItNeeds) {
  StreamRig r(k10ms);  // a record is 0.4 s
  r.osc->Programacion();
  r.stream->Produce(0.1);
  EXPECT_FALSE(r.osc->ComprobacionFinDeCaptura());
  EXPECT_GT(r.osc->EsperaDeFlujo(), 0.0);
  EXPECT_LE(r.osc->EsperaDeFlujo(), 0.05);
  r.stream->Produce(0.4);
  EXPECT_EQ(r.osc->EsperaDeFlujo(), 0.0);
  EXPECT_TRUE(r.osc->ComprobacionFinDeCaptura());
}

TEST(StreamPath, RefusesTimebasesTheSourceCannotFill) {
  StreamRig r(k1ms);  // 48 kHz: 100 us/div would have 48 samples a screen
  EXPECT_FALSE(r.osc->BaseDeTiemposPosible(k100us));
  EXPECT_TRUE(r.osc->BaseDeTiemposPosible(k200us));
  EXPECT_EQ(r.osc->PrimeraBaseDeFlujo(), k200us);
  r.osc->BaseDeTiemposActual(k100us);
  EXPECT_TRUE(r.osc->BaseRechazadaPorFlujo());
  EXPECT_EQ(r.osc->BaseDeTiemposActual(), k1ms);
  r.osc->BaseDeTiemposActual(k10ms);
  EXPECT_FALSE(r.osc->BaseRechazadaPorFlujo());
  EXPECT_EQ(r.osc->BaseDeTiemposActual(), k10ms);

  // A source chosen on a timebase too fast for it moves it to the fastest
  // it fills; in demo mode every timebase is there again.
  testing::Rig fast;
  fast.osc->BaseDeTiemposActual(4);
  fast.osc->FuenteDeFlujo(std::make_shared<SyntheticStream>(8000.0, 1));
  EXPECT_EQ(fast.osc->BaseDeTiemposActual(), 15);  // 8 kHz: 1 ms/div has 80 a screen
  fast.osc->ModoDemo(true);
  EXPECT_TRUE(fast.osc->BaseDeTiemposPosible(4));
}

TEST(StreamPath, AMonoSourceLeavesChannelTwoOnTheCentreLine) {
  StreamRig r(k1ms, 44100.0, 1);
  r.stream->f1 = 1024;
  r.osc->ModoDisparo(kModoAuto);
  ASSERT_TRUE(r.Capture());
  r.Measure();
  EXPECT_NEAR(r.osc->F1(), 1024.0, 5.0);
  EXPECT_NEAR(r.osc->Maximo2(), 128.0, 1e-3);
  EXPECT_NEAR(r.osc->Minimo2(), 128.0, 1e-3);
}

TEST(StreamPath, AFailedSourceEndsTheCaptures) {
  StreamRig r(k1ms);
  ASSERT_TRUE(r.Capture());
  r.stream->Break("the input went away");
  EXPECT_TRUE(r.osc->FalloDeFlujo());
  EXPECT_EQ(r.stream->Error(), "the input went away");
  r.stream->Break("a second fault");  // the first message stays
  EXPECT_EQ(r.stream->Error(), "the input went away");
  EXPECT_FALSE(r.Capture());
  EXPECT_EQ(r.osc->EsperaDeFlujo(), 0.0);
}

}  // namespace
}  // namespace orva::scope
