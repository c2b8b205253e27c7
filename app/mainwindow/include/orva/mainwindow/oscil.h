// Oscil: the instrument's main window, laid out like a front panel.
//
// Display `Picture1` (time view, 768-sample record, y = 8-bit code) on top
// with the level-marker strip `PictureDeNiveles` on its left and the
// trigger-level scroll bar `VScroll3` on its right; below it the spectrum/XY
// panel `Picture2`, the front-panel controls (timebase, gains, coupling,
// trigger, averaging, interpolation, power) and the readouts; the tool bar
// `Toolbar1` at the top. Controls carry their designer names (QObject object
// names too) and control-array indexes; controls that show a language text
// carry its number in the dynamic property "Tag".
//
// Behaviour lives in the handlers, named as the window's events are:
// Form_Load, Command1_Click (power), Timer1_Timer / Timer2_Timer,
// RutinaPrincipal (the loop) / BuclePrincipal (one pass),
// RutinaDeDibujoYTratamiento (drawing and the copy/print/number-copy
// requests), SSCommand1_Click, XYCommand_Click, color_de_led and the shutdown
// pair Form_QueryUnload / Form_Unload (run by closeEvent).
//
// Everything runs on the one GUI thread. The loop lets pending events run
// after each pass (and inside the 2 s wait of the slowest timebase), so
// handlers run between passes; they only change settings or raise the
// one-shot request flags that the next pass serves and clears.
//
// Screen: every pass redraws the pictures' images and measures; while passes
// run back to back, the pictures are shown on the screen and the readout texts
// are written at most 60 times a second (the usual display rate), so the event
// pump between passes does not repaint them for every pass. A readout always
// shows its latest text (it is never hidden meanwhile). When the loop stops,
// every change shows at once. A picture that changes size is drawn again at
// once (the graticule, and the last traces while the instrument is on).
//
// Time: the slow-timebase wait, the shutdown grace and the passes-per-second
// figure are measured on the monotonic clock, so they keep their length across
// midnight and clock changes.
//
// Desktop services: the clipboard (QClipboard) and the default printer
// (QPrinter, no dialog). Both can be replaced through OscilOptions (tests use a
// PDF printer or none). Without a printer a print request is dropped silently.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <string>
#include <string_view>
#include <vector>

#include "orva/gdi.h"
#include "orva/picture_box.h"
#include "orva/record/recorder.h"
#include "orva/record/statistics.h"
#include "orva/remote/registro_remoto.h"
#include "orva/scope/clipboard.h"
#include "orva/scope/screen_picture.h"
#include "orva/storage/outcome.h"

namespace orva::sigrok {
class SigrokStream;
}
namespace orva::audio {
class SoundInput;
}
class QTimer;

class QAction;
class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QIcon;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;
class QTimer;
class QToolBar;
class QToolButton;

namespace orva {
class Mens;
class Sigdex;
namespace scope {
class Osciloscopio;
}  // namespace scope
namespace storage {
class BDConfig;
class BDSignal;
class FrontPanel;
}  // namespace storage
namespace filedialog {
class FileDialog;
}  // namespace filedialog
namespace link {
class RemoteLink;
}  // namespace link
namespace remote {
class IntercambioRemoto;
}  // namespace remote
namespace exporta {
struct TrazaMostrada;
}  // namespace exporta
}  // namespace orva

namespace orva::mainwindow {

class VisorDeAyuda;
class bdatos;
using gdi::COLORREF;
using gdi::PictureBox;

// Whether the icon draws anything at 20 x 20 pixels (a picture that cannot be
// read, for want of its image plugin, draws nothing).
bool IconoDibujable(const QIcon& icono);

// Program-wide values shared with the other parts of the program.
struct Programa {
  std::int16_t IdiomaActual = 0;     // language index (1 = Spanish at start-up)
  std::string RutaAplicacion;        // the program's folder
  std::int16_t TipoDePlaca = 0;      // board type from start-up (0 = none)
  std::int16_t ContadorDePasadas = 0;  // 0..9, passes of the refresh-rate figure
  std::shared_ptr<storage::BDSignal> AlmacenDeSenales;  // the signal store, from start-up
};
Programa& ProgramaGlobal();

// The desktop clipboard: the instrument's clipboard service over QClipboard.
// Pictures handed to it are the window's own (WindowPicture); a picture of
// another kind is put on the clipboard as nothing (the clipboard is cleared).
using Portapapeles = scope::Portapapeles;
std::shared_ptr<Portapapeles> DesktopClipboard();

// Keeps a top-level window within the available area of its screen: its size
// bounded (never below its minimum size), then moved wholly onto the area.
// The window does this for every other window of the program when it shows.
void CabeEnLaPantalla(QWidget* ventana);

// A picture box handed to the instrument as one of its screen pictures.
class WindowPicture : public scope::ScreenPicture {
 public:
  explicit WindowPicture(PictureBox* box);
  bool Empty() const override;
  std::string Encode() const override;  // PNG bytes
  QImage Image() const;                 // null when the box is gone

