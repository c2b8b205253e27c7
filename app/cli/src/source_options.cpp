// --source SPEC: where the samples come from, for the window and the headless
// run alike (the source list is orva/mainwindow/fuentes.h):
//   demo        the demonstration generator (the default)
//   board       the board through the I/O ports
//   sim:MODEL   the simulated board of MODEL (ktr5, ktr4, ktr2, ktr1)
//   audio[:NAME]  the sound input NAME (id or description; none: the default)
//   sigrok:DRIVER[:OPTION=VALUE...]  an instrument through libsigrok
// A malformed text exits 2 (checked here); a source that cannot be opened
// (no such device, driver or option) exits 1 when it is chosen.
// Without --source, ORVABOARD_SIM naming a model chooses that simulated board
// (the board library's bus already holds it, with ORVABOARD_SIM_SIGNALS'
// inputs). The source text is checked before anything runs and chosen after
// start-up, before power-on, as the window's source menu chooses it.
//
// --list-sources prints one line per source available now and exits 0:
//   SPEC  description
// (two spaces between; the descriptions in English, as the headless run's
// "source:" line gives them).
#include <QCommandLineOption>

#include <cstdlib>

#include "groups.h"
#include "orva/localisation/idioma.h"
#include "orva/mainwindow/fuentes.h"
#include "orva/mainwindow/oscil.h"

namespace orva::cli {
namespace {

class SourceOptions final : public OptionGroup {
 public:
  void Add(QCommandLineParser& parser) override {
    parser.addOption(source_);
    parser.addOption(list_);
  }

  bool Check(const QCommandLineParser& parser, bool /*headless*/, std::string* error) override {
    list_asked_ = parser.isSet(list_);
    spec_.clear();
    std::string origin;
    if (parser.isSet(source_)) {
      spec_ = parser.value(source_).toStdString();
      origin = "--source";
    } else if (const char* sim = std::getenv("ORVABOARD_SIM"); sim != nullptr && sim[0] != '\0') {
      spec_ = std::string("sim:") + sim;
      origin = "ORVABOARD_SIM";
    }
    std::string why;
    if (!spec_.empty() && !mainwindow::Fuentes().Comprueba(spec_, nullptr, &why)) {
      *error = origin + ": " + why;
      return false;
    }
    return true;
  }

  bool AnswersAlone() const override { return list_asked_; }

  int Answer(std::FILE* out) override {
    for (const mainwindow::OpcionDeFuente& o : mainwindow::Fuentes().Opciones(localisation::kEnglish))
      std::fprintf(out, "%s  %s\n", o.spec.c_str(), o.descripcion.c_str());
    return 0;
  }

  bool BeforePowerOn(mainwindow::Oscil& window, std::string* error) override {
    std::string why;
    if (!spec_.empty() && !window.EligeFuente(spec_, &why)) {
      *error = "--source: " + why;
      return false;
    }
    return true;
  }

 private:
  QCommandLineOption source_{
      QStringLiteral("source"),
      QStringLiteral("Where the samples come from: demo (the demonstration generator, the "
                     "default), board (the I/O ports) or sim:MODEL (the simulated board ktr5, "
                     "ktr4, ktr2 or ktr1), audio[:NAME] (the sound input NAME; none: the default "
                     "input) or sigrok:DRIVER[:OPTION=VALUE...] (an instrument through libsigrok). "
                     "--list-sources lists them."),
      QStringLiteral("SPEC")};
  QCommandLineOption list_{QStringLiteral("list-sources"),
                           QStringLiteral("Print the sources available now, one per line "
                                          "(SPEC, two spaces, description), and exit.")};
  bool list_asked_ = false;
  std::string spec_;
};

}  // namespace

std::unique_ptr<OptionGroup> MakeSourceOptions() { return std::make_unique<SourceOptions>(); }

}  // namespace orva::cli
