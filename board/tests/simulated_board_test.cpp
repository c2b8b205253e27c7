// The simulated board itself: its signal grammar, volts-to-codes conversion,
// couplings, trigger placement, real-time captures, and the environment
// variables that install it (through the probe program).
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <sys/wait.h>

#include "test_support.h"

namespace board_test {
namespace {

using Kind = sim::Signal::Kind;

TEST(BoardSimSignals, GrammarAndDefaults) {
  sim::Signal a, b;
  std::string err;
  ASSERT_TRUE(sim::ParseSignals("sine:f=1000,a=1.5;dc:o=0.5", &a, &b, &err)) << err;
  EXPECT_EQ(a.kind, Kind::kSine);
  EXPECT_DOUBLE_EQ(a.frequency, 1000.0);
  EXPECT_DOUBLE_EQ(a.amplitude, 1.5);
  EXPECT_EQ(b.kind, Kind::kDc);
  EXPECT_DOUBLE_EQ(b.offset, 0.5);

  ASSERT_TRUE(sim::ParseSignals(" Triangle : f = 50 , o=-0.25 , n=0.01 ; ", &a, &b, &err)) << err;
  EXPECT_EQ(a.kind, Kind::kTriangle);
  EXPECT_DOUBLE_EQ(a.frequency, 50.0);
  EXPECT_DOUBLE_EQ(a.offset, -0.25);
  EXPECT_DOUBLE_EQ(a.noise, 0.01);
  EXPECT_EQ(b.kind, Kind::kSquare);  // empty channel 2: its default
  EXPECT_DOUBLE_EQ(b.frequency, 2000.0);
  EXPECT_DOUBLE_EQ(b.amplitude, 0.5);

  ASSERT_TRUE(sim::ParseSignals("noise", &a, &b, &err));
  EXPECT_EQ(a.kind, Kind::kNoise);
  EXPECT_GT(a.noise, 0.0);
  ASSERT_TRUE(sim::ParseSignals("", &a, &b, &err));
  EXPECT_EQ(a.kind, Kind::kSine);
  EXPECT_DOUBLE_EQ(a.amplitude, 1.0);
  EXPECT_DOUBLE_EQ(a.frequency, 1000.0);
}

TEST(BoardSimSignals, MalformedTextNamesTheBadPartAndChangesNothing) {
  const std::pair<const char*, const char*> bad[] = {
      {"saw:f=10", "saw"},
      {"sine:f=abc", "abc"},
      {"sine;square:q=1", "q"},
      {"sine:f", "\"f\""},
      {"sine:f=-5", "frequency"},
      {"sine;dc;sine", "more than two"},
      {"sine:f=1e999", "1e999"},
      {"sine:a=1.5x", "1.5x"},
  };
  for (const auto& [text, part] : bad) {
    sim::Signal a = sim::DefaultSignal(1), b = sim::DefaultSignal(2);
    a.frequency = 123.0;
    std::string err;
    EXPECT_FALSE(sim::ParseSignals(text, &a, &b, &err)) << text;
    EXPECT_NE(err.find(part), std::string::npos) << text << " -> " << err;
    EXPECT_DOUBLE_EQ(a.frequency, 123.0) << text;
  }
  std::string err;
  EXPECT_FALSE(sim::ParseSignals("sine;square:q=1", nullptr, nullptr, &err));
  EXPECT_NE(err.find("channel 2"), std::string::npos) << err;

  sim::Model m;
  EXPECT_TRUE(sim::ParseModel("KTR4", &m));
  EXPECT_EQ(m, sim::Model::kKtr4);
  EXPECT_FALSE(sim::ParseModel("ktr3", &m));
}

TEST(BoardSimCodes, ThirtyTwoCodesPerDivisionAroundMidScale) {
  const double vdiv[8] = {50, 20, 5, 2, 0.5, 0.2, 0.05, 0.02};
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(sim::CodeForVolts(0.0, k), 128);
    EXPECT_EQ(sim::CodeForVolts(vdiv[k], k), 160) << k;
    EXPECT_EQ(sim::CodeForVolts(-2 * vdiv[k], k), 64) << k;
    EXPECT_EQ(sim::CodeForVolts(5 * vdiv[k], k), 255) << k;   // clipped
    EXPECT_EQ(sim::CodeForVolts(-5 * vdiv[k], k), 0) << k;
  }
}

class BoardSimCapture : public SimBoardTest {
 protected:
  // Programs with kt2_oscil_new at 1.25 MHz (divider 5 on both clocks) and
  // reads count A + count B samples with skip = count A, as the instrument does.
  Capture Acquire(int16_t trigger, int16_t g1, int16_t g2, int16_t c1, int16_t c2,
                  uint8_t level_code, int16_t slope, int16_t mode, int32_t a = 2000,
                  int16_t b = 1000) {
    kt2_oscil_new(trigger, c1, c2, nullptr, nullptr, g1, g2, a, b,
                  static_cast<int16_t>(255 - level_code), slope, 1.0f / 1250000.0f, 10000, mode,
                  0);
    EXPECT_EQ(comprueba_fin_de_captura(), 256);
    return Read(a, b, static_cast<int16_t>(a), trigger, g1, g2, c1, c2);
  }
};

TEST_F(BoardSimCapture, DcLevelsPerGainAndCoupling) {
  sim::SetSignal(1, sim::Signal{Kind::kDc, 0, 0, 0.5, 0});
  sim::SetSignal(2, sim::Signal{Kind::kDc, 0, 0, -0.1, 0});
  // Gain index 6 = board code 4 (0.5 V/div); index 7 = code 5 (0.2 V/div).
  Capture c = Acquire(1, 6, 7, 1, 1, 0, 0, 3);
  EXPECT_EQ(c.ch1, std::vector<uint8_t>(3000, 160));
  EXPECT_EQ(c.ch2, std::vector<uint8_t>(3000, 112));  // -0.1 V at 0.2 V/div
  // AC coupling removes the mean of each input.
  c = Acquire(1, 6, 7, 2, 2, 0, 0, 3);
  EXPECT_EQ(c.ch1, std::vector<uint8_t>(3000, 128));
  EXPECT_EQ(c.ch2, std::vector<uint8_t>(3000, 128));
  // The older models have no coupling bit: AC reads as DC.
  Install(sim::Model::kKtr2);
  sim::SetSignal(1, sim::Signal{Kind::kDc, 0, 0, 0.5, 0});
  c = Acquire(1, 6, 7, 2, 2, 0, 0, 3);
  EXPECT_EQ(c.ch1, std::vector<uint8_t>(3000, 160));
  // Step factors are the library's: gain index 5 is code 3 (2 V/div) on the board.
  c = Acquire(1, 5, 5, 1, 1, 0, 0, 3);
  EXPECT_EQ(c.ch1[0], 136);
}

TEST_F(BoardSimCapture, TriggerSitsAtThePreTriggerCount) {
  sim::SetSignal(1, sim::Signal{Kind::kSine, 1000.0, 1.0, 0.0, 0});
  sim::SetSignal(2, sim::Signal{Kind::kTriangle, 700.0, 1.0, 0.0, 0});
  for (uint8_t level : {128, 170, 90}) {
    for (int16_t slope : {0, 1}) {
      for (int16_t trigger : {1, 2}) {
        SCOPED_TRACE(::testing::Message() << "level " << int(level) << " slope " << slope
                                          << " channel " << trigger);
        const Capture c = Acquire(trigger, 6, 6, 1, 1, level, slope, 1);
        const auto& t = trigger == 1 ? c.ch1 : c.ch2;
        if (slope == 0) {
          EXPECT_LT(t[999], level);
          EXPECT_GE(t[1000], level);
        } else {
          EXPECT_GT(t[999], level);
          EXPECT_LE(t[1000], level);
        }
      }
    }
  }
  // The readout counts back from the newest sample, so the trigger lands at
  // index count B for long pre-trigger records too.
  const Capture c = Acquire(1, 6, 6, 1, 1, 128, 0, 1, 100, 8000);
  EXPECT_LT(c.ch1[7999], 128);
  EXPECT_GE(c.ch1[8000], 128);
}

TEST_F(BoardSimCapture, BothChannelsShareOneTimeBase) {
  sim::Signal s{Kind::kSine, 3000.0, 0.8, 0.1, 0};
  sim::SetSignal(1, s);
  sim::SetSignal(2, s);
  Capture c = Acquire(2, 6, 6, 1, 1, 140, 0, 1);
  EXPECT_EQ(c.ch1, c.ch2);
  // The sine is sampled at 1.25 MHz: one period is 416.7 samples.
  const auto top = std::max_element(c.ch1.begin(), c.ch1.end());
  EXPECT_EQ(*top, sim::CodeForVolts(0.9, 4));
}

TEST_F(BoardSimCapture, UntriggeredWhenForcedOrExternal) {
  sim::SetSignal(1, sim::Signal{Kind::kDc, 0, 0, 0.0, 0});
  sim::SetSignal(2, sim::Signal{Kind::kDc, 0, 0, 0.0, 0});
  // A flat input never crosses 160: the capture keeps running.
  kt2_oscil_new(1, 1, 1, nullptr, nullptr, 6, 6, 100, 100, 255 - 160, 0, 1e-6f, 0, 1, 0);
  EXPECT_EQ(comprueba_fin_de_captura(), 0);
  // Trigger mode 3 or the external trigger: no wait.
  kt2_oscil_new(1, 1, 1, nullptr, nullptr, 6, 6, 100, 100, 255 - 160, 0, 1e-6f, 0, 3, 0);
  EXPECT_EQ(comprueba_fin_de_captura(), 256);
  kt2_oscil_new(1, 1, 1, nullptr, nullptr, 6, 6, 100, 100, 255 - 160, 0, 1e-6f, 0, 1, 1);
  EXPECT_EQ(comprueba_fin_de_captura(), 256);
}

TEST_F(BoardSimCapture, CapturesEndInRealTime) {
  sim::SetInstantCaptures(false);
  // 4000 + 2000 samples at 40 MHz / 2^10 = 39062.5 Hz: about 154 ms.
  kt2_oscil_new(1, 1, 1, nullptr, nullptr, 6, 6, 4000, 2000, 127, 0, 1024 / 40e6f, 0, 3, 0);
  EXPECT_EQ(comprueba_fin_de_captura(), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(comprueba_fin_de_captura(), 0);
  const auto t0 = std::chrono::steady_clock::now();
  while (comprueba_fin_de_captura() != 256 &&
         std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(comprueba_fin_de_captura(), 256);
}

TEST_F(BoardSimCapture, NoiseIsTheSameForTheTriggerAndTheReadout) {
  sim::SetSignal(1, sim::Signal{Kind::kSine, 2000.0, 1.0, 0.0, 0.05});
  for (int run = 0; run < 5; ++run) {
    const Capture c = Acquire(1, 6, 6, 1, 1, 128, 0, 1);
    EXPECT_LT(c.ch1[999], 128);
    EXPECT_GE(c.ch1[1000], 128);
  }
}

#ifdef ORVABOARD_PROBE_PATH
// Runs the probe with the given environment assignments; output and status.
std::pair<std::string, int> RunProbe(const std::string& env, const std::string& args = "") {
  const std::string cmd = "env -u ORVABOARD_SIM_SIGNALS " + env + " '" ORVABOARD_PROBE_PATH
                          "' --dir /nonexistent --rows 4 " + args + " 2>&1";
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return {"", -1};
  std::array<char, 4096> buf{};
  while (std::size_t n = fread(buf.data(), 1, buf.size(), p)) out.append(buf.data(), n);
  const int status = pclose(p);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(BoardSimEnvironment, ModelAndSignalsComeFromTheEnvironment) {
  auto [out, status] = RunProbe("ORVABOARD_SIM=ktr4");
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("KTR4 (type 4)"), std::string::npos) << out;
  EXPECT_NE(out.find("ch1 "), std::string::npos) << out;

  std::tie(out, status) =
      RunProbe("ORVABOARD_SIM=ktr1 ORVABOARD_SIM_SIGNALS='dc:o=1;dc:o=-0.5'", "--mode 3");
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("KTR1 (type 1)"), std::string::npos) << out;
  EXPECT_NE(out.find("codes 192..192"), std::string::npos) << out;  // 1 V at 0.5 V/div
  EXPECT_NE(out.find("codes 96..96"), std::string::npos) << out;

  std::tie(out, status) = RunProbe("ORVABOARD_SIM=ktr5 ORVABOARD_SIM_SIGNALS='sine:f=1k'");
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("ORVABOARD_SIM_SIGNALS: channel 1: bad number \"1k\""), std::string::npos)
      << out;
  EXPECT_NE(out.find("using the default signals"), std::string::npos) << out;

  std::tie(out, status) = RunProbe("ORVABOARD_SIM=ktr9");
  EXPECT_NE(out.find("not a model"), std::string::npos) << out;
}
#endif

}  // namespace
}  // namespace board_test
