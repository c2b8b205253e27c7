// The computer's sound input as a stream source (Qt Multimedia: QMediaDevices
// lists the inputs, QAudioSource reads one; PulseAudio or PipeWire underneath).
//
// The input is read in its own preferred format (8-bit unsigned, 16- or
// 32-bit signed or 32-bit float, 1 or 2 channels; an input with more
// channels is asked for 2). Samples arrive in the window's event loop and are
// written into the source's ring as volts: a full-scale sample (the largest
// value of the format, 1.0 for floats) is `full_scale[c]` volts on channel c.
// A mono input feeds channel 1 and leaves channel 2 at 0 V. Nothing blocks:
// a read takes what the input has delivered and returns.
//
// Faults end the stream with a message from the caller's texts (so it is in
// the window's language): no input with that name, the input refusing every
// format we can read, the input disappearing (unplugged, server restarted)
// or delivering nothing for kStallSeconds while running.
//
// Bounds: a name, description or message is cut to StreamSource's message
// limit where it goes into one; full-scale values must be finite and
// positive (others count as 1 V).
#pragma once

#include <QObject>
#include <QTimer>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "orva/scope/stream_source.h"

class QAudioSource;
class QIODevice;
class QMediaDevices;

namespace orva::audio {

struct SoundInputInfo {
  std::string id;           // the device's own id (stable while it is present)
  std::string description;  // what the desktop calls it
  bool is_default = false;
};

// The sound inputs present now, the default first.
std::vector<SoundInputInfo> SoundInputs();

// Texts of the faults; "%1" in them is replaced by the input's description.
struct SoundTexts {
  std::string no_input = "No sound input";
  std::string not_found = "Sound input not found: %1";
  std::string refused = "The sound input refuses every format: %1";
  std::string gone = "The sound input has gone: %1";
};

class SoundInput final : public QObject, public scope::StreamSource {
 public:
  static constexpr double kStallSeconds = 3.0;

  // Opens the input whose id or description is `name` (empty: the default
  // input) and starts reading. On failure returns null and sets *error.
  static std::shared_ptr<SoundInput> Start(const std::string& name, std::array<double, 2> full_scale,
                                           const SoundTexts& texts, std::string* error);
  ~SoundInput() override;

  std::string Description() const override { return description_; }
  // A sound input blocks DC itself: AC coupling leaves its samples as they are.
  bool CouplesAc(int /*channel*/) const override { return true; }
  std::string Id() const { return id_; }
  // Volts of a full-scale sample per channel (takes effect on the next block).
  void FullScale(std::array<double, 2> volts);
  std::array<double, 2> FullScale() const { return full_scale_; }
  // The format in use, e.g. "48000 Hz, 2 channels, 16-bit".
  std::string FormatText() const { return format_text_; }

 private:
  SoundInput() = default;
  void ReadAvailable();
  void Stop(const std::string& message);
  void CheckPresent();

  std::string id_, description_, format_text_;
  SoundTexts texts_;
  std::array<double, 2> full_scale_{1.0, 1.0};
  QAudioSource* source_ = nullptr;  // owned (child)
  QIODevice* io_ = nullptr;         // owned by source_
  QMediaDevices* devices_ = nullptr;
  QTimer watchdog_;
  int channels_ = 1;
  int bytes_per_sample_ = 2;
  int format_ = 0;  // QAudioFormat::SampleFormat
  double last_data_ = 0;  // monotonic seconds of the last block
  std::vector<char> bytes_;   // one read, allocated once
  std::vector<float> block_;  // the same as volts
};

}  // namespace orva::audio
