// The headless run's signal and configuration files, through the window's
// own stores, with their file dialog answered by the file on the command line:
//
//   --open-config FILE       before power-on: the configuration is applied
//   --open-signal FILE       before power-on: the reference trace, drawn by the passes
//   --save-signal CH FILE    after the passes: channel CH (1 or 2) stored
//   --save-config FILE       after the passes: the configuration saved
//
// FILE of --save-signal is the positional argument the group claims. Each
// operation adds one output line ("configuration loaded: FILE", "signal
// loaded: FILE (768 samples)", "signal saved: FILE (channel 2)",
// "configuration saved: FILE", FILE with its folder: a bare name lies in the
// window's user folder, see UserFile in groups.h); a failure is one line on standard error and
// exit status 1, and the file that was there stays as it was.
#include <QDate>
#include <QFileInfo>
#include <QLocale>

#include "groups.h"
#include "orva/file_dialog.h"
#include "orva/mainwindow/carpetas.h"
#include "orva/mainwindow/oscil.h"
#include "orva/mainwindow/textos_ventana.h"
#include "orva/scope/osciloscopio.h"
#include "orva/storage/bd_config.h"
#include "orva/storage/bd_signal.h"

namespace orva::cli {
namespace {

constexpr const char* kOpenConfig = "open-config";
constexpr const char* kOpenSignal = "open-signal";
constexpr const char* kSaveSignal = "save-signal";
constexpr const char* kSaveConfig = "save-config";

class FileOptions final : public LineReportingGroup {
 public:
  void Add(QCommandLineParser& parser) override {
    parser.addOption({kOpenConfig, "Headless: apply the configuration FILE before power-on.", "FILE"});
    parser.addOption({kOpenSignal, "Headless: load the signal FILE as the reference trace.", "FILE"});
    parser.addOption({kSaveSignal,
                      "Headless: after the passes, store channel CH (1 or 2) as the signal file "
                      "FILE, given after CH.",
                      "CH"});
    parser.addOption({kSaveConfig, "Headless: after the passes, save the configuration as FILE.", "FILE"});
  }

  int Positionals(const QCommandLineParser& parser, int first) override {
    first_ = first;
    return parser.isSet(kSaveSignal) ? 1 : 0;
  }

  bool Check(const QCommandLineParser& parser, bool headless, std::string* error) override {
    const char* const names[] = {kOpenConfig, kOpenSignal, kSaveSignal, kSaveConfig};
    for (const char* name : names) {
      if (!parser.isSet(name)) continue;
      if (!headless) return Error(error, std::string("--") + name + " belongs to the headless run (--headless)");
      if (parser.value(name).isEmpty()) return Error(error, std::string("--") + name + ": no value given");
    }
    open_config_ = parser.value(kOpenConfig).toStdString();
    open_signal_ = parser.value(kOpenSignal).toStdString();
    save_config_ = parser.value(kSaveConfig).toStdString();
    if (parser.isSet(kSaveSignal)) {
      const QString ch = parser.value(kSaveSignal);
      if (ch != "1" && ch != "2")
        return Error(error, "--save-signal takes the channel 1 or 2, not '" + ch.toStdString() + "'");
      const QStringList files = parser.positionalArguments();
      if (files.size() <= first_) return Error(error, "--save-signal " + ch.toStdString() + ": no FILE given");
      channel_ = static_cast<std::int16_t>(ch.toInt());
      save_signal_ = files.at(first_).toStdString();
    }
    return true;
  }

