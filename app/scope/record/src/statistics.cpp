// Running statistics of the measurements (Welford's update).
#include "orva/record/statistics.h"

#include "number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace orva::record {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// v in single precision, the measurements' own, in its fewest digits
// (at most 9 significant ones); empty when not finite there.
void AppendNumber(std::string& out, double v) {
  std::array<char, 48> buf{};
  const auto f = static_cast<float>(v);
  out.append(buf.data(), detail::ShortestText(buf.data(), buf.data() + buf.size(), f));
}

}  // namespace

void RunningStatistics::Add(double x) {
  if (!std::isfinite(x)) return;
  ++n_;
  if (n_ == 1) {
    mean_ = min_ = max_ = x;
    m2_ = 0;
    return;
  }
  const double delta = x - mean_;
  mean_ += delta / static_cast<double>(n_);
  m2_ += delta * (x - mean_);
  min_ = std::min(min_, x);
  max_ = std::max(max_, x);
}

double RunningStatistics::Min() const { return n_ == 0 ? kNaN : min_; }
double RunningStatistics::Max() const { return n_ == 0 ? kNaN : max_; }
double RunningStatistics::Mean() const { return n_ == 0 ? kNaN : mean_; }
double RunningStatistics::StdDev() const {
  if (n_ == 0) return kNaN;
  if (n_ < 2) return 0.0;
  // m2 is a sum of non-negative terms in exact arithmetic; rounding can leave
  // a tiny negative remainder for constant values.
  return std::sqrt(std::max(0.0, m2_ / static_cast<double>(n_ - 1)));
}

void MeasurementStatistics::Add(const Capture& capture) {
  if (settings_ && !(*settings_ == capture.settings)) Reset();
  settings_ = capture.settings;
  for (int i = 0; i < kMeasurements; ++i)
    if (capture.Has(i)) stats_[static_cast<std::size_t>(i)].Add(capture.values[static_cast<std::size_t>(i)]);
  ++captures_;
  ++generation_;
}

void MeasurementStatistics::Reset() {
  for (RunningStatistics& s : stats_) s.Reset();
  settings_.reset();
  captures_ = 0;
  ++generation_;
}

const RunningStatistics& MeasurementStatistics::operator[](int i) const {
  return stats_[static_cast<std::size_t>(std::clamp(i, 0, kMeasurements - 1))];
}

std::string StatisticsLine(int i, const RunningStatistics& s) {
  if (i < 0 || i >= kMeasurements) return {};
  const MeasurementInfo& m = kMeasurementInfo[static_cast<std::size_t>(i)];
  std::string out = "statistics datos(" + std::to_string(i) + ") ch" + std::to_string(m.channel) +
                    " " + std::string(m.name) + " (" + std::string(m.symbol) +
                    "): count=" + std::to_string(s.Count());
  const std::pair<const char*, double> campos[] = {
      {" min=", s.Min()}, {" max=", s.Max()}, {" mean=", s.Mean()}, {" sd=", s.StdDev()}};
  for (const auto& [nombre, valor] : campos) {
    out += nombre;
    AppendNumber(out, valor);
  }
  return out;
}

}  // namespace orva::record
