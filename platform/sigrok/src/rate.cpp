#include "orva/sigrok/rate.h"

#include <algorithm>
#include <cmath>

namespace orva::sigrok {

namespace {
// A product such as 25.6 / 1e-6 lands a hair above the whole number it
// means; within a relative 1e-9 it counts as that number.
double SnapToWhole(double x) {
  const double whole = std::nearbyint(x);
  return std::abs(x - whole) <= 1e-9 * std::abs(x) ? whole : x;
}
}  // namespace

RateChoice ChooseSampleRate(const SampleRates& rates, double wanted_hz) {
  const double wanted = std::isfinite(wanted_hz) && wanted_hz > 0 ? SnapToWhole(wanted_hz) : 0.0;
  RateChoice c;
  if (!rates.list.empty()) {
    c.rate = *std::max_element(rates.list.begin(), rates.list.end());
    for (std::uint64_t r : rates.list)
      if (static_cast<double>(r) >= wanted && r < c.rate) c.rate = r;
    c.reached = static_cast<double>(c.rate) >= wanted;
    return c;
  }
  if (rates.high == 0) return c;
  const std::uint64_t step = rates.step == 0 ? 1 : rates.step;
  const std::uint64_t low = std::min(rates.low, rates.high);
  if (wanted <= static_cast<double>(low)) {
    c.rate = low;
  } else if (wanted >= static_cast<double>(rates.high)) {
    c.rate = rates.high;
  } else {
    // Steps above the lowest rate, rounded up; never past the highest.
    const double steps = std::ceil((wanted - static_cast<double>(low)) / static_cast<double>(step));
    c.rate = std::min<std::uint64_t>(rates.high, low + static_cast<std::uint64_t>(steps) * step);
  }
  c.reached = static_cast<double>(c.rate) >= wanted;
  return c;
}

std::uint64_t SamplesForSpan(std::uint64_t rate_hz, double span_seconds) {
  if (!std::isfinite(span_seconds) || span_seconds <= 0) return 2;
  const double n = std::ceil(SnapToWhole(static_cast<double>(rate_hz) * span_seconds));
  if (!(n < static_cast<double>(kMaxCaptureSamples))) return kMaxCaptureSamples;
  return std::max<std::uint64_t>(2, static_cast<std::uint64_t>(n));
}

}  // namespace orva::sigrok
