// How the window reaches the instrument members that are still being added
// (averaged traces, measurements, clipboard copies): each call uses the
// instrument's own member when it has one, and otherwise does the nearest
// sound thing itself:
//   VCanal1/VCanal2   -> the trigger-aligned trace of the last read (what an
//                        averaging factor of 1 returns)
//   Medidas1/Medidas2 -> nothing (the result properties keep their values)
//   Copiar...         -> the window copies the picture / the channel's volts
//                        itself, with the same text rules
// The choice is made at compile time, so nothing changes in the window when
// the members arrive.
#pragma once

#include <string>
#include <vector>

#include "orva/scope/osciloscopio.h"

namespace orva::mainwindow::bridge {

template <class S>
std::vector<float> VCanal(S& s, int canal) {
  if constexpr (requires { s.VCanal1(); s.VCanal2(); }) {
    return canal == 1 ? s.VCanal1() : s.VCanal2();
  } else {
    return canal == 1 ? s.TrazaAlineada1() : s.TrazaAlineada2();
  }
}

template <class S>
void Medidas(S& s, int canal) {
  if constexpr (requires { s.Medidas1(); s.Medidas2(); }) {
    if (canal == 1) {
      s.Medidas1();
    } else {
      s.Medidas2();
    }
  }
}

// True when the instrument serves the clipboard copies itself.
template <class S>
constexpr bool CopiaElInstrumento() {
  return requires(S& s) {
    s.CopiarPantallaTAlPortapapeles();
    s.CopiarCanal1AlPortapapeles();
    s.CopiarCanal2AlPortapapeles();
  };
}

// Hands the window's clipboard to the instrument when it takes one.
template <class S, class C>
void InstalaPortapapeles(S& s, const C& clipboard) {
  if constexpr (requires { s.SetPortapapeles(clipboard); }) s.SetPortapapeles(clipboard);
}

template <class S>
void CopiarPantalla(S& s) {
  if constexpr (CopiaElInstrumento<S>()) s.CopiarPantallaTAlPortapapeles();
}

template <class S>
void CopiarCanal(S& s, int canal) {
  if constexpr (CopiaElInstrumento<S>()) {
    if (canal == 1) {
      s.CopiarCanal1AlPortapapeles();
    } else {
      s.CopiarCanal2AlPortapapeles();
    }
  }
}

}  // namespace orva::mainwindow::bridge