 private:
  QPointer<PictureBox> box_;
};

struct OscilOptions {
  // The instrument; null: one on the board library and the monotonic clock.
  std::unique_ptr<scope::Osciloscopio> instrumento;
  // Monotonic seconds (only differences are used); null: the platform clock.
  std::function<double()> reloj;
  // The printer of a print request, or null when there is none. Null
  // function: the desktop's default printer (none when no default is set).
  std::function<std::unique_ptr<QPrinter>()> impresora;
  // Null: the desktop clipboard.
  std::shared_ptr<Portapapeles> portapapeles;
  // The stores' file dialog; null: QFileDialog over the window.
  std::shared_ptr<filedialog::FileDialog> dialogo;
};

// Indexed control array: controls(i) with the design's indexes.
template <class T>
class ControlArray {
 public:
  T* operator()(int index) const {
    auto it = items_.find(index);
    return it == items_.end() ? nullptr : it->second;
  }
  void Set(int index, T* control) { items_[index] = control; }
  const std::map<int, T*>& Items() const { return items_; }

 private:
  std::map<int, T*> items_;
};

class Oscil : public QWidget {
 public:
  explicit Oscil(OscilOptions options = {}, QWidget* parent = nullptr);
  ~Oscil() override;

  scope::Osciloscopio& Osciloscopio1() { return *osciloscopio_; }
  Sigdex& Sigdex1() { return *sigdex_; }
  Mens& Mens1() { return *mens_; }

  // ---- Handlers --------------------------------------------------------------
  void Form_Load();
  void Form_Activate() {}
  // Returns the cancel flag (unchanged). Unless cancelled: stops the loop and
  // Timer1 and lets events run for 1 s so that a pass in progress finishes.
  bool Form_QueryUnload(bool cancel, int unload_mode);
  void Form_Unload(bool& cancel);
  void Timer1_Timer();
  void Timer2_Timer();
  void Command1_Click();
  void SSCommand1_Click();
  void XYCommand_Click();
  void RutinaPrincipal();
  void BuclePrincipal();
  void RutinaDeDibujoYTratamiento(PictureBox* target);
  void dibuja_grid(gdi::Canvas& target);
  void dibuja_grid_espectro(gdi::Canvas& target);
  void imprime_grid(gdi::Canvas& printer);
  void color_de_led(PictureBox* led, std::string_view word);

  // Runs n passes one after the other with events between them, as the loop
  // does, without the timers (the headless run). Returns the passes run.
  int RunPasses(int n);
  // The same, stopping early once para() is true (asked before every pass).
  int RunPasses(int n, const std::function<bool()>& para);
  // Captures the passes have read from the source (the memory reads of step 8
  // of a pass) since the window was made; a pass that finds the capture
  // unfinished reads none.
  long long CapturasLeidas() const { return capturas_leidas_; }
  // Between passes of a loop (en_bucle true) lets the pictures and the
  // readouts reach the screen at most 60 times a second; false lets every change
  // show at once.
  void LimitaRefrescos(bool en_bucle);
  // Where the passes' time went (steady-clock seconds, summed since the last
  // reset): the memory read (source and processing), the channel work
  // (averaged traces, spectra, measurements, readout texts, re-arming), the
  // drawing, and the whole passes.
  struct TiemposDePasada {
    double lectura = 0, canales = 0, dibujo = 0, total = 0;
    long pasadas = 0;
  };
  const TiemposDePasada& Tiempos() const { return tiempos_; }
  void ReiniciaTiempos() { tiempos_ = {}; }
  // The number shown by Label14 (passes per second), 0 before the first figure.
  double PasesPorSegundo() const { return pases_por_segundo_; }
  // Whether a toolbar button (by key) is pressed.
  bool ToolbarPressed(std::string_view key) const;
  QAction* ToolbarButton(std::string_view key) const;
  // The caption from the instrument's mode and source: "... -  DEMO MODE",
  // "... - simulated board ktr5" (the source in the window's language),
  // " - REMOTE MODE".
  void ActualizaTitulo();
  // ---- Source of the samples (fuentes.cpp, the list in fuentes.h) -------------
  // Acquires from spec ("demo", "board", "sim:ktr5", ...; prefix and model in
  // any case) from now on; the caption and the source menu say which. False
  // with one line in *error (error may be null) for an unknown or bad spec,
  // which changes nothing, or for a source that cannot be opened now, which
  // leaves the demonstration generator in use.
  bool EligeFuente(std::string_view spec, std::string* error);
  // The source in use, as its canonical spec ("demo" from start-up on).
  const std::string& FuenteActual() const { return fuente_; }
  // Its description in language idioma, e.g. "simulated board ktr5".
  std::string DescripcionDeFuente(int idioma) const;
  // For the board sources: demonstration off, the board on the bus identified
  // (Configuracion) and a capture started on it.
  void AdquiereDeLaPlaca();
  // The source menu's entries from the registry, the one in use ticked (run
  // each time the menu opens: the choices can change while the program runs).
  void LlenaMenuDeFuente();
  QToolButton* MenuDeFuente = nullptr;  // beside the calibration menu

