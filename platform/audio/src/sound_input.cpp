// The sound input adapter: see sound_input.h.
#include "orva/audio/sound_input.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QElapsedTimer>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orva::audio {
namespace {

// A read takes at most this many bytes (about 85 ms of 48 kHz stereo float).
constexpr std::size_t kReadBytes = 32768;

std::string Fill(std::string text, const std::string& what) {
  const auto at = text.find("%1");
  if (at != std::string::npos) text.replace(at, 2, what);
  return text;
}

double Seconds() {
  static QElapsedTimer t = [] {
    QElapsedTimer e;
    e.start();
    return e;
  }();
  return static_cast<double>(t.nsecsElapsed()) * 1e-9;
}

double Positive(double v) { return std::isfinite(v) && v > 0 ? v : 1.0; }

std::string FormatName(QAudioFormat::SampleFormat f) {
  switch (f) {
    case QAudioFormat::UInt8: return "8-bit";
    case QAudioFormat::Int16: return "16-bit";
    case QAudioFormat::Int32: return "32-bit";
    case QAudioFormat::Float: return "32-bit float";
    default: return "?";
  }
}

}  // namespace

std::vector<SoundInputInfo> SoundInputs() {
  std::vector<SoundInputInfo> list;
  for (const QAudioDevice& d : QMediaDevices::audioInputs()) {
    SoundInputInfo i{d.id().toStdString(), d.description().toStdString(), d.isDefault()};
    if (i.is_default) {
      list.insert(list.begin(), i);
    } else {
      list.push_back(i);
    }
  }
  return list;
}

std::shared_ptr<SoundInput> SoundInput::Start(const std::string& name, std::array<double, 2> full_scale,
                                              const SoundTexts& texts, std::string* error) {
  const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
  QAudioDevice device;
  if (name.empty()) {
    device = QMediaDevices::defaultAudioInput();
    if (device.isNull() && !inputs.isEmpty()) device = inputs.front();
    if (device.isNull()) {
      *error = texts.no_input;
      return nullptr;
    }
  } else {
    for (const QAudioDevice& d : inputs) {
      if (d.id().toStdString() == name || d.description().toStdString() == name) {
        device = d;
        break;
      }
    }
    if (device.isNull()) {
      *error = Fill(texts.not_found, name);
      return nullptr;
    }
  }
  // The input's own format, with at most two channels.
  QAudioFormat format = device.preferredFormat();
  if (format.channelCount() > 2) format.setChannelCount(2);
  if (format.channelCount() < 1) format.setChannelCount(1);
  const auto sf = format.sampleFormat();
  const bool readable = sf == QAudioFormat::UInt8 || sf == QAudioFormat::Int16 || sf == QAudioFormat::Int32 ||
                        sf == QAudioFormat::Float;
  if (!readable || format.sampleRate() <= 0 || !device.isFormatSupported(format)) {
    *error = Fill(texts.refused, device.description().toStdString());
    return nullptr;
  }

  std::shared_ptr<SoundInput> s(new SoundInput());
  s->id_ = device.id().toStdString();
  s->description_ = device.description().toStdString();
  s->texts_ = texts;
  s->FullScale(full_scale);
  s->channels_ = format.channelCount();
  s->bytes_per_sample_ = format.bytesPerSample();
  s->format_ = static_cast<int>(sf);
  s->format_text_ = std::to_string(format.sampleRate()) + " Hz, " + std::to_string(s->channels_) +
                    (s->channels_ == 1 ? " channel, " : " channels, ") + FormatName(sf);
  s->bytes_.assign(kReadBytes, 0);
  s->block_.assign(kReadBytes / static_cast<std::size_t>(s->bytes_per_sample_), 0.0f);
  // The ring holds the slowest timebase's record; both channels always, so
  // that a mono input shows a flat channel 2.
  s->Open(format.sampleRate(), 2, scope::StreamRingFrames(format.sampleRate()));

  s->source_ = new QAudioSource(device, format, s.get());
  // About 20 ms of buffer: short delays from the input to the screen.
  s->source_->setBufferSize(std::max(1024, format.bytesForDuration(20000)));
  SoundInput* raw = s.get();
  QObject::connect(s->source_, &QAudioSource::stateChanged, raw, [raw](QAudio::State st) {
    if (st == QAudio::StoppedState && raw->source_->error() != QAudio::NoError) raw->Stop(Fill(raw->texts_.gone, raw->description_));
  });
  s->io_ = s->source_->start();
  if (s->io_ == nullptr || s->source_->error() == QAudio::OpenError || s->source_->error() == QAudio::FatalError) {
    *error = Fill(texts.refused, s->description_);
    return nullptr;
  }
  QObject::connect(s->io_, &QIODevice::readyRead, raw, [raw] { raw->ReadAvailable(); });
  s->devices_ = new QMediaDevices(raw);
  QObject::connect(s->devices_, &QMediaDevices::audioInputsChanged, raw, [raw] { raw->CheckPresent(); });
  s->last_data_ = Seconds();
  s->watchdog_.setInterval(500);
  QObject::connect(&s->watchdog_, &QTimer::timeout, raw, [raw] {
    raw->ReadAvailable();
    if (Seconds() - raw->last_data_ > kStallSeconds) raw->Stop(Fill(raw->texts_.gone, raw->description_));
    // The list's change signal does not always come (the sound server moves
    // the stream of a removed input to another one, which then feeds it
    // silently), so the list is looked at here too.
    if (!raw->Failed()) raw->CheckPresent();
  });
  s->watchdog_.start();
  return s;
}

