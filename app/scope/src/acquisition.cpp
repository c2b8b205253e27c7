// Osciloscopio acquisition cycle: configure, program, poll, read, and the trace
// preparation (conversion, resampling, software trigger, alignment, extremes);
// and the demonstration generator that stands in for a board read.
#include <algorithm>
#include <cmath>
#include <cfenv>
#include <limits>

#include "Sigdex.h"
#include "orva/clock.h"
#include "orva/scope/osciloscopio.h"
#include "sigdexp/sigdex_control.h"

namespace orva::scope {

namespace {

double MonotonicSeconds() {
  return static_cast<double>(clock::MonotonicCount()) /
         static_cast<double>(clock::MonotonicFrequency());
}

// MovimientoPretrigger as used by the capture geometry: within -10..+10
// divisions, so that neither the pre- nor the post-trigger count can go below
// its guard samples; a non-finite value counts as no shift.
double UsableShift(double divisions) {
  if (!std::isfinite(divisions)) return 0.0;
  return std::clamp(divisions, -10.0, 10.0);
}

std::int16_t SaturateI16(std::int32_t v) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, INT16_MIN, INT16_MAX));
}

// Linear interpolation of n samples to m = out.size() points places sample i
// at i m / n and fills the points between it and the next one; the points from
// the last sample's own position, (n - 1) m / n, to the end are reached by no
// pair and come back as 0 (the last `order` points). Left so, a trigger found
// late in its window puts that tail on the right edge of the screen as a drop
// to code 0. They are given the last sample's value instead, as a
// sample-and-hold would show it.
void HoldLinearTail(std::vector<float>& out, std::size_t n, float last_sample) {
  const std::size_t m = out.size();
  if (n == 0 || m == 0) return;
  const double own = static_cast<double>(n - 1) * static_cast<double>(m) / static_cast<double>(n);
  const auto from = static_cast<std::size_t>(
      std::clamp<std::int64_t>(hosting::RoundHalfEven(own), 0, static_cast<std::int64_t>(m)));
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(), last_sample);
}

// The capture length, bounded by what the raw buffers hold.
std::int32_t CaptureLength(std::int32_t pre, std::int32_t screen, std::int32_t post) {
  const std::int64_t total = static_cast<std::int64_t>(pre) + screen + post;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(total, 0, kRawBufferSize));
}

}  // namespace

Osciloscopio::Osciloscopio() : Osciloscopio(MakeLibraryBoardCalls(), MonotonicSeconds) {}

Osciloscopio::Osciloscopio(std::unique_ptr<BoardCalls> board, MonotonicClock clock)
    : board_(std::move(board)), clock_(std::move(clock)), sigdex1_(std::make_unique<Sigdex>()) {
  if (!clock_) clock_ = MonotonicSeconds;
  // All trace storage is allocated here once; reads only re-size within it.
  for (int c = 0; c < 2; ++c) {
    raw_[c].assign(kRawBufferSize, 0);
    work_[c].reserve(kWorkCapacity);
    aligned_[c].reserve(kWorkCapacity);
    aligned_[c].assign(kAlignedSize, 0.0f);
    held_[c].reserve(kWorkCapacity);
    xy_[c].reserve(kXYSize);
    xy_[c].assign(kXYSize, 0.0f);
    // Averaged traces: points 0..8192, room for a copy of any aligned trace.
    averaged_[c].reserve(kWorkCapacity + 1);
    averaged_[c].assign(kRawBufferSize, 0.0f);
  }
  for (std::vector<double>* t : {&demo_.sin1, &demo_.cos1, &demo_.sin2, &demo_.cos2})
    t->reserve(kRawBufferSize);
}

Osciloscopio::~Osciloscopio() = default;

inline float Osciloscopio::Uniform() {
  // 24 random bits scaled by 2^-24: uniform on [0, 1), never 1.
  return static_cast<float>(random_() >> 8) * (1.0f / 16777216.0f);
}

std::int16_t Osciloscopio::Configuracion() {
  return board_->Configuracio(direccion_es_, path_.c_str());
}

