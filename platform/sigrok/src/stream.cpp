#include "orva/sigrok/stream.h"

#include <algorithm>
#include <cmath>

#include "orva/scope/tables.h"

namespace orva::sigrok {
namespace {

// Frames of one acquisition at `rate` for the display rate `display`: enough
// for the instrument's record (1024 points at the display rate, taken in a
// power-of-two block of up to about 2.2 times that, averaged in blocks of q
// beyond 7168 samples), so that a record always lies inside one acquisition.
std::uint64_t CaptureFrames(double rate, double display) {
  if (!(rate > 0) || !(display > 0)) return 2;
  const double need = std::ceil(1023.0 / display * rate) + 2.0;
  const double q = std::ceil(need / 7168.0);
  const double frames = std::ceil(2.25 * need) + 64.0 * q;
  return static_cast<std::uint64_t>(std::min(frames, static_cast<double>(kMaxCaptureSamples)));
}

}  // namespace

SigrokStream::SigrokStream() = default;
SigrokStream::~SigrokStream() { Disconnect(); }

bool SigrokStream::Connect(const SigrokSpec& spec, double display_rate, std::string* error,
                           const scope::StreamSetup& setup) {
  Disconnect();
  if (!instrument_.Open(spec, error)) return false;
  rates_ = instrument_.Rates();
  can_ = instrument_.Can();
  // The ring holds two acquisitions at the rate of any timebase.
  std::uint64_t capacity = 2;
  for (int k = scope::kTimebaseFirstSelectable; k <= scope::kTimebaseLastIndex; ++k) {
    const double fd = scope::Timebase(k).fm_equivalente;
    capacity = std::max(capacity, 2 * CaptureFrames(RateFor(fd), fd));
  }
  Open(RateFor(display_rate), instrument_.Channels(),
       static_cast<std::size_t>(std::min<std::uint64_t>(capacity, scope::SampleRing::kMaxRingFrames)));
  instrument_.SetSink(this);
  const Request first{display_rate, Relevant(setup)};
  if (!Run(first, error)) {
    instrument_.Close();
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(control_mutex_);
    wanted_ = applied_request_ = first;
    quit_ = false;
    busy_ = false;
  }
  control_ = std::thread([this] { Control(); });
  return true;
}

void SigrokStream::Disconnect() {
  if (control_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(control_mutex_);
      quit_ = true;
    }
    control_cv_.notify_all();
    control_.join();
  }
  instrument_.Close();
}

std::string SigrokStream::Description() const { return instrument_.Description(); }

double SigrokStream::RateFor(double display_rate) const {
  return static_cast<double>(ChooseSampleRate(rates_, display_rate).rate);
}

scope::StreamSetup SigrokStream::Relevant(const scope::StreamSetup& setup) const {
  scope::StreamSetup r;
  for (int c = 0; c < 2; ++c) {
    r.volts_per_div[c] = can_.vdiv[c] ? setup.volts_per_div[c] : 0.0;
    r.coupling[c] = can_.coupling[c] ? setup.coupling[c] : 0;
  }
  if (can_.trigger) {
    r.trigger_channel = setup.trigger_channel;
    r.trigger_volts = setup.trigger_volts;
    r.trigger_rising = setup.trigger_rising;
  }
  return r;
}

bool SigrokStream::Run(const Request& r, std::string* error) {
  instrument_.Stop();
  const double rate = RateFor(r.display_rate);
  CaptureSettings s;
  s.display_rate_hz = r.display_rate;
  const std::uint64_t frames = CaptureFrames(rate, r.display_rate);
  s.span_seconds = rate > 0 ? static_cast<double>(frames) / rate : 0.0;
  s.continuous = s.span_seconds > kContinuousAbove;
  for (int c = 0; c < 2; ++c) {
    s.volts_per_div[c] = r.setup.volts_per_div[c] > 0 ? r.setup.volts_per_div[c] : 1.0;
    s.coupling[c] = r.setup.coupling[c];
  }
  s.trigger_channel = r.setup.trigger_channel;
  s.trigger_volts = r.setup.trigger_volts;
  s.trigger_rising = r.setup.trigger_rising;
  Applied a;
  if (!instrument_.Configure(s, &a, error)) return false;
  // While nothing is delivered: the new rate's frames start here.
  if (static_cast<double>(a.sample_rate) != SampleRate()) SetSampleRate(static_cast<double>(a.sample_rate));
  block_.store(a.continuous ? 0 : a.samples);
  {
    std::lock_guard<std::mutex> lock(settings_mutex_);
    applied_ = a;
    for (int c = 0; c < 2; ++c) coupling_ac_[c] = a.coupling_ac_in_device[c];
  }
  if (!instrument_.Start(error)) return false;
  restarts_.fetch_add(1);
  return true;
}

template <typename Change>
void SigrokStream::Post(Change change) {
  {
    std::lock_guard<std::mutex> lock(control_mutex_);
    if (!control_.joinable()) return;
    Request r = wanted_;
    change(r);
    if (r == wanted_) return;
    wanted_ = r;
  }
  control_cv_.notify_all();
}

void SigrokStream::FollowDisplayRate(double display_rate) {
  Post([display_rate](Request& r) { r.display_rate = display_rate; });
}

void SigrokStream::FollowSetup(const scope::StreamSetup& setup) {
  const scope::StreamSetup relevant = Relevant(setup);
  Post([&relevant](Request& r) { r.setup = relevant; });
}

void SigrokStream::Control() {
  std::unique_lock<std::mutex> lock(control_mutex_);
  for (;;) {
    control_cv_.wait(lock, [this] { return quit_ || !(wanted_ == applied_request_); });
    if (quit_) return;
    const Request r = wanted_;
    busy_ = true;
    lock.unlock();
    std::string error;
    const bool ok = Failed() || Run(r, &error);
    if (!ok) Fail(error);
    lock.lock();
    busy_ = false;
    applied_request_ = r;
    control_cv_.notify_all();
  }
}

bool SigrokStream::Settle(std::chrono::milliseconds timeout) {
  // In slices: a fault on the acquisition thread does not wake this wait.
  const auto until = std::chrono::steady_clock::now() + timeout;
  std::unique_lock<std::mutex> lock(control_mutex_);
  const auto done = [this] { return Failed() || (!busy_ && wanted_ == applied_request_); };
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    control_cv_.wait_for(lock, std::chrono::milliseconds(10));
  }
  return !busy_ && wanted_ == applied_request_;
}

Applied SigrokStream::Settings() const {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  return applied_;
}

bool SigrokStream::CouplesAc(int channel) const {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  return channel >= 0 && channel < 2 && coupling_ac_[channel];
}

void SigrokStream::OnFrames(const float* interleaved, std::size_t frames, int channels) {
  Deliver(interleaved, frames, channels);
}

void SigrokStream::OnFault(const std::string& text) { Fail(text); }

}  // namespace orva::sigrok