  // ---- The sound input as the instrument's source (oscil_sound.cpp) --------
  // Opens the sound input named `nombre` (its id or description; empty: the
  // default input) with the full-scale volts kept for it, and makes it the
  // instrument's source (demonstration mode off). False with a one-line
  // error in the window's language when there is no such input or it
  // refuses every format. The source choice ("audio[:NAME]", fuentes.cpp)
  // calls it; an input that fails while running goes back to "demo".
  bool EligeEntradaDeSonido(const std::string& nombre, std::string* error);
  // Back to the demonstration generator (the sound input is released).
  void DejaLaEntradaDeSonido();
  // The sound input in use (null when another source is).
  const std::shared_ptr<audio::SoundInput>& EntradaDeSonido() const { return sonido_; }
  // Volts of a full-scale sample on channels 1 and 2 of the sound input in
  // use (or of the next one chosen), kept per input in the user's settings;
  // values that are not finite and positive are refused (false).
  bool EscalaCompletaDeSonido(std::array<double, 2> voltios);
  std::array<double, 2> EscalaCompletaDeSonido() const { return escala_sonido_; }
  // ---- A libsigrok instrument as the source (oscil_sigrok.cpp) ----------------
  // The "sigrok" provider of the source list (fuentes.h) chooses it.
  // Opens the instrument of `spec` (sigrok:DRIVER[:OPTION=VALUE...]) and
  // makes it the instrument's stream source at the current timebase
  // (demonstration mode off); the status line says what the device does and
  // what is done in software. False with one line in *error (the device is
  // not found, refuses an option, ...).
  bool EligeInstrumentoSigrok(const std::string& spec, std::string* error);
  // The same from the window's menu: the device is scanned for and opened on
  // a thread of its own ("Opening ..." on the status line), then chosen
  // through EligeFuente on the window's thread, or the status line says why
  // not. The window keeps running its current source meanwhile.
  void AbreInstrumentoSigrok(const std::string& spec);
  // What the instrument in use does itself and what is done in software, in
  // language idioma ("gain: in software; coupling: on the device; trigger:
  // in software"); empty without an instrument.
  std::string RepartoDelInstrumento(int idioma) const;
  // Back to the demonstration generator (the instrument is closed).
  void DejaElInstrumentoSigrok();
  const std::shared_ptr<sigrok::SigrokStream>& InstrumentoSigrok() const { return sigrok_; }
  // The libsigrok devices a short scan finds now, as (spec, description);
  // a scan cut short by its time bound says so in one line on stderr.
  static std::vector<std::pair<std::string, std::string>> InstrumentosSigrok();
  // Start-up: the signal store (kept program-wide) and the configuration
  // store, their templates in the data folder, their files in the user
  // folder (carpetas.h, oscil_stores.cpp).
  void CreaLosAlmacenes();
  storage::BDConfig* AlmacenDeConfiguracion() const { return bd_config_.get(); }
  // Where signal and configuration files and exports are proposed and stored.
  const std::string& CarpetaDeUsuario() const { return carpeta_de_usuario_; }
  // Makes the user folder when it is missing (the first file operation);
  // false when it cannot be made.
  bool PreparaCarpetaDeUsuario();
  // What a file operation of the window came to, on the status line in the
  // window's language: the file on success, the file and the reason on
  // failure; a cancel says nothing.
  enum class OperacionDeFichero { kGuardaSenal, kAbreSenal, kGuardaConfiguracion, kCargaConfiguracion, kExporta };
  void InformaDeFichero(OperacionDeFichero operacion, const storage::Outcome& r, const std::string& fichero);
  // The status line's text (the last message shown).
  QString TextoDelAviso() const;

  // ---- Export of the shown traces (oscil_export.cpp) -----------------------------
  // The time view's traces as files for other programs: channel 1 and 2 when
  // switched on, the reference trace when shown, each the 768 positions in
  // volts, with the time from the trigger point (see orva/export/trace_export.h).
  enum class FormatoDeExportacion { kCsv, kWav };
  // The save menu's "Export...": the window's file dialog (filters CSV and
  // WAV, default extension "csv"), then the file of the chosen name, as WAV
  // when it ends in ".wav", else as CSV. A cancel changes nothing. Refused,
  // before the dialog, when no trace is shown or the XY view holds the traces.
  storage::Outcome ExportaTrazas();
  // The same without a dialog; a failed write leaves `fichero` as it was.
  storage::Outcome ExportaTrazasA(const std::string& fichero, FormatoDeExportacion formato);

  // ---- Recording and statistics of the measurements (oscil_record.cpp) ------------
  // Every pass that reads a capture hands its eight measurements (datos(0..7),
  // record/capture.h) to the statistics and, while recording, to the CSV
  // recorder (record/recorder.h); the window only shows what they hold.
  // The tool bar's "grabar" (checkable): pressed asks for a file name with
  // the window's file dialog (the user's file folder, CSV) and starts
  // recording there; released stops it. The status line names the file and
  // IndicadorDeGrabacion shows a red dot and the rows written while it runs;
  // a recording that stops by itself (size limit, full disk, write error)
  // releases the button and says why on the status line.
  void Grabar_Click();
  // Starts recording to `fichero` with the size limit of LimiteGrabacion
  // (a running recording stops first); the button shows it pressed.
  storage::Outcome IniciaGrabacion(const std::string& fichero);
  // Stops the recording (the rows queued are written first) and says on the
  // status line how it ended. Nothing when none runs.
  void DetieneGrabacion();
  bool Grabando() const;
  // The running or last recording; null before the first.
  const record::CsvRecorder* Grabacion() const { return grabador_.get(); }
  const record::MeasurementStatistics& Estadisticas() const { return estadisticas_; }
  // The reset button: the statistics start afresh (a change of timebase or
  // gain does the same by itself).
  void ReiniciaEstadisticas();
  // Readout i's statistics in the window's language, as its tool tip shows
  // them (the readout's own formats).
  QString TextoDeEstadistica(int i) const;
  // Brings the indicator, the readouts' tool tips and a recording that
  // stopped by itself up to date (a 250 ms timer does it while shown).
  void MuestraGrabacion();
  QLabel* IndicadorDeGrabacion = nullptr;  // red dot and row count, shown while recording
  QSpinBox* LimiteGrabacion = nullptr;     // size limit of the next recording, MB (1..1048576)
  QToolButton* ReiniciaEstadisticasBoton = nullptr;
  // 1/dt of the time cursors, beside their difference YCursorDisplay(0).
  QLabel* InversoCursores = nullptr;

