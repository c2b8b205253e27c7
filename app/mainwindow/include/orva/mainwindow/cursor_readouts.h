// Readout texts of the cursors, the spectrum markers and the pointer, from
// positions in the pictures' user units (standard library only).
//
// Time view units: x is a position of the 768-position record (256 is the
// start of the middle screen, 25.6 positions a division), y an 8-bit code
// (128 is 0 V, 32 codes a division). Rates are the display rate in samples per
// second (the instrument's FMEquivalente); shifts are in divisions.
//
// Every routine returns the text of FormatoTiempo / FormatoVoltios /
// FormatoFrecuencia, or the empty text when the value cannot be computed: a
// rate of 0 or not finite, a non-finite position, shift or volts per
// division, a sample count outside 32 bits, or a result that is not finite
// in single precision. A readout is then left empty instead of showing "inf"
// or "nan".
#pragma once

#include <string>

namespace orva::mainwindow {

// Time of the position x from the trigger point: n / fm seconds, with
// n = (x - 256) - shift * 25.6 rounded to a whole number of samples (nearest,
// ties to even).
std::string TextoTiempoCursor(double x, double shift_div, double fm);
// Time from x1 to x2: (x2 - x1) rounded to whole samples, over fm.
std::string TextoDiferenciaTiempo(double x1, double x2, double fm);
// Volts of the code y: (y - 128) * vdiv * 4 / 128.
std::string TextoVoltiosCursor(double y, double vdiv);
// Volts from y2 up to y1: (y1 - y2) * vdiv * 4 / 128.
std::string TextoDiferenciaVoltios(double y1, double y2, double vdiv);

// Frequency under the position x of the spectrum view whose user scale spans
// left .. left + width. The spectrum trace is the centred 512-point transform
// (zero frequency at point 256) drawn as its points 0..510 over the whole
// width of the view, so x lies on point i = (x - left) / width * 511; the
// marker reads that point's frequency, (i - 256) * fm / 512, with i rounded to
// the nearest point (ties to even). A marker on a drawn peak thus reads the
// peak's frequency, to the nearest point of the transform. A width of 0 or
// not finite gives the empty text.
std::string TextoFrecuenciaMarcador(double x, double left, double width, double fm);

}  // namespace orva::mainwindow
