// The help file's search and its viewer.
#include "orva/mainwindow/ayuda.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace orva::mainwindow {

std::vector<std::string> CarpetasDeAyuda(const std::string& program_folder) {
  const QString carpeta = QString::fromStdString(program_folder);
  return {QFileInfo(carpeta).absoluteFilePath().toStdString(),
          QFileInfo(carpeta + QStringLiteral("/../share/orvascope")).absoluteFilePath().toStdString()};
}

std::optional<std::string> BuscaAyuda(const std::string& help_file,
                                      const std::string& program_folder) {
  // The rule's path may use either separator (a folder written the Windows way).
  QString nombre = QString::fromStdString(help_file);
  nombre.replace(QLatin1Char('\\'), QLatin1Char('/'));
  nombre = nombre.section(QLatin1Char('/'), -1);
  if (nombre.isEmpty()) return std::nullopt;
  for (const std::string& carpeta : CarpetasDeAyuda(program_folder)) {
    const QFileInfo fichero(QString::fromStdString(carpeta) + QLatin1Char('/') + nombre);
    if (fichero.isFile()) return fichero.absoluteFilePath().toStdString();
  }
  return std::nullopt;
}

VisorDeAyuda::VisorDeAyuda(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("VisorDeAyuda"));
  texto_ = new QTextBrowser(this);
  texto_->setObjectName(QStringLiteral("TextoDeAyuda"));
  texto_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(texto_);
  resize(720, 640);
}

bool VisorDeAyuda::Muestra(const std::string& fichero, const QString& titulo) {
  const QFileInfo info(QString::fromStdString(fichero));
  if (!info.isFile() || !info.isReadable()) return false;
  // HTML whatever the extension (".hlp"); the browser reads the file and
  // closes it, and follows the manual's own links from there.
  texto_->setSource(QUrl::fromLocalFile(info.absoluteFilePath()), QTextDocument::HtmlResource);
  fichero_ = info.absoluteFilePath().toStdString();
  const QString documento = texto_->documentTitle();
  setWindowTitle(documento.isEmpty() ? titulo : titulo + QStringLiteral(" — ") + documento);
  return true;
}

}  // namespace orva::mainwindow