Rechazo Osciloscopio::CheckBoardFields() const {
  if (nivel_ < 0 || nivel_ > 255) return Rechazo::kNivel;
  if (disparo_externo_ < 0 || disparo_externo_ > 255) return Rechazo::kDisparoExterno;
  if (flanco_ != 0 && flanco_ != 1) return Rechazo::kFlanco;
  for (int c = 0; c < 2; ++c) {
    if (ganancia_[c] < 0 || ganancia_[c] >= kGainRows) return Rechazo::kGanancia;
    if (acoplamiento_[c] < kAcoplamientoGND || acoplamiento_[c] > kAcoplamientoAC)
      return Rechazo::kAcoplamiento;
  }
  const std::int64_t screen_post = static_cast<std::int64_t>(cuenta_pantalla_) + cuenta_pos_;
  if (cuenta_pre_ < 0 || cuenta_pre_ > INT16_MAX || screen_post < 1 || screen_post > INT16_MAX ||
      cuenta_pre_ + screen_post > kRawBufferSize)
    return Rechazo::kCuentas;
  return Rechazo::kNinguno;
}

std::int16_t Osciloscopio::Programacion() {
  const std::int16_t k = base_de_tiempos_actual_;
  base_programada_ = k;
  const TimebaseRow& row = Timebase(k);

  const double shift = UsableShift(movimiento_pretrigger_) * row.muestras_pre / 10.0;
  const double pre = row.muestras_extra_pre + row.muestras_pre + shift;
  const double post = row.muestras_pos + row.muestras_extra_pos - shift;
  cuenta_pre_ = static_cast<std::int32_t>(hosting::RoundHalfEven(pre));
  cuenta_pantalla_ = row.muestras;
  cuenta_pos_ = static_cast<std::int32_t>(hosting::RoundHalfEven(post));
  // The second count goes to the board as one rounded sum.
  const auto screen_post = static_cast<std::int32_t>(hosting::RoundHalfEven(row.muestras + post));
  instante_programacion_ = clock_();

  // Settle counters of the automatic gain and timebase: two passes to settle,
  // then one automatic step on every programming. A gain step takes effect in
  // this programming; a timebase step in the next (the geometry is fixed).
  const bool first_gain_pass = ajuste_.ContadorGanancia() == 0;
  PasosAutomaticos();

  std::int16_t result = 0;
  rechazo_ = Rechazo::kNinguno;
  if (EnFlujo()) {
    ProgramaFlujo();
  } else if (!modo_demo_ && !modo_remoto_) {
    rechazo_ = CheckBoardFields();
    if (rechazo_ != Rechazo::kNinguno) {
      result = kProgramacionRechazada;
    } else {
      OscilNewArgs a;
      a.canal_disparo = canal_disparo_;
      a.acoplamiento1 = acoplamiento_[0];
      a.acoplamiento2 = acoplamiento_[1];
      a.ganancia1 = ganancia_[0];
      a.ganancia2 = ganancia_[1];
      a.cuenta_a = screen_post;
      a.cuenta_b = static_cast<std::int16_t>(cuenta_pre_);
      a.nivel = static_cast<std::int16_t>(255 - nivel_);
      a.flanco = flanco_;
      a.periodo = static_cast<float>(std::ldexp(1.0, static_cast<int>(row.fm_placa)) / kBoardBaseClockHz);
      a.reservado = 10000;
      a.modo = fuerza_modo_software_ ? kModoSinDisparo : modo_disparo_;
      a.disparo_externo = disparo_externo_;
      result = board_->OscilNew(a);
      // With automatic gain just switched on, the board is programmed twice.
      if ((gain_auto_[0] || gain_auto_[1]) && first_gain_pass) result = board_->OscilNew(a);
    }
  }
  fin_de_captura_ = false;
  return result;
}

void Osciloscopio::PasosAutomaticos() {
  if (ajuste_.TocaGanancia()) {
    for (int c = 0; c < 2; ++c)
      PasoGananciaAutomatica(gain_auto_[c], ganancia_[c], minimo_[c], maximo_[c]);
  }
  if (ajuste_.TocaBaseDeTiempos())
    PasoBaseDeTiemposAutomatica(trigger_auto_, base_de_tiempos_actual_, f_[0], f_[1]);
}

