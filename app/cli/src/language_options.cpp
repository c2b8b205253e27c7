// --language L: the language of the window and of the start-up messages, as
// ORVA_LANGUAGE names it (0 Catalan, 1 Spanish, 2 English, 3 French, or ca,
// es, en, fr). Without it the program starts in Spanish unless ORVA_LANGUAGE
// is set. The option sets ORVA_LANGUAGE for this process before the window
// starts, so the window and the messages control agree on one language.
#include <QCommandLineOption>

#include "groups.h"
#include "orva/manager.h"

namespace orva::cli {
namespace {

class LanguageOptions final : public OptionGroup {
 public:
  void Add(QCommandLineParser& parser) override { parser.addOption(language_); }

  bool Check(const QCommandLineParser& parser, bool /*headless*/, std::string* error) override {
    if (!parser.isSet(language_)) return true;
    const std::string v = parser.value(language_).toStdString();
    const auto language = manager::LanguageOfText(v);
    if (!language) {
      *error = "--language takes ca, es, en, fr or 0 to 3, not '" + v + "'";
      return false;
    }
    qputenv("ORVA_LANGUAGE", QByteArray::number(*language));
    return true;
  }

 private:
  QCommandLineOption language_{QStringLiteral("language"),
                               QStringLiteral("Language of the window: ca, es, en, fr or 0 to 3 "
                                              "(default Spanish, or ORVA_LANGUAGE)."),
                               QStringLiteral("L")};
};

}  // namespace

std::unique_ptr<OptionGroup> MakeLanguageOptions() { return std::make_unique<LanguageOptions>(); }

}  // namespace orva::cli
