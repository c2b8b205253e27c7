// The main window's own messages (status line, help, calibration menu) in the
// four languages, compiled from app/mainwindow/data/window_texts.tsv. The
// designed captions and tool tips are the program's string table
// (orva/localisation/idioma.h); these are the few texts the window adds.
//
// Text of identifier n in language L: entry L * 1000 + n. A missing entry
// (identifier or language out of range) raises the resource-not-found error,
// as the program's table does.
#pragma once

#include <QLocale>
#include <QString>

#include <string>
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
inline constexpr int kTextoInstrumentoReparto = 151;    // gain: %1; coupling: %2; trigger: %3
inline constexpr int kTextoEnElInstrumento = 155;      // "on the device"
inline constexpr int kTextoPorPrograma = 156;          // "in software"
inline constexpr int kTextoAbriendo = 157;             // "Opening %1..."
inline constexpr int kTextoInstrumentoLento = 152;      // %1 cannot sample fast enough for %2 (%3/s)
inline constexpr int kTextoInstrumentoParado = 153;     // the instrument stopped: %1
inline constexpr int kTextoFuenteSigrok = 154;         // "libsigrok instrument %1" (source list)

// The status line of the file operations (oscil_avisos.cpp): %1 the file,
// %2 the reason, one of the reasons 49..60 or the system's own words.
inline constexpr int kTextoSenalGuardada = 40;           // "Signal stored in %1"
inline constexpr int kTextoSenalCargada = 41;            // "Signal loaded from %1"
inline constexpr int kTextoConfiguracionGuardada = 42;   // "Configuration saved in %1"
inline constexpr int kTextoConfiguracionCargada = 43;    // "Configuration loaded from %1"
inline constexpr int kTextoNoSeGuardaSenal = 44;         // "Cannot store the signal in %1: %2"
inline constexpr int kTextoNoSeCargaSenal = 45;          // "Cannot load the signal from %1: %2"
inline constexpr int kTextoNoSeGuardaConfiguracion = 46; // "Cannot save the configuration in %1: %2"
inline constexpr int kTextoNoSeCargaConfiguracion = 47;  // "Cannot load the configuration from %1: %2"
inline constexpr int kTextoNoSeExporta = 48;             // "Cannot export the traces to %1: %2"
inline constexpr int kTextoRazonPermiso = 49;            // "permission denied"
inline constexpr int kTextoRazonSinCarpeta = 50;         // "the folder does not exist"
inline constexpr int kTextoRazonSinFichero = 51;         // "the file does not exist"
inline constexpr int kTextoRazonSinPlantilla = 52;       // "the template %1 is missing"
inline constexpr int kTextoRazonNoEsSenal = 53;          // "not a signal file of this program"
inline constexpr int kTextoRazonNoEsConfiguracion = 54;  // "not a configuration of this program"
inline constexpr int kTextoRazonDanado = 55;             // "the file is damaged or holds invalid values"
inline constexpr int kTextoRazonSinTrazas = 56;          // "no trace is shown"
inline constexpr int kTextoRazonVistaXY = 57;            // "the XY view is on"
inline constexpr int kTextoNoSeAbreRazon = 58;           // calibration: "Cannot open %1: %2"
inline constexpr int kTextoNoSeEscribeRazon = 59;        // calibration: "Cannot write %1: %2"
inline constexpr int kTextoRazonDiscoLleno = 60;         // "the disk is full"
// Captions the window adds beyond the designed table: the tool bar buttons'
// own words (shown where a picture cannot be drawn), the power group, the
// spectrum panel, the remote link's lines and the readout headers.
inline constexpr int kTextoBotonNumeros = 61;        // "copiar_num"
inline constexpr int kTextoBotonCopiar = 62;         // "copiar"
inline constexpr int kTextoBotonPegar = 63;          // "pegar"
inline constexpr int kTextoBotonCongelar = 64;       // "foto"
inline constexpr int kTextoBotonCargaConfig = 65;    // "AbrirConfig"
inline constexpr int kTextoBotonGuardaConfig = 66;   // "GuardarConfig"
inline constexpr int kTextoBotonVista = 67;          // "view"
inline constexpr int kTextoEncendido = 68;           // the power group's title
inline constexpr int kTextoPasadas = 69;             // "passes/s" over Label14
inline constexpr int kTextoEspectro = 70;            // Label6 outside the XY view
inline constexpr int kTextoNoConectado = 71;         // EstadoDelEnlace at start
inline constexpr int kTextoFaltaDireccion = 72;      // remote station without address
inline constexpr int kTextoSinEstacionPlaca = 73;    // exchange without a board station
inline constexpr int kTextoPuertoNoValido = 74;      // "... from %1 to 65535"
inline constexpr int kTextoCabeceraVmedia = 75;      // readout headers
inline constexpr int kTextoCabeceraFrecuencia = 76;
inline constexpr int kTextoCabeceraPeriodo = 77;

