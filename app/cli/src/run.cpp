// The OrvaScope program: the window as on the desktop, or the headless run.
//
//   OrvaScope [options]                       the window
//   OrvaScope --headless [--passes N] [--screenshot FILE] [options]
//
// Headless: the same window on Qt's offscreen platform (unless
// QT_QPA_PLATFORM names another): start-up, power on, then passes back to
// back without the one-second start delay until N of them (--passes, default
// 50) have read a capture, or --timeout SECONDS (default 60, 0 none) has run
// out (exit status 1); then the window is written to FILE as PNG (when given)
// and the run prints, one per line:
//   the caption
//   source: demonstration generator | board through the I/O ports |
//           simulated board MODEL | remote link | sound input ... |
//           libsigrok instrument ...
//   instrument: R samples/s; gain: ...; coupling: ...; trigger: ...
//                                    (a libsigrok instrument only: its rate,
//                                    and "on the device" or "in software")
//   passes: P                        the passes run, those that read nothing included
//   captures: N                      the passes that read a capture
//   datos(0) = ... datos(7) = ...    the eight readouts as shown; when no
//                                    capture was read, instead:
//   readouts: none, no capture was read
//   passes per second: ...           (over the run when it lasted under a second)
//   captures per second: ...         captures over the whole run
//   (lines of the option groups)
//   screenshot: FILE
// In Single trigger mode the run presses the single-shot button for each
// capture it still needs.
// The remote link's stations (--board-station, --remote-station) run their
// passes their own way; see remote_options.cpp.
// Exit status: 0 done, 1 a failed operation, 2 a bad option (one line on
// standard error in both cases).
//
// --source SPEC (source_options.cpp) chooses where the samples come from
// after start-up (which always starts on the demonstration generator), for
// the window and the headless run alike; without it ORVABOARD_SIM set to a
// model name chooses that simulated board, so its signals go through the
// full board path: programming, end of capture, memory read.
#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "groups.h"
#include "pass_loop.h"
#include "orva/cli/option_group.h"
#include "orva/mainwindow/oscil.h"
#include "orva/scope/osciloscopio.h"

#ifndef ORVASCOPE_VERSION
#define ORVASCOPE_VERSION "0"
#endif

