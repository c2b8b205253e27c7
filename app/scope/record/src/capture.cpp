// The capture of the two channels' readings.
#include "orva/record/capture.h"

#include <limits>

namespace orva::record {
namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// The value as the readout formats it: in single precision; none when it is
// not finite there.
double AsShown(double v) {
  const auto f = static_cast<float>(v);
  return std::isfinite(f) ? static_cast<double>(f) : kNone;
}

void Fill(const ChannelReading& r, std::size_t first, std::array<double, kMeasurements>& out) {
  if (!r.measured) {
    for (std::size_t k = 0; k < 4; ++k) out[first + k] = kNone;
    return;
  }
  out[first + 0] = AsShown(r.vpp);
  out[first + 1] = AsShown(r.vm);
  // Frequency 0 (and period 0) is the estimator's answer for "no period".
  const bool period = std::isfinite(r.f) && r.f != 0.0;
  out[first + 2] = period ? AsShown(r.f) : kNone;
  out[first + 3] = period && r.t != 0.0 ? AsShown(r.t) : kNone;
}

}  // namespace

Capture MakeCapture(const ChannelReading& ch1, const ChannelReading& ch2,
                    const CaptureSettings& settings) {
  Capture c;
  Fill(ch1, 0, c.values);
  Fill(ch2, 4, c.values);
  c.settings = settings;
  return c;
}

}  // namespace orva::record
