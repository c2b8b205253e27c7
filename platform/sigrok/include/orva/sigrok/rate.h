// Choosing a device's sample rate for a timebase, without libsigrok.
//
// A device offers its sample rates either as a list or as a range (lowest,
// highest, step), as libsigrok reports them. The rate chosen for a display
// rate (25.6 points per division, the timebase's FMEquivalente) is the lowest
// supported rate at or above it; a device that cannot reach it runs at its
// highest rate and the choice says so (`reached` false).
#pragma once

#include <cstdint>
#include <vector>

namespace orva::sigrok {

struct SampleRates {
  std::vector<std::uint64_t> list;  // discrete rates in Hz, any order (used when not empty)
  std::uint64_t low = 0;            // range form: lowest, highest and step, Hz
  std::uint64_t high = 0;
  std::uint64_t step = 0;           // 0 counts as 1
  bool Empty() const { return list.empty() && high == 0; }
};

struct RateChoice {
  std::uint64_t rate = 0;  // Hz; 0 when the device offers no rate at all
  bool reached = false;    // rate >= the wanted rate
};

// wanted_hz: the display rate to reach (non-finite or <= 0 asks for the lowest).
RateChoice ChooseSampleRate(const SampleRates& rates, double wanted_hz);

// Samples one capture needs at `rate_hz` to cover `span_seconds` (rounded up,
// at least 2, at most kMaxCaptureSamples).
inline constexpr std::uint64_t kMaxCaptureSamples = 1u << 20;
std::uint64_t SamplesForSpan(std::uint64_t rate_hz, double span_seconds);

}  // namespace orva::sigrok
