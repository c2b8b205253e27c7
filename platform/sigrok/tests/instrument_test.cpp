// The libsigrok adapter against libsigrok's demonstration device: its analog
// channel A0 is a square wave of +-10 V with a period of 10 samples, A1 a
// sine of 10 V amplitude with a period of 20 samples, whatever the rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "orva/sigrok/instrument.h"

namespace orva::sigrok {
namespace {

using namespace std::chrono_literals;

SigrokSpec Demo(std::vector<std::string> channels = {}) {
  SigrokSpec s;
  s.driver = "demo";
  s.options = {{"analog_channels", "2"}, {"logic_channels", "0"}};
  s.channels = std::move(channels);
  return s;
}

// Waits (bounded) for the next complete capture.
bool NextCapture(Instrument& inst, std::vector<float>& a, std::vector<float>& b, CaptureInfo* info) {
  const auto until = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < until) {
    if (inst.TakeCapture(a.data(), b.data(), a.size(), info)) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

struct Reading {
  double peak_to_peak;
  double frequency;  // Hz, from the rising zero crossings
};

Reading Read(const std::vector<float>& v, std::size_t n, double rate) {
  const auto [lo, hi] = std::minmax_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
  std::vector<std::size_t> ups;
  for (std::size_t i = 1; i < n; ++i)
    if (v[i - 1] < 0.0f && v[i] >= 0.0f) ups.push_back(i);
  double f = 0;
  if (ups.size() >= 2)
    f = rate * static_cast<double>(ups.size() - 1) / static_cast<double>(ups.back() - ups.front());
  return {static_cast<double>(*hi - *lo), f};
}

TEST(SigrokDemo, ChannelsReadTheKnownWaveformsAtThreeTimebases) {
  struct Timebase {
    const char* name;
    double seconds_per_div;
  };
  const Timebase timebases[] = {{"1us/Div", 1e-6}, {"100us/Div", 1e-4}, {"10ms/Div", 1e-2}};
  Instrument inst;
  std::string error;
  ASSERT_TRUE(inst.Open(Demo(), &error)) << error;
  EXPECT_EQ(inst.Channels(), 2);
  EXPECT_NE(inst.Description().find("A0, A1"), std::string::npos) << inst.Description();
  for (const Timebase& t : timebases) {
    SCOPED_TRACE(t.name);
    CaptureSettings s;
    s.display_rate_hz = 25.6 / t.seconds_per_div;
    s.span_seconds = 30 * t.seconds_per_div;  // three screens
    Applied a;
    ASSERT_TRUE(inst.Configure(s, &a, &error)) << error;
    // The demonstration device takes any whole rate: exactly the display rate.
    EXPECT_EQ(a.sample_rate, static_cast<std::uint64_t>(std::llround(s.display_rate_hz)));
    EXPECT_TRUE(a.rate_reached);
    EXPECT_EQ(a.samples, 768u);
    ASSERT_TRUE(inst.Start(&error)) << error;
    std::vector<float> ch1(1000), ch2(1000);
    CaptureInfo info;
    ASSERT_TRUE(NextCapture(inst, ch1, ch2, &info));
    inst.Stop();
    ASSERT_EQ(info.samples, 768u);
    EXPECT_GE(info.completed, info.first_packet);
    const double rate = static_cast<double>(a.sample_rate);
    const Reading square = Read(ch1, info.samples, rate);
    const Reading sine = Read(ch2, info.samples, rate);
    EXPECT_NEAR(square.peak_to_peak, 20.0, 0.01);
    EXPECT_NEAR(square.frequency, rate / 10, rate / 10 * 1e-3);
    EXPECT_NEAR(sine.peak_to_peak, 20.0, 0.01);
    EXPECT_NEAR(sine.frequency, rate / 20, rate / 20 * 1e-3);
    EXPECT_EQ(inst.LastFault(nullptr), Fault::kNone);
  }
}

TEST(SigrokDemo, ChannelsNamedInTheSpecBecomeChannelsOneAndTwo) {
  Instrument inst;
  std::string error;
  ASSERT_TRUE(inst.Open(Demo({"A1", "A0"}), &error)) << error;
  CaptureSettings s;
  s.display_rate_hz = 256000;
  s.span_seconds = 3e-3;
  ASSERT_TRUE(inst.Configure(s, nullptr, &error)) << error;
  ASSERT_TRUE(inst.Start(&error)) << error;
  std::vector<float> ch1(768), ch2(768);
  CaptureInfo info;
  ASSERT_TRUE(NextCapture(inst, ch1, ch2, &info));
  // Channel 1 is now the sine (between the rails), channel 2 the square.
  EXPECT_GT(std::count_if(ch1.begin(), ch1.end(), [](float v) { return std::abs(v) < 9.0f; }), 100);
  EXPECT_EQ(std::count_if(ch2.begin(), ch2.end(), [](float v) { return std::abs(v) < 9.0f; }), 0);
}

TEST(SigrokDemo, WhatTheDeviceCannotDoIsReported) {
  Instrument inst;
  std::string error;
  ASSERT_TRUE(inst.Open(Demo(), &error)) << error;
  CaptureSettings s;
  s.display_rate_hz = 2.56e9;  // faster than the device's 1 GHz
  s.span_seconds = 300e-9;
  s.volts_per_div[0] = 0.5;
  s.coupling[0] = 2;
  s.trigger_channel = 0;
  s.trigger_volts = 1.0;
  const Abilities can = inst.Can();
  EXPECT_FALSE(can.vdiv[0] || can.coupling[0] || can.trigger);
  Applied a;
  ASSERT_TRUE(inst.Configure(s, &a, &error)) << error;
  EXPECT_FALSE(a.coupling_ac_in_device[0]);
  EXPECT_FALSE(a.rate_reached);
  EXPECT_EQ(a.sample_rate, 1000000000u);
  // The device has no gain, coupling or analog trigger: all in software.
  EXPECT_FALSE(a.vdiv_in_device[0] || a.vdiv_in_device[1]);
  EXPECT_FALSE(a.coupling_in_device[0] || a.coupling_in_device[1]);
  EXPECT_FALSE(a.trigger_in_device);
}

TEST(SigrokDemo, FaultsOfOpeningSayWhich) {
  struct Case {
    SigrokSpec spec;
    Fault fault;
    std::string says;
  };
  SigrokSpec no_driver = Demo();
  no_driver.driver = "no-such-driver";
  SigrokSpec bad_option = Demo();
  bad_option.options.emplace_back("conn", "/dev/ttyS99");
  SigrokSpec bad_value = Demo();
  bad_value.options[0].second = "two";
  const Case cases[] = {
      {no_driver, Fault::kNoDriver, "no driver 'no-such-driver'"},
      {bad_option, Fault::kOptionRefused, "does not take the option 'conn'"},
      {bad_value, Fault::kOptionRefused, "refuses analog_channels=two"},
      {Demo({"A0", "A7"}), Fault::kNoChannel, "no analog channel 'A7'"},
  };
  for (const Case& c : cases) {
    Instrument inst;
    std::string error;
    EXPECT_FALSE(inst.Open(c.spec, &error)) << FormatSigrokSpec(c.spec);
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(inst.LastFault(nullptr), c.fault) << error;
    EXPECT_FALSE(inst.IsOpen());
  }
}

TEST(SigrokDemo, StopEndsASlowCaptureAtOnce) {
  Instrument inst;
  std::string error;
  ASSERT_TRUE(inst.Open(Demo(), &error)) << error;
  CaptureSettings s;
  s.display_rate_hz = 2560;
  s.span_seconds = 20.0;  // a capture that would take 20 s
  ASSERT_TRUE(inst.Configure(s, nullptr, &error)) << error;
  ASSERT_TRUE(inst.Start(&error)) << error;
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(inst.Running());
  const auto t0 = std::chrono::steady_clock::now();
  inst.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
  EXPECT_FALSE(inst.Running());
  EXPECT_EQ(inst.CapturesDone(), 0u);
  EXPECT_EQ(inst.LastFault(nullptr), Fault::kNone);
}

TEST(SigrokDemo, ADeviceThatStopsDeliveringEndsTheAcquisitionWithOneLine) {
  // Told to end each acquisition after one frame (1000 samples), the
  // demonstration device stands for one unplugged in the middle of a
  // capture of 2560 samples.
  SigrokSpec spec = Demo();
  spec.options.emplace_back("limit_frames", "1");
  Instrument inst;
  std::string error;
  ASSERT_TRUE(inst.Open(spec, &error)) << error;
  CaptureSettings s;
  s.display_rate_hz = 25.6e6;
  s.span_seconds = 100e-6;  // 2560 samples at 25.6 MHz
  ASSERT_TRUE(inst.Configure(s, nullptr, &error)) << error;
  ASSERT_TRUE(inst.Start(&error)) << error;
  const auto until = std::chrono::steady_clock::now() + 10s;
  while (inst.Running() && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(5ms);
  EXPECT_FALSE(inst.Running());
  std::string text;
  EXPECT_EQ(inst.LastFault(&text), Fault::kAcquisition);
  EXPECT_NE(text.find("stopped delivering samples (1000 of 2560"), std::string::npos) << text;
  EXPECT_EQ(text.find('\n'), std::string::npos) << text;
  EXPECT_EQ(inst.CapturesDone(), 0u);
  inst.Stop();  // after the fault: returns at once, nothing left running
}

TEST(SigrokDemo, ListingFindsTheDemonstrationDeviceWithinItsBudget) {
  bool cut = true;
  const auto t0 = std::chrono::steady_clock::now();
  const std::vector<DeviceEntry> devices = ListDevices(5s, &cut);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 7s);
  EXPECT_FALSE(cut);
  const auto demo = std::find_if(devices.begin(), devices.end(), [](const DeviceEntry& d) { return d.spec == "sigrok:demo"; });
  ASSERT_NE(demo, devices.end());
  EXPECT_NE(demo->description.find("analog channels"), std::string::npos) << demo->description;
}

}  // namespace
}  // namespace orva::sigrok
