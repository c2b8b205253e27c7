// The acquisition cycle on a stream source: the latest record of the source's
// ring becomes a capture, converted to sample codes, resampled to the
// timebase's display rate with the signal-processing library, then searched
// for the trigger and aligned like a board capture.
//
// Record layout at the display rate (25.6 points per division): 1024 points,
// the newest last. The trigger window is points 256..512 (shifted by the
// pretrigger movement), so an accepted crossing always has the screen before
// it and two screens after it inside the record; without a crossing the
// capture shows the newest 768 points.
//
// Resampling: the source frames are first averaged in blocks of q (q > 1 only
// when a record holds more than 7168 frames, i.e. on slow timebases), which
// keeps the record within the 8192 points Interpolar takes. The n1 samples
// handed to Interpolar are the record's `real` newest samples followed by a
// raised-cosine bridge back to the first one, so that the transform sees no
// jump at its wrap-around (a jump would ring into the trace). Interpolar's
// band-limited change from n1 to n2 points (both powers of two; n2 < n1 cuts
// the spectrum, an anti-aliasing filter for free) brings the rate to at
// least the display rate, and the 1024 record points are then read from its
// output by linear interpolation at the exact display rate.
#include <algorithm>
#include <cmath>
#include <limits>

#include "Sigdex.h"
#include "orva/scope/osciloscopio.h"

