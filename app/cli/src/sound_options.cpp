// The sound input on the command line (the source itself is chosen with
// --source audio[:NAME], source_options.cpp):
//   --audio-full-scale V1[,V2]  volts of a full-scale sample on channels 1 and
//                             2 (one value: both), kept for that input
// Headless lines: "sound input: DESCRIPTION (FORMAT), full scale V1 V, V2 V"
// when the sound input is in use; an input that fails during the run makes
// it exit 1 with its message.
#include <QCommandLineOption>
#include <QStringList>

#include <array>
#include <cmath>
#include <cstdio>

#include "groups.h"
#include "orva/audio/sound_input.h"
#include "orva/mainwindow/oscil.h"

namespace orva::cli {
namespace {

class SoundOptions final : public LineReportingGroup {
 public:
  void Add(QCommandLineParser& parser) override { parser.addOption(full_scale_); }

  bool Check(const QCommandLineParser& parser, bool /*headless*/, std::string* error) override {
    if (!parser.isSet(full_scale_)) return true;
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
    return true;
  }

  bool BeforePowerOn(mainwindow::Oscil& window, std::string* /*error*/) override {
    if (scale_given_) window.EscalaCompletaDeSonido(scale_);
    return true;
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
  QCommandLineOption full_scale_{
      QStringLiteral("audio-full-scale"),
      QStringLiteral("Volts of a full-scale sample of the sound input (--source audio[:NAME]), "
                     "channels 1 and 2; one value for both (default 1), kept for that input."),
      QStringLiteral("V1[,V2]")};
  bool scale_given_ = false;
  std::array<double, 2> scale_{1.0, 1.0};
};

}  // namespace

std::unique_ptr<OptionGroup> MakeSoundOptions() { return std::make_unique<SoundOptions>(); }

}  // namespace orva::cli
