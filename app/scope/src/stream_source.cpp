// The lock-free sample ring and the stream source's state.
#include "orva/scope/stream_source.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "orva/scope/tables.h"

namespace orva::scope {

SampleRing::SampleRing(std::size_t capacity_frames, int channels)
    : capacity_(std::clamp<std::size_t>(capacity_frames, 1, kMaxRingFrames)),
      channels_(std::clamp(channels, 1, 2)),
      samples_(std::make_unique<std::atomic<float>[]>(capacity_ * static_cast<std::size_t>(channels_))) {
  for (std::size_t i = 0; i < capacity_ * static_cast<std::size_t>(channels_); ++i)
    samples_[i].store(0.0f, std::memory_order_relaxed);
}

std::size_t SampleRing::Write(const float* interleaved, std::size_t frames, int source_channels) {
  if (interleaved == nullptr || frames == 0 || (source_channels != 1 && source_channels != 2)) return 0;
  // Only the last `capacity_` frames of a longer block can survive.
  const std::size_t skip = frames > capacity_ ? frames - capacity_ : 0;
  const float* in = interleaved + skip * static_cast<std::size_t>(source_channels);
  const std::size_t n = frames - skip;
  // Skipped frames count as written (and at once overwritten).
  std::uint64_t at = written_.load(std::memory_order_relaxed) + skip;
  for (std::size_t f = 0; f < n; ++f, ++at) {
    std::atomic<float>* slot = &samples_[(at % capacity_) * static_cast<std::size_t>(channels_)];
    const float* frame = in + f * static_cast<std::size_t>(source_channels);
    slot[0].store(frame[0], std::memory_order_relaxed);
    if (channels_ == 2) slot[1].store(source_channels == 2 ? frame[1] : 0.0f, std::memory_order_relaxed);
  }
  // Publishes the frames: a reader that sees the new count sees their samples.
  written_.store(at, std::memory_order_release);
  return n;
}

bool SampleRing::Read(int channel, std::uint64_t end, std::size_t count, float* out) const {
  if (out == nullptr || channel < 0 || channel >= channels_ || count > capacity_) return false;
  const std::uint64_t written = written_.load(std::memory_order_acquire);
  if (end > written || end < count) return false;
  const std::uint64_t start = end - count;
  // Frames older than written - capacity are already overwritten.
  if (written - start > capacity_) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t slot = static_cast<std::size_t>((start + i) % capacity_);
    out[i] = samples_[slot * static_cast<std::size_t>(channels_) + static_cast<std::size_t>(channel)].load(
        std::memory_order_relaxed);
  }
  // The producer may have wrapped over the range meanwhile; the copy then
  // holds newer frames in places and is refused.
  std::atomic_thread_fence(std::memory_order_acquire);
  const std::uint64_t after = written_.load(std::memory_order_relaxed);
  return after - start <= capacity_;
}

StreamSource::~StreamSource() = default;

int StreamSource::Channels() const {
  const SampleRing* r = Ring();
  return r != nullptr ? r->Channels() : 0;
}

std::string StreamSource::Error() const {
  if (!Failed()) return {};
  return std::string(error_);
}

void StreamSource::Open(double rate, int channels, std::size_t capacity_frames) {
  if (ring_ready_.load(std::memory_order_acquire)) return;
  ring_ = std::make_unique<SampleRing>(capacity_frames, channels);
  rate_.store(std::isfinite(rate) && rate > 0 ? rate : 0.0, std::memory_order_release);
  ring_ready_.store(true, std::memory_order_release);
}

void StreamSource::SetSampleRate(double rate) {
  // The count first: a reader that sees the new rate sees where it begins.
  if (ring_ != nullptr) rate_since_.store(ring_->Written(), std::memory_order_release);
  rate_.store(std::isfinite(rate) && rate > 0 ? rate : 0.0, std::memory_order_release);
}

void StreamSource::Deliver(const float* interleaved, std::size_t frames, int source_channels) {
  if (ring_ != nullptr && !Failed()) ring_->Write(interleaved, frames, source_channels);
}

void StreamSource::Fail(const std::string& message) {
  // The first failure wins; the message is complete before the flag shows.
  if (failing_.exchange(true, std::memory_order_acq_rel)) return;
  const std::size_t n = std::min(message.size(), kMaxErrorChars);
  std::memcpy(error_, message.data(), n);
  error_[n] = '\0';
  failed_.store(true, std::memory_order_release);
}

std::size_t StreamRingFrames(double rate) {
  if (!std::isfinite(rate) || rate <= 0) return 1;
  const double slowest = Timebase(kTimebaseLastIndex).base_tiempos_div;  // seconds per division
  const double record = 4.0 * 10.0 * slowest * 1.25;                     // four screens and a quarter
  const double frames = std::ceil(rate * std::max(record, 1.0));
  return static_cast<std::size_t>(std::min<double>(frames, static_cast<double>(SampleRing::kMaxRingFrames)));
}

}  // namespace orva::scope
