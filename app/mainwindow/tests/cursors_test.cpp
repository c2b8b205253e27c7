// Cursors, spectrum markers and the pointer readout: through the handlers,
// through the mouse (QTest) on a resized window and a panned view, and the
// markers on the demonstration sine's spectrum.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "orva/mainwindow/cursor_readouts.h"
#include "orva/scope/readouts.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

constexpr int kLeft = 1, kRight = 2;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Text(QLabel* l) { return l->text().toStdString(); }
QPoint Pixel(PictureBox* p, double x, double y) {
  return {static_cast<int>(std::floor(p->ToPixelX(x))), static_cast<int>(std::floor(p->ToPixelY(y)))};
}

class Cursors : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    scope::SetDecimalSeparator('.');
  }
  void TearDown() override {
    scope::ResetDecimalSeparator();
    WindowTest::TearDown();
  }
  void On() {  // demonstration mode, 200 ns/div (128 Msamples/s), 5 V/div
    w->Command1_Click();
    w->Timer1->stop();
    w->Timer2->stop();
  }
  void Tick(ControlArray<QCheckBox>& boxes, std::initializer_list<int> which, bool on = true) {
    for (int i : which) boxes(i)->setChecked(on);
  }
};

TEST(CursorReadouts, WholeSamplesHighestPointOfAColumnAndEmptyTextsForUnusableValues) {
  scope::SetDecimalSeparator('.');
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<std::string, const char*> cases[] = {
      {TextoTiempoCursor(256.4, 0, 1e9), "0.00 ns"},  // whole samples
      {TextoDiferenciaTiempo(512, 256, 25600), "-10.00 ms"},
      {TextoTiempoCursor(300, 0, 0), ""},      {TextoDiferenciaTiempo(1, 2, inf), ""},
      {TextoTiempoCursor(300, 0, kNaN), ""},   {TextoFrecuenciaPunto(300, 0), ""},
      {TextoTiempoCursor(300, kNaN, 1e6), ""}, {TextoTiempoCursor(1e300, 0, 1e6), ""},
      {TextoTiempoCursor(512, 0, 1e-300), ""}, {TextoVoltiosCursor(inf, 1), ""},
  };
  for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
  scope::ResetDecimalSeparator();
  // 272 columns over points 0..510: column 189 shows points 355 and 356.
  const std::vector<float> none;
  std::vector<float> a(512, 10.0f), b(512, 10.0f);
  a[356] = 90;
  const double col = 189 * 256.0 / 272;
  EXPECT_EQ(PuntoDelMarcador(col, 0, 256, 272, none, none), 355);  // nearest
  EXPECT_EQ(PuntoDelMarcador(600 + col, 600, 256, 272, a, none), 356);  // highest drawn
  b[355] = 95;
  EXPECT_EQ(PuntoDelMarcador(col, 0, 256, 272, a, b), 355);  // of either spectrum
  EXPECT_EQ(PuntoDelMarcador(713 * 256.0 / 1022, 0, 256, 1022, a, none), 356);  // no point there
  EXPECT_EQ(PuntoDelMarcador(kNaN, 0, 256, 272, a, b), -1);
}

TEST_F(Cursors, TimeViewIgnoresTheMouseWhileOffAndTheLeftButtonShiftsTheTrigger) {
  Tick(w->SSCheck2, {0, 1});
  Tick(w->ContCursor, {1});
  w->Picture1_MouseDown(kRight, 0, 260, 128);
  w->Picture1_MouseMove(kRight, 0, 300, 100);
  w->Picture1_MouseDown(kLeft, 0, 600, 100);
  EXPECT_EQ(w->ObjetoSeleccionado, 0);
  EXPECT_EQ(w->CursorX1, 256);
  EXPECT_EQ(O().MovimientoPretrigger(), 0);
  EXPECT_TRUE(w->XCursorDisplay(1)->text().isEmpty());
  On();
  w->Remoto.CambioLocal = false;
  for (const auto& [x, m] : {std::pair{600.0, 10.0}, {256.0, 0.0}, {256 - 3.5 * 25.6, -3.5},
                             {-500.0, -10.0}}) {
    w->Picture1_MouseDown(kLeft, 0, x, 100);
    EXPECT_NEAR(O().MovimientoPretrigger(), m, 1e-12) << x;
  }
  w->Picture1_MouseMove(kLeft, 0, 256 + 2 * 25.6, 100);  // dragged
  EXPECT_NEAR(O().MovimientoPretrigger(), 2, 1e-12);
  EXPECT_TRUE(w->Remoto.CambioLocal);
}

TEST_F(Cursors, RightButtonTakesOnlyAStrictlyNearestShownCursor) {
  On();
  Tick(w->SSCheck2, {0, 1});  // cursors at x 256, 512 and y 192, 64
  const struct {
    double x, y;
    int selected;
  } cases[] = {{260, 128, 1}, {500, 128, 2}, {384, 190, 3}, {384, 66, 4},
               {384, 128, 4},   // d3 = d4 tie: unchanged
               {250, 198, 4}};  // d1 = d3 tie: unchanged
  for (const auto& c : cases) {
    w->Picture1_MouseDown(kRight, 0, c.x, c.y);
    EXPECT_EQ(w->ObjetoSeleccionado, c.selected) << c.x << ", " << c.y;
  }
  Tick(w->SSCheck2, {1}, false);  // hidden cursors do not compete
  w->Picture1_MouseDown(kRight, 0, 500, 190);
  EXPECT_EQ(w->ObjetoSeleccionado, 2);
}

