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

bool SigrokStream::Connect(const SigrokSpec& spec, double display_rate, std::string* error) {
  if (!instrument_.Open(spec, error)) return false;
  rates_ = instrument_.Rates();
  // The ring holds two acquisitions at the rate of any timebase.
  std::uint64_t capacity = 2;
  for (int k = scope::kTimebaseFirstSelectable; k <= scope::kTimebaseLastIndex; ++k) {
    const double fd = scope::Timebase(k).fm_equivalente;
    capacity = std::max(capacity, 2 * CaptureFrames(RateFor(fd), fd));
  }
  Open(RateFor(display_rate), instrument_.Channels(),
       static_cast<std::size_t>(std::min<std::uint64_t>(capacity, scope::SampleRing::kMaxRingFrames)));
  instrument_.SetSink(this);
  if (!Run(display_rate, error)) {
    instrument_.Close();
    return false;
  }
  return true;
}

void SigrokStream::Disconnect() { instrument_.Close(); }

std::string SigrokStream::Description() const { return instrument_.Description(); }

double SigrokStream::RateFor(double display_rate) const {
  return static_cast<double>(ChooseSampleRate(rates_, display_rate).rate);
}

bool SigrokStream::Run(double display_rate, std::string* error) {
  instrument_.Stop();
  const double rate = RateFor(display_rate);
  CaptureSettings s;
  s.display_rate_hz = display_rate;
  const std::uint64_t frames = CaptureFrames(rate, display_rate);
  s.span_seconds = rate > 0 ? static_cast<double>(frames) / rate : 0.0;
  s.continuous = s.span_seconds > kContinuousAbove;
  Applied a;
  if (!instrument_.Configure(s, &a, error) || !instrument_.Start(error)) return false;
  SetSampleRate(static_cast<double>(a.sample_rate));
  block_.store(a.continuous ? 0 : a.samples);
  display_rate_ = display_rate;
  std::lock_guard<std::mutex> lock(settings_mutex_);
  applied_ = a;
  return true;
}

void SigrokStream::FollowDisplayRate(double display_rate) {
  if (!instrument_.IsOpen() || Failed() || display_rate == display_rate_) return;
  std::string error;
  if (!Run(display_rate, &error)) Fail(error);
}

Applied SigrokStream::Settings() const {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  return applied_;
}

void SigrokStream::OnFrames(const float* interleaved, std::size_t frames, int channels) {
  Deliver(interleaved, frames, channels);
}

void SigrokStream::OnFault(const std::string& text) { Fail(text); }

}  // namespace orva::sigrok
