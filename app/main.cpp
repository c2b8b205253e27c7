// OrvaScope: the oscilloscope program.
//
//   OrvaScope                      the window, as on the desktop
//   OrvaScope --headless [--passes N] [--screenshot FILE]
//
// Headless: the same window on Qt's offscreen platform (unless
// QT_QPA_PLATFORM names another): start-up, power on, N passes (default 50)
// run back to back without the one-second start delay, then the window is
// written to FILE as PNG (when given), the eight readouts are printed as
// datos(0..7) show them, with the passes-per-second figure, and the program
// exits 0.
//
// ORVABOARD_SIM set to a model name makes the board library simulate that
// board; the headless run then switches demonstration mode off after start-up
// (start-up always switches it on), so the simulated board's signals go
// through the full board path: programming, end of capture, memory read.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "orva/mainwindow/oscil.h"
#include "orva/scope/osciloscopio.h"

namespace {

struct Arguments {
  bool headless = false;
  long passes = 50;
  std::string screenshot;
  bool ok = true;
};

Arguments Parse(int argc, char** argv) {
  Arguments a;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--headless") {
      a.headless = true;
    } else if (arg == "--passes" && i + 1 < argc) {
      char* end = nullptr;
      a.passes = std::strtol(argv[++i], &end, 10);
      if (end == nullptr || *end != '\0' || a.passes < 0 || a.passes > 1000000) a.ok = false;
    } else if (arg == "--screenshot" && i + 1 < argc) {
      a.screenshot = argv[++i];
    } else {
      a.ok = false;
    }
  }
  return a;
}

}  // namespace

int main(int argc, char** argv) {
  const Arguments args = Parse(argc, argv);
  if (!args.ok) {
    std::fprintf(stderr,
                 "usage: %s [--headless [--passes N] [--screenshot FILE]]\n"
                 "  N: 0..1000000 passes (default 50)\n",
                 argv[0]);
    return 2;
  }
  if (args.headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");

  QApplication app(argc, argv);
  orva::mainwindow::Oscil window;
  // Start-up first, then the window appears once: centred, with its graticules.
  window.Form_Load();
  window.show();
  if (!args.headless) return app.exec();

  const char* sim = std::getenv("ORVABOARD_SIM");
  const bool simulated = sim != nullptr && sim[0] != '\0';
  window.Command1_Click();
  if (simulated) {
    window.Osciloscopio1().ModoDemo(false);
    window.ActualizaTitulo();
    window.Osciloscopio1().Programacion();
  }
  window.RunPasses(static_cast<int>(args.passes));
  QApplication::processEvents();

  int status = 0;
  if (!args.screenshot.empty()) {
    const QImage shot = window.grab().toImage();
    if (!shot.save(QString::fromStdString(args.screenshot), "PNG")) {
      std::fprintf(stderr, "OrvaScope: cannot write %s\n", args.screenshot.c_str());
      status = 1;
    }
  }
  std::printf("%s\n", window.windowTitle().toStdString().c_str());
  std::printf("source: %s\n", simulated ? ("simulated board " + std::string(sim)).c_str()
                                        : "demonstration generator");
  std::printf("passes: %ld\n", args.passes);
  for (int i = 0; i <= 7; ++i)
    std::printf("datos(%d) = %s\n", i, window.datos(i)->text().toStdString().c_str());
  std::printf("passes per second: %s\n", window.Label14->text().toStdString().c_str());
  if (!args.screenshot.empty() && status == 0)
    std::printf("screenshot: %s\n", args.screenshot.c_str());
  std::fflush(stdout);
  window.BucleActivo = false;
  window.Timer1->stop();
  window.Timer2->stop();
  return status;
}
