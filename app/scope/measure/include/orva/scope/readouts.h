// Readout texts of the instrument and the channel-samples text of the
// clipboard copy. Program-wide routines: the main window formats its
// measurement readouts with them.
//
// Patterns: "0.00" is a fixed two-decimal number, "0" a whole number, both
// rounded to nearest. The decimal separator is the user's locale's (LC_ALL,
// LC_NUMERIC, LANG, as the C library resolves them), read once on first use;
// a host that knows better (for example from its window toolkit) sets it with
// SetDecimalSeparator. The digits themselves never depend on the locale (no
// thousands grouping).
//
// A value that rounds to zero is written without a minus sign ("0.00 mV", not
// "-0.00 mV"): a readout showing a negative zero only confuses. Non-finite
// values are written as "inf", "-inf" or "nan" followed by the unit.
#pragma once

#include <cstddef>
#include <string>

namespace orva::scope {

// FormatoVoltios(x): |x| < 1: x * 1000 as "0.00" + " mV"; else x as "0.00" + " V".
std::string FormatoVoltios(float x);
// FormatoTiempo(x): |x| < 1e-6: ns; < 1e-3: us; < 1: ms; else s; all "0.00".
std::string FormatoTiempo(float x);
// FormatoFrecuencia(x): |x| > 1e6: MHz "0.00"; > 1000: KHz "0.00"; else Hz "0".
std::string FormatoFrecuencia(float x);

// The separator the routines above use.
char DecimalSeparator();
// Overrides the separator read from the user's locale ('.' or ',' in practice;
// any character is accepted).
void SetDecimalSeparator(char separator);
// Drops an override and reads the user's locale again on next use.
void ResetDecimalSeparator();
// The decimal separator of the named locale ("" is the user's locale from the
// environment); '.' when the locale is not installed or has no separator.
char DecimalSeparatorOfLocale(const char* name);

// The channel-samples text of the clipboard copy: for j = 0 .. last, where
// last = min(767, count - 1), the volts value (a[j] - 128) / 128 * vdiv * 4
// in its shortest text form (a single-precision value, so at most 9
// significant digits; exponent form where that is shorter, e.g. "1e-05"),
// with the decimal separator given, each followed by a carriage return (13)
// and no line feed. Reads at most the first 768 elements of a and never more
// than count; a null a or a count <= 0 gives the empty text.
std::string TextoDeMuestrasDeCanal(const float* a, std::ptrdiff_t count, double vdiv,
                                   char separator);

}  // namespace orva::scope