bool Osciloscopio::ComprobacionFinDeCaptura() {
  if (EnFlujo()) return ComprobacionFlujo();
  const std::int16_t r = (!modo_demo_ && !modo_remoto_) ? board_->FinDeCaptura() : 256;
  if (r == 256) {
    fin_de_captura_ = true;
    return true;
  }
  fin_de_captura_ = false;
  const double elapsed = clock_() - instante_programacion_;
  if (elapsed > Timebase(base_programada_).tiempo_estimado) {
    if (modo_disparo_ == kModoAuto) fuerza_modo_software_ = true;
    Programacion();  // re-arm (also resets the time stamp)
  }
  return false;
}

// The generator as it is defined, per sample i of each channel:
//   ch1: y = a1 sin(i 2pi / w + phi); |y| > 5 adds one uniform draw x 0.5
//   ch2: y = a2 sin(2 i 2pi / w + 2 phi) + one uniform draw x 0.5
// clamped to +-127, code = y + 127 rounded half to even (128 for GND). The
// draws come in that order: phi (only while free-running), channel 1, then
// channel 2.
//
// A pass needs about 16000 sines, which dominated the whole pass. The angles
// depend only on the board rate, so their sines and cosines are tabulated once
// per rate from the very same expressions; with phi = 0 (triggered) a sample
// is then bit-identical to the direct formula, and with a random phi the
// angle-sum identity differs from it by rounding only (a few 1e-9 of a code
// at the largest amplitudes, so at most one code at an exact .5 tie).
void Osciloscopio::PrepareDemoTables(double w, std::int32_t count) {
  constexpr double kTwoPi = 6.283184;  // as the generator has always used it
  if (demo_.w != w) {
    demo_.w = w;
    demo_.count = 0;
  }
  if (count <= demo_.count) return;
  for (std::vector<double>* t : {&demo_.sin1, &demo_.cos1, &demo_.sin2, &demo_.cos2}) {
    if (t->size() < static_cast<std::size_t>(count)) t->resize(static_cast<std::size_t>(count));
  }
  for (std::int32_t i = demo_.count; i < count; ++i) {
    const double a1 = i * kTwoPi / w;
    const double a2 = 2.0 * i * kTwoPi / w;
    demo_.sin1[i] = std::sin(a1);
    demo_.cos1[i] = std::cos(a1);
    demo_.sin2[i] = std::sin(a2);
    demo_.cos2[i] = std::cos(a2);
  }
  demo_.count = count;
}

void Osciloscopio::GenerateDemo() {
  const std::int32_t total = CaptureLength(cuenta_pre_, cuenta_pantalla_, cuenta_pos_);
  // One screen more than the capture, within the buffer.
  const std::int32_t count = std::min<std::int32_t>(total + 256, kRawBufferSize);
  const float phi = fuerza_modo_software_ ? Uniform() : 0.0f;
  const double w = 80.0 / std::ldexp(1.0, static_cast<int>(Timebase(base_programada_).fm_placa));
  PrepareDemoTables(w, count);

  // In the default to-nearest mode lrint rounds half to even in one
  // instruction; RoundHalfEven (which saves and restores the mode) only
  // when someone has changed the mode.
  const bool nearest = std::fegetround() == FE_TONEAREST;
  auto code = [nearest](double y) {
    const double v = std::clamp(y, -127.0, 127.0) + 127.0;
    return static_cast<std::uint8_t>(nearest ? std::lrint(v) : hosting::RoundHalfEven(v));
  };
  const double p1 = static_cast<double>(phi);
  const double p2 = 2.0 * static_cast<double>(phi);
  const double c1 = std::cos(p1), s1 = std::sin(p1);
  const double c2 = std::cos(p2), s2 = std::sin(p2);
  const double* sin1 = demo_.sin1.data();
  const double* cos1 = demo_.cos1.data();
  const double* sin2 = demo_.sin2.data();
  const double* cos2 = demo_.cos2.data();
  std::uint8_t* out1 = raw_[0].data();
  std::uint8_t* out2 = raw_[1].data();

  // Phase 0 (triggered) reads the sines alone, so that its codes are those
  // of the direct formula bit for bit; the loops are written out per case.
  const double a1 = 2.5 / static_cast<double>(Gain(ganancia_[0]).volts_per_div) * 40.0;
  const bool gnd1 = acoplamiento_[0] == kAcoplamientoGND;
  const double a2 = 2.5 / static_cast<double>(Gain(ganancia_[1]).volts_per_div) * 30.0;
  const bool gnd2 = acoplamiento_[1] == kAcoplamientoGND;
  auto channel1 = [&](std::int32_t i, double y) {
    if (std::abs(y) > 5.0) y += Uniform() * 0.5;
    out1[i] = gnd1 ? std::uint8_t{128} : code(y);
  };
  auto channel2 = [&](std::int32_t i, double y) {
    y += Uniform() * 0.5;
    out2[i] = gnd2 ? std::uint8_t{128} : code(y);
  };
  if (phi == 0.0f) {
    for (std::int32_t i = 0; i < count; ++i) channel1(i, a1 * sin1[i]);
    for (std::int32_t i = 0; i < count; ++i) channel2(i, a2 * sin2[i]);
  } else {
    for (std::int32_t i = 0; i < count; ++i) channel1(i, a1 * (sin1[i] * c1 + cos1[i] * s1));
    for (std::int32_t i = 0; i < count; ++i) channel2(i, a2 * (sin2[i] * c2 + cos2[i] * s2));
  }
}

