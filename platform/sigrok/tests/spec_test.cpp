// The libsigrok source text and the sample-rate choice, without libsigrok.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "orva/sigrok/rate.h"
#include "orva/sigrok/spec.h"

namespace orva::sigrok {
namespace {

TEST(SigrokSpec, ReadsDriverOptionsAndChannels) {
  std::string error;
  const auto spec = ParseSigrokSpec("sigrok:rigol-ds:conn=tcp-raw/10.0.0.2/5555:serialcomm=9600/8n1:channels=CH2,CH1",
                                    &error);
  ASSERT_TRUE(spec) << error;
  EXPECT_EQ(spec->driver, "rigol-ds");
  ASSERT_EQ(spec->options.size(), 2u);
  EXPECT_EQ(spec->options[0], (std::pair<std::string, std::string>{"conn", "tcp-raw/10.0.0.2/5555"}));
  EXPECT_EQ(spec->options[1], (std::pair<std::string, std::string>{"serialcomm", "9600/8n1"}));
  EXPECT_EQ(spec->channels, (std::vector<std::string>{"CH2", "CH1"}));
  // Written back, it reads the same.
  EXPECT_EQ(FormatSigrokSpec(*spec), "sigrok:rigol-ds:conn=tcp-raw/10.0.0.2/5555:serialcomm=9600/8n1:channels=CH2,CH1");
  const auto plain = ParseSigrokSpec("sigrok:demo", &error);
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->options.empty() && plain->channels.empty());
}

TEST(SigrokSpec, RefusesMalformedTextsWithOneLine) {
  struct Case {
    std::string text;
    std::string says;  // a part of the error line
  };
  const Case cases[] = {
      {"sigrok", "names no driver"},
      {"sigrok:", "names no driver"},
      {"sigrok:demo:", "is not OPTION=VALUE"},
      {"sigrok:demo:analog_channels", "is not OPTION=VALUE"},
      {"sigrok:demo:=2", "is not OPTION=VALUE"},
      {"sigrok:demo:conn=", "is not OPTION=VALUE"},
      {"sigrok:de mo", "driver name"},
      {"sigrok:demo:ana-log=2", "option name"},
      {"sigrok:demo:conn=a:conn=b", "given twice"},
      {"sigrok:demo:channels=A0,A1,A2", "one or two channel names"},
      {"sigrok:demo:channels=A0,", "one or two channel names"},
      {"sigrok:demo:channels=A0,A0", "twice"},
      {"sigrok:demo:channels=A0:channels=A1", "given twice"},
      {"sigrok:demo:conn=a\tb", "control characters"},
      {"sigrok:demo:" + std::string(1100, 'x'), "longer than"},
      {"sigrokdemo", "starts with 'sigrok:'"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseSigrokSpec(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.text << " -> " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(SigrokSpec, TellsItsOwnTextsFromOtherSources) {
  EXPECT_TRUE(IsSigrokSpec("sigrok:demo"));
  EXPECT_TRUE(IsSigrokSpec("sigrok"));
  EXPECT_FALSE(IsSigrokSpec("sigrokx:demo"));
  EXPECT_FALSE(IsSigrokSpec("audio:sigrok"));
}

TEST(SigrokRate, LowestRateThatReachesTheDisplayRateElseTheHighest) {
  const SampleRates list{{1000000, 20000, 200000, 50000000}, 0, 0, 0};
  const SampleRates range{{}, 1, 1000000000, 1};
  const SampleRates coarse{{}, 1000, 100000, 1000};
  struct Case {
    const SampleRates* rates;
    double wanted;
    std::uint64_t rate;
    bool reached;
  };
  const Case cases[] = {
      {&list, 25600.0, 200000, true},          // 10 ms/div on a list
      {&list, 200000.0, 200000, true},         // exactly a listed rate
      {&list, 2.56e9, 50000000, false},        // faster than the device
      {&list, 0.0, 20000, true},               // nothing wanted: the lowest
      {&range, 2560.0, 2560, true},            // a range with 1 Hz steps
      {&range, 25.6e6, 25600000, true},
      {&range, 2.56e9, 1000000000, false},
      {&coarse, 2560.0, 3000, true},           // rounded up to the step
      {&coarse, 500.0, 1000, true},            // below the range: its lowest
      {&coarse, 1e6, 100000, false},
  };
  for (const Case& c : cases) {
    const RateChoice r = ChooseSampleRate(*c.rates, c.wanted);
    EXPECT_EQ(r.rate, c.rate) << c.wanted;
    EXPECT_EQ(r.reached, c.reached) << c.wanted;
  }
  EXPECT_EQ(ChooseSampleRate(SampleRates{}, 1000.0).rate, 0u);
}

TEST(SigrokRate, CaptureLengthCoversTheSpanWithinBounds) {
  EXPECT_EQ(SamplesForSpan(25600, 0.3), 7680u);
  EXPECT_EQ(SamplesForSpan(1000, 0.0015), 2u);
  EXPECT_EQ(SamplesForSpan(1000000000, 10.0), kMaxCaptureSamples);
  EXPECT_EQ(SamplesForSpan(1000, std::nan("")), 2u);
}

}  // namespace
}  // namespace orva::sigrok
