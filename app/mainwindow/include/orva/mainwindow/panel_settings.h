// Settings of the instrument by their persisted key names, applied through
// the window's front panel (the scripted settings of the command line).
//
// A setting is "KEY=VALUE". The key is one of ClavesDeAjuste() (the
// instrument's persisted names), matched without regard to case; the value
// is checked when it is read, so a bad one is refused before anything runs.
// Applying goes through the same code a user's action on the panel does:
// buttons and boxes are pressed (their handlers run), step settings go
// through the setters behind the step buttons, the level through the level
// bar, the offsets through the level markers. So values are clamped exactly
// as the panel clamps them: a timebase of 99 gives 20 ("50ms/Div"), a gain of
// -3 gives 0, a level of 300 gives 255, an offset of 500 gives 128.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva::mainwindow {

class Oscil;

struct ClaveDeAjuste {
  std::string_view clave;    // as the instrument persists it, e.g. "GananciaCanal1"
  std::string_view valores;  // what it takes, e.g. "whole number, kept to 0..10"
};
// Every key accepted, in the order the documentation lists them.
const std::vector<ClaveDeAjuste>& ClavesDeAjuste();

struct AjusteDelPanel {
  std::string clave;   // the key as listed (canonical case)
  std::string valor;   // the value as given
  double numero = 0;   // the value read: a code, index, count or flag (true = 1)
};

// Reads "KEY=VALUE" (blanks around the key and the value are ignored). On a
// key that is not a setting or a value that does not parse, returns nothing
// and puts one line saying why into *error.
std::optional<AjusteDelPanel> LeeAjuste(std::string_view clave_valor, std::string* error);

// Applies a setting read by LeeAjuste to the window and its instrument; the
// panel's displays then show it.
void AplicaAjuste(Oscil& w, const AjusteDelPanel& ajuste);

}  // namespace orva::mainwindow