void Osciloscopio::LecturaDeMemoria() {
  if (EnFlujo()) {
    LecturaFlujo();
    return;
  }
  const std::int32_t total = CaptureLength(cuenta_pre_, cuenta_pantalla_, cuenta_pos_);
  // Before the first programming there is no capture to read: the traces stay.
  if (total <= 0) return;
  if (modo_remoto_) {
    // The remote link has already stored the buffers.
  } else if (modo_demo_) {
    if (modo_disparo_ == kModoAuto) GenerateDemo();
  } else {
    rechazo_ = CheckBoardFields();
    if (rechazo_ == Rechazo::kNinguno) {
      LeeLaMemoriaArgs a;
      a.cuenta_a = cuenta_pantalla_ + cuenta_pos_;
      a.cuenta_b = static_cast<std::int16_t>(cuenta_pre_);
      a.salto = static_cast<std::int16_t>(cuenta_pantalla_ + cuenta_pos_);
      a.canal_disparo = canal_disparo_;
      a.nivel = nivel_;
      a.flanco = flanco_;
      a.ganancia1 = ganancia_[0];
      a.ganancia2 = ganancia_[1];
      a.acoplamiento1 = acoplamiento_[0];
      a.acoplamiento2 = acoplamiento_[1];
      board_->LeeLaMemoria(a, raw_[0].data(), raw_[1].data(), kRawBufferSize);
    }
  }

  for (int c = 0; c < 2; ++c) {
    work_[c].resize(static_cast<std::size_t>(total));
    const std::int32_t d = desplazamiento_[c];
    if (invertido_[c]) {
      Copia(raw_[c].data(), work_[c].data(), total, 1, SaturateI16(-d));
    } else {
      Copia(raw_[c].data(), work_[c].data(), total, 0, SaturateI16(d));
    }
  }
  PrepareTraces();
}

void Osciloscopio::Resample(int c, double order, double ratio, bool extra_pre) {
  Sigdex& s = *sigdex1_;
  if (order > 0) {
    const std::size_t n = work_[c].size();
    const float last_sample = n > 0 ? work_[c][n - 1] : 0.0f;
    s.VectorInReal(work_[c]);
    s.OrdenInterpolacion(order);
    s.Interpolar();
    const std::vector<float>& out = s.OutRealView();
    work_[c].assign(out.begin(), out.end());
    if (!s.SpectralInterpolation()) HoldLinearTail(work_[c], n, last_sample);
    const std::vector<float>& interpolated = work_[c];
    aligned_[c].assign(interpolated.begin(), interpolated.end());
    const std::size_t xy = std::min<std::size_t>(interpolated.size(), kXYSize);
    xy_[c].assign(interpolated.begin(), interpolated.begin() + static_cast<std::ptrdiff_t>(xy));
  }
  if (ratio > 0) {
    s.VectorInReal(work_[c]);
    s.OrdenDiezmado(ratio);
    s.Diezmar();
    const std::vector<float>& out = s.OutRealView();
    work_[c].assign(out.begin(), out.end());
    if (extra_pre) {
      aligned_[c].assign(kAlignedSize, 0.0f);
    } else {
      aligned_[c].assign(out.begin(), out.end());
    }
  }
}