  // ---- Front panel (oscil_panel.cpp, oscil_panel_keys.cpp) -----------------------
  // Each handler maps a user action onto the instrument's setters and
  // refreshes the text that shows the setting; those marked (reported) end
  // with Remoto.CambioDelUsuario(). Steps never leave their table: a step
  // past either end leaves the setting and its text as they were.
  void SSCommand2_Click(int index);  // timebase: 0 one step faster, 1 slower (reported)
  void SSCommand3_Click(int index);  // trigger mode: 0 next, 1 previous (reported)
  void SSCommand4_Click(int index);  // channel 1 gain: 0 less, 1 more sensitive (reported)
  void SSCommand5_Click(int index);  // channel 2 gain (reported)
  void SSCommand6_Click(int index);  // automatic gain of channel index + 1
  // Coupling buttons of channel index (1, 2): only a press acts (reported).
  void CouplingDC_Click(int index, bool pressed);
  void CouplingAC_Click(int index, bool pressed);
  void CouplingGND_Click(int index, bool pressed);
  void ChanSelected_Click(int index, bool value);
  void TrigChanSpin_SpinUp();    // trigger channel 2 (reported)
  void TrigChanSpin_SpinDown();  // trigger channel 1 (reported)
  void Slope_Click(bool value);  // Flanco 1 (falling) when pressed (reported)
  void Dis_ext_Click();          // (reported)
  void promediado_Click(int index);  // averaging 2^index: 1, 2, 4, 8
  void Option1_Click(int index);     // interpolation: 0 spectral, 1 linear
  // Trigger level: the NivelRemoto guard, the value kept to 0..255, Nivel,
  // the "Nivel trigger: ..." text in volts (reported).
  void VScroll3_Change();
  void VScroll1_Change();  // Label1 and TagX
  void VScroll2_Change();  // Text1
  void HScroll1_Change();  // Picture1 shows x v .. v + 256
  // The level-marker strip (user scale x 0..10, y 128 top .. -128 bottom).
  void PictureDeNiveles_MouseDown(int button, int shift, double x, double y);
  void PictureDeNiveles_MouseMove(int button, int shift, double x, double y);
  void PictureDeNiveles_MouseUp(int button, int shift, double x, double y);
  // Automatic set-up: gains, timebase and level settle on the signal; only
  // while on, never in Single mode.
  void ModoAutomatico_Click();
  // Layout: the large display while the toolbar's "view" is pressed (the
  // display takes the room of the spectrum and front panel), Label12 centred.
  void Form_Resize();
  // Widen toward three times the width, centred, in 200 steps, within the
  // available area of the window's screen; pressed again, back to the width
  // and place the window had.
  void Command2_Click();
  // The widened geometry (client area) of a window at `ventana` whose frame
  // adds `marco`, on a screen whose available area is `disponible`.
  static QRect GeometriaEnsanchada(const QRect& ventana, const QSize& marco, const QRect& disponible);

  // The settings behind the handlers, also used by the scripted settings:
  // each goes through the instrument's setter, refreshes the display and
  // reports nothing.
  void PonBaseDeTiempos(int indice);
  void PonGanancia(int canal, int indice);
  void PonModoDisparo(int modo);  // 0..2; Single clears the screen and greys the LEDs
  // The channel's vertical offset as a marker drag sets it, kept to -128..128.
  void PonDesplazamiento(int canal, int codigos);
  // Every control of the panel shows the instrument's settings (no handler runs).
  void ActualizaPanel();
  // One refresh of everything derived from the settings (oscil_refresco.cpp):
  // when the settings differ from those the shown texts were derived from,
  // the panel (ActualizaPanel), the trigger-level label, the cursor, marker
  // and pointer readouts are re-read from the instrument. Every drawing runs
  // it first; PideRefresco runs it once from the event loop (the instrument
  // asks for it whenever one of those settings changes, the language pass
  // too), so no path that changes a setting leaves a stale number on screen.
  void RefrescaDerivados();
  void PideRefresco();
  // Tool tips (with their shortcuts) and accessible names in the language.
  void NombresDelPanel(int idioma);
  int MarcadorSeleccionado() const { return marcador_seleccionado_; }
  // The panel's keyboard shortcuts: key sequence (portable text, e.g.
  // "Ctrl+Right") and the object name of the button it presses.
  static const std::vector<std::pair<std::string, std::string>>& Atajos();
  // ---- Tool bar, calibration menu, help (oscil_toolbar.cpp) --------------------
  // Every click of a tool-bar button (its key is the action's property "Key"),
  // in this order: both inversions re-applied from "inva"/"invb"; a math
  // button pressed releases the other two; "view" lays the window out again
  // (not while minimised); "foto", only while the power button shows "ON":
  // released runs the loop again from here (returning when it stops),
  // pressed stops it after the pass in progress (Timer1 keeps redrawing);
  // "copiar"/"imprimir" raise their requests; "borrar" hides the reference
  // trace and its labels; "ayuda" sends F1 to the window; "abrir" opens the
  // signal browser in open mode, the menu's "diskCanal1"/"diskCanal2" in
  // save mode for that channel, in the current language. "pegar", "vpp",
  // "completa" and "copiar_num" itself do nothing more.
  void Toolbar1_ButtonClick(QAction* boton);
  // Drop-down entries: "numCanal1"/"numCanal2" raise the number copies,
  // "diskCanal1"/"diskCanal2" open the browser in save mode.
  void Toolbar1_ButtonMenuClick(QAction* entrada);
  // How the signal browser is shown once its fields are set: null runs it
  // modally (exec), as the program does; tests drive it instead, without a
  // nested event loop. The dialog lives for the call only.
  std::function<void(bdatos&)> MuestraBdatos;
  // Calibration request: 0 saves the second calibration file (cal2.dat in
  // PathCal2), 1 loads the calibration (cal.dat in PathCal), any other code
  // does nothing. An empty folder stands for the board folder (path). The
  // outcome is told on the status line.
  void PeticionDeCalibracion(std::int16_t codigo);
  // F1: the help file in the current language (ayuda.h), or a message that
  // says which file was looked for where.
  void AbreAyuda();
  // The window's own texts, the unavailable buttons' tool tips and the
  // calibration menu in the language (the designed texts are the language pass's).
  void TextosPropios(int idioma);
  // Buttons whose picture cannot be drawn (no SVG plugin, an empty theme
  // icon) show their words instead of an empty square.
  void MuestraTextoSinIcono();
  // The status line lists the requests that wait for the instrument to be
  // switched on (none: the waiting note goes).
  void ActualizaAvisoDePedidos();
  QLabel* Aviso = nullptr;             // status line, right of the tool bar
  QToolButton* Calibracion = nullptr;  // calibration menu, entries raise codes 0 and 1
  VisorDeAyuda* Ayuda() const { return visor_; }

