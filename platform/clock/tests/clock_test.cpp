#include "orva/clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <thread>

namespace {

using orva::clock::CountsToMilliseconds;

TEST(ClockConversion, TruncatesTowardZeroAtAnyFrequency) {
  EXPECT_EQ(CountsToMilliseconds(0, 1000000), 0);
  EXPECT_EQ(CountsToMilliseconds(1999, 1000000), 1);  // 1.999 ms
  EXPECT_EQ(CountsToMilliseconds(1500000, 1000000), 1500);
  EXPECT_EQ(CountsToMilliseconds(-1999, 1000000), -1);
  EXPECT_EQ(CountsToMilliseconds(3, 3000), 1);
  EXPECT_EQ(CountsToMilliseconds(2, 3000), 0);  // 0.667 ms
  // Odd frequency: two seconds and 1.0001 ms.
  EXPECT_EQ(CountsToMilliseconds(3579545 * 2 + 3580, 3579545), 2001);
}

TEST(ClockConversion, LargeDifferencesDoNotOverflow) {
  const std::int64_t big = std::numeric_limits<std::int64_t>::max();
  // A naive counts * 1000 / f would overflow here.
  EXPECT_EQ(CountsToMilliseconds(big, 1000000000), big / 1000000);
  EXPECT_EQ(CountsToMilliseconds(big, 1000), big);
}

TEST(ClockConversion, NoFrequencyGivesZero) {
  EXPECT_EQ(CountsToMilliseconds(12345, 0), 0);
  EXPECT_EQ(CountsToMilliseconds(12345, -5), 0);
}

TEST(ClockSources, MonotonicStopwatchAndTimeOfDay) {
  EXPECT_EQ(orva::clock::MonotonicFrequency(), 1000000000);
  const std::int64_t a = orva::clock::MonotonicCount();
  orva::clock::Stopwatch watch;
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const std::int64_t b = orva::clock::MonotonicCount();
  EXPECT_GE(b - a, 30 * 1000000);
  const std::int64_t ms = watch.ElapsedMilliseconds();
  EXPECT_GE(ms, 30);
  EXPECT_LT(ms, 5000);
  EXPECT_GE(watch.ElapsedSeconds(), 0.030);
  watch.Restart();
  EXPECT_LT(watch.ElapsedMilliseconds(), 30);

  const double s = orva::clock::SecondsSinceMidnight();
  EXPECT_GE(s, 0.0);
  EXPECT_LT(s, 86401.0);
}

}  // namespace