void Osciloscopio::PrepareTraces() {
  const TimebaseRow& row = Timebase(base_programada_);
  const double order = row.orden_interpolacion;
  const double ratio = row.orden_diezmado;
  const bool extra_pre = row.muestras_extra_pre > 0;

  // 2-3. Resample to 256 points per screen.
  for (int c = 0; c < 2; ++c) Resample(c, order, ratio, extra_pre);

  triggered_ = false;
  trigger_index_ = 0;
  if (extra_pre) {
    // 4. Alignment window in the resampled domain. Rows without decimation
    // (0 and 1) divide by 1 instead of by their ratio 0.
    const double div = ratio > 0 ? ratio : 1.0;
    const double mult = order != 0 ? order : 1.0;
    const double s = UsableShift(movimiento_pretrigger_) * 256.0 / 10.0;
    const double lo_d = row.muestras_pre * mult / div + s;
    const double hi_d = (row.muestras_pre + row.muestras_extra_pre + row.muestras_extra_pos) * mult / div + s;
    const auto lo = static_cast<std::int32_t>(hosting::RoundHalfEven(lo_d));
    const auto hi = static_cast<std::int32_t>(hosting::RoundHalfEven(hi_d));
    const std::int32_t external =
        order == 0 ? static_cast<std::int32_t>(hosting::RoundHalfEven(row.muestras_extra_pre / div)) - 10
                   : 128 - 10;
    const auto untriggered =
        static_cast<std::int32_t>(hosting::RoundHalfEven(row.muestras_extra_pre * mult / div + s));
    AlignTraces(lo, hi, untriggered, disparo_externo_ != 0 ? external : -1);
  }

  // 7. XY traces follow the aligned traces on the decimation-only rows.
  if (order == 0) {
    for (int c = 0; c < 2; ++c) {
      const std::size_t n = std::min<std::size_t>(aligned_[c].size(), kXYSize);
      xy_[c].assign(aligned_[c].begin(), aligned_[c].begin() + static_cast<std::ptrdiff_t>(n));
    }
  }
  FinishTraces();
}

Osciloscopio::TriggerTest Osciloscopio::CurrentTriggerTest() const {
  TriggerTest t;
  t.internal = canal_disparo_ == 1 || canal_disparo_ == 2;
  t.channel = canal_disparo_ == 2 ? 1 : 0;
  // The chosen slope as it appears in the working trace: an inverted channel
  // shows the input's rising edge as a falling one.
  t.rising = (flanco_ == 0 && !invertido_[t.channel]) || (flanco_ == 1 && invertido_[t.channel]);
  // 1. Trigger threshold in the working traces' codes (offset included).
  t.level = nivel_ + (t.internal ? desplazamiento_[t.channel] : 0);
  return t;
}

std::int32_t Osciloscopio::SearchCrossing(std::int32_t lo, std::int32_t hi) const {
  const TriggerTest t = CurrentTriggerTest();
  if (!t.internal) return 0;
  const std::vector<float>& w = work_[t.channel];
  // Each tested pair (w[i-1], w[i]) must lie inside the trace.
  const std::int32_t top = std::min<std::int32_t>(hi, static_cast<std::int32_t>(w.size()) - 1);
  const std::int32_t bottom = std::max<std::int32_t>(lo, 1);
  for (std::int32_t i = top; i >= bottom; --i) {
    const double a = w[i - 1];
    const double b = w[i];
    const bool crosses = t.rising ? (b >= t.level && a <= t.level) : (b <= t.level && a >= t.level);
    if (crosses) return i;
  }
  return 0;
}