SoundInput::~SoundInput() {
  watchdog_.stop();
  if (source_ != nullptr) source_->stop();
}

void SoundInput::FullScale(std::array<double, 2> volts) {
  full_scale_ = {Positive(volts[0]), Positive(volts[1])};
}

void SoundInput::ReadAvailable() {
  if (io_ == nullptr || Failed()) return;
  const int frame_bytes = bytes_per_sample_ * channels_;
  const std::size_t chunk = kReadBytes - kReadBytes % static_cast<std::size_t>(frame_bytes);
  for (;;) {
    const qint64 n = io_->read(bytes_.data(), static_cast<qint64>(chunk));
    if (n <= 0) break;
    last_data_ = Seconds();
    // Whole frames only (a stream never splits them; a partial tail is dropped).
    const std::size_t frames = static_cast<std::size_t>(n) / static_cast<std::size_t>(frame_bytes);
    const std::size_t samples = frames * static_cast<std::size_t>(channels_);
    const char* b = bytes_.data();
    for (std::size_t i = 0; i < samples; ++i) {
      const double fs = full_scale_[i % static_cast<std::size_t>(channels_)];
      double v = 0;
      switch (format_) {
        case QAudioFormat::UInt8:
          v = (static_cast<unsigned char>(b[i]) - 128.0) / 128.0;
          break;
        case QAudioFormat::Int16: {
          std::int16_t x;
          std::memcpy(&x, b + i * 2, 2);
          v = x / 32768.0;
          break;
        }
        case QAudioFormat::Int32: {
          std::int32_t x;
          std::memcpy(&x, b + i * 4, 4);
          v = x / 2147483648.0;
          break;
        }
        default: {
          float x;
          std::memcpy(&x, b + i * 4, 4);
          v = std::isfinite(x) ? x : 0.0;
          break;
        }
      }
      block_[i] = static_cast<float>(v * fs);
    }
    Deliver(block_.data(), frames, channels_);
    if (static_cast<std::size_t>(n) < chunk) break;
  }
}

void SoundInput::CheckPresent() {
  for (const QAudioDevice& d : QMediaDevices::audioInputs())
    if (d.id().toStdString() == id_) return;
  Stop(Fill(texts_.gone, description_));
}

void SoundInput::Stop(const std::string& message) {
  if (Failed()) return;
  Fail(message);
  watchdog_.stop();
  // Stopping from inside the source's own signal is allowed; the device is
  // released here so that the input can be chosen again.
  if (source_ != nullptr) {
    source_->disconnect(this);
    source_->stop();
  }
  io_ = nullptr;
}

}  // namespace orva::audio