TEST_F(Cursors, ReadoutsFollowDragsTheTriggerAndTheChosenChannelAndEmptyWhenCleared) {
  On();
  O().GananciaCanal2(5);  // 1 V/div
  O().ModoDisparo(0);     // static screen: the cursors are line objects
  Tick(w->SSCheck2, {0, 1});
  Tick(w->ContCursor, {1, 2});
  EXPECT_EQ(Text(w->XCursorDisplay(6)), "2.00 us");
  w->Picture1_MouseDown(kRight, 0, 500, 128);  // CursorX2 to 448: 192 samples
  w->Picture1_MouseMove(kRight, 0, 448, 160);
  EXPECT_EQ(w->Picture1->GetLineObject(Oscil::kCursorX2).x1, 448);
  EXPECT_EQ(Text(w->YCursorDisplay(0)), "1.50 us");
  EXPECT_EQ(Text(w->YCursorDisplay(1)), "5.00 V");  // pointer, channel 1
  EXPECT_EQ(Text(w->YCursorDisplay(2)), "1.00 V");  // channel 2
  // Times from the trigger point: moved onto X2, X2 and the pointer read 0.
  w->Picture1_MouseDown(kLeft, 0, 448, 128);
  EXPECT_EQ(Text(w->XCursorDisplay(6)), "0.00 ns");
  EXPECT_EQ(Text(w->YCursorDisplay(6)), "-1.50 us");
  EXPECT_EQ(Text(w->XCursorDisplay(2)), "0.00 ns");
  w->Picture1_MouseDown(kRight, 0, 640, 80);  // CursorY2 to 96
  w->Picture1_MouseMove(kRight, 0, 640, 96);
  EXPECT_EQ(Text(w->XCursorDisplay(7)), "10.00 V");
  EXPECT_EQ(Text(w->YCursorDisplay(7)), "-5.00 V");
  EXPECT_EQ(Text(w->YCursorDisplay(3)), "15.00 V");
  w->SSOption1(1)->setChecked(true);  // channel 2 at once
  EXPECT_EQ(Text(w->YCursorDisplay(3)), "3.00 V");
  // The panel's steps re-read them: channel 2 at 2 V/div, 2 us/div.
  w->SSCommand5_Click(0);
  EXPECT_EQ(Text(w->YCursorDisplay(3)), "6.00 V");
  w->SSCommand2_Click(0);
  EXPECT_EQ(Text(w->YCursorDisplay(0)), "750.00 ns");
  Tick(w->SSCheck2, {0, 1}, false);
  Tick(w->ContCursor, {1}, false);
  for (QLabel* l : {w->XCursorDisplay(6), w->YCursorDisplay(0), w->YCursorDisplay(6),
                    w->XCursorDisplay(7), w->YCursorDisplay(3), w->YCursorDisplay(7),
                    w->XCursorDisplay(1), w->YCursorDisplay(1)})
    EXPECT_TRUE(l->text().isEmpty()) << l->objectName().toStdString();
  EXPECT_FALSE(w->Picture1->GetLineObject(Oscil::kCursorX1).visible);
  EXPECT_FALSE(w->Picture1->GetLineObject(Oscil::kCursorY2).visible);
  w->ActualizaCursoresVerticales();  // unticked: nothing written
  EXPECT_TRUE(w->YCursorDisplay(0)->text().isEmpty());
}

TEST_F(Cursors, DragsLeavingAPictureStopOnItsOutermostPixels) {
  On();
  Tick(w->SSCheck2, {0, 1});
  PictureBox* p = w->Picture1;
  w->Picture1_MouseDown(kRight, 0, 260, 10);
  w->Picture1_MouseMove(kRight, 0, 768, 10);  // the scale's edge lies one pixel beyond
  EXPECT_EQ(w->CursorX1, p->FromPixelX(p->width() - 1));
  w->Picture1_MouseDown(kRight, 0, 384, 190);
  w->Picture1_MouseMove(kRight, 0, -9, -900);
  EXPECT_EQ(w->CursorY1, p->FromPixelY(p->height() - 1));
  w->Picture1_MouseMove(kRight, 0, kNaN, 900);  // ignored
  EXPECT_EQ(w->CursorY1, p->FromPixelY(p->height() - 1));
  Passes(1);  // painted on the last column
  const QImage img = p->Image();
  int lit = 0;
  for (int y = 0; y < img.height(); ++y) lit += (img.pixel(img.width() - 1, y) & 0xFFFFFFu) == 0xC0FFC0u;
  EXPECT_GT(lit, img.height() / 3);
  w->Picture2_MouseDown(kRight, 0, 60, 50);
  w->Picture2_MouseMove(kRight, 0, -300, 50);
  EXPECT_EQ(w->Picture2->GetLineObject(Oscil::kMarcador1).x1, 0);
}