namespace orva::cli {
namespace {

constexpr long kMaxPasses = 1000000;

// The offscreen platform answers the window's size hints with a notice on
// every run; it says nothing about the run, and a successful headless run
// keeps standard error empty. Only that exact message is dropped: every other
// message goes to the handler that was there.
QtMessageHandler previous_handler = nullptr;
void QuietOffscreenNotice(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message == QLatin1String("This plugin does not support propagateSizeHints()"))
    return;
  if (previous_handler != nullptr) previous_handler(type, context, message);
}

int Fail(int status, const std::string& message) {
  std::fprintf(stderr, "OrvaScope: %s\n", message.c_str());
  return status;
}

QStringList Arguments(int argc, char** argv) {
  QStringList list;
  for (int i = 0; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
  return list;
}

}  // namespace

int RunProgram(int argc, char** argv) {
  QCoreApplication::setApplicationName(QStringLiteral("OrvaScope"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORVASCOPE_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Two-channel digital storage oscilloscope. Without --headless the window "
                     "opens; with it, the instrument runs a number of passes on Qt's offscreen "
                     "platform and prints its readouts."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption headless_option(
      QStringLiteral("headless"), QStringLiteral("Run without a window: switch on, run the passes, print the readouts."));
  const QCommandLineOption passes_option(
      QStringLiteral("passes"), QStringLiteral("Passes of the headless run, 0..1000000 (default 50)."),
      QStringLiteral("N"), QStringLiteral("50"));
  const QCommandLineOption screenshot_option(
      QStringLiteral("screenshot"), QStringLiteral("Write the window to FILE as PNG after the headless run."),
      QStringLiteral("FILE"));
  const QCommandLineOption timeout_option(
      QStringLiteral("timeout"),
      QStringLiteral("Seconds the headless run may take to read its captures (default 60; 0: no limit). "
                     "Run out: what was read is printed and the exit status is 1."),
      QStringLiteral("SECONDS"), QStringLiteral("60"));
  parser.addOption(headless_option);
  parser.addOption(passes_option);
  parser.addOption(timeout_option);
  parser.addOption(screenshot_option);
  std::vector<std::unique_ptr<OptionGroup>> groups = AllOptionGroups();
  for (auto& g : groups) g->Add(parser);

  if (!parser.parse(Arguments(argc, argv))) return Fail(2, parser.errorText().toStdString());
  if (parser.isSet(help)) {
    // Without an application object yet, the text names no program.
    QString text = parser.helpText();
    text.replace(QStringLiteral("<executable_name>"), QStringLiteral("OrvaScope"));
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (parser.isSet(version)) {
    std::printf("OrvaScope %s\n", ORVASCOPE_VERSION);
    std::printf("License GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>\n");
    return 0;
  }
  int claimed = 0;
  for (auto& g : groups) claimed += g->Positionals(parser, claimed);
  if (parser.positionalArguments().size() > claimed)
    return Fail(2, "unexpected argument '" + parser.positionalArguments().at(claimed).toStdString() + "'");
  const bool headless = parser.isSet(headless_option);
  bool passes_ok = false;
  const long passes = parser.value(passes_option).toLong(&passes_ok);
  if (!passes_ok || passes < 0 || passes > kMaxPasses)
    return Fail(2, "--passes takes a whole number from 0 to 1000000, not '" +
                       parser.value(passes_option).toStdString() + "'");
  bool timeout_ok = false;
  const double timeout = parser.value(timeout_option).toDouble(&timeout_ok);
  if (!timeout_ok || !(timeout >= 0 && timeout <= kMaxTimeoutSeconds))
    return Fail(2, "--timeout takes a number of seconds from 0 (no limit) to 1000000, not '" +
                       parser.value(timeout_option).toStdString() + "'");
  const std::string screenshot = parser.value(screenshot_option).toStdString();
  if (!headless &&
      (parser.isSet(passes_option) || parser.isSet(screenshot_option) || parser.isSet(timeout_option)))
    return Fail(2, "--passes, --timeout and --screenshot belong to the headless run (--headless)");
  std::string error;
  for (auto& g : groups)
    if (!g->Check(parser, headless, &error)) return Fail(2, error);

  previous_handler = qInstallMessageHandler(QuietOffscreenNotice);
  for (auto& g : groups) {
    if (!g->AnswersAlone()) continue;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int answered = g->Answer(stdout);
    std::fflush(stdout);
    return answered;
  }

  if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  mainwindow::Oscil window;
  // Start-up first, then the window appears once: centred, with its graticules.
  window.Form_Load();
  for (auto& g : groups)
    if (!g->BeforePowerOn(window, &error)) return Fail(1, error);
  window.show();
  if (!headless) return app.exec();

  window.Command1_Click();
  int status = 0;
  long passes_run = passes;
  bool own_run = false;
  QElapsedTimer run_time;
  run_time.start();
  const long long captures_before = window.CapturasLeidas();
  for (auto& g : groups) {
    if (const std::optional<bool> done = g->RunHeadless(window, passes, &passes_run, &error)) {
      own_run = true;
      if (!*done) status = Fail(1, error);
      break;
    }
  }
  if (!own_run) {
    PassLoop loop(window, timeout);
    passes_run = loop.Run([&] {
      if (window.CapturasLeidas() - captures_before >= passes) return true;
      // Single: one press of the single-shot button for each capture still
      // needed (nothing requested, nothing armed).
      if (window.Osciloscopio1().ModoDisparo() == 0 && !window.DisparoUnicoPedido && !window.Armado)
        window.SSCommand1_Click();
      return false;
    });
    if (loop.TimedOut())
      status = Fail(1, "--timeout " + parser.value(timeout_option).toStdString() + " s ran out after " +
                           std::to_string(window.CapturasLeidas() - captures_before) + " of " +
                           std::to_string(passes) + " captures");
  }
  const double seconds = static_cast<double>(run_time.nsecsElapsed()) * 1e-9;
  const long long captures = window.CapturasLeidas() - captures_before;
  QApplication::processEvents();

  for (auto& g : groups) {
    if (status != 0) break;
    if (!g->AfterPasses(window, &error)) {
      status = Fail(1, error);
      break;
    }
  }
  if (!screenshot.empty()) {
    const QImage shot = window.grab().toImage();
    if (!shot.save(QString::fromStdString(screenshot), "PNG")) {
      status = Fail(1, "cannot write " + screenshot);
    }
  }
  std::printf("%s\n", window.windowTitle().toStdString().c_str());
  std::string source = window.DescripcionDeFuente(2);  // in English, whatever the window's language
  if (window.Osciloscopio1().ModoRemoto()) source = "remote link";
  std::printf("source: %s\n", source.c_str());
  if (const std::string reparto = window.RepartoDelInstrumento(2); !reparto.empty() && !window.Osciloscopio1().ModoRemoto())
    std::printf("instrument: %.0f samples/s; %s\n", window.Osciloscopio1().FuenteDeFlujo() ? window.Osciloscopio1().FuenteDeFlujo()->SampleRate() : 0.0,
                reparto.c_str());
  std::printf("passes: %ld\n", passes_run);
  std::printf("captures: %lld\n", captures);
  // Readouts of passes that read no capture measure an empty record: none
  // are printed then.
  if (captures > 0) {
    for (int i = 0; i <= 7; ++i)
      std::printf("datos(%d) = %s\n", i, window.datos(i)->text().toStdString().c_str());
  } else {
    std::printf("readouts: none, no capture was read\n");
  }
  // The window's figure is counted over whole seconds; a shorter run reports
  // its own rate instead of a blank.
  std::string rate = window.Label14->text().toStdString();
  if (rate.empty() && seconds > 0.0 && passes_run > 0)
    rate = QString::number(static_cast<double>(passes_run) / seconds, 'f', 1).toStdString();
  std::printf("passes per second: %s\n", rate.c_str());
  std::printf("captures per second: %.1f\n", seconds > 0.0 ? static_cast<double>(captures) / seconds : 0.0);
  for (auto& g : groups) g->Report(window, stdout);
  if (!screenshot.empty() && status == 0) std::printf("screenshot: %s\n", screenshot.c_str());
  std::fflush(stdout);
  window.BucleActivo = false;
  window.Timer1->stop();
  window.Timer2->stop();
  return status;
}

}  // namespace orva::cli