  bool BeforePowerOn(mainwindow::Oscil& window, std::string* error) override {
    if (!open_config_.empty()) open_config_ = UserFile(window, open_config_, false);
    if (!open_signal_.empty()) open_signal_ = UserFile(window, open_signal_, false);
    if (!open_config_.empty() || !open_signal_.empty() || channel_ != 0 || !save_config_.empty())
      AnswerDialogs(window);
    storage::BDConfig* config = window.AlmacenDeConfiguracion();
    const auto& signal = mainwindow::ProgramaGlobal().AlmacenDeSenales;
    if (!open_config_.empty() &&
        !Run(open_config_, "load the configuration", error,
             [&] { return config ? config->CargarConfiguracion() : NoStore(); },
             [&] { return "configuration loaded: " + open_config_; }))
      return false;
    if (!open_signal_.empty() &&
        !Run(open_signal_, "load the signal", error,
             [&] { return signal ? signal->Abrir2(open_signal_) : NoStore(); },
             [&] {
               return "signal loaded: " + open_signal_ + " (" +
                      std::to_string(window.Osciloscopio1().VDisk().size()) + " samples)";
             }))
      return false;
    return true;
  }

  bool AfterPasses(mainwindow::Oscil& window, std::string* error) override {
    if (channel_ != 0) save_signal_ = UserFile(window, save_signal_, true);
    if (!save_config_.empty()) save_config_ = UserFile(window, save_config_, true);
    storage::BDConfig* config = window.AlmacenDeConfiguracion();
    const auto& signal = mainwindow::ProgramaGlobal().AlmacenDeSenales;
    if (channel_ != 0 && signal) {
      // The texts the signal browser proposes for a new signal.
      signal->Nombre("Nueva");
      // The date in the window's language, as the browser writes it.
      const QLocale idioma = mainwindow::LocaleDelIdioma(mainwindow::ProgramaGlobal().IdiomaActual);
      signal->Fecha(idioma.toString(QDate::currentDate(), QLocale::ShortFormat).toStdString());
    }
    if (channel_ != 0 &&
        !Run(save_signal_, "save the signal", error,
             [&] { return signal ? signal->Guardar2(channel_) : NoStore(); },
             [&] { return "signal saved: " + save_signal_ + " (channel " + std::to_string(channel_) + ")"; }))
      return false;
    if (!save_config_.empty() &&
        !Run(save_config_, "save the configuration", error,
             [&] { return config ? config->GuardarConfiguracion() : NoStore(); },
             [&] { return "configuration saved: " + save_config_; }))
      return false;
    return true;
  }

 private:
  static storage::Outcome NoStore() { return storage::Outcome::Fallido("the store is not there"); }
  // One operation with the dialog answering `file`; its output line when done.
  template <class Operation, class Line>
  bool Run(const std::string& file, const char* what, std::string* error, Operation operation, Line line) {
    dialog_->Answer(file);
    const storage::Outcome r = operation();
    if (!r.Done()) return Error(error, std::string("cannot ") + what + " " + file + ": " + r.reason);
    lines_.push_back(line());
    return true;
  }

  // The stores' dialog answers every request with the file of the
  // operation at hand.
  void AnswerDialogs(mainwindow::Oscil& window) {
    if (storage::BDConfig* c = window.AlmacenDeConfiguracion()) c->Dialogo(dialog_);
    if (const auto& s = mainwindow::ProgramaGlobal().AlmacenDeSenales) s->Dialogo(dialog_);
  }

  int first_ = 0;
  std::string open_config_, open_signal_, save_signal_, save_config_;
  std::int16_t channel_ = 0;
  std::shared_ptr<filedialog::AnsweringDialog> dialog_ = std::make_shared<filedialog::AnsweringDialog>();
};

}  // namespace

std::string UserFile(const mainwindow::Oscil& window, const std::string& file, bool writing) {
  if (file.find('/') != std::string::npos) return file;
  if (!writing && QFileInfo::exists(QString::fromStdString(file))) return file;
  if (writing) mainwindow::CreaCarpeta(window.CarpetaDeUsuario());
  return mainwindow::EnCarpeta(file, window.CarpetaDeUsuario());
}

std::unique_ptr<OptionGroup> MakeFileOptions() { return std::make_unique<FileOptions>(); }

}  // namespace orva::cli
