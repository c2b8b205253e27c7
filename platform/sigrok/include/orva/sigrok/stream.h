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
// The panel's requests (a new timebase's rate, volts per division, coupling,
// trigger) go to a control thread of the stream: FollowDisplayRate and
// FollowSetup only leave the newest request there and return at once, so the
// window never waits while the device stops, takes its new settings and
// starts again. Until then the frames keep the old rate (SampleRate and
// RateSince tell the instrument where the new rate's frames begin). Settings
// the device has no use for (Instrument::Can) never restart it.
//
// A fault (the device stops delivering, refuses a rate) makes the source
// fail with one line (StreamSource::Failed/Error); the acquisition stops.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

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
  // (points per second) and `setup`. False with one line in *error; nothing
  // runs then. It scans and opens the device, which takes from milliseconds
  // (the demonstration device) to seconds: a window calls it on a thread of
  // its own.
  bool Connect(const SigrokSpec& spec, double display_rate, std::string* error,
               const scope::StreamSetup& setup = {});
  void Disconnect();

  std::string Description() const override;
  double RateFor(double display_rate) const override;
  void FollowDisplayRate(double display_rate) override;
  void FollowSetup(const scope::StreamSetup& setup) override;
  bool CouplesAc(int channel) const override;
  std::uint64_t FramesPerBlock() const override { return block_.load(); }

  // What the device does for the current timebase (rate reached, settings
  // done in hardware or in software).
  Applied Settings() const;
  // Requests applied so far (the control thread counts each restart).
  std::uint64_t Reconfigurations() const { return restarts_.load(); }
  // Waits (at most `timeout`) until the newest request has been applied or
  // the stream has failed; true when nothing is pending.
  bool Settle(std::chrono::milliseconds timeout);
  const Instrument& Device() const { return instrument_; }

 private:
  void OnFrames(const float* interleaved, std::size_t frames, int channels) override;
  void OnFault(const std::string& text) override;
  struct Request {
    double display_rate = 0;
    scope::StreamSetup setup;
    bool operator==(const Request&) const = default;
  };
  // The part of a setup the device takes (the rest is done in software).
  scope::StreamSetup Relevant(const scope::StreamSetup& setup) const;
  bool Run(const Request& r, std::string* error);
  void Control();
  // Changes the newest request under the lock; wakes the control thread
  // when it changed.
  template <typename Change>
  void Post(Change change);

  Instrument instrument_;
  SampleRates rates_;
  Abilities can_;
  std::atomic<std::uint64_t> block_{0};  // frames of one acquisition; 0 when continuous
  std::atomic<std::uint64_t> restarts_{0};
  mutable std::mutex settings_mutex_;
  Applied applied_;
  bool coupling_ac_[2] = {};  // guarded by settings_mutex_

  // The control thread and its mailbox (the newest request wins).
  std::mutex control_mutex_;
  std::condition_variable control_cv_;
  Request wanted_;    // what the panel asked last
  Request applied_request_;  // what the device runs with (control thread)
  bool busy_ = false;  // a request is being applied
  bool quit_ = false;
  std::thread control_;
};

}  // namespace orva::sigrok
