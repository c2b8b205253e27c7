// The status line's word on every file operation of the window: the file on
// success, the file and the reason on failure, in the window's language.
//
// The stores and the export say why they failed in one line of their own
// (the headless run prints it); the window does not show those lines, which
// are in English. It finds the reason again where the file system can tell
// it (the folder is missing, may not be written, the file is missing, the
// disk is full), from what the operation came to (a file of another kind,
// a damaged one, no trace to export) and, for anything else, shows the
// system's own words (the text after the line's last ": ").
#include <unistd.h>

#include <QLabel>
#include <QString>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "orva/mainwindow/carpetas.h"
#include "orva/mainwindow/oscil.h"
#include "orva/mainwindow/textos_ventana.h"
#include "orva/storage/esquema.h"

namespace orva::mainwindow {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

bool Contiene(const std::string& s, const char* parte) { return s.find(parte) != std::string::npos; }

// The system's words at the end of a reason line, or the whole line.
QString PalabrasDelSistema(const std::string& razon) {
  const std::size_t k = razon.rfind(": ");
  return Q(k == std::string::npos ? razon : razon.substr(k + 2));
}

}  // namespace

QString RazonDeFichero(const std::string& fichero, bool escribir, int idioma) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path p(fichero);
  const fs::path carpeta = p.has_parent_path() ? p.parent_path() : fs::path(".");
  if (!fs::is_directory(carpeta, ec)) return TextoPropio(kTextoRazonSinCarpeta, idioma);
  if (escribir) {
    if (::access(carpeta.c_str(), W_OK | X_OK) != 0) return TextoPropio(kTextoRazonPermiso, idioma);
    return QString();
  }
  if (!fs::exists(p, ec)) return TextoPropio(kTextoRazonSinFichero, idioma);
  if (::access(p.c_str(), R_OK) != 0) return TextoPropio(kTextoRazonPermiso, idioma);
  return QString();
}

void Oscil::InformaDeFichero(OperacionDeFichero operacion, const storage::Outcome& r, const std::string& fichero) {
  if (r.status == storage::Outcome::Status::kCancelled) return;
  const int idioma = ProgramaGlobal().IdiomaActual;
  using Op = OperacionDeFichero;
  const bool escribe = operacion == Op::kGuardaSenal || operacion == Op::kGuardaConfiguracion ||
                       operacion == Op::kExporta;
  if (r.Done()) {
    int texto = kTextoExportado;
    switch (operacion) {
      case Op::kGuardaSenal: texto = kTextoSenalGuardada; break;
      case Op::kAbreSenal: texto = kTextoSenalCargada; break;
      case Op::kGuardaConfiguracion: texto = kTextoConfiguracionGuardada; break;
      case Op::kCargaConfiguracion: texto = kTextoConfiguracionCargada; break;
      case Op::kExporta: texto = kTextoExportado; break;
    }
    Avisa(TextoPropio(texto, idioma).arg(Q(fichero)));
    return;
  }
  int texto = kTextoNoSeExporta;
  switch (operacion) {
    case Op::kGuardaSenal: texto = kTextoNoSeGuardaSenal; break;
    case Op::kAbreSenal: texto = kTextoNoSeCargaSenal; break;
    case Op::kGuardaConfiguracion: texto = kTextoNoSeGuardaConfiguracion; break;
    case Op::kCargaConfiguracion: texto = kTextoNoSeCargaConfiguracion; break;
    case Op::kExporta: texto = kTextoNoSeExporta; break;
  }
  const std::string& razon = r.reason;
  QString porque;
  if (operacion == Op::kExporta && r.status == storage::Outcome::Status::kRefused) {
    porque = TextoPropio(Contiene(razon, "XY") ? kTextoRazonVistaXY : kTextoRazonSinTrazas, idioma);
  } else if (Contiene(razon, "template")) {
    porque = TextoPropio(kTextoRazonSinPlantilla, idioma)
                 .arg(Q(std::string(operacion == Op::kGuardaSenal ? storage::kPlantillaSenal
                                                                  : storage::kPlantillaConfiguracion)));
  } else if (!fichero.empty() && !(porque = RazonDeFichero(fichero, escribe, idioma)).isEmpty()) {
    // the file system's answer
  } else if (Contiene(razon, std::strerror(ENOSPC))) {
    porque = TextoPropio(kTextoRazonDiscoLleno, idioma);
  } else if (Contiene(razon, std::strerror(EACCES))) {
    porque = TextoPropio(kTextoRazonPermiso, idioma);
  } else if (!escribe && r.status == storage::Outcome::Status::kRefused &&
             (Contiene(razon, "was written by") || Contiene(razon, "is not a"))) {
    porque = TextoPropio(operacion == Op::kAbreSenal ? kTextoRazonNoEsSenal : kTextoRazonNoEsConfiguracion, idioma);
  } else if (!escribe) {
    // The file is there and readable, yet its content would not load.
    porque = TextoPropio(kTextoRazonDanado, idioma);
  } else {
    porque = PalabrasDelSistema(razon);
  }
  Avisa(TextoPropio(texto, idioma).arg(Q(fichero.empty() ? std::string("?") : fichero), porque));
}

QString Oscil::TextoDelAviso() const { return Aviso != nullptr ? Aviso->text() : QString(); }

}  // namespace orva::mainwindow
