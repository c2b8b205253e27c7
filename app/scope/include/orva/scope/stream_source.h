// Stream sources: a source that delivers samples in volts at its own rate
// (a sound input, an instrument reached through a driver library) instead of
// filling the raw buffers on request as the board, the demonstration
// generator and the remote link do.
//
// A stream source owns a ring of the latest frames (one sample per channel
// per frame, volts, 32-bit floats). One producer writes it (the sound input
// from the window's event loop, a driver library from its own thread) and one
// consumer reads it (the instrument, on the window's thread). The ring is
// lock-free: the producer never waits, and when the consumer falls behind the
// producer simply overwrites the oldest frames.
//
// Bounds (what a caller can pass, what comes back):
// - The ring's capacity and channel count are fixed when it is built
//   (capacity 1..kMaxRingFrames frames, channels 1 or 2; other values are
//   kept to those ranges). Nothing is allocated afterwards.
// - Write takes any number of frames; only the last `capacity` of a longer
//   block can be kept, so only those are written. Mono data given to a
//   two-channel ring fills channel 1; channel 2 is written 0 V (flat).
// - Read copies frames [end - count, end) of one channel. It refuses (returns
//   false, out untouched or partly written) a channel outside 0..channels-1,
//   a count above the capacity, an end past what was written, a range that
//   starts before frame 0, and a range the producer overwrote before or while
//   it was being copied (the consumer checks the write counter after the copy).
// - The error state holds one message of at most kMaxErrorChars bytes (a
//   longer one is cut); the first failure is kept, later ones are ignored.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orva::scope {

class SampleRing {
 public:
  static constexpr std::size_t kMaxRingFrames = std::size_t{1} << 24;

  SampleRing(std::size_t capacity_frames, int channels);
  SampleRing(const SampleRing&) = delete;
  SampleRing& operator=(const SampleRing&) = delete;

  std::size_t Capacity() const { return capacity_; }
  int Channels() const { return channels_; }

  // Producer side. `interleaved` holds frames x source_channels samples
  // (source_channels 1 or 2; with 1 channel 2 is written flat). Returns the
  // frames written.
  std::size_t Write(const float* interleaved, std::size_t frames, int source_channels);

  // Frames written since the ring was built (monotonic; read by either side).
  std::uint64_t Written() const { return written_.load(std::memory_order_acquire); }

  // Consumer side: see the header comment.
  bool Read(int channel, std::uint64_t end, std::size_t count, float* out) const;

 private:
  std::size_t capacity_;
  int channels_;
  // capacity_ x channels_ samples, frame-major. Atomic so that a frame read
  // while the producer overwrites it is a defined (if stale) value, which the
  // write counter then rejects; relaxed accesses are plain moves on x86.
  std::unique_ptr<std::atomic<float>[]> samples_;
  std::atomic<std::uint64_t> written_{0};
};

// What the panel asks of the channels, for a source that has input ranges,
// coupling or a trigger of its own (an instrument). Volts per division and
// the trigger level are in volts at the input; the trigger channel is 0 or 1
// for channel 1 or 2, -1 when the trigger is not on a channel (external).
struct StreamSetup {
  double volts_per_div[2] = {1.0, 1.0};
  int coupling[2] = {1, 1};  // 0 GND, 1 DC, 2 AC
  int trigger_channel = -1;
  double trigger_volts = 0.0;
  bool trigger_rising = true;
  bool operator==(const StreamSetup&) const = default;
};

// The interface the instrument reads. A concrete source (platform/audio, a
// test's synthetic stream) builds its ring once its format is known and
// reports faults through Fail.
class StreamSource {
 public:
  static constexpr std::size_t kMaxErrorChars = 400;

  virtual ~StreamSource();

  // Frames per second and channels (1 or 2) of the ring; 0 before it exists.
  double SampleRate() const { return rate_.load(std::memory_order_acquire); }
  int Channels() const;
  // The ring (null until the source has been opened).
  const SampleRing* Ring() const { return ring_ready_.load(std::memory_order_acquire) ? ring_.get() : nullptr; }

  // The source has failed (device gone, format refused, no input): it delivers
  // no more samples. The message says why, in the user's language when the
  // source knows it.
  bool Failed() const { return failed_.load(std::memory_order_acquire); }
  std::string Error() const;

  // A short description of the source for captions and reports.
  virtual std::string Description() const = 0;

  // A source whose sample rate follows the timebase (an instrument that
  // samples at a rate chosen per timebase): the rate it would deliver for a
  // display rate (points per second); 0 for a source with one fixed rate.
  virtual double RateFor(double display_rate) const {
    (void)display_rate;
    return 0.0;
  }
  // Asks such a source to deliver at RateFor(display_rate) from now on:
  // when it returns, SampleRate() is the new rate and the frames delivered
  // afterwards are at that rate. A source with a fixed rate ignores it.
  virtual void FollowDisplayRate(double display_rate) { (void)display_rate; }
  // A source that delivers whole acquisitions at once (an instrument that
  // captures a block, then another) rather than a steady stream: the frames
  // of one block, 0 for a steady stream. Each block is then shown as it
  // comes, instead of waiting for a 60th of a second of frames at the rate.
  virtual std::uint64_t FramesPerBlock() const { return 0; }
  // Hands the panel's channel settings to a source that can use them (its
  // own input range, coupling, trigger). It may apply them later, on a
  // thread of its own; the frames keep coming in volts either way.
  virtual void FollowSetup(const StreamSetup& setup) { (void)setup; }
  // The source removes the DC of this channel itself (a sound input, an
  // instrument whose input is set to AC). Otherwise AC coupling removes the
  // mean of each record in the instrument.
  virtual bool CouplesAc(int channel) const {
    (void)channel;
    return false;
  }
  // The frame count (Written) from which the frames are at SampleRate(): a
  // rate-following source that changed its rate delivers the new rate's
  // frames from there on.
  std::uint64_t RateSince() const { return rate_since_.load(std::memory_order_acquire); }

 protected:
  // Builds the ring: call once, before the first Deliver and before the
  // instrument reads. Capacity in frames (see SampleRing).
  void Open(double rate, int channels, std::size_t capacity_frames);
  // A rate-following source's new rate, called while no frames are being
  // delivered (before the first frame at that rate): RateSince becomes the
  // frames written so far.
  void SetSampleRate(double rate);
  // Producer side: adds frames (volts, interleaved by source_channels).
  void Deliver(const float* interleaved, std::size_t frames, int source_channels);
  // Records the first failure (thread-safe: the message is stored before the
  // flag is raised).
  void Fail(const std::string& message);

 private:
  std::unique_ptr<SampleRing> ring_;
  std::atomic<bool> ring_ready_{false};
  std::atomic<double> rate_{0.0};
  std::atomic<std::uint64_t> rate_since_{0};
  std::atomic<bool> failed_{false};
  std::atomic<bool> failing_{false};
  char error_[kMaxErrorChars + 1] = {};
};

// Frames a ring must hold for a rate: the slowest timebase's record (four
// screens at the display rate: the screen before, the screen, the screen
// after and the trigger window) with a margin of a quarter, at least one
// second.
std::size_t StreamRingFrames(double rate);

}  // namespace orva::scope
