// Captures per second and the delay from the device's data to the taker, on
// libsigrok's demonstration device, through the adapter as the window uses
// it: one capture of three screens (768 samples at the display rate) after
// another on the acquisition thread, taken by a polling loop that stands for
// the window's passes.
//
//   sigrok-capture-bench [SECONDS_PER_TIMEBASE]
// Prints one line per timebase:
//   timebase rate_hz samples captures_per_s delay_last_ms delay_first_ms acquired_per_s
// delay_last: from the capture's last packet to its take; delay_first: from
// its first packet (the oldest sample's arrival) to its take (medians);
// acquired_per_s: captures completed by the thread (taken or overwritten).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "orva/sigrok/instrument.h"

using namespace orva::sigrok;

namespace {
double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  struct Timebase {
    const char* name;
    double per_div;
  };
  const Timebase timebases[] = {{"1us/Div", 1e-6}, {"100us/Div", 1e-4}, {"10ms/Div", 1e-2}};
  SigrokSpec spec;
  spec.driver = "demo";
  spec.options = {{"analog_channels", "2"}, {"logic_channels", "0"}};
  Instrument inst;
  std::string error;
  if (!inst.Open(spec, &error)) {
    std::fprintf(stderr, "sigrok-capture-bench: %s\n", error.c_str());
    return 1;
  }
  std::vector<float> a(1 << 16), b(1 << 16);
  for (const Timebase& t : timebases) {
    CaptureSettings s;
    s.display_rate_hz = 25.6 / t.per_div;
    s.span_seconds = 30 * t.per_div;
    Applied applied;
    if (!inst.Configure(s, &applied, &error) || !inst.Start(&error)) {
      std::fprintf(stderr, "sigrok-capture-bench: %s\n", error.c_str());
      return 1;
    }
    std::vector<double> last, first;
    const std::uint64_t before = inst.CapturesDone();
    const double t0 = SteadySeconds();
    std::uint64_t taken = 0;
    while (SteadySeconds() - t0 < seconds) {
      CaptureInfo info;
      if (inst.TakeCapture(a.data(), b.data(), a.size(), &info)) {
        const double now = SteadySeconds();
        last.push_back(now - info.completed);
        first.push_back(now - info.first_packet);
        ++taken;
      } else {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
    }
    const double elapsed = SteadySeconds() - t0;
    const std::uint64_t done = inst.CapturesDone() - before;
    inst.Stop();
    std::printf("%s %llu %llu %.1f %.3f %.3f %.1f\n", t.name,
                static_cast<unsigned long long>(applied.sample_rate),
                static_cast<unsigned long long>(applied.samples), static_cast<double>(taken) / elapsed,
                Median(last) * 1e3, Median(first) * 1e3, static_cast<double>(done) / elapsed);
  }
  return 0;
}
