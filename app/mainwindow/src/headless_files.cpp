// The headless file options over the window's stores.
#include "orva/mainwindow/headless_files.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDate>
#include <QLocale>

#include <cstdio>

#include "orva/file_dialog.h"
#include "orva/mainwindow/oscil.h"
#include "orva/scope/osciloscopio.h"
#include "orva/storage/bd_config.h"
#include "orva/storage/bd_signal.h"

namespace orva::mainwindow {
namespace {

bool Informa(const storage::Outcome& r, const std::string& hecho, const std::string& que,
             const std::string& fichero) {
  if (r.Done()) {
    std::printf("%s\n", hecho.c_str());
    std::fflush(stdout);
    return true;
  }
  std::fprintf(stderr, "OrvaScope: cannot %s %s: %s\n", que.c_str(), fichero.c_str(), r.reason.c_str());
  return false;
}

}  // namespace

void AnadeOpcionesDeFicheros(QCommandLineParser& parser) {
  parser.addOption({"open-config", "Headless: load the configuration FILE before power-on.", "FILE"});
  parser.addOption({"open-signal", "Headless: load the signal FILE as the reference trace.", "FILE"});
  parser.addOption({"save-signal",
                    "Headless: after the passes, store channel CH (1 or 2) as the signal file FILE"
                    " (FILE follows CH).",
                    "CH"});
  parser.addOption({"save-config", "Headless: after the passes, save the configuration as FILE.", "FILE"});
}

QString LeeOpcionesDeFicheros(const QCommandLineParser& parser, OpcionesDeFicheros& o) {
  o.abrir_configuracion = parser.value("open-config").toStdString();
  o.abrir_senal = parser.value("open-signal").toStdString();
  o.guardar_configuracion = parser.value("save-config").toStdString();
  const QStringList sueltos = parser.positionalArguments();
  if (parser.isSet("save-signal")) {
    const QString canal = parser.value("save-signal");
    if (canal != "1" && canal != "2") return "--save-signal: the channel is 1 or 2, not " + canal;
    if (sueltos.size() != 1) return "--save-signal: give the channel, then one FILE";
    o.canal_a_guardar = canal.toInt();
    o.guardar_senal = sueltos.first().toStdString();
  } else if (!sueltos.isEmpty()) {
    return "unexpected argument " + sueltos.first();
  }
  for (const char* name : {"open-config", "open-signal", "save-config"})
    if (parser.isSet(name) && parser.value(name).isEmpty())
      return QString("--%1: no FILE given").arg(name);
  return {};
}

FicherosSinVentana::FicherosSinVentana(Oscil& ventana)
    : w_(ventana), dialogo_(std::make_shared<filedialog::AnsweringDialog>()) {
  if (w_.AlmacenDeConfiguracion() != nullptr) w_.AlmacenDeConfiguracion()->Dialogo(dialogo_);
  if (ProgramaGlobal().AlmacenDeSenales) ProgramaGlobal().AlmacenDeSenales->Dialogo(dialogo_);
}

bool FicherosSinVentana::CargaConfiguracion(const std::string& fichero) {
  dialogo_->Answer(fichero);
  storage::BDConfig* store = w_.AlmacenDeConfiguracion();
  const storage::Outcome r = store != nullptr ? store->CargarConfiguracion()
                                              : storage::Outcome::Fallido("no configuration store");
  return Informa(r, "configuration loaded: " + fichero, "load the configuration", fichero);
}

bool FicherosSinVentana::CargaSenal(const std::string& fichero) {
  dialogo_->Answer(fichero);
  const auto& store = ProgramaGlobal().AlmacenDeSenales;
  const storage::Outcome r = store ? store->Abrir2(fichero) : storage::Outcome::Fallido("no signal store");
  const std::string hecho = "signal loaded: " + fichero + " (" +
                            std::to_string(w_.Osciloscopio1().VDisk().size()) + " samples)";
  return Informa(r, hecho, "load the signal", fichero);
}

bool FicherosSinVentana::GuardaSenal(int canal, const std::string& fichero) {
  dialogo_->Answer(fichero);
  const auto& store = ProgramaGlobal().AlmacenDeSenales;
  if (!store) return Informa(storage::Outcome::Fallido("no signal store"), "", "save the signal", fichero);
  // The texts the signal browser proposes for a new signal.
  store->Nombre("Nueva");
  store->Fecha(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString());
  const storage::Outcome r = store->Guardar2(static_cast<std::int16_t>(canal));
  return Informa(r, "signal saved: " + fichero + " (channel " + std::to_string(canal) + ")",
                 "save the signal", fichero);
}

bool FicherosSinVentana::GuardaConfiguracion(const std::string& fichero) {
  dialogo_->Answer(fichero);
  storage::BDConfig* store = w_.AlmacenDeConfiguracion();
  const storage::Outcome r = store != nullptr ? store->GuardarConfiguracion()
                                              : storage::Outcome::Fallido("no configuration store");
  return Informa(r, "configuration saved: " + fichero, "save the configuration", fichero);
}

}  // namespace orva::mainwindow
