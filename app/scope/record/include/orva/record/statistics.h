// Statistics of the measurements across captures: minimum, maximum, mean,
// standard deviation and count of each of the eight measurements since the
// last reset. Standard library only; no allocation.
//
// The mean and the spread are updated one value at a time (Welford's
// method), which stays accurate over millions of captures and for values
// far from zero (a 1 MHz frequency that moves by 1 Hz). The standard
// deviation is the sample one (divided by count - 1); 0 for fewer than two
// values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "orva/record/capture.h"

namespace orva::record {

class RunningStatistics {
 public:
  // A value that is not finite is ignored.
  void Add(double x);
  void Reset() { *this = RunningStatistics(); }
  std::uint64_t Count() const { return n_; }
  // Min, Max, Mean and StdDev are NaN while the count is 0.
  double Min() const;
  double Max() const;
  double Mean() const;
  double StdDev() const;

 private:
  std::uint64_t n_ = 0;
  double mean_ = 0, m2_ = 0, min_ = 0, max_ = 0;
};

class MeasurementStatistics {
 public:
  // Counts the capture's measurements that have a value. A capture measured
  // at another timebase or gain than the previous one starts the statistics
  // afresh first (their values would not be comparable).
  void Add(const Capture& capture);
  // Forgets every value (the reset button).
  void Reset();
  const RunningStatistics& operator[](int i) const;
  // Captures added since the last reset, whether or not they had values.
  std::uint64_t Captures() const { return captures_; }
  // Changes with every Add and Reset: a display redraws only when it moved.
  std::uint64_t Generation() const { return generation_; }

 private:
  std::array<RunningStatistics, kMeasurements> stats_{};
  std::optional<CaptureSettings> settings_;
  std::uint64_t captures_ = 0;
  std::uint64_t generation_ = 0;
};

// The headless run's line for measurement i (0..7; another index gives the
// empty text), numbers in SI units with a decimal point, rounded to single
// precision (the measurements' own) and written as the recording writes
// them (recorder.h), fields empty while the count is 0:
//   statistics datos(0) ch1 Vpp (V): count=49 min=6.25 max=6.25 mean=6.25 sd=0
std::string StatisticsLine(int i, const RunningStatistics& s);

}  // namespace orva::record
