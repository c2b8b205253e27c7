// Statistics of the measurements against a direct two-pass computation, the
// resets, the rules of a capture's values and the headless line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "orva/record/capture.h"
#include "orva/record/statistics.h"

namespace orva::record {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

CaptureSettings Settings(std::int16_t timebase, std::int16_t gain1 = 3, std::int16_t gain2 = 3) {
  CaptureSettings s;
  s.timebase_index = timebase;
  s.gain_index = {gain1, gain2};
  s.seconds_per_div = 2e-7;
  s.volts_per_div = {5.0, 5.0};
  return s;
}

struct Direct {
  std::uint64_t n = 0;
  double min = 0, max = 0, mean = 0, sd = 0;
};

// Two passes over the kept values: the mean first, then the squared deviations.
Direct Compute(const std::vector<double>& v) {
  Direct d;
  std::vector<double> kept;
  for (double x : v)
    if (std::isfinite(x)) kept.push_back(x);
  d.n = kept.size();
  if (kept.empty()) return d;
  d.min = *std::min_element(kept.begin(), kept.end());
  d.max = *std::max_element(kept.begin(), kept.end());
  long double sum = 0;
  for (double x : kept) sum += x;
  d.mean = static_cast<double>(sum / kept.size());
  long double sq = 0;
  for (double x : kept) sq += (x - d.mean) * (x - d.mean);
  d.sd = kept.size() < 2 ? 0.0 : static_cast<double>(std::sqrt(sq / (kept.size() - 1)));
  return d;
}

TEST(RecordStatistics, AgreeWithADirectComputationOverTheSameCaptures) {
  // Each column a kind of series: small volts with gaps, a frequency near
  // 1 MHz moving by a few hertz (a naive sum of squares loses it), a period
  // of microseconds, and a measurement that never has a value.
  std::mt19937 gen(28);
  std::normal_distribution<double> noise(0.0, 1.0);
  std::uniform_int_distribution<int> gap(0, 9);
  std::vector<std::vector<double>> series(kMeasurements);
  MeasurementStatistics stats;
  for (int c = 0; c < 5000; ++c) {
    Capture cap;
    cap.settings = Settings(4);
    cap.values = {0.5 + 0.01 * noise(gen), gap(gen) == 0 ? kNaN : -0.15 + 0.002 * noise(gen),
                  1e6 + 3.0 * noise(gen),  1e-6 + 1e-9 * noise(gen),
                  kNaN,                    std::numeric_limits<double>::infinity(),
                  12.0,                    -4e-3 * std::abs(noise(gen))};
    for (int i = 0; i < kMeasurements; ++i) series[i].push_back(cap.values[i]);
    stats.Add(cap);
  }
  EXPECT_EQ(stats.Captures(), 5000u);
  for (int i = 0; i < kMeasurements; ++i) {
    SCOPED_TRACE(i);
    const Direct d = Compute(series[i]);
    const RunningStatistics& s = stats[i];
    ASSERT_EQ(s.Count(), d.n);
    if (d.n == 0) {
      EXPECT_TRUE(std::isnan(s.Mean()) && std::isnan(s.Min()) && std::isnan(s.StdDev()));
      continue;
    }
    EXPECT_EQ(s.Min(), d.min);
    EXPECT_EQ(s.Max(), d.max);
    EXPECT_NEAR(s.Mean(), d.mean, 1e-12 * std::max(1.0, std::abs(d.mean)));
    EXPECT_NEAR(s.StdDev(), d.sd, 1e-9 * std::max(d.sd, 1e-300));
  }
  EXPECT_EQ(stats[6].StdDev(), 0.0);  // a constant has no spread, not a rounding remainder
}

TEST(RecordStatistics, ATimebaseOrGainChangeAndTheResetStartAfresh) {
  MeasurementStatistics stats;
  Capture a;
  a.values.fill(1.0);
  a.settings = Settings(4);
  for (int k = 0; k < 3; ++k) stats.Add(a);
  ASSERT_EQ(stats[0].Count(), 3u);
  const CaptureSettings changes[] = {Settings(5), Settings(5, 4, 3), Settings(5, 4, 2)};
  for (const CaptureSettings& s : changes) {
    Capture b = a;
    b.settings = s;
    b.values.fill(2.0);
    stats.Add(b);
    EXPECT_EQ(stats[7].Count(), 1u);
    EXPECT_EQ(stats[7].Mean(), 2.0);
  }
  const std::uint64_t before = stats.Generation();
  stats.Reset();
  EXPECT_NE(stats.Generation(), before);
  EXPECT_EQ(stats.Captures(), 0u);
  EXPECT_EQ(stats[3].Count(), 0u);
}

TEST(RecordCapture, ValuesAreTheShownOnesAndMissingOnesAreEmpty) {
  ChannelReading on{true, 6.25, -0.15625, 499999.99, 2.0000001e-6};
  ChannelReading off{false, 1, 2, 3, 4};
  const Capture c = MakeCapture(on, off, Settings(4));
  EXPECT_EQ(c.values[0], 6.25);
  EXPECT_EQ(c.values[2], static_cast<double>(499999.99f));  // single precision, as the readout
  for (int i = 4; i < 8; ++i) EXPECT_FALSE(c.Has(i)) << i;
  // No period: the frequency 0 and period 0 of the estimator are no values;
  // a value beyond single precision is none either.
  const Capture flat = MakeCapture({true, 0.0, 1e39, 0.0, 0.0}, on, Settings(4));
  EXPECT_TRUE(flat.Has(0));
  EXPECT_FALSE(flat.Has(1));
  EXPECT_FALSE(flat.Has(2));
  EXPECT_FALSE(flat.Has(3));
  EXPECT_TRUE(flat.Has(7));
}

TEST(RecordStatistics, HeadlessLinesNameTheReadoutAndItsUnit) {
  RunningStatistics s;
  EXPECT_EQ(StatisticsLine(2, s), "statistics datos(2) ch1 frequency (Hz): count=0 min= max= mean= sd=");
  for (double x : {6.25, 6.5, 6.0}) s.Add(x);
  EXPECT_EQ(StatisticsLine(4, s), "statistics datos(4) ch2 Vpp (V): count=3 min=6 max=6.5 mean=6.25 sd=0.25");
  EXPECT_EQ(StatisticsLine(8, s), "");
}

}  // namespace
}  // namespace orva::record