void Osciloscopio::AlignTraces(std::int32_t lo, std::int32_t hi, std::int32_t untriggered_offset,
                               std::int32_t external_offset) {
  const TriggerTest t = CurrentTriggerTest();
  std::int32_t offset = 0;
  const std::int32_t found = SearchCrossing(lo, hi);
  if (found > 0) {
    triggered_ = true;
    trigger_index_ = found;
    offset = found - lo;
  }
  if (external_offset >= 0) {
    offset = external_offset;
  } else if (!triggered_) {
    offset = untriggered_offset;
  }
  // The shown points (0..767) must come from the record: the separate
  // rounding of the window's two ends can make it one point wider than the
  // record's guard, and a pretrigger shift moves the untriggered offset past
  // it. A later start would show points past the record's end (as 0), so
  // the offset stops where the last shown point is the record's last point.
  const auto record = static_cast<std::int32_t>(std::min(work_[0].size(), work_[1].size()));
  offset = std::min(offset, record - kShownPoints);
  if (offset < 0) offset = 0;

  // 5. Slope check: from the crossing, which way does the trigger channel go
  // first past the threshold +-5 codes? It looks at the trace as the search
  // did (inversion and vertical offset already in it, threshold with the
  // offset) and expects the direction the search looked for, so a crossing
  // the search found on an inverted or shifted channel passes; only a blip
  // that turns back before leaving the +-5 band fails.
  bool slope_ok = false;
  if (t.internal) {
    const std::vector<float>& w = work_[t.channel];
    int direction = 0;
    for (std::size_t j = static_cast<std::size_t>(trigger_index_); j < w.size(); ++j) {
      if (w[j] > t.level + 5) { direction = 0; break; }
      if (w[j] < t.level - 5) { direction = 1; break; }
    }
    slope_ok = direction == (t.rising ? 0 : 1);
  }

  // 6. Accept the new alignment or keep showing the held one.
  if (slope_ok || hold_misses_ == 5 || !hold_valid_ || trigger_index_ == 0) {
    for (int c = 0; c < 2; ++c) {
      if (!(c == 0 ? activo_[0] : activo_[1])) continue;
      const std::vector<float>& w = work_[c];
      const std::int32_t last = static_cast<std::int32_t>(w.size()) - 1;
      const std::int32_t upto = std::min<std::int32_t>(last - offset, kAlignedSize - 1);
      if (aligned_[c].size() < static_cast<std::size_t>(upto + 1))
        aligned_[c].resize(static_cast<std::size_t>(upto + 1), 0.0f);
      for (std::int32_t j = 0; j <= upto; ++j) aligned_[c][j] = w[offset + j];
    }
    for (int c = 0; c < 2; ++c) held_[c].assign(aligned_[c].begin(), aligned_[c].end());
    hold_valid_ = true;
    hold_misses_ = 0;
  } else {
    ++hold_misses_;
    for (int c = 0; c < 2; ++c) aligned_[c].assign(held_[c].begin(), held_[c].end());
  }
}

void Osciloscopio::FinishTraces() {
  const TriggerTest t = CurrentTriggerTest();
  // 8. Extremes of the active channels over the first 767 points.
  for (int c = 0; c < 2; ++c) {
    if (!activo_[c]) continue;
    const auto count = static_cast<std::int32_t>(std::min<std::size_t>(aligned_[c].size(), kExtremesCount));
    PosMax(aligned_[c].data(), count, &maximo_[c]);
    PosMin(aligned_[c].data(), count, &minimo_[c]);
  }

  // 9. Auto-mode fall-back to an untriggered capture when the level lies
  // outside the trigger channel's range, and back when it lies inside.
  if (disparo_externo_ == 0 && t.internal) {
    const bool inside = t.level >= minimo_[t.channel] && t.level <= maximo_[t.channel];
    if (inside) {
      fuerza_modo_software_ = false;
    } else if (modo_disparo_ == kModoAuto) {
      fuerza_modo_software_ = true;
    }
  } else if (disparo_externo_ != 0) {
    fuerza_modo_software_ = false;
  }
}

double Osciloscopio::MovimientoPretriggerUsado() const { return UsableShift(movimiento_pretrigger_); }

}  // namespace orva::scope
