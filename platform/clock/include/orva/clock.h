// Clock layer: a monotonic counter with its frequency, a stopwatch over it and
// the time of day. Elapsed times are always measured on the monotonic clock,
// never on the wall clock, so that clock adjustments cannot make them jump.
#pragma once

#include <cstdint>

namespace orva::clock {

// Counts per second of MonotonicCount() (nanoseconds: 1,000,000,000).
std::int64_t MonotonicFrequency() noexcept;
// Current count of the monotonic clock (CLOCK_MONOTONIC, nanoseconds).
std::int64_t MonotonicCount() noexcept;

// Whole milliseconds in a count difference at the given frequency, truncated
// toward zero, computed without overflow for any 64-bit difference. A
// frequency of 0 or below gives 0.
std::int64_t CountsToMilliseconds(std::int64_t counts, std::int64_t frequency) noexcept;

// Seconds elapsed since the last local midnight, with sub-second resolution
// (0 <= result < 86400 + leap second).
double SecondsSinceMidnight() noexcept;

// Stopwatch on the monotonic clock; starts when constructed.
class Stopwatch {
 public:
  Stopwatch() noexcept : start_(MonotonicCount()) {}
  void Restart() noexcept { start_ = MonotonicCount(); }
  std::int64_t ElapsedMilliseconds() const noexcept {
    return CountsToMilliseconds(MonotonicCount() - start_, MonotonicFrequency());
  }
  double ElapsedSeconds() const noexcept {
    return static_cast<double>(MonotonicCount() - start_) /
           static_cast<double>(MonotonicFrequency());
  }

 private:
  std::int64_t start_;
};

}  // namespace orva::clock