TEST_F(Cursors, MarkersOnTheDemoSinesDrawnPeaksReadTheirFrequencyButNotInXY) {
  On();
  // 10 us/div: 2.56 Msamples/s on screen; the demonstration's channel 1 is a
  // 500 kHz sine (40 MHz / 2^1 board rate, 40 samples a period).
  O().BaseDeTiemposActual(9);
  O().Programacion();
  w->SSCheck1(0)->setChecked(true);
  // Each marker on the column of the highest drawn point of one half of the
  // view, as the mouse would put it.
  auto readings = [&] {
    Passes(3);
    const QImage img = w->Picture2->Image();
    const QRgb c1 = qRgb(w->ColorCanal1 & 0xFF, (w->ColorCanal1 >> 8) & 0xFF, w->ColorCanal1 >> 16);
    auto peak = [&](int from, int to) {
      int top = img.height(), first = -1, last = -1;
      for (int x = from; x < to; ++x)
        for (int y = 0; y <= top && y < img.height(); ++y)
          if ((img.pixel(x, y) | 0xFF000000u) == c1) {
            if (y < top) first = x;
            top = y, last = x;
            break;
          }
      return w->Picture2->FromPixelX((first + last) / 2);
    };
    const int mid = img.width() / 2;
    for (const auto& [marker, x] : {std::pair{Oscil::kMarcador2, peak(mid + 4, img.width())},
                                    {Oscil::kMarcador1, peak(0, mid - 4)}}) {
      w->Picture2_MouseDown(kRight, 0, w->Picture2->GetLineObject(marker).x1, 50);
      w->Picture2_MouseMove(kRight, 0, x, 50);
    }
    return std::pair{Text(w->XCursorDisplay(0)), Text(w->YCursorDisplay(4))};
  };
  // About two points of the transform share a column: the highest is read,
  // exactly (the point nearest to the column, or a scale off by half a point
  // or by 511/512, reads some kHz beside).
  EXPECT_EQ(readings(), (std::pair<std::string, std::string>{"500.00 KHz", "-500.00 KHz"}));
  O().BaseDeTiemposActual(8);  // a timebase step re-reads them
  w->ActualizaCursoresVerticales();
  EXPECT_EQ(Text(w->XCursorDisplay(0)), "1000.00 KHz");  // 1 MHz is not above 1 MHz
  w->XYCommand->setChecked(true);
  const double x1 = w->Picture2->GetLineObject(Oscil::kMarcador1).x1;
  w->Picture2_MouseDown(kRight, 0, 20, 50);
  w->Picture2_MouseMove(kRight, 0, 20, 50);
  EXPECT_EQ(w->Picture2->GetLineObject(Oscil::kMarcador1).x1, x1);
}

TEST_F(Cursors, RealMouseOnAResizedWindowAndAPannedViewWorksInUserUnits) {
  On();
  Tick(w->SSCheck2, {0});
  Tick(w->ContCursor, {1});
  w->resize(1500, 1000);
  QApplication::processEvents();
  PictureBox* p = w->Picture1;
  ASSERT_GT(p->width(), 600);
  const double px = std::abs(p->ScaleWidth()) / p->width();
  QTest::mouseClick(p, Qt::LeftButton, {}, Pixel(p, 256 + 3 * 25.6, 128));
  EXPECT_NEAR(O().MovimientoPretrigger(), 3, px / 25.6);
  EXPECT_EQ(Text(w->XCursorDisplay(1)), "0.00 ns");  // the pointer on the trigger point
  EXPECT_TRUE(p->hasMouseTracking());  // and followed without a button held
  for (const double left : {0.0, 200.0}) {  // whole record, then panned to 200 .. 456
    if (left > 0) p->Scale(left, 256, left + 256, 0);
    const double unit = std::abs(p->ScaleWidth()) / p->width();
    w->ColocaCursores(256, 512, 192, 64);
    QTest::mousePress(p, Qt::RightButton, {}, Pixel(p, 262, 128));
    EXPECT_EQ(w->ObjetoSeleccionado, 1);
    QTest::mouseMove(p, Pixel(p, 420, 128));
    EXPECT_NEAR(w->CursorX1, 420, unit) << left;
    QTest::mouseMove(p, QPoint(-30, 10));  // out to the left
    EXPECT_EQ(w->CursorX1, left);
    QTest::mouseRelease(p, Qt::RightButton, {}, QPoint(-30, 10));
  }
  PictureBox* s = w->Picture2;
  QTest::mousePress(s, Qt::RightButton, {}, Pixel(s, 66, 128));
  QTest::mouseMove(s, Pixel(s, 100, 128));
  QTest::mouseRelease(s, Qt::RightButton, {}, Pixel(s, 100, 128));
  EXPECT_NEAR(s->GetLineObject(Oscil::kMarcador1).x1, 100, 256.0 / s->width());
}

}  // namespace
}  // namespace orva::mainwindow::testing
