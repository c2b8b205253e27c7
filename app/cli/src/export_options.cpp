// The headless run's exports of the shown traces, after the passes and the
// file group's saves, through the window's own export:
//
//   --export-csv FILE   the traces as CSV: time (s) from the trigger point,
//                       then volts of each trace shown
//   --export-wav FILE   the same traces as a 32-bit float WAV file at the
//                       display sample rate
//
// Each adds one output line ("traces exported: FILE (CSV)", "... (WAV)", FILE
// with its folder: a bare name lies in the user folder, see groups.h); a
// failure is one line on standard error and exit status 1, and the file that
// was there stays as it was.
#include "groups.h"
#include "orva/mainwindow/oscil.h"

namespace orva::cli {
namespace {

using Formato = mainwindow::Oscil::FormatoDeExportacion;

struct Exportacion {
  const char* opcion;
  Formato formato;
  const char* nombre;
};
constexpr Exportacion kExportaciones[] = {
    {"export-csv", Formato::kCsv, "CSV"},
    {"export-wav", Formato::kWav, "WAV"},
};

class ExportOptions final : public LineReportingGroup {
 public:
  void Add(QCommandLineParser& parser) override {
    parser.addOption({kExportaciones[0].opcion,
                      "Headless: after the passes, write the shown traces to FILE as CSV "
                      "(time from the trigger point in s, volts).",
                      "FILE"});
    parser.addOption({kExportaciones[1].opcion,
                      "Headless: after the passes, write the shown traces to FILE as a 32-bit "
                      "float WAV file at the display sample rate.",
                      "FILE"});
  }

  bool Check(const QCommandLineParser& parser, bool headless, std::string* error) override {
    for (std::size_t i = 0; i < std::size(kExportaciones); ++i) {
      const char* name = kExportaciones[i].opcion;
      if (!parser.isSet(name)) continue;
      if (!headless) return Error(error, std::string("--") + name + " belongs to the headless run (--headless)");
      ficheros_[i] = parser.value(name).toStdString();
      if (ficheros_[i].empty()) return Error(error, std::string("--") + name + ": no value given");
    }
    return true;
  }

  bool AfterPasses(mainwindow::Oscil& window, std::string* error) override {
    for (std::size_t i = 0; i < std::size(kExportaciones); ++i) {
      if (ficheros_[i].empty()) continue;
      ficheros_[i] = UserFile(window, ficheros_[i], true);
      const storage::Outcome r = window.ExportaTrazasA(ficheros_[i], kExportaciones[i].formato);
      if (!r.Done()) return Error(error, "cannot export the traces to " + ficheros_[i] + ": " + r.reason);
      lines_.push_back("traces exported: " + ficheros_[i] + " (" + kExportaciones[i].nombre + ")");
    }
    return true;
  }

 private:
  std::string ficheros_[std::size(kExportaciones)];
};

}  // namespace

std::unique_ptr<OptionGroup> MakeExportOptions() { return std::make_unique<ExportOptions>(); }

}  // namespace orva::cli
