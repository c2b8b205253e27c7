// The main window's own messages (status line, help, calibration menu) in the
// four languages, compiled from app/mainwindow/data/window_texts.tsv. The
// designed captions and tool tips are the program's string table
// (orva/localisation/idioma.h); these are the few texts the window adds.
//
// Text of identifier n in language L: entry L * 1000 + n. A missing entry
// (identifier or language out of range) raises the resource-not-found error,
// as the program's table does.
#pragma once

#include <QString>

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
inline constexpr int kTextoMenuExportar = 11;       // save menu entry "Export..."
inline constexpr int kTextoExportado = 12;          // "Traces exported to %1"
inline constexpr int kTextoNoExportado = 13;        // "Export failed: %1"
inline constexpr int kTextoEliminaSenal = 14;       // "Delete the signal file %1?"
inline constexpr int kTextoNoSeElimina = 15;        // "Cannot delete %1: %2"
// The remote link's strip; the state words 32..37 follow LinkState's order.
inline constexpr int kTextoEnlace = 20;             // title of the remote link strip
inline constexpr int kTextoEstacionPlaca = 21;      // Command3
inline constexpr int kTextoEstacionRemota = 22;     // Command4
inline constexpr int kTextoIniciaIntercambio = 23;  // Command5
inline constexpr int kTextoAyudaPlaca = 24;         // Command3's tool tip
inline constexpr int kTextoAyudaRemota = 25;        // Command4's tool tip
inline constexpr int kTextoAyudaIntercambio = 26;   // Command5's tool tip
inline constexpr int kTextoDireccion = 27;          // placeholder of DireccionRemota
inline constexpr int kTextoAyudaDireccion = 28;     // DireccionRemota's tool tip
inline constexpr int kTextoAyudaPuerto = 29;        // PuertoRemoto's tool tip
inline constexpr int kTextoPermitida = 30;          // placeholder of PermitidaRemota
inline constexpr int kTextoAyudaPermitida = 31;     // PermitidaRemota's tool tip
inline constexpr int kTextoEstadoApagado = 32;      // link state words: off
inline constexpr int kTextoEstadoEsperando = 33;    // waiting
inline constexpr int kTextoEstadoConectando = 34;   // connecting
inline constexpr int kTextoEstadoConectado = 35;    // connected
inline constexpr int kTextoEstadoPerdido = 36;      // link lost
inline constexpr int kTextoEstadoRechazado = 37;    // refused
// The source choice (fuentes.h) and the frozen view.
inline constexpr int kTextoFuente = 80;             // caption of the source menu
inline constexpr int kTextoAyudaFuente = 81;        // its tool tip: "Signal source: %1"
inline constexpr int kTextoFuenteDemo = 82;         // "demonstration generator"
inline constexpr int kTextoFuentePlaca = 83;        // "board through the I/O ports"
inline constexpr int kTextoFuenteSimulada = 84;     // "simulated board %1"
inline constexpr int kTextoFuenteFallida = 85;      // "Cannot choose the source: %1"
inline constexpr int kTextoFoto = 86;               // the frozen view's tag
// The sound input.
inline constexpr int kTextoEntradaDeSonido = 100;     // "Sound input"
inline constexpr int kTextoSinEntradaDeSonido = 101;  // "No sound input"
inline constexpr int kTextoSonidoNoEncontrado = 102;  // input %1 not found
inline constexpr int kTextoSonidoRechazaFormato = 103;  // input %1 refuses every format
inline constexpr int kTextoSonidoDesaparecido = 104;  // input %1 has gone: stopped
inline constexpr int kTextoSonidoEnUso = 105;         // input %1 (%2 format), AC-coupled
inline constexpr int kTextoBaseDemasiadoRapida = 106;  // %1 too fast (%2 Hz), fastest %3
inline constexpr int kTextoMenuEscalaCompleta = 107;  // menu entry for the full scale
inline constexpr int kTextoEscalaCompletaCanal = 108;  // full-scale volts of channel %1
inline constexpr int kTextoFuenteSonido = 109;        // "sound input %1" (source list)
inline constexpr int kTextoInstrumentoEnUso = 150;      // instrument %1: %2 samples/s; %3
inline constexpr int kTextoInstrumentoSoftware = 151;   // gain, trigger in software; no AC
inline constexpr int kTextoInstrumentoLento = 152;      // %1 cannot sample fast enough for %2 (%3/s)
inline constexpr int kTextoInstrumentoParado = 153;     // the instrument stopped: %1
inline constexpr int kTextoFuenteSigrok = 154;         // "libsigrok instrument %1" (source list)

std::string_view TextoDeVentana(int id, int idioma);
// The same as a QString for the window's controls; a language without the
// text gives the Spanish one (an unknown identifier still raises the error).
QString TextoPropio(int id, int idioma);

}  // namespace orva::mainwindow
