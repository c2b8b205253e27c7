// The headless run's file options, through the window's own stores with
// the file dialog answered by the file named on the command line:
//
//   --open-config FILE       CargaConfiguracion, before power-on
//   --open-signal FILE       CargaSenal, before the passes (drawn in the screenshot)
//   --save-signal CH FILE    GuardaSenal, after the passes (channel 1 or 2)
//   --save-config FILE       GuardaConfiguracion, after the passes
//
// Each prints one line on standard output when it succeeds
// ("configuration loaded: FILE", "signal loaded: FILE (768 samples)",
// "signal saved: FILE (channel 2)", "configuration saved: FILE") and one line
// on standard error when it fails ("OrvaScope: cannot load the configuration
// FILE: why"), and returns whether it succeeded. A failed save leaves the
// file that was there as it was.
//
// On the command line (QCommandLineParser): the four options take one value
// each; the FILE of --save-signal is the one positional argument.
#pragma once

#include <QString>

#include <memory>
#include <string>

class QCommandLineParser;

namespace orva::filedialog {
class AnsweringDialog;
}

namespace orva::mainwindow {

class Oscil;

struct OpcionesDeFicheros {
  std::string abrir_configuracion;  // empty: not asked for
  std::string abrir_senal;
  int canal_a_guardar = 0;           // 0: no --save-signal
  std::string guardar_senal;
  std::string guardar_configuracion;
};

// Adds --open-config, --open-signal, --save-signal, --save-config.
void AnadeOpcionesDeFicheros(QCommandLineParser& parser);
// Reads them after parsing; an empty text, or the one line telling what is
// wrong (a channel other than 1 or 2, --save-signal without its FILE, an
// argument nothing asked for).
QString LeeOpcionesDeFicheros(const QCommandLineParser& parser, OpcionesDeFicheros& opciones);

class FicherosSinVentana {
 public:
  // After Form_Load: the window's stores get the answering dialog.
  explicit FicherosSinVentana(Oscil& ventana);

  bool CargaConfiguracion(const std::string& fichero);
  bool CargaSenal(const std::string& fichero);
  bool GuardaSenal(int canal, const std::string& fichero);
  bool GuardaConfiguracion(const std::string& fichero);

 private:
  Oscil& w_;
  std::shared_ptr<filedialog::AnsweringDialog> dialogo_;
};

}  // namespace orva::mainwindow
