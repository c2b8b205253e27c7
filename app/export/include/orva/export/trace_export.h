// Export of the shown traces to files other programs read: CSV for
// spreadsheets and scripts, WAV for audio editors and signal tools
// (standard library and libsndfile only, no Qt).
//
// A trace is given as the window draws it: sample codes of the 768-position
// record (128 is 0 V, 32 codes one division), its volts per division and its
// vertical offset in codes. Volts of a code v: (v - 128 - offset) * V/div * 4
// / 128, in single precision. Times are whole display samples from the
// trigger point, as the time cursors read them: position i is
// nearbyint((i - 256) - shift * 25.6) samples from it, shift being the
// trigger point's move in divisions, and a sample lasts 1 / fm seconds.
//
// Bounds: at most the first 768 codes of a trace are read; the record has as
// many rows as its longest trace (at most 768). A shorter trace has no value
// in the rows beyond its end: an empty CSV field, 0 V in a WAV file.
//
// Both writers replace the target atomically (a hidden file beside it, then
// a rename): a failure leaves the file that was there as it was. They throw
// std::runtime_error (dao::Error for file-system failures) with one line
// saying why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orva::exporta {

inline constexpr std::size_t kPosicionesDelRegistro = 768;

struct TrazaMostrada {
  std::string nombre;               // column name, e.g. "ch1"
  std::span<const float> codigos;   // sample codes, position 0 first
  float voltios_por_division = 1.0f;
  float desplazamiento = 0.0f;      // vertical offset, codes
};

struct Registro {
  double fm = 0.0;                   // display samples per second
  std::int64_t primera_muestra = 0;  // samples from the trigger point to position 0
  std::vector<std::string> nombres;  // one per column
  std::vector<std::vector<float>> voltios;  // one per column, volts

  std::size_t Filas() const;
  // Seconds from the trigger point to row `fila`.
  double Tiempo(std::size_t fila) const;
};

// The record of the traces, in the order given. Throws std::invalid_argument
// when there is no trace or every trace is empty, or when fm or the shift is
// not finite or fm is not above 0.
Registro PreparaRegistro(std::span<const TrazaMostrada> trazas, double movimiento_div, double fm);

// CSV: a header line "time (s),<name> (V),...", then one line per row: the
// time and each trace's volts, with "." as the decimal point whatever the
// locale, each number in the fewest digits that read back to the same value.
void EscribeCsv(const Registro& registro, const std::string& destino);

// WAV: one channel per trace in the given order, 32-bit float samples in
// volts, at fm samples per second (rounded to a whole number, which must fit
// 1 .. 2^31 - 1); the comment tag names the channels and the time of the
// first sample.
void EscribeWav(const Registro& registro, const std::string& destino);

}  // namespace orva::exporta
