// The sound input on the command line:
//   --source audio[:NAME]     measure the sound input NAME (its id or
//                             description; none: the default input)
//   --audio-full-scale V1[,V2]  volts of a full-scale sample on channels 1 and
//                             2 (one value: both), kept for that input
//   --source sigrok:DRIVER[:OPTION=VALUE...]  an instrument through libsigrok
//                             (docs/sources.md); a malformed text exits 2
//   --list-sources            print the sources available now, one a line
//                             "SPEC  description", and exit 0
// Provisional: these options stand until the program has its general source
// choice, which then takes over --source and --list-sources and keeps the
// sound input as one of its sources (the window's functions stay the same).
// Headless lines: "sound input: DESCRIPTION (FORMAT), full scale V1 V, V2 V";
// an input that fails during the run makes it exit 1 with its message.
#include <QCommandLineOption>
#include <QStringList>

#include <cmath>
#include <cstdlib>
#include <optional>

#include "groups.h"
#include "orva/audio/sound_input.h"
#include "orva/mainwindow/oscil.h"
#include "orva/manager.h"
#include "orva/sigrok/spec.h"

namespace orva::cli {
namespace {

bool list_sources = false;

class SoundOptions final : public LineReportingGroup {
 public:
  void Add(QCommandLineParser& parser) override {
    parser.addOption(source_);
    parser.addOption(full_scale_);
    parser.addOption(list_);
  }

  bool Check(const QCommandLineParser& parser, bool /*headless*/, std::string* error) override {
    list_sources = parser.isSet(list_);
    if (parser.isSet(source_)) {
      const std::string spec = parser.value(source_).toStdString();
      if (spec == "demo") {
        chosen_ = false;
      } else if (spec == "audio" || spec.rfind("audio:", 0) == 0) {
        chosen_ = true;
        name_ = spec.size() > 6 ? spec.substr(6) : std::string();
      } else if (sigrok::IsSigrokSpec(spec)) {
        // A malformed libsigrok text is a bad option (exit 2); whether the
        // device is there is known when it opens (exit 1).
        if (!sigrok::ParseSigrokSpec(spec, error)) return false;
        sigrok_ = spec;
      } else {
        return Error(error, "--source takes demo, audio[:NAME] or sigrok:DRIVER[:OPTION=VALUE...], not '" + spec + "'");
      }
    }
    if (parser.isSet(full_scale_)) {
      const QStringList v = parser.value(full_scale_).split(QLatin1Char(','));
      bool ok = v.size() == 1 || v.size() == 2;
      for (int c = 0; c < 2 && ok; ++c) {
        scale_[c] = v[std::min<int>(c, static_cast<int>(v.size()) - 1)].trimmed().toDouble(&ok);
        ok = ok && std::isfinite(scale_[c]) && scale_[c] > 0;
      }
      if (!ok)
        return Error(error, "--audio-full-scale takes one or two positive volts (V1[,V2]), not '" +
                                parser.value(full_scale_).toStdString() + "'");
      scale_given_ = true;
    }
    return true;
  }

  bool BeforePowerOn(mainwindow::Oscil& window, std::string* error) override {
    if (scale_given_) window.EscalaCompletaDeSonido(scale_);
    if (!sigrok_.empty()) return window.EligeInstrumentoSigrok(sigrok_, error);
    if (!chosen_) return true;
    return window.EligeEntradaDeSonido(name_, error);
  }

  bool AfterPasses(mainwindow::Oscil& window, std::string* error) override {
    if (!window.UltimoFalloDeFlujo().empty()) return Error(error, window.UltimoFalloDeFlujo());
    if (const auto& s = window.EntradaDeSonido()) {
      const auto fs = s->FullScale();
      char line[160];
      std::snprintf(line, sizeof line, ", full scale %g V, %g V", fs[0], fs[1]);
      lines_.push_back("sound input: " + s->Description() + " (" + s->FormatText() + ")" + line);
    }
    return true;
  }

 private:
  QCommandLineOption source_{QStringLiteral("source"),
                             QStringLiteral("Signal source: demo (default), audio[:NAME], the sound "
                                            "input NAME (id or description; none: the default input), or "
                                            "sigrok:DRIVER[:OPTION=VALUE...], an instrument through libsigrok."),
                             QStringLiteral("SPEC")};
  QCommandLineOption full_scale_{
      QStringLiteral("audio-full-scale"),
      QStringLiteral("Volts of a full-scale sample of the sound input, channels 1 and 2 (default 1)."),
      QStringLiteral("V1[,V2]")};
  QCommandLineOption list_{QStringLiteral("list-sources"),
                           QStringLiteral("Print the sources available now (SPEC  description) and exit.")};
  bool chosen_ = false;
  std::string name_;
  std::string sigrok_;  // --source sigrok:...: the instrument's text
  bool scale_given_ = false;
  std::array<double, 2> scale_{1.0, 1.0};
};

}  // namespace

std::unique_ptr<OptionGroup> MakeSoundOptions() { return std::make_unique<SoundOptions>(); }

bool ListSourcesRequested() { return list_sources; }

int PrintSources(std::FILE* out) {
  // The window's start-up language (ORVA_LANGUAGE, --language; else Spanish).
  const char* v = std::getenv("ORVA_LANGUAGE");
  const auto idioma = v != nullptr ? manager::LanguageOfText(v) : std::nullopt;
  mainwindow::ProgramaGlobal().IdiomaActual = static_cast<std::int16_t>(idioma.value_or(1));
  std::fprintf(out, "demo  demonstration generator\n");
  for (const auto& [spec, description] : mainwindow::Oscil::EntradasDeSonido())
    std::fprintf(out, "%s  %s\n", spec.c_str(), description.c_str());
  for (const auto& [spec, description] : mainwindow::Oscil::InstrumentosSigrok())
    std::fprintf(out, "%s  %s\n", spec.c_str(), description.c_str());
  std::fflush(out);
  return 0;
}

}  // namespace orva::cli
