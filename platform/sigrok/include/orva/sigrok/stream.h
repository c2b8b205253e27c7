// A libsigrok instrument as the instrument's stream source: its two analog
// channels delivered in volts into the source's ring, at a sample rate that
// follows the timebase (the lowest the device offers that gives the
// display's 25.6 points per division, or its highest).
//
// Fast timebases run one acquisition per capture of the device, long enough
// for a whole record (so that a record never spans two acquisitions); slow
// ones, where such a capture would last more than kContinuousAbove seconds,
// run one endless acquisition whose packets go into the ring as they come.
// Either way libsigrok runs on the adapter's own thread (instrument.h).
//
// A fault (the device stops delivering, refuses a rate) makes the source
// fail with one line (StreamSource::Failed/Error); the acquisition stops.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "orva/scope/stream_source.h"
#include "orva/sigrok/instrument.h"
#include "orva/sigrok/rate.h"
#include "orva/sigrok/spec.h"

namespace orva::sigrok {

class SigrokStream final : public scope::StreamSource, private FrameSink {
 public:
  // A capture lasting longer than this (seconds) runs as one endless acquisition.
  static constexpr double kContinuousAbove = 0.05;

  SigrokStream();
  ~SigrokStream() override;

  // Opens the device of `spec` and starts acquiring for `display_rate`
  // (points per second). False with one line in *error; nothing runs then.
  bool Connect(const SigrokSpec& spec, double display_rate, std::string* error);
  void Disconnect();

  std::string Description() const override;
  double RateFor(double display_rate) const override;
  void FollowDisplayRate(double display_rate) override;
  std::uint64_t FramesPerBlock() const override { return block_.load(); }

  // What the device does for the current timebase (rate reached, settings
  // done in hardware or in software).
  Applied Settings() const;
  const Instrument& Device() const { return instrument_; }

 private:
  void OnFrames(const float* interleaved, std::size_t frames, int channels) override;
  void OnFault(const std::string& text) override;
  bool Run(double display_rate, std::string* error);

  Instrument instrument_;
  SampleRates rates_;
  double display_rate_ = 0;
  std::atomic<std::uint64_t> block_{0};  // frames of one acquisition; 0 when continuous
  mutable std::mutex settings_mutex_;
  Applied applied_;
};

}  // namespace orva::sigrok
