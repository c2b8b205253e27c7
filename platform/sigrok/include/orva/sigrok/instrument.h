// An instrument reached through libsigrok, as a source of two channels of
// samples in volts.
//
// Open scans the source text's driver with its scan options and opens the
// first device found that has analog channels; its first two analog channels
// (or those named by channels=) become channels 1 and 2. Configure sets the
// sample rate for a display rate (rate.h), the samples per capture, per
// channel volts per division and coupling where the device has them, and the
// trigger (source channel, slope, level) where the device has all three;
// Applied says what the device does and what is left to software (the
// trigger is searched in software on the delivered samples in any case,
// which aligns the trace; a device trigger decides when a capture is taken).
//
// Start runs the acquisition on a thread of its own: libsigrok's session loop
// (sr_session_run) is never run on the caller's thread, so a window never
// waits for the device. The thread runs one acquisition per capture (or one
// endless acquisition, handed to a FrameSink as the packets come), samples
// from the analog packets converted to volts (sr_analog_to_float) into buffers
// allocated by Configure, and hands each complete capture over through a
// lock-free triple buffer: TakeCapture gets the newest complete capture, never
// a half-written one, and never blocks. A fault on the thread (the device
// stops delivering, disappears, a session that cannot start) ends the
// acquisition; Fault() then says why in one line.
//
// Bounds: a capture holds at most kMaxCaptureSamples samples per channel
// (rate.h); TakeCapture copies at most `capacity` samples per channel into
// the caller's arrays; samples of a packet past the capture's end are
// dropped; a packet bigger than the conversion buffer grows it once (the
// only allocation after Configure, and only for a bigger packet than any
// before).
//
// libsigrok's log goes to this module's log (LastLogLine, and standard error
// only when ORVA_SIGROK_LOG is set: its value is libsigrok's level 0..5,
// default 2, warnings), never to standard error of a run by default.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orva/sigrok/rate.h"
#include "orva/sigrok/spec.h"

namespace orva::sigrok {

// Built with libsigrok (the ORVA_WITH_SIGROK option).
bool Available();

// Faults, by what went wrong (the text says which and why).
enum class Fault {
  kNone = 0,
  kNotAvailable,     // built without libsigrok
  kNoDriver,         // libsigrok has no such driver
  kOptionRefused,    // an option the driver does not take, or a value it refuses
  kNoDevice,         // the scan found no device with analog channels
  kNoChannel,        // channels= names a channel the device lacks
  kOpenFailed,       // the device would not open
  kRateNotReached,   // the device cannot sample as fast as the timebase needs
  kSettingRefused,   // the device refused a setting (rate, sample limit)
  kAcquisition,      // the acquisition failed or the device stopped delivering
};

struct DeviceEntry {
  std::string spec;         // sigrok:DRIVER[:conn=...]
  std::string description;  // vendor, model, analog channels
};

// Every device with analog channels that a scan of every driver finds
// without options, within about `budget` (the drivers are scanned one by
// one on a thread of their own; when the budget is spent no further driver
// is scanned and *cut_short is set).
std::vector<DeviceEntry> ListDevices(std::chrono::milliseconds budget, bool* cut_short);

// Where the acquisition thread hands its samples, besides TakeCapture's
// captures (the instrument's stream source). Called on that thread.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // `frames` frames of `channels` (1 or 2) interleaved samples in volts.
  virtual void OnFrames(const float* interleaved, std::size_t frames, int channels) = 0;
  // The acquisition ended with a fault (one line).
  virtual void OnFault(const std::string& text) = 0;
};

struct CaptureSettings {
  double display_rate_hz = 0;   // samples per second the display wants (FMEquivalente)
  double span_seconds = 0;      // time one capture must cover
  // One endless acquisition, its samples handed to the sink packet by packet
  // (no TakeCapture captures), instead of one acquisition per capture.
  bool continuous = false;
  double volts_per_div[2] = {1.0, 1.0};
  int coupling[2] = {1, 1};     // 0 GND, 1 DC, 2 AC
  int trigger_channel = -1;     // 0/1: on channel 1/2; -1: no device trigger
  double trigger_volts = 0.0;   // level at the input
  bool trigger_rising = true;
};

// What the open device can take of CaptureSettings besides its rate.
struct Abilities {
  bool vdiv[2] = {};       // a list of volts per division for the channel
  bool coupling[2] = {};   // a list of couplings for the channel
  bool trigger = false;    // trigger source, slope and level
};

struct Applied {
  std::uint64_t sample_rate = 0;       // Hz, as set on the device
  bool rate_reached = false;           // sample_rate >= display_rate_hz
  std::uint64_t samples = 0;           // per channel per capture
  bool continuous = false;             // one endless acquisition
  bool vdiv_in_device[2] = {};         // the device's input range was set
  double device_vdiv[2] = {};          // to this many volts per division
                                       // (the drawing scale is always the panel's)
  bool coupling_in_device[2] = {};     // else: AC/GND done in software
  bool trigger_in_device = false;      // else: the trigger only in software
  bool coupling_ac_in_device[2] = {};  // the device itself removes the DC
};

// One complete capture as TakeCapture hands it over.
struct CaptureInfo {
  std::size_t samples = 0;      // per channel, as copied
  std::uint64_t sequence = 0;   // 1, 2, ... in the order captured
  double first_packet = 0;      // monotonic seconds (SteadySeconds) of its first packet
  double completed = 0;         // monotonic seconds when its last sample arrived
};

// Monotonic seconds on the clock CaptureInfo uses.
double SteadySeconds();

class Instrument {
 public:
  Instrument();
  ~Instrument();  // stops and closes
  Instrument(const Instrument&) = delete;
  Instrument& operator=(const Instrument&) = delete;

  bool Open(const SigrokSpec& spec, std::string* error);
  bool IsOpen() const;
  // "Vendor Model (libsigrok DRIVER): CH1NAME, CH2NAME".
  std::string Description() const;
  int Channels() const;  // 1 or 2 analog channels in use

  // The sample rates the open device offers (empty when it tells none).
  SampleRates Rates() const;
  // What it can be asked besides the rate (all false when not open).
  Abilities Can() const;
  // The sink of the samples (null: none); only while stopped.
  void SetSink(FrameSink* sink);
  // Only while stopped. On failure nothing runs and *error says why.
  bool Configure(const CaptureSettings& settings, Applied* applied, std::string* error);
  bool Start(std::string* error);
  void Stop();  // returns once the acquisition thread has ended
  bool Running() const;
  void Close();

  // The newest complete capture not taken yet: copies min(samples, capacity)
  // samples of each channel (ch2 may be null; with one channel ch2 gets
  // zeros) and returns true; false when there is none new. Never blocks.
  bool TakeCapture(float* ch1, float* ch2, std::size_t capacity, CaptureInfo* info);

  // The fault that ended the acquisition (kNone while fine) and its line.
  Fault LastFault(std::string* text) const;
  std::uint64_t CapturesDone() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The last line libsigrok logged (for a fault message), empty if none.
std::string LastLogLine();

}  // namespace orva::sigrok
