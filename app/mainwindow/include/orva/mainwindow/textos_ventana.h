// The main window's own messages (status line, help, calibration menu) in the
// four languages, compiled from app/mainwindow/data/window_texts.tsv. The
// designed captions and tool tips are the program's string table
// (orva/localisation/idioma.h); these are the few texts the window adds.
//
// Text of identifier n in language L: entry L * 1000 + n. A missing entry
// (identifier or language out of range) raises the resource-not-found error,
// as the program's table does.
#pragma once

#include <string_view>

namespace orva::mainwindow {

inline constexpr int kTextoEnEspera = 1;            // "Waiting until ... switched on:"
inline constexpr int kTextoSinAyuda = 2;            // help file %1 not found in %2
inline constexpr int kTextoCal2Guardado = 3;        // "... saved: %1"
inline constexpr int kTextoCalCargada = 4;          // "Calibration loaded from %1"
inline constexpr int kTextoNoSeAbre = 5;            // "Cannot open %1"
inline constexpr int kTextoCorto = 6;               // "%1 is too short ..."
inline constexpr int kTextoNoSeEscribe = 7;         // "Cannot write %1 ..."
inline constexpr int kTextoMenuGuardaCal2 = 8;      // calibration menu entry, code 0
inline constexpr int kTextoMenuCargaCal = 9;        // calibration menu entry, code 1
inline constexpr int kTextoNoDisponible = 10;       // tool tip of buttons without action
inline constexpr int kTextoEliminaSenal = 11;       // "Delete the signal file %1?"
inline constexpr int kTextoNoSeElimina = 12;        // "Cannot delete %1: %2"

std::string_view TextoDeVentana(int id, int idioma);

}  // namespace orva::mainwindow
