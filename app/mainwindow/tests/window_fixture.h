// The window under test: an instrument on a recording board and a hand-moved
// clock, a recording clipboard and a chosen printer.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPrinter>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "orva/file_dialog.h"
#include "orva/mainwindow/oscil.h"
#include "orva/scope/board_calls.h"
#include "orva/scope/osciloscopio.h"

namespace orva::mainwindow::testing {

struct Board {
  int programmings = 0;
  int reads = 0;
  std::int16_t fin = 256;       // capture ended
  std::uint8_t canal1 = 128;    // constant samples delivered
  std::uint8_t canal2 = 128;
};

class FakeBoard final : public scope::BoardCalls {
 public:
  explicit FakeBoard(std::shared_ptr<Board> b) : b_(std::move(b)) {}
  std::int16_t Configuracio(std::int16_t, const char*) override { return 0; }
  std::int16_t OscilNew(const scope::OscilNewArgs&) override {
    ++b_->programmings;
    return 1;
  }
  std::int16_t FinDeCaptura() override { return b_->fin; }
  void LeeLaMemoria(const scope::LeeLaMemoriaArgs& a, std::uint8_t* c1, std::uint8_t* c2,
                    std::int32_t capacity) override {
    ++b_->reads;
    const std::int64_t n = std::min<std::int64_t>(std::int64_t{a.cuenta_a} + a.cuenta_b, capacity);
    for (std::int64_t i = 0; i < n; ++i) {
      c1[i] = b_->canal1;
      c2[i] = b_->canal2;
    }
  }

 private:
  std::shared_ptr<Board> b_;
};

class RecordingClipboard : public Portapapeles {
 public:
  void Clear() override {
    ++clears;
    text.clear();
    picture = QImage();
  }
  void SetText(const std::string& t) override { text = t; }
  void SetPicture(const std::shared_ptr<const scope::ScreenPicture>& p) override {
    const auto* own = dynamic_cast<const WindowPicture*>(p.get());
    picture = own != nullptr ? own->Image() : QImage();
  }
  int clears = 0;
  std::string text;
  QImage picture;
};

inline QApplication& App() {
  // Kept to process exit: destroying the application among exit-time globals
  // is not safe.
  static int argc = 1;
  static char name[] = "window_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    OscilOptions options;
    options.instrumento = std::make_unique<scope::Osciloscopio>(
        std::make_unique<FakeBoard>(board), [t = instrument_time] { return *t; });
    options.reloj = [t = window_time, s = step] {
      *t += *s;  // every look at the clock moves it on
      return *t;
    };
    options.impresora = [this]() -> std::unique_ptr<QPrinter> {
      if (pdf.empty()) return nullptr;
      auto p = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
      p->setOutputFormat(QPrinter::PdfFormat);
      p->setOutputFileName(QString::fromStdString(pdf));
      ++printers_made;
      return p;
    };
    options.portapapeles = clipboard;
    options.dialogo = dialogo;
    w = std::make_unique<Oscil>(std::move(options));
    w->resize(1180, 860);
    w->show();
    QApplication::processEvents();
    w->Form_Load();
  }
  void TearDown() override {
    w->BucleActivo = false;
    w->Timer1->stop();
    w->Timer2->stop();
    w.reset();
  }

  scope::Osciloscopio& O() { return w->Osciloscopio1(); }
  // Powered on, passes driven by the test, board path with the fake board.
  void PowerOnBoard() {
    w->Command1_Click();
    w->Timer1->stop();
    w->Timer2->stop();
    O().ModoDemo(false);
  }
  void Passes(int n) {
    for (int i = 0; i < n; ++i) w->BuclePrincipal();
  }
  int CountColour(PictureBox* p, COLORREF c) {
    const QImage img = p->Image();
    int n = 0;
    const QRgb want = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) | 0xFF000000u) == want;
    return n;
  }

  std::shared_ptr<Board> board = std::make_shared<Board>();
  std::shared_ptr<double> instrument_time = std::make_shared<double>(100.0);
  std::shared_ptr<double> window_time = std::make_shared<double>(5000.0);
  std::shared_ptr<double> step = std::make_shared<double>(0.0);
  std::shared_ptr<RecordingClipboard> clipboard = std::make_shared<RecordingClipboard>();
  std::string pdf;
  int printers_made = 0;
  // The window's file dialog, set before SetUp; null: QFileDialog.
  std::shared_ptr<filedialog::FileDialog> dialogo;
  std::unique_ptr<Oscil> w;
};

}  // namespace orva::mainwindow::testing
