// The eight measurements of one capture, as the readouts datos(0..7) show
// them, with the settings they were measured at. Standard library only.
//
// Index i is the readout datos(i): 0..3 channel 1, 4..7 channel 2, each
// peak-to-peak volts, mean volts, frequency in hertz and period in seconds.
// A measurement without a value is NaN: its channel was switched off (not
// measured), no period was found (the measurement's frequency 0, which the
// readouts show as "0 Hz" / "0.00 ns"), or the value is not finite. Values
// are held as the readouts format them: rounded to single precision.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace orva::record {

inline constexpr int kMeasurements = 8;

enum class Unit { kVolts, kHertz, kSeconds };

struct MeasurementInfo {
  int channel;             // 1 or 2
  std::string_view name;   // "Vpp", "Vmean", "frequency", "period"
  Unit unit;
  std::string_view symbol;  // "V", "Hz", "s"
};

// By readout index.
inline constexpr std::array<MeasurementInfo, kMeasurements> kMeasurementInfo{{
    {1, "Vpp", Unit::kVolts, "V"},
    {1, "Vmean", Unit::kVolts, "V"},
    {1, "frequency", Unit::kHertz, "Hz"},
    {1, "period", Unit::kSeconds, "s"},
    {2, "Vpp", Unit::kVolts, "V"},
    {2, "Vmean", Unit::kVolts, "V"},
    {2, "frequency", Unit::kHertz, "Hz"},
    {2, "period", Unit::kSeconds, "s"},
}};

// The settings a capture was measured at: table indexes (which tell a change)
// and their values in SI units.
struct CaptureSettings {
  std::int16_t timebase_index = 0;
  std::array<std::int16_t, 2> gain_index{};
  double seconds_per_div = 0;
  std::array<double, 2> volts_per_div{};
  bool operator==(const CaptureSettings&) const = default;
};

// One channel's measurement results (volts, hertz, seconds); `measured`
// false when the channel was switched off and its results are stale.
struct ChannelReading {
  bool measured = false;
  double vpp = 0, vm = 0, f = 0, t = 0;
};

struct Capture {
  std::array<double, kMeasurements> values{};  // NaN: no value
  CaptureSettings settings;
  bool Has(int i) const { return i >= 0 && i < kMeasurements && std::isfinite(values[static_cast<std::size_t>(i)]); }
};

// The capture of two channels' readings under the rules above.
Capture MakeCapture(const ChannelReading& ch1, const ChannelReading& ch2,
                    const CaptureSettings& settings);

}  // namespace orva::record
