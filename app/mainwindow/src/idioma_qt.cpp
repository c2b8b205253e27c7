// Qt's own texts (file dialogs, message box buttons, context menus) and the
// dates in the window's language: Qt's translation qtbase_<code>.qm from
// Qt's translations folder (Debian: qt6-translations-l10n) and the
// language's locale as Qt's default.
//
// Only Qt's default locale changes: it decides dates and Qt's own widgets.
// The readouts keep following the user's locale for their numbers (they
// format through the C++ library, not QLocale).
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

#include "orva/mainwindow/textos_ventana.h"

namespace orva::mainwindow {
namespace {

struct IdiomaDeQt {
  const char* codigo;
  QLocale::Language idioma;
  QLocale::Territory territorio;
};
// 0 Catalan, 1 Spanish, 2 English, 3 French.
constexpr IdiomaDeQt kIdiomas[] = {
    {"ca", QLocale::Catalan, QLocale::Spain},
    {"es", QLocale::Spanish, QLocale::Spain},
    {"en", QLocale::English, QLocale::UnitedKingdom},
    {"fr", QLocale::French, QLocale::France},
};

}  // namespace

QLocale LocaleDelIdioma(int idioma) {
  if (idioma < 0 || idioma > 3) idioma = 1;
  const IdiomaDeQt& i = kIdiomas[idioma];
  return QLocale(i.idioma, i.territorio);
}

bool AplicaIdiomaDeQt(int idioma) {
  if (idioma < 0 || idioma > 3) idioma = 1;
  QLocale::setDefault(LocaleDelIdioma(idioma));
  static std::unique_ptr<QTranslator> traductor;
  if (traductor) {
    QCoreApplication::removeTranslator(traductor.get());
    traductor.reset();
  }
  if (QCoreApplication::instance() == nullptr) return false;
  auto t = std::make_unique<QTranslator>();
  const QString nombre = QStringLiteral("qtbase_") + QString::fromLatin1(kIdiomas[idioma].codigo);
  if (!t->load(nombre, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
  QCoreApplication::installTranslator(t.get());
  traductor = std::move(t);
  return true;
}

}  // namespace orva::mainwindow
