#include "orva/mainwindow/carpetas.h"

#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <QString>

#include <filesystem>

namespace orva::mainwindow {
namespace {

// The subfolder of the documents and data folders that holds our files.
constexpr const char* kSubcarpeta = "OrvaScope";

QString Q(const std::string& s) { return QString::fromStdString(s); }

bool EsCarpetaDelSistema(const std::string& carpeta) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::weakly_canonical(carpeta, ec);
  const std::string c = ec ? carpeta : p.string();
  for (const char* s : {"/usr/bin", "/usr/local/bin", "/bin", "/usr/sbin", "/sbin"})
    if (c == s) return true;
  return false;
}

// A writable location of the given kind, else the home folder.
std::string Lugar(QStandardPaths::StandardLocation tipo) {
  QString base = QStandardPaths::writableLocation(tipo);
  if (base.isEmpty()) base = QDir::homePath();
  return QDir(base).filePath(QString::fromLatin1(kSubcarpeta)).toStdString();
}

bool EsCarpetaDePlaca(const std::string& valor) { return valor.empty() || valor == "0"; }

}  // namespace

bool CarpetaEscribible(const std::string& carpeta) {
  std::error_code ec;
  return !carpeta.empty() && std::filesystem::is_directory(carpeta, ec) &&
         ::access(carpeta.c_str(), W_OK | X_OK) == 0;
}

std::string CarpetaDeUsuario(const std::string& carpeta_programa) {
  if (CarpetaEscribible(carpeta_programa) && !EsCarpetaDelSistema(carpeta_programa)) return carpeta_programa;
  return Lugar(QStandardPaths::DocumentsLocation);
}

bool CreaCarpeta(const std::string& carpeta) {
  if (carpeta.empty()) return false;
  return QDir().mkpath(Q(carpeta));
}

std::string EnCarpeta(const std::string& fichero, const std::string& carpeta) {
  if (fichero.empty() || fichero.find('/') != std::string::npos || carpeta.empty()) return fichero;
  return QDir(Q(carpeta)).filePath(Q(fichero)).toStdString();
}

std::string CarpetaDeCal(const std::string& path_cal, const std::string& carpeta_placa) {
  return EsCarpetaDePlaca(path_cal) ? carpeta_placa : path_cal;
}

std::string CarpetaDeCal2(const std::string& path_cal2, const std::string& carpeta_placa) {
  if (!EsCarpetaDePlaca(path_cal2)) return path_cal2;
  // The board folder, also when it is still to be made in a writable data
  // folder (a build tree holds no board folder until a board writes one).
  std::error_code ec;
  const std::filesystem::path placa_p(carpeta_placa);
  if (CarpetaEscribible(carpeta_placa) ||
      (!std::filesystem::exists(placa_p, ec) && CarpetaEscribible(placa_p.parent_path().string()) &&
       !EsCarpetaDelSistema(placa_p.parent_path().string())))
    return carpeta_placa;
  // The board folder's own name keeps the files of two boards apart.
  std::string placa = std::filesystem::path(carpeta_placa).filename().string();
  if (placa.empty()) placa = std::filesystem::path(carpeta_placa).parent_path().filename().string();
  const std::string datos = Lugar(QStandardPaths::GenericDataLocation);
  return placa.empty() ? datos : QDir(Q(datos)).filePath(Q(placa)).toStdString();
}

}  // namespace orva::mainwindow
