// Averaging step, measurement pass, and the automatic gain/timebase steps.
#include "orva/scope/measurements.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "Sigdex.h"

namespace orva::scope {

namespace {

constexpr int kAveragedPoints = 768;     // points 0..767 take part in an averaging step
constexpr int kScreenFirst = 255;        // extremes window: one point beyond each screen edge
constexpr int kScreenLast = 512;
constexpr int kEstimatorLast = 750;      // the period estimator looks at points 0..750
constexpr double kHysteresis = 10.0;     // codes either side of the mid level
constexpr double kFlatSpan = 5.0;        // rounded extremes closer than this: no period

// Round to nearest, ties to even (the default rounding mode).
double RoundEven(double x) { return std::nearbyint(x); }

// First index in [from, last] satisfying pred, or -1.
template <class Pred>
int FirstFrom(const std::vector<float>& m, int from, int last, Pred pred) {
  if (from < 0) return -1;
  for (int j = from; j <= last; ++j)
    if (pred(static_cast<double>(m[static_cast<std::size_t>(j)]))) return j;
  return -1;
}

}  // namespace

void PasoDePromediado(std::int16_t n, const std::vector<float>& a, std::vector<float>& m) {
  if (n == 1) {
    m.assign(a.begin(), a.end());
    return;
  }
  if (n != 2 && n != 4 && n != 8) return;
  const std::size_t count = std::min({a.size(), m.size(), static_cast<std::size_t>(kAveragedPoints)});
  Promedia(a.data(), m.data(), static_cast<std::int32_t>(count), static_cast<float>(n));
}

Periodo EstimaPeriodo(const std::vector<float>& m) {
  Periodo p;
  if (m.empty()) return p;
  const int last = static_cast<int>(std::min<std::size_t>(m.size() - 1, kEstimatorLast));

  // 1. Extremes, each rounded to a whole code when it is taken.
  double lo = 255.0;
  double hi = 0.0;
  for (int j = 0; j <= last; ++j) {
    const double v = m[static_cast<std::size_t>(j)];
    if (v < lo) lo = RoundEven(v);
    if (v > hi) hi = RoundEven(v);
  }
  // 2. A flat trace has no period.
  if (hi - lo < kFlatSpan) return p;

  // 3. Mid level and the two hysteresis thresholds.
  const double mid = RoundEven((lo + hi) / 2.0);
  const auto below = [mid](double v) { return v < mid - kHysteresis; };
  const auto above = [mid](double v) { return v > mid + kHysteresis; };

  // 4. The first two crossings, in the order the trace makes them.
  int d = -1;
  int u = -1;
  if (static_cast<double>(m[0]) > mid) {
    d = FirstFrom(m, 0, last, below);
    u = FirstFrom(m, d, last, above);
  } else {
    u = FirstFrom(m, 0, last, above);
    d = FirstFrom(m, u, last, below);
  }
  if (d < 0 || u < 0) return p;

  // 5. One period later: the same crossing again.
  int start = 0;
  int e = -1;
  if (d <= u) {
    start = d;
    e = FirstFrom(m, u, last, below);
  } else {
    start = u;
    e = FirstFrom(m, d, last, above);
  }
  if (e < 0) return p;

  // 6. RMS about the centre line: n + 1 points summed, divided by n.
  const int n = e - start;
  double sum = 0.0;
  for (int j = start; j <= e; ++j) {
    const double v = static_cast<double>(m[static_cast<std::size_t>(j)]) - 128.0;
    sum += v * v;
  }
  p.encontrado = true;
  p.inicio = start;
  p.fin = e;
  p.rms = std::sqrt(sum / n);
  return p;
}

ResultadoMedidas Medidas(const std::vector<float>& m, const EntradaMedidas& in) {
  ResultadoMedidas r;

  // 1. Extremes over the screen and one point beyond each edge.
  double mx = -1000.0;
  double mn = 1000.0;
  const int last = std::min<int>(kScreenLast, static_cast<int>(m.size()) - 1);
  for (int j = kScreenFirst; j <= last; ++j) {
    const double v = m[static_cast<std::size_t>(j)];
    mx = std::max(mx, v);
    mn = std::min(mn, v);
  }
  if (last < kScreenFirst) mx = mn = 0.0;  // nothing in the window
  if (mx < 0) mx = 0.0;
  if (mn < 0) mn = 0.0;
  const double mid = (mx + mn) / 2.0;

  // 2. Byte mid level: channel 1 takes its offset off, channel 2 does not.
  const double byte_level = RoundEven(in.canal == 1 ? mid - in.desplazamiento : mid);
  if (byte_level < 0.0 || byte_level > 255.0 || std::isnan(byte_level)) {
    r.vm_byte_clamped = true;
    r.vm_byte = byte_level > 255.0 ? std::uint8_t{255} : std::uint8_t{0};
  } else {
    r.vm_byte = static_cast<std::uint8_t>(byte_level);
  }

  // 3-4. Mid level and peak to peak in volts.
  const double vpc = in.voltios_por_codigo;
  r.vm = (mid - 128.0 - in.desplazamiento) * vpc;
  r.vpp = (mx - mn) * vpc;

  // 5. Frequency from one period, in single precision holding a whole number.
  const Periodo p = EstimaPeriodo(m);
  const double tpp = in.tiempo_por_punto;
  if (p.encontrado && std::isfinite(tpp) && tpp > 0.0) {
    const double f = RoundEven(1.0 / ((p.fin - p.inicio) * tpp));
    r.f = static_cast<double>(static_cast<float>(std::min(f, static_cast<double>(FLT_MAX))));
  }
  // 6. RMS, or the mean level when no period gave one.
  r.vrms = p.rms != 0.0 ? p.rms * vpc : r.vm;
  // 7. Period.
  r.t = r.f != 0.0 ? 1.0 / r.f : 0.0;
  return r;
}

void PasoGananciaAutomatica(bool& on, std::int16_t& ganancia, double minimo, double maximo) {
  if (!on) return;
  if (minimo >= kAutoGainMinCode && maximo <= kAutoGainMaxCode) {
    on = false;  // the signal fits: done
  } else if (ganancia > 0) {
    --ganancia;  // one range less sensitive
  } else {
    on = false;  // already the least sensitive range
  }
}

void PasoBaseDeTiemposAutomatica(bool& on, std::int16_t& base, double f1, double f2) {
  if (!on) return;
  if (f1 != 0.0 || f2 != 0.0) {
    on = false;  // a period is measurable at this timebase
    return;
  }
  const std::int16_t was = base;
  if (base < 20) ++base;
  if (was > kAutoTimebaseLastFrom || base >= 20) on = false;
}

bool AjusteAutomatico::TocaGanancia() {
  if (settle_gain_ < 2) {
    ++settle_gain_;
    return false;
  }
  return true;
}

bool AjusteAutomatico::TocaBaseDeTiempos() {
  if (settle_timebase_ < 2) {
    ++settle_timebase_;
    return false;
  }
  return true;
}

}  // namespace orva::scope
