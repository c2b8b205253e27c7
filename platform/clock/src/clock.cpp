#include "orva/clock.h"

#include <ctime>

namespace orva::clock {

namespace {
constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
}

std::int64_t MonotonicFrequency() noexcept { return kNanosPerSecond; }

std::int64_t MonotonicCount() noexcept {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * kNanosPerSecond + ts.tv_nsec;
}

std::int64_t CountsToMilliseconds(std::int64_t counts, std::int64_t frequency) noexcept {
  if (frequency <= 0) return 0;
  // Whole seconds and the remainder separately: counts * 1000 would overflow
  // for large differences. Both parts truncate toward zero like one division.
  const std::int64_t whole = counts / frequency;
  const std::int64_t rest = counts % frequency;  // |rest| < frequency
  // rest * 1000 fits as long as frequency < 9.2e15 counts per second.
  return whole * 1000 + (rest * 1000) / frequency;
}

double SecondsSinceMidnight() noexcept {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  const std::time_t now = ts.tv_sec;
  std::tm local{};
  ::localtime_r(&now, &local);
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
         static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace orva::clock