  // ---- Cursors, spectrum markers and the pointer readout -----------------------
  // Mouse handlers of the two views: button 1 left, 2 right (for moves the
  // buttons held, or-ed); x, y in the picture's user units, whatever its size
  // or pan. A position outside the picture (a drag that left it) is taken at
  // the picture's edge; a non-finite one is ignored.
  // Time view, only while the instrument is on: the left button puts the
  // trigger point on the division under x ((x - 256) / 25.6, kept to +-10);
  // the right button selects the nearest shown cursor (a strictly smaller
  // distance than every other shown cursor's, each in its own units; a tie
  // keeps the selection) and drags it; every move writes the pointer
  // readouts of the ticked ContCursor boxes.
  void Picture1_MouseDown(int button, int shift, double x, double y);
  void Picture1_MouseMove(int button, int shift, double x, double y);
  // Spectrum view, not in the XY view: the right button selects the nearer
  // marker (a tie keeps the selection) and drags it; the markers'
  // frequencies go to YCursorDisplay(4) and XCursorDisplay(0): each reads
  // the point of the transform drawn highest in its column of the shown
  // spectra (cursor_readouts.h), so a marker on a drawn peak reads the peak.
  void Picture2_MouseDown(int button, int shift, double x, double y);
  void Picture2_MouseMove(int button, int shift, double x, double y);
  // Index 0 vertical cursors, 1 horizontal ones: shown or hidden while the
  // screen is static, then their readouts written (ticked) or emptied.
  void SSCheck2_Click(int index);
  // A cleared pointer box empties its channel's two readouts.
  void ContCursor_Click(int index);
  // The horizontal cursors read in the chosen channel's volts at once.
  void SSOption1_Click(int index);
  // Times of CursorX1, CursorX2 and their difference, when SSCheck2(0) is
  // ticked (from the trigger point the capture uses); also the markers'
  // frequencies, once a marker has been moved, which depend on the timebase
  // as well. To run after every timebase step.
  void ActualizaCursoresVerticales();
  // Volts of the two horizontal cursor lines and their difference, in the
  // channel chosen by SSOption1, when SSCheck2(1) is ticked. To run after
  // every gain step.
  void ActualizaCursoresHorizontales();
  // Places the four cursors (record positions x, codes y) with their line
  // objects, then writes the readouts of the ticked boxes.
  void ColocaCursores(double x1, double x2, double y1, double y2);
  // Selected object: 0 none, 1 CursorX1, 2 CursorX2, 3 CursorY1, 4 CursorY2,
  // 5 first spectrum marker, 6 second.
  std::int16_t ObjetoSeleccionado = 0;

  // ---- Remote link (oscil_remote.cpp) ---------------------------------------------
  // The strip under the readouts: Command3 board station (waits for a remote
  // station on the port of PuertoRemoto, accepting only the address or subnet
  // of PermitidaRemota when it is filled in), Command4 remote station (remote
  // mode, then connects to DireccionRemota on PuertoRemoto), Command5 start
  // exchange; EstadoEnlace shows the link's state (off, waiting, connecting,
  // connected, link lost, refused) and EstadoDelEnlace what happened. A bad
  // port or allowed address is said there and nothing is opened.
  void Command3_Click();
  void Command4_Click();
  void Command5_Click();
  link::RemoteLink& EnlaceDeRed();
  remote::IntercambioRemoto& IntercambioDelEnlace();
  // The state and status line from the link (and the exchanges counted).
  void MuestraEstadoRemoto();
  // Exchanges per second of the last half second while connected, else 0.
  double IntercambiosPorSegundo() const;

