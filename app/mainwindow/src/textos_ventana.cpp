#include "orva/mainwindow/textos_ventana.h"

#include "orva/localisation/idioma.h"
#include "orva/strings.h"

namespace orva::mainwindow {

namespace detail {
// Compiled from data/window_texts.tsv at build time.
extern const strings::Entry kWindowTexts[];
extern const std::size_t kWindowTextsCount;
}  // namespace detail

std::string_view TextoDeVentana(int id, int idioma) {
  static const strings::StringTable table(detail::kWindowTexts, detail::kWindowTextsCount);
  // Checked apart, so that identifier 1001 is not identifier 1 of the next language.
  if (id < 1 || id > 999 || idioma < 0 || idioma > 3)
    throw strings::ResourceNotFound(static_cast<std::int64_t>(idioma) * 1000 + id);
  return table.LoadResString(static_cast<std::int64_t>(idioma) * 1000 + id);
}

QString TextoPropio(int id, int idioma) {
  const int idioma_valido = idioma >= 0 && idioma <= 3 ? idioma : localisation::kSpanish;
  const std::string_view t = TextoDeVentana(id, idioma_valido);
  return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

}  // namespace orva::mainwindow
