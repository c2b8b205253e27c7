// Averaging of the display traces, the measurement pass of one channel, and
// the automatic gain / automatic timebase stepping.
//
// Traces are sample values in codes: 128 is the centre line, 32 codes one
// vertical division, 256 display points one screen (index 256 is the screen's
// left edge in an aligned trace).
//
// Bounds: every routine reads and writes only the elements its vectors hold.
// Windows that reach past the end of a trace are cut at its end (see each
// routine); nothing here allocates except PasoDePromediado with N = 1, which
// copies into the averaged trace's existing capacity when it suffices.
#pragma once

#include <cstdint>
#include <vector>

namespace orva::scope {

// One averaging step of the averaged trace m with the new aligned trace a and
// the factor n (`promediado`):
//   n = 1: m becomes a copy of a (all of a, whatever its length);
//   n = 2, 4, 8: m[i] = ((n - 1) * m[i] + a[i]) / n in single precision for
//     i = 0..767, limited to the points both traces hold (the rest of m stays);
//   any other n: m unchanged.
void PasoDePromediado(std::int16_t n, const std::vector<float>& a, std::vector<float>& m);

// Results of one measurement pass of a channel.
struct ResultadoMedidas {
  double vpp = 0;    // volts peak to peak over the screen
  double vm = 0;     // volts of the mid level between the screen's extremes
  double vrms = 0;   // RMS volts over one period (vm without a period)
  double f = 0;      // hertz, a whole number held in single precision; 0 without a period
  double t = 0;      // seconds, 1 / f; 0 without a period
  std::uint8_t vm_byte = 0;  // mid level in codes (see below)
  bool vm_byte_clamped = false;  // the mid level fell outside 0..255 and was clamped
};

// What a measurement pass needs besides the trace.
struct EntradaMedidas {
  int canal = 1;                  // 1 or 2: channel 1's byte mid level subtracts the offset, channel 2's does not
  std::int16_t desplazamiento = 0;  // DesplazamientoYCanal of the channel, codes
  float voltios_por_codigo = 0;   // V/div of the channel's gain x 4 / 128
  float tiempo_por_punto = 0;     // BaseTiemposDiv of the programmed timebase x 10 / 256, seconds
};

// Result of the frequency and RMS estimator, in display points and codes.
struct Periodo {
  bool encontrado = false;  // a full period was found
  int inicio = 0;           // first point of the period
  int fin = 0;              // point one period later (e)
  double rms = 0;           // sqrt(sum over inicio..fin of (m - 128)^2 / (fin - inicio))
};

// Frequency and RMS estimator over points 0..750 of m (fewer when m is
// shorter), hysteresis 10 codes around the rounded mid level of the rounded
// extremes; no period when those extremes differ by less than 5 codes or a
// crossing is missing.
Periodo EstimaPeriodo(const std::vector<float>& m);

// The measurement pass (Medidas1/Medidas2) on the averaged trace m:
// extremes over points 255..512 (cut at the end of m; a negative extreme
// counts as 0, and with no point in the window both extremes count as 0),
// mid level, peak to peak, the period estimator, RMS and frequency.
// The byte mid level (mid level, minus the offset on channel 1) is rounded to
// nearest, ties to even, and clamped to 0..255 (vm_byte_clamped then tells);
// the other results are complete in every case. A time per point that is not
// a positive finite number gives frequency 0.
ResultadoMedidas Medidas(const std::vector<float>& m, const EntradaMedidas& in);

// ---- Automatic settings ------------------------------------------------------

// Codes within which a channel's extremes must lie for the automatic gain to stop.
inline constexpr double kAutoGainMinCode = 5.0;
inline constexpr double kAutoGainMaxCode = 250.0;
// Last timebase index the automatic timebase starts a step from (5 ms/div is
// then the slowest it reaches).
inline constexpr std::int16_t kAutoTimebaseLastFrom = 15;

// One automatic-gain step of a channel whose automatic gain is on: the
// channel's extremes (codes) inside 5..250 switch it off; otherwise the gain
// index goes down by one (less sensitive) while above 0, and at 0 the search
// switches itself off. Nothing happens while `on` is false.
void PasoGananciaAutomatica(bool& on, std::int16_t& ganancia, double minimo, double maximo);

// One automatic-timebase step while it is on: no frequency on either channel
// moves the timebase index up by one (when it was above 15 before the move the
// search switches itself off; the index never passes 20, the slowest row); a
// frequency on either channel switches it off. Nothing happens while `on` is false.
void PasoBaseDeTiemposAutomatica(bool& on, std::int16_t& base, double f1, double f2);

// The settle counters of the two automatic settings: each programming first
// lets two passes settle, then runs the step on every later programming.
// Switching a setting on restarts its counter.
class AjusteAutomatico {
 public:
  // What one programming does with the counters: true when the step of that
  // setting is to run now (counter already settled), else the counter advances.
  bool TocaGanancia();
  bool TocaBaseDeTiempos();
  void ReiniciaGanancia() { settle_gain_ = 0; }
  void ReiniciaBaseDeTiempos() { settle_timebase_ = 0; }
  std::int16_t ContadorGanancia() const { return settle_gain_; }
  std::int16_t ContadorBaseDeTiempos() const { return settle_timebase_; }

 private:
  std::int16_t settle_gain_ = 0;
  std::int16_t settle_timebase_ = 0;
};

}  // namespace orva::scope