  // ---- Window state ------------------------------------------------------------
  bool BucleActivo = false;
  bool Encendido = false;
  bool DisparoUnicoPedido = false;
  bool CopiarPantallaPedido = false;
  bool ImprimirPedido = false;
  bool CopiarCanal1Pedido = false;
  bool CopiarCanal2Pedido = false;
  std::vector<float> VectorCanal1, VectorCanal2;
  std::vector<float> EspectroCanal1, EspectroCanal2;
  std::vector<float> VectorDisco, VectorMat;
  COLORREF ColorCanalMat = 0xFFFFFF;
  COLORREF ColorCanal1 = 0xFFFF00;
  COLORREF ColorCanal2 = 0x00FFFF;
  COLORREF ColorCanalD = 0xC0E0FF;
  COLORREF ColorXY = 0x00FFFF;
  double CursorX1 = 256, CursorX2 = 512, CursorY1 = 192, CursorY2 = 64;
  // Kept between passes: board armed and not yet read.
  bool Armado = false;
  // The remote link's settings record and its change and guard flags.
  remote::EstadoRemoto Remoto;

  // ---- Controls (designer names) -------------------------------------------------
  QToolBar* Toolbar1 = nullptr;
  QFrame* SSPanel1 = nullptr;  // display panel
  QFrame* SSPanel2 = nullptr;  // spectrum / XY panel
  QFrame* SSPanel3 = nullptr;  // front panel
  QFrame* SSPanel6 = nullptr;  // readouts
  PictureBox* Picture1 = nullptr;
  PictureBox* Picture2 = nullptr;
  PictureBox* PictureDeNiveles = nullptr;
  ControlArray<QLabel> Niveles;  // 1..3
  PictureBox* trigfailLed = nullptr;
  PictureBox* stLed = nullptr;
  PictureBox* htLed = nullptr;
  PictureBox* armLed = nullptr;
  QPushButton* Command1 = nullptr;  // power, caption "OFF" / "ON"
  QPushButton* Command2 = nullptr;  // widen
  QPushButton* SSCommand1 = nullptr;  // single-shot arm
  ControlArray<QPushButton> SSCommand2, SSCommand3, SSCommand4, SSCommand5, SSCommand6;
  ControlArray<QPushButton> CouplingDC, CouplingAC, CouplingGND;  // 1..2
  ControlArray<QCheckBox> ChanSelected;                            // 1..2
  ControlArray<QPushButton> TrigChanSpin;                          // 0 down, 1 up
  ControlArray<QLabel> TrigChanDisplay;                            // 1
  QPushButton* Slope = nullptr;
  QCheckBox* Dis_ext = nullptr;
  ControlArray<QRadioButton> promediado;  // 0..3: 1, 2, 4, 8
  ControlArray<QRadioButton> Option1;     // 0 spectral, 1 linear interpolation
  QPushButton* ModoAutomatico = nullptr;
  QTimer* Timer1 = nullptr;
  QTimer* Timer2 = nullptr;
  QLabel* Label14 = nullptr;  // passes per second
  ControlArray<QLabel> datos;  // 0..7
  ControlArray<QLabel> AmplitudeDisplay;  // 1..2
  ControlArray<QLabel> TimebaseDisplay;   // 1
  ControlArray<QLabel> ModeDisplay;       // 1
  QLabel* Label6 = nullptr;   // "Spectrum" / "XY-Mode"
  ControlArray<QLabel> Label8;  // 0..8 frequency-axis labels
  QLabel* Label12 = nullptr;  // automatic set-up running
  QLabel* Label1 = nullptr;   // VScroll1 value
  QLabel* DT = nullptr;
  QLabel* DG = nullptr;
  QLabel* Disparo = nullptr;  // trigger level
  // "FOTO" / "FROZEN" in the window's language, at the time view's lower left
  // corner while the display is frozen ("foto" pressed, on, loop stopped);
  // on the screen only, never in a copy or a print.
  QLabel* Foto = nullptr;
  QCheckBox* XYCommand = nullptr;
  ControlArray<QCheckBox> SSCheck1;  // 0..1 spectrum of channel 1 / 2
  ControlArray<QCheckBox> SSCheck2;  // 0..1 vertical / horizontal cursors
  ControlArray<QCheckBox> ContCursor;  // 1..2 pointer readout
  ControlArray<QRadioButton> SSOption1;  // 0..1 channel of the horizontal cursors
  ControlArray<QLabel> XCursorDisplay, YCursorDisplay;  // 0..7
  QScrollBar* VScroll1 = nullptr;
  QScrollBar* VScroll2 = nullptr;
  QScrollBar* VScroll3 = nullptr;  // trigger level 0 (bottom) .. 255 (top)
  QScrollBar* HScroll1 = nullptr;  // 0..512
  QLineEdit* Text1 = nullptr;      // hidden: first trigger level
  QPushButton* Command3 = nullptr;  // board station
  QPushButton* Command4 = nullptr;  // remote station
  QPushButton* Command5 = nullptr;  // start exchange
  QLineEdit* DireccionRemota = nullptr;  // the board station's address (remote station)
  QLineEdit* PuertoRemoto = nullptr;     // the link's port, 100 at start-up
  QLineEdit* PermitidaRemota = nullptr;  // the one address or subnet a board station accepts
  QLabel* EstadoEnlace = nullptr;        // one word: the link's state
  QLabel* EstadoDelEnlace = nullptr;     // the link's status line
  // Line objects: on Picture1 the vertical cursors 0, 1 and the horizontal
  // cursors 2, 3; on Picture2 the two spectrum markers 0, 1.
  static constexpr int kCursorX1 = 0, kCursorX2 = 1, kCursorY1 = 2, kCursorY2 = 3;
  static constexpr int kMarcador1 = 0, kMarcador2 = 1;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;  // F1 opens the help