// Recording and statistics of the measurements, and the cursors' 1/dt.
inline constexpr int kTextoGrabar = 120;            // tool tip of the record button
inline constexpr int kTextoGrabando = 121;          // "Recording the measurements to %1"
inline constexpr int kTextoGrabacionHecha = 122;    // "Recording finished: %1 (%2 rows)"
inline constexpr int kTextoGrabacionParada = 123;   // stopped by itself: reason %1, rows %2, file %3
inline constexpr int kTextoLimiteAlcanzado = 124;   // "size limit of %1 MB reached"
inline constexpr int kTextoDiscoLleno = 125;        // "disk full"
inline constexpr int kTextoErrorEscritura = 126;    // "write error: %1"
inline constexpr int kTextoNoSeGraba = 127;         // "Cannot record to %1: %2"
inline constexpr int kTextoFilasDescartadas = 128;  // "%1 rows dropped ..."
inline constexpr int kTextoLimiteGrabacion = 129;   // tool tip of the size limit
inline constexpr int kTextoReiniciaEstadisticas = 130;  // tool tip of the reset button
inline constexpr int kTextoEstadistica = 131;       // a readout's statistics (\n: line break)
inline constexpr int kTextoSinEstadistica = 132;    // "%1: no value since the last reset"
inline constexpr int kTextoInversoCursores = 133;   // tool tip of the 1/dt readout
inline constexpr int kTextoMedidaVpp = 134;         // the measurements' names, channel %1
inline constexpr int kTextoMedidaVm = 135;
inline constexpr int kTextoMedidaF = 136;
inline constexpr int kTextoMedidaT = 137;
inline constexpr int kTextoFiltroMedidas = 138;     // file dialog filter "Measurements CSV"
inline constexpr int kTextoFilas = 139;             // "%1 rows" beside the red dot

std::string_view TextoDeVentana(int id, int idioma);
// The same as a QString for the window's controls; a language without the
// text gives the Spanish one (an unknown identifier still raises the error).
QString TextoPropio(int id, int idioma);
// Why a file cannot be written (escribir) or read, as far as the file system
// tells it: its folder is missing, may not be written or the file is missing
// or unreadable, in the language; empty when none of these holds.
QString RazonDeFichero(const std::string& fichero, bool escribir, int idioma);

// Qt's own texts and the dates in the language (0..3; another: Spanish):
// Qt's translation qtbase_<ca|es|en|fr>.qm installed and the language's
// locale made Qt's default (idioma_qt.cpp). False when the translation is
// not found (Qt's dialogs then stay in English; dates follow the language).
bool AplicaIdiomaDeQt(int idioma);
// The locale of a language: ca_ES, es_ES, en_GB, fr_FR (dates, Qt's widgets).
QLocale LocaleDelIdioma(int idioma);


}  // namespace orva::mainwindow