namespace orva::scope {

namespace {

constexpr std::int32_t kInterpolarMax = 8192;
constexpr std::int32_t kMaxReal = 7168;  // record samples after block averaging
constexpr double kPi = 3.14159265358979323846;

std::int32_t NextPowerOfTwo(double v) {
  std::int32_t p = 1;
  while (p < v && p < (1 << 30)) p <<= 1;
  return p;
}

// Shortest wait the host is told (a shorter one would only spin), and longest.
constexpr double kMaxWait = 0.05;

}  // namespace

bool Osciloscopio::PlanStream(int k, StreamPlan* plan) const {
  const SampleRing* ring = stream_ != nullptr ? stream_->Ring() : nullptr;
  const TimebaseRow& row = Timebase(k);
  const double fd = row.fm_equivalente;  // display points per second
  if (!(fd > 0)) return false;
  // A source that follows the timebase is planned at the rate it will take.
  const double follow = stream_ != nullptr ? stream_->RateFor(fd) : 0.0;
  const double fs = follow > 0 ? follow : stream_ != nullptr ? stream_->SampleRate() : 0.0;
  if (ring == nullptr || !(fs > 0)) return false;
  // Too few source samples per screen: the trace would be made up.
  if (fs * 10.0 * row.base_tiempos_div < kMinStreamSamplesPerScreen) return false;

  StreamPlan p;
  p.timebase = k;
  p.rate = fs;
  const double span = static_cast<double>(kAlignedSize - 1) / fd;  // seconds from point 0 to 1023
  const double need = std::ceil(span * fs) + 2.0;                    // source frames
  p.q = static_cast<std::int32_t>(std::max(1.0, std::ceil(need / kMaxReal)));
  const double fsq = fs / p.q;
  const double need_q = std::ceil(span * fsq) + 2.0;
  // n1: room for the record plus a bridge of at least 16 samples or 1/16.
  std::int32_t n1 = 16;
  while (n1 <= kInterpolarMax && n1 - std::max(16, n1 / 16) < need_q) n1 <<= 1;
  if (n1 > kInterpolarMax) return false;
  p.n1 = n1;
  p.real = n1 - std::max(16, n1 / 16);
  p.n2 = NextPowerOfTwo(static_cast<double>(n1) * fd / fsq);
  if (p.n2 > kInterpolarMax) return false;
  p.frames = static_cast<std::size_t>(p.real) * static_cast<std::size_t>(p.q);
  if (p.frames > ring->Capacity()) return false;
  const double fi = fsq * p.n2 / p.n1;  // rate of the Interpolar output
  p.pick_step = fi / fd;
  // The newest source sample (real - 1) sits at output index (real - 1) n2/n1.
  p.pick_first = static_cast<double>(p.real - 1) * p.n2 / p.n1 - (kAlignedSize - 1) * p.pick_step;
  if (p.pick_first < 0) return false;
  const double screen = fs * 10.0 * row.base_tiempos_div;  // source frames per screen
  // A trigger search each screen of new frames misses no crossing (the
  // window is one screen wide); a shown capture at most 60 times a second.
  p.search = static_cast<std::uint64_t>(std::max(1.0, std::floor(screen)));
  p.refresh = static_cast<std::uint64_t>(std::max({1.0, std::floor(screen), std::ceil(fs / 60.0)}));
  // A block source's frames come a block at a time: every block is new data.
  if (const std::uint64_t block = stream_->FramesPerBlock(); block > 0) {
    p.refresh = std::min(p.refresh, block);
    p.search = std::min(p.search, block);
  }
  *plan = p;
  return true;
}

bool Osciloscopio::BaseDeTiemposPosible(int k) const {
  if (!EnFlujo()) return true;
  StreamPlan p;
  return PlanStream(ClampTimebaseIndex(k), &p);
}

std::int16_t Osciloscopio::PrimeraBaseDeFlujo() const {
  for (int k = kTimebaseFirstSelectable; k <= kTimebaseLastIndex; ++k)
    if (BaseDeTiemposPosible(k)) return static_cast<std::int16_t>(k);
  return kTimebaseLastIndex;
}

void Osciloscopio::FuenteDeFlujo(std::shared_ptr<StreamSource> source) {
  stream_ = std::move(source);
  plan_ = StreamPlan{};
  stream_end_ = 0;
  stream_next_ = 0;
  stream_prepared_ = false;
  base_rechazada_ = false;
  // All record storage is allocated here, once per source.
  const SampleRing* ring = stream_ != nullptr ? stream_->Ring() : nullptr;
  stream_frames_.assign(ring != nullptr ? ring->Capacity() : 0, 0.0f);
  stream_in_.assign(kInterpolarMax, 0.0f);
  for (auto& o : stream_out_) o.assign(kInterpolarMax, 0.0f);
  if (EnFlujo() && !BaseDeTiemposPosible(base_de_tiempos_actual_)) {
    base_de_tiempos_actual_ = std::max(base_de_tiempos_actual_, PrimeraBaseDeFlujo());
    Changed("BaseDeTiemposActual");
  }
}

double Osciloscopio::EsperaDeFlujo() const {
  if (!EnFlujo() || stream_->Failed() || stream_prepared_) return 0.0;
  const SampleRing* ring = stream_->Ring();
  // No record can be planned yet: nothing to do but wait.
  if (ring == nullptr || plan_.timebase < 0) return kMaxWait;
  const std::uint64_t written = ring->Written();
  const std::uint64_t ready = StreamReadyAt();
  if (ready == std::numeric_limits<std::uint64_t>::max()) return kMaxWait;
  if (written >= ready) return 0.0;
  const double missing = static_cast<double>(ready - written) / plan_.rate;
  return std::clamp(missing, 0.0, kMaxWait);
}

StreamSetup Osciloscopio::PedidoDeFlujo() const {
  StreamSetup s;
  for (int c = 0; c < 2; ++c) {
    s.volts_per_div[c] = static_cast<double>(Gain(ganancia_[c]).volts_per_div);
    s.coupling[c] = acoplamiento_[c] == kAcoplamientoGND ? 0 : acoplamiento_[c] == kAcoplamientoAC ? 2 : 1;
  }
  // Auto shows a trace without an edge too: a device trigger would hold back
  // the device's captures, so in Auto the edge is only searched here.
  if ((canal_disparo_ == 1 || canal_disparo_ == 2) && disparo_externo_ == 0 && modo_disparo_ != kModoAuto) {
    const int c = canal_disparo_ - 1;
    s.trigger_channel = c;
    // The level's code in the working trace, back to the input's volts: the
    // working trace is raw + offset, or 255 - raw - offset when inverted,
    // and the level is compared there with the offset added.
    const double d = desplazamiento_[c];
    const double raw = invertido_[c] ? 255.0 - nivel_ - 2.0 * d : static_cast<double>(nivel_);
    s.trigger_volts = (raw - 128.0) * s.volts_per_div[c] / 32.0;
    s.trigger_rising = flanco_ == 0;  // the chosen slope is the input's
  }
  return s;
}

std::uint64_t Osciloscopio::StreamReadyAt() const {
  // Frames at another rate than the plan's (a source still changing its
  // rate) never make a record; the first record at a new rate is made of
  // frames at that rate only.
  if (stream_ == nullptr || plan_.timebase < 0 || stream_->SampleRate() != plan_.rate)
    return std::numeric_limits<std::uint64_t>::max();
  return std::max<std::uint64_t>(stream_next_, stream_->RateSince() + plan_.frames);
}

void Osciloscopio::ProgramaFlujo() {
  // A timebase the source cannot fill (set while another source was in use,
  // or by the automatic timebase) moves to the fastest one it can.
  if (!BaseDeTiemposPosible(base_programada_)) {
    const std::int16_t k = std::max(base_programada_, PrimeraBaseDeFlujo());
    base_de_tiempos_actual_ = k;
    base_programada_ = k;
    Changed("BaseDeTiemposActual");
  }
  // A source that follows the timebase is asked for its new rate (it may
  // take it later: StreamReadyAt waits for it), one with settings of its own
  // for the panel's.
  const double follow = stream_ != nullptr ? stream_->RateFor(Timebase(base_programada_).fm_equivalente) : 0.0;
  if (stream_ != nullptr) {
    stream_->FollowDisplayRate(Timebase(base_programada_).fm_equivalente);
    stream_->FollowSetup(PedidoDeFlujo());
  }
  if (plan_.timebase != base_programada_ || (follow == 0.0 && stream_ != nullptr && plan_.rate != stream_->SampleRate())) {
    StreamPlan p;
    plan_ = PlanStream(base_programada_, &p) ? p : StreamPlan{};
    const SampleRing* ring = stream_ != nullptr ? stream_->Ring() : nullptr;
    if (ring != nullptr && stream_frames_.size() < ring->Capacity()) stream_frames_.assign(ring->Capacity(), 0.0f);
  }
  stream_prepared_ = false;
  stream_next_ = std::max<std::uint64_t>(stream_next_, plan_.frames);
}

std::int32_t Osciloscopio::StreamWindowLow() const {
  const double s = MovimientoPretriggerUsado() * 256.0 / 10.0;  // points
  return kScreenLeftEdge + static_cast<std::int32_t>(hosting::RoundHalfEven(s));
}

bool Osciloscopio::PrepareStreamRecord(std::uint64_t end) {
  const SampleRing* ring = stream_ != nullptr ? stream_->Ring() : nullptr;
  if (ring == nullptr || plan_.timebase < 0 || end < plan_.frames) return false;
  if (stream_->SampleRate() != plan_.rate || end < stream_->RateSince() + plan_.frames) return false;
  const StreamPlan& p = plan_;
  const std::size_t frames = p.frames;
  if (stream_frames_.size() < frames) return false;
  const auto n1 = static_cast<std::size_t>(p.n1);
  const auto real = static_cast<std::size_t>(p.real);
  const auto q = static_cast<std::size_t>(p.q);
  for (int c = 0; c < 2; ++c) {
    float* in = stream_in_.data();
    const int source_channel = std::min(c, ring->Channels() - 1);
    const bool flat = c >= ring->Channels();  // mono: channel 2 is flat
    if (!flat && !ring->Read(source_channel, end, frames, stream_frames_.data())) return false;
    // Volts to sample codes: 128 + 32 codes per division, kept to the
    // converter's 0..255 (a grounded channel reads 128), then Copia's
    // inversion and vertical offset.
    const double codes_per_volt = 32.0 / static_cast<double>(Gain(ganancia_[c]).volts_per_div);
    const bool gnd = acoplamiento_[c] == kAcoplamientoGND;
    const double d = desplazamiento_[c];
    const bool inv = invertido_[c];
    const float* f = stream_frames_.data();
    // AC coupling the source does not do itself: the record's mean is
    // removed (the DC of a record of whole screens, which the trace's
    // centre line then stands for).
    double mean = 0;
    if (!flat && acoplamiento_[c] == kAcoplamientoAC && !stream_->CouplesAc(c)) {
      for (std::size_t i = 0; i < real * q; ++i) mean += f[i];
      mean /= static_cast<double>(real * q);
    }
    for (std::size_t r = 0; r < real; ++r) {
      double v = 0;
      if (!flat) {
        for (std::size_t j = 0; j < q; ++j) v += f[r * q + j];
        v = v / static_cast<double>(q) - mean;
      }
      const double raw = gnd ? 128.0 : std::clamp(128.0 + v * codes_per_volt, 0.0, 255.0);
      in[r] = static_cast<float>(std::clamp(inv ? 255.0 - raw - d : raw + d, 0.0, 255.0));
    }
    // Raised-cosine bridge from the newest sample back to the oldest.
    const double a = in[real - 1];
    const double b = in[0];
    const double span = static_cast<double>(n1 - real + 1);
    for (std::size_t i = real; i < n1; ++i) {
      const double t = static_cast<double>(i - real + 1) / span;
      in[i] = static_cast<float>(a + (b - a) * 0.5 * (1.0 - std::cos(kPi * t)));
    }
    Interpolar(stream_in_.data(), stream_out_[c].data(), static_cast<std::int16_t>(p.n1),
               static_cast<std::int16_t>(p.n2));
  }
  PickRecord(0.0);
  return true;
}

void Osciloscopio::PickRecord(double shift) {
  // The 1024 record points at the display rate, `shift` points later.
  const StreamPlan& p = plan_;
  const auto last = static_cast<std::size_t>(p.n2 - 1);
  for (int c = 0; c < 2; ++c) {
    std::vector<float>& w = work_[c];
    w.resize(kAlignedSize);
    const float* out = stream_out_[c].data();
    for (std::int32_t j = 0; j < kAlignedSize; ++j) {
      const double x = std::max(0.0, p.pick_first + (j + shift) * p.pick_step);
      const auto i0 = std::min(static_cast<std::size_t>(x), last);
      const std::size_t i1 = std::min(i0 + 1, last);
      const double frac = x - static_cast<double>(i0);
      w[static_cast<std::size_t>(j)] = static_cast<float>(out[i0] + (out[i1] - out[i0]) * frac);
    }
  }
}

bool Osciloscopio::StreamTrigger() {
  const std::int32_t lo = StreamWindowLow();
  const TriggerTest t = CurrentTriggerTest();
  if (!t.internal || disparo_externo_ != 0) return false;
  const std::int32_t i = SearchCrossing(lo, lo + 256);
  if (i <= 0) return false;
  // The crossing lies between points i - 1 and i; the record is read again
  // from the source's finer grid so that it falls just before point i
  // (by 2 % of a point, so that the search finds the same pair). Without it
  // the trace would jitter by up to one point from capture to capture.
  const std::vector<float>& w = work_[t.channel];
  const double a = w[static_cast<std::size_t>(i - 1)];
  const double b = w[static_cast<std::size_t>(i)];
  const double frac = b != a ? std::clamp((t.level - a) / (b - a), 0.0, 1.0) : 1.0;
  PickRecord(frac - 1.0 + 0.02);
  return true;
}

bool Osciloscopio::ComprobacionFlujo() {
  fin_de_captura_ = false;
  const SampleRing* ring = stream_->Ring();
  if (stream_->Failed() || ring == nullptr || plan_.timebase < 0) return false;
  const std::uint64_t written = ring->Written();
  if (written >= StreamReadyAt()) {
    if (PrepareStreamRecord(written)) {
      stream_end_ = written;
      const bool internal = (canal_disparo_ == 1 || canal_disparo_ == 2) && disparo_externo_ == 0;
      // Untriggered (forced, or nothing to trigger on) or a crossing in the window.
      const bool crossing = StreamTrigger();
      if (fuerza_modo_software_ || !internal || crossing) {
        stream_prepared_ = true;
        fin_de_captura_ = true;
        return true;
      }
    }
    // No edge yet (or the record was overwritten while copied): look again
    // once the record has moved on by a screen.
    stream_next_ = written + plan_.search;
  }
  // The time-out of the board capture: Auto forces an untriggered capture.
  const double elapsed = clock_() - instante_programacion_;
  if (elapsed > Timebase(base_programada_).tiempo_estimado) {
    if (modo_disparo_ == kModoAuto) fuerza_modo_software_ = true;
    Programacion();
  }
  return false;
}

void Osciloscopio::LecturaFlujo() {
  if (!stream_prepared_) {
    // Read without a finished poll: the newest record, if there is one.
    const SampleRing* ring = stream_ != nullptr ? stream_->Ring() : nullptr;
    if (ring == nullptr || stream_->Failed()) return;
    const std::uint64_t written = ring->Written();
    if (!PrepareStreamRecord(written)) return;
    stream_end_ = written;
    StreamTrigger();
  }
  stream_prepared_ = false;
  stream_next_ = stream_end_ + plan_.refresh;
  triggered_ = false;
  trigger_index_ = 0;
  const std::int32_t lo = StreamWindowLow();
  // There is no external trigger input on a stream: that choice shows the
  // newest record untriggered.
  const bool internal = disparo_externo_ == 0;
  AlignTraces(internal ? lo : kAlignedSize, internal ? lo + 256 : kAlignedSize,
              kAlignedSize - kShownPoints, -1);
  for (int c = 0; c < 2; ++c) {
    const std::size_t n = std::min<std::size_t>(aligned_[c].size(), kXYSize);
    xy_[c].assign(aligned_[c].begin(), aligned_[c].begin() + static_cast<std::ptrdiff_t>(n));
  }
  FinishTraces();
}

}  // namespace orva::scope