 private:
  void BuildLayout();
  void Wait(double seconds);
  void ServirCopias(PictureBox* target);
  void Imprimir(PictureBox* target);
  void ColoresDePantalla();
  void ColoresDeImpresion();
  void TextosDelPanel();
  void PintaCursores();
  void BorraYDibujaGrid(PictureBox* target);
  // Steps 1 to 15 of the drawing: the screen without serving the requests.
  void DibujaPantalla(PictureBox* target);
  // Writes the readouts measured since the last time: when due (60 Hz) or now.
  void MuestraLecturas(bool ahora);
  void PictureRedimensionada(PictureBox* picture);
  // The window's size kept within the screen's available area, then centred.
  void AjustaAlEscritorio();

  // The settings the shown texts were last derived from (oscil_refresco.cpp).
  struct AjustesMostrados {
    std::int16_t base = 0, ganancia1 = 0, ganancia2 = 0, desplazamiento1 = 0, desplazamiento2 = 0;
    std::int16_t nivel = 0, canal_disparo = 0, modo_disparo = 0, flanco = 0, disparo_externo = 0;
    std::int16_t acoplamiento1 = 0, acoplamiento2 = 0, promediado = 0, activos = 0, idioma = 0;
    double metodo = 0, movimiento = 0;
    bool operator==(const AjustesMostrados&) const = default;
  };
  AjustesMostrados AjustesActuales() const;
  void ConectaRefresco();
  void TextoDelNivel();  // the label Disparo: "Nivel trigger: ..." in volts
  AjustesMostrados ajustes_mostrados_{};
  bool ajustes_validos_ = false;   // nothing shown was derived yet
  bool refresco_pedido_ = false;   // a RefrescaDerivados waits in the event loop
  // The pointer readouts of the last position over the time view, written
  // again when the settings change.
  void LecturasDelPuntero();
  double puntero_x_ = 0, puntero_y_ = 0;
  bool puntero_valido_ = false;

  // Cursors (oscil_cursors.cpp): the connections of their controls, the
  // markers' readouts, and a mouse position kept to a picture's range.
  void ConectaCursores();
  void ActualizaMarcadores();
  static bool DentroDeLaVista(const PictureBox* picture, double& x, double& y);
  bool marcadores_movidos_ = false;  // marker readouts shown since a move

  OscilOptions options_;
  std::unique_ptr<scope::Osciloscopio> osciloscopio_;
  std::unique_ptr<Sigdex> sigdex_;
  std::unique_ptr<Mens> mens_;
  std::function<double()> reloj_;
  std::shared_ptr<Portapapeles> portapapeles_;
  std::map<std::string, QAction*, std::less<>> botones_;
  double instante_anterior_ = 0;  // monotonic seconds of the last figure
  bool instante_valido_ = false;  // no figure before the first measured interval
  double pases_por_segundo_ = 0;
  std::vector<float> espectro_scratch_;
  // The last graticule drawn on the time view, kept as the picture's
  // backdrop: valid for this picture, scale, trigger shift and background.
  struct GridKey {
    const PictureBox* picture = nullptr;
    double left = 0, top = 0, width = 0, height = 0, shift = 0;
    COLORREF back = 0;
    bool operator==(const GridKey&) const = default;
  };
  GridKey grid_key_{};
  TiemposDePasada tiempos_{};
  bool en_bucle_ = false;  // passes run back to back (RutinaPrincipal or RunPasses)
  long long capturas_leidas_ = 0;  // see CapturasLeidas()
  // A received message is letting events through: no window's loop starts
  // until its handler has answered (started inside it, the loop would keep
  // the handler from returning). Program-wide, as the handler pumps the
  // events of every window.
  static inline bool atendiendo_mensaje_ = false;
  // Readouts measured but not yet written: channel 1, channel 2, Label14.
  bool lectura_pendiente_[2] = {false, false};
  bool figura_pendiente_ = false;
  double ultima_lectura_ = -1.0;  // steady-clock seconds of the last write
  // Steady-clock seconds of the last time the pictures went to the screen.
  double ultimo_refresco_ = -1.0;
  // The stores and what they reach the window through.
  std::shared_ptr<filedialog::FileDialog> dialogo_;
  std::shared_ptr<storage::FrontPanel> panel_;
  std::shared_ptr<storage::BDSignal> bd_signal_;
  std::shared_ptr<storage::BDConfig> bd_config_;

  // ---- Recording and statistics (oscil_record.cpp) --------------------------------
  void ConstruyeGrabacion();  // the tool bar's button, indicator, limit, reset, 1/dt
  void AnotaCaptura();        // the pass's capture to the statistics and the recorder
  void TextosDeGrabacion(int idioma);
  record::MeasurementStatistics estadisticas_;
  std::unique_ptr<record::CsvRecorder> grabador_;
  std::uint64_t generacion_mostrada_ = ~std::uint64_t{0};
  QTimer* timer_grabacion_ = nullptr;
  QAction* accion_indicador_ = nullptr;
  bool grabacion_abierta_ = false;  // started and not yet stopped and told

