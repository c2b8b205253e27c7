// Recording of the measurements and their statistics in the headless run:
//
//   --record FILE        from power-on, one CSV row per capture to FILE
//                        (docs/file-formats.md), through the window's own
//                        recording (the tool bar's record button)
//   --record-max-mb N    size limit of the recording, 1..1048576 MB
//                        (default 1024); the window's limit too
//
// After the readouts the headless run prints the statistics of the eight
// measurements, one line each, and with --record one line on the recording
// ("recording: FILE (R rows, B bytes)"), one when it stopped early ("recording
// stopped early: size limit of N MB reached") and one when rows were dropped.
// A recording that stopped for want of room or a write error is a failed
// operation (exit status 1); one that reached its size limit is not.
#include <QSpinBox>

#include "groups.h"
#include "orva/mainwindow/oscil.h"

namespace orva::cli {
namespace {

constexpr long kMaxMB = 1048576;

class RecordOptions final : public LineReportingGroup {
 public:
  void Add(QCommandLineParser& parser) override {
    parser.addOption({"record",
                      "Record the eight measurements of every capture to FILE as CSV (time, "
                      "settings, values in V, Hz, s), from power-on.",
                      "FILE"});
    parser.addOption({"record-max-mb",
                      "Size limit of the recording in MB, 1..1048576 (default 1024): the recording "
                      "stops when the next row would pass it.",
                      "N"});
  }

  bool Check(const QCommandLineParser& parser, bool /*headless*/, std::string* error) override {
    if (parser.isSet("record")) {
      fichero_ = parser.value("record").toStdString();
      if (fichero_.empty()) return Error(error, "--record: no file name given");
    }
    if (parser.isSet("record-max-mb")) {
      const QString v = parser.value("record-max-mb");
      bool ok = false;
      const long n = v.trimmed().toLong(&ok);
      if (!ok || n < 1 || n > kMaxMB)
        return Error(error, "--record-max-mb takes a whole number of megabytes from 1 to 1048576, not '" +
                                v.toStdString() + "'");
      limite_mb_ = static_cast<int>(n);
    }
    return true;
  }

  bool BeforePowerOn(mainwindow::Oscil& window, std::string* error) override {
    if (limite_mb_ > 0) window.LimiteGrabacion->setValue(limite_mb_);
    if (fichero_.empty()) return true;
    const storage::Outcome r = window.IniciaGrabacion(fichero_);
    if (!r.Done()) return Error(error, "cannot record to " + fichero_ + ": " + r.reason);
    return true;
  }

  bool AfterPasses(mainwindow::Oscil& window, std::string* error) override {
    if (fichero_.empty()) return true;
    window.DetieneGrabacion();
    const record::CsvRecorder* g = window.Grabacion();
    if (g == nullptr) return true;
    lines_.push_back("recording: " + g->Path() + " (" + std::to_string(g->RowsWritten()) + " rows, " +
                     std::to_string(g->BytesWritten()) + " bytes)");
    const std::string motivo = g->StopText();
    if (!motivo.empty()) lines_.push_back("recording stopped early: " + motivo);
    if (g->RowsDropped() > 0)
      lines_.push_back("recording dropped rows: " + std::to_string(g->RowsDropped()) +
                       " (the disk could not keep up)");
    if (g->Reason() == record::StopReason::kDiskFull || g->Reason() == record::StopReason::kWriteError)
      return Error(error, "recording to " + g->Path() + " stopped: " + motivo);
    return true;
  }

  void Report(mainwindow::Oscil& window, std::FILE* out) override {
    for (int i = 0; i < record::kMeasurements; ++i)
      std::fprintf(out, "%s\n", record::StatisticsLine(i, window.Estadisticas()[i]).c_str());
    LineReportingGroup::Report(window, out);
  }

 private:
  std::string fichero_;
  int limite_mb_ = 0;
};

}  // namespace

std::unique_ptr<OptionGroup> MakeRecordOptions() { return std::make_unique<RecordOptions>(); }

}  // namespace orva::cli
