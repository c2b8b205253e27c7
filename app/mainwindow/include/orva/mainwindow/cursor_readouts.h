// Readout texts of the cursors, the spectrum markers and the pointer, from
// positions in the pictures' user units (standard library only).
//
// Time view units: x is a position of the 768-position record (256 is the
// start of the middle screen, 25.6 positions a division), y an 8-bit code
// (128 is 0 V, 32 codes a division). Rates are the display rate in samples per
// second (the instrument's FMEquivalente); shifts are in divisions.
//
// Every Texto routine returns the text of FormatoTiempo / FormatoVoltios /
// FormatoFrecuencia, or the empty text when the value cannot be computed: a
// rate of 0 or not finite, a non-finite position, shift or volts per
// division, a sample count outside 32 bits, or a result that is not finite
// in single precision. A readout is then left empty instead of showing "inf"
// or "nan".
#pragma once

#include <span>
#include <string>

namespace orva::mainwindow {

// Time of the position x from the trigger point: n / fm seconds, with
// n = (x - 256) - shift * 25.6 rounded to a whole number of samples (nearest,
// ties to even).
std::string TextoTiempoCursor(double x, double shift_div, double fm);
// Time from x1 to x2: (x2 - x1) rounded to whole samples, over fm.
std::string TextoDiferenciaTiempo(double x1, double x2, double fm);
// The frequency of the time from x1 to x2: fm / |n|, n = (x2 - x1) rounded
// to whole samples as for TextoDiferenciaTiempo (the order of the cursors
// does not matter); empty when n is 0.
std::string TextoInversoDiferenciaTiempo(double x1, double x2, double fm);
// Volts of the code y: (y - 128) * vdiv * 4 / 128.
std::string TextoVoltiosCursor(double y, double vdiv);
// Volts from y2 up to y1: (y1 - y2) * vdiv * 4 / 128.
std::string TextoDiferenciaVoltios(double y1, double y2, double vdiv);

// The point of the centred 512-point transform (0 Hz at point 256, one point
// a 512th of the rate) that a spectrum marker at x reads. The view, scaled
// left .. left + width over `columnas` pixel columns, shows the points
// 0..510 spread over its whole width, point i on column
// round(i * columnas / 511). The marker reads the point drawn highest in its
// column (the column nearest to x) among the shown spectra a and b (pass an
// empty span for a spectrum not shown): a marker on a drawn peak reads the
// peak itself, however many points share a column. A column that shows no
// point, or no spectrum shown, gives the point nearest to x. Only the first
// 511 values of a and b are read. -1 when x, left or width is not finite,
// width is 0 or columnas < 1.
int PuntoDelMarcador(double x, double left, double width, int columnas, std::span<const float> a,
                     std::span<const float> b);
// Frequency of a point: (punto - 256) * fm / 512; empty for a point outside
// 0..511 or an unusable rate.
std::string TextoFrecuenciaPunto(int punto, double fm);

}  // namespace orva::mainwindow