  // ---- Tool bar (oscil_toolbar.cpp) ---------------------------------------------
  void ConectaBarra();
  void MuestraCongelada();  // Foto shown exactly while the display is frozen
  void TextosDeFuente(int idioma);  // the source menu's caption and tool tip
  std::string fuente_ = "demo";     // the source in use (canonical spec)
  // The browser loaded, given the language, mode and channel, then shown.
  void AbreBdatos(std::int16_t modo, std::int16_t canal);
  static QIcon IconoDeBoton(std::string_view key);
  void Avisa(const QString& texto);
  // Between passes on a stream source: waits (bounded) for its samples or
  // for window events instead of running empty passes.
  void EsperaAlFlujo();
  // A failed stream source stops the acquisition and says why; true then.
  bool CompruebaElFlujo();
  // The status line says why timebase `indice` cannot be chosen now.
  void AvisaBaseRechazada(int indice);
  // Asks for the full-scale volts of the sound input (window menu).
  void PideEscalaCompleta();
  std::shared_ptr<audio::SoundInput> sonido_;
  std::shared_ptr<sigrok::SigrokStream> sigrok_;
  std::uint64_t sigrok_aviso_ = 0;  // the rate and settings the status line last told
  // The opening thread of AbreInstrumentoSigrok, its request count (a result
  // of an older request is dropped) and the device it opened.
  std::thread sigrok_abriendo_;
  std::uint64_t sigrok_pedido_ = 0;
  std::shared_ptr<sigrok::SigrokStream> sigrok_preparado_;
  std::string sigrok_preparado_texto_;
  void TerminaLaApertura();
  // A failed libsigrok instrument stops the acquisition and says why.
  bool CompruebaElInstrumento();
  // The status line: the instrument's rate and what is done in software.
  void AvisaInstrumento();
  std::array<double, 2> escala_sonido_{1.0, 1.0};
  QTimer* despertador_ = nullptr;  // bounds EsperaAlFlujo's wait
  bool escala_dada_ = false;       // a full scale was set for this run (not from the settings)
  // Adds the full-scale entry to the calibration menu.
  void ConectaSonido();

 public:
  // The message of the last stream source that failed (empty: none).
  const std::string& UltimoFalloDeFlujo() const { return ultimo_fallo_de_flujo_; }

 private:
  std::string ultimo_fallo_de_flujo_;
  VisorDeAyuda* visor_ = nullptr;
  bool aviso_de_pedidos_ = false;  // the status line shows the waiting requests
  std::string ultima_exportacion_;  // the last file exported, for the status line
  std::string carpeta_de_usuario_;  // CarpetaDeUsuario()
  class DialogoQueRecuerda;
  std::shared_ptr<DialogoQueRecuerda> recuerda_;  // dialogo_, remembering the file chosen
  std::string UltimoFicheroElegido() const;  // empty: the last dialog was cancelled
  storage::Outcome TrazasParaExportar(std::vector<exporta::TrazaMostrada>& trazas,
                                      std::vector<float>& referencia) const;

  // ---- Remote link (oscil_remote.cpp) ---------------------------------------------
  class EnlaceRemoto;  // the link, the exchange and this window as the exchange sees it
  QWidget* ConstruyeEnlace(QWidget* padre);  // the strip's controls (BuildLayout)
  void TextosDelEnlace(int idioma);          // the strip's captions and tool tips
  void ConectaEnlace();
  // The port field as a number (0 only where cero_valido: any free port).
  bool PuertoDelCampo(std::int32_t* puerto, bool cero_valido);
  std::unique_ptr<EnlaceRemoto> enlace_remoto_;

  // ---- Front panel (oscil_panel.cpp, oscil_panel_keys.cpp) -----------------------
  void ConectaPanel();
  void ConectaTeclado();
  void DesconectaPanel();  // first thing the window's destructor does
  void OrdenDeTabulacion();
  void ColocaMarcadores();
  // Marker i (1..3) centred at height y of the strip (user units).
  void ColocaMarcador(int i, double y);
  double AlturaMarcador(int i) const;  // centre of marker i, strip units
  // Marker drag or keyboard: marker i to height y (kept to -128..128).
  void MueveMarcador(int i, double y);
  // The trigger-level bar's range follows the trigger channel's offset.
  void AjustaBarraDeNivel(int desplazamiento);
  // Wheel over a step button's display or its buttons (delta in 1/8 degree):
  // whole notches step it; false when o belongs to no step button.
  bool RuedaSobre(QObject* o, int delta);
  bool TeclaDeNiveles(int key);  // keyboard on the focused strip
  bool HayCampoDeTextoConFoco() const;
  // Draws the time view again when no pass will (loop stopped, no request pending).
  void RedibujaSiParado();
  // A trace on the time view, in the part of the record its user scale shows.
  void DibujaTrazoVisible(PictureBox* target, const std::vector<float>& traza, COLORREF color);
  std::vector<float> zoom_;  // the shown part resampled, kept between passes
  // The slope button's picture: a rising or a falling edge.
  static QIcon IconoDeFlanco(bool bajada);
  class FiltroDelPanel;  // wheel, strip keys and focus, window and view resizes
  FiltroDelPanel* filtro_ = nullptr;
  bool ensanchando_ = false;  // Command2 is widening the window
  QRect ancho_antes_de_ensanchar_;  // the geometry before the widening; null: not widened
  int marcador_seleccionado_ = 0;  // 0 none, 1..3 (mouse)
  int marcador_de_teclado_ = 1;    // marker the strip's keys move
  double altura_marcador3_ = 0;    // the trigger marker only moves its image
  std::map<QObject*, int> rueda_;  // wheel remainder per display
  QButtonGroup* grupo_promediado_ = nullptr;
  QButtonGroup* grupo_interpolacion_ = nullptr;
  QButtonGroup* grupo_acoplamiento_[2] = {nullptr, nullptr};
};

}  // namespace orva::mainwindow
