// Cursors, spectrum markers and the pointer readout: through the handlers,
// through the mouse (QTest) on a resized window and a panned view, and the
// marker frequency on the demonstration sine.
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>
#include <utility>

#include "orva/mainwindow/cursor_readouts.h"
#include "orva/scope/readouts.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

constexpr int kLeft = 1, kRight = 2;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Text(QLabel* l) { return l->text().toStdString(); }

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
  // Switched on in demonstration mode; the test drives the passes.
  void On() {
    w->Command1_Click();
    w->Timer1->stop();
    w->Timer2->stop();
  }
  // The pixel of a user point of a picture, at the pixel's centre.
  static QPoint Pixel(PictureBox* p, double x, double y) {
    return {static_cast<int>(std::floor(p->ToPixelX(x))),
            static_cast<int>(std::floor(p->ToPixelY(y)))};
  }
  // One pixel of the picture in user units (x).
  static double PixelWidth(PictureBox* p) { return std::abs(p->ScaleWidth()) / p->width(); }
  static void Hover(PictureBox* p, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, p->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(p, &move);
  }
};

TEST(CursorReadouts, ConversionsAndEmptyTextsForUnusableValues) {
  scope::SetDecimalSeparator('.');
  // 200 ns/div: 128 Msamples/s. Position 512 is one screen after the start
  // of the middle one: 256 samples, 2 us.
  EXPECT_EQ(TextoTiempoCursor(512, 0, 128e6), "2.00 us");
  EXPECT_EQ(TextoTiempoCursor(256 + 2 * 25.6, 2, 128e6), "0.00 ns");  // the trigger point
  EXPECT_EQ(TextoTiempoCursor(256.4, 0, 1e9), "0.00 ns");  // rounded to whole samples
  EXPECT_EQ(TextoDiferenciaTiempo(256, 512, 128e6), "2.00 us");
  EXPECT_EQ(TextoDiferenciaTiempo(512, 256, 25600), "-10.00 ms");
  EXPECT_EQ(TextoVoltiosCursor(192, 5), "10.00 V");
  EXPECT_EQ(TextoVoltiosCursor(112, 0.02), "-10.00 mV");
  EXPECT_EQ(TextoDiferenciaVoltios(192, 64, 1), "4.00 V");
  // Spectrum view 0..256 with points 0..510 over it: point 356 (100 above
  // zero frequency) is 500 kHz at 2.56 Msamples/s.
  EXPECT_EQ(TextoFrecuenciaPunto(356, 2.56e6), "500.00 KHz");
  EXPECT_EQ(TextoFrecuenciaPunto(156, 2.56e6), "-500.00 KHz");
  EXPECT_EQ(TextoFrecuenciaPunto(256, 2.56e6), "0 Hz");
  const std::vector<float> none;
  EXPECT_EQ(PuntoDelMarcador(356 * 256.0 / 511, 0, 256, 272, none, none), 356);
  EXPECT_EQ(PuntoDelMarcador(128, 0, 256, 272, none, none), 256);  // the middle is 0 Hz
  EXPECT_EQ(PuntoDelMarcador(300, 0, 256, 272, none, none), 511);  // kept to the view
  EXPECT_EQ(PuntoDelMarcador(600 + 356 * 256.0 / 511, 600, 256, 272, none, none), 356);
  // 272 columns: column 189 shows points 355 and 356; the marker reads the
  // one drawn higher in either shown spectrum.
  std::vector<float> a(512, 10.0f), b(512, 10.0f);
  a[356] = 90;
  const double col189 = 189 * 256.0 / 272;
  EXPECT_EQ(PuntoDelMarcador(col189, 0, 256, 272, none, none), 355);  // nearest
  EXPECT_EQ(PuntoDelMarcador(col189, 0, 256, 272, a, none), 356);
  b[355] = 95;
  EXPECT_EQ(PuntoDelMarcador(col189, 0, 256, 272, a, b), 355);
  EXPECT_EQ(PuntoDelMarcador(col189, 0, 256, 272, std::span<const float>(a).first(300), none),
            355);  // a short spectrum: only its own points
  // 1022 columns, two a point: column 713 shows none, the nearest is read.
  EXPECT_EQ(PuntoDelMarcador(713 * 256.0 / 1022, 0, 256, 1022, a, none), 356);
  EXPECT_EQ(PuntoDelMarcador(714 * 256.0 / 1022, 0, 256, 1022, a, none), 357);
  // Nothing to show: no usable rate, position, shift or scale.
  for (double fm : {0.0, kInf, -kInf, kNaN}) {
    EXPECT_EQ(TextoTiempoCursor(300, 0, fm), "") << fm;
    EXPECT_EQ(TextoDiferenciaTiempo(256, 512, fm), "") << fm;
    EXPECT_EQ(TextoFrecuenciaPunto(300, fm), "") << fm;
  }
  EXPECT_EQ(TextoTiempoCursor(kNaN, 0, 128e6), "");
  EXPECT_EQ(TextoTiempoCursor(300, kNaN, 128e6), "");
  EXPECT_EQ(TextoTiempoCursor(1e300, 0, 128e6), "");  // beyond 32-bit samples
  EXPECT_EQ(TextoTiempoCursor(512, 0, 1e-300), "");   // not finite in single precision
  EXPECT_EQ(TextoVoltiosCursor(kInf, 1), "");
  EXPECT_EQ(TextoDiferenciaVoltios(1, 2, kNaN), "");
  EXPECT_EQ(PuntoDelMarcador(kNaN, 0, 256, 272, a, b), -1);
  EXPECT_EQ(PuntoDelMarcador(100, 0, 0, 272, a, b), -1);
  EXPECT_EQ(PuntoDelMarcador(100, 0, 256, 0, a, b), -1);
  EXPECT_EQ(TextoFrecuenciaPunto(-1, 2.56e6), "");
  EXPECT_EQ(TextoFrecuenciaPunto(512, 2.56e6), "");
  scope::ResetDecimalSeparator();
}

TEST_F(Cursors, LeftButtonMovesTheTriggerPointByDivisionsOnlyWhileOn) {
  w->Picture1_MouseDown(kLeft, 0, 600, 100);
  EXPECT_EQ(O().MovimientoPretrigger(), 0);  // off: ignored
  On();
  w->CambioLocal = false;
  w->Picture1_MouseDown(kLeft, 0, 600, 100);
  EXPECT_EQ(O().MovimientoPretrigger(), 10);  // (600 - 256) / 25.6 = 13.4, limited
  EXPECT_TRUE(w->CambioLocal);
  w->Picture1_MouseDown(kLeft, 0, 256, 100);
  EXPECT_EQ(O().MovimientoPretrigger(), 0);
  w->Picture1_MouseMove(kLeft, 0, 256 - 3.5 * 25.6, 100);  // dragged
  EXPECT_NEAR(O().MovimientoPretrigger(), -3.5, 1e-12);
  w->Picture1_MouseDown(kLeft, 0, -500, 100);  // beyond the picture: its edge, 0
  EXPECT_EQ(O().MovimientoPretrigger(), -10);
  w->Picture1_MouseMove(0, 0, 400, 100);  // no button: the shift stays
  EXPECT_EQ(O().MovimientoPretrigger(), -10);
}

TEST_F(Cursors, RightButtonSelectsOnlyAStrictlyNearestShownCursor) {
  On();
  w->SSCheck2(0)->setChecked(true);
  w->SSCheck2(1)->setChecked(true);
  // Cursors at x 256, 512 and y 192, 64.
  struct Case {
    double x, y;
    int selected;
  };
  const Case cases[] = {
      {260, 128, 1}, {500, 128, 2}, {384, 190, 3}, {384, 66, 4},
      {384, 128, 4},  // d3 = d4 = 64 tie, both beating d1 = d2 = 128: unchanged
      {250, 198, 4},  // d1 = d3 = 6: unchanged
  };
  for (const Case& c : cases) {
    w->Picture1_MouseDown(kRight, 0, c.x, c.y);
    EXPECT_EQ(w->ObjetoSeleccionado, c.selected) << c.x << ", " << c.y;
  }
  // Hidden cursors do not compete: y 190 is near the hidden CursorY1.
  w->SSCheck2(1)->setChecked(false);
  w->Picture1_MouseDown(kRight, 0, 500, 190);
  EXPECT_EQ(w->ObjetoSeleccionado, 2);
  w->SSCheck2(0)->setChecked(false);
  w->Picture1_MouseDown(kRight, 0, 256, 192);  // nothing shown: unchanged
  EXPECT_EQ(w->ObjetoSeleccionado, 2);
}

TEST_F(Cursors, DraggedCursorsReadTimeFromTheTriggerAndVoltsOfTheChosenChannel) {
  On();  // 200 ns/div: 128 Msamples/s; channel 1 at 5 V/div
  O().GananciaCanal2(5);  // 1 V/div
  w->SSCheck2(0)->setChecked(true);
  EXPECT_EQ(Text(w->YCursorDisplay(6)), "0.00 ns");
  EXPECT_EQ(Text(w->XCursorDisplay(6)), "2.00 us");
  EXPECT_EQ(Text(w->YCursorDisplay(0)), "2.00 us");
  w->Picture1_MouseDown(kRight, 0, 500, 128);  // CursorX2
  w->Picture1_MouseMove(kRight, 0, 448, 128);
  EXPECT_EQ(w->CursorX2, 448);
  EXPECT_EQ(w->Picture1->GetLineObject(Oscil::kCursorX2).x1, 448);
  EXPECT_EQ(w->Picture1->GetLineObject(Oscil::kCursorX2).x2, 448);
  EXPECT_EQ(Text(w->XCursorDisplay(6)), "1.50 us");
  EXPECT_EQ(Text(w->YCursorDisplay(0)), "1.50 us");
  // Times are from the trigger point: shifted 7.5 divisions (192 positions)
  // right, X2 is on it and X1 192 samples before it.
  w->Picture1_MouseDown(kLeft, 0, 256 + 7.5 * 25.6, 128);  // the readouts follow
  EXPECT_EQ(Text(w->XCursorDisplay(6)), "0.00 ns");
  EXPECT_EQ(Text(w->YCursorDisplay(6)), "-1.50 us");
  EXPECT_EQ(Text(w->YCursorDisplay(0)), "1.50 us");

  w->SSCheck2(1)->setChecked(true);  // channel 1 chosen: 5 V/div
  EXPECT_EQ(Text(w->XCursorDisplay(7)), "10.00 V");
  EXPECT_EQ(Text(w->YCursorDisplay(7)), "-10.00 V");
  EXPECT_EQ(Text(w->YCursorDisplay(3)), "20.00 V");
  w->Picture1_MouseDown(kRight, 0, 640, 80);  // CursorY2 (d4 = 16)
  w->Picture1_MouseMove(kRight, 0, 600, 96);
  EXPECT_EQ(w->CursorY2, 96);
  EXPECT_EQ(w->Picture1->GetLineObject(Oscil::kCursorY2).y1, 96);
  EXPECT_EQ(Text(w->YCursorDisplay(7)), "-5.00 V");
  EXPECT_EQ(Text(w->YCursorDisplay(3)), "15.00 V");
  w->SSOption1(1)->setChecked(true);  // channel 2, 1 V/div, at once
  EXPECT_EQ(Text(w->XCursorDisplay(7)), "2.00 V");
  EXPECT_EQ(Text(w->YCursorDisplay(7)), "-1.00 V");
  EXPECT_EQ(Text(w->YCursorDisplay(3)), "3.00 V");
  O().GananciaCanal2(6);  // a gain step, then its readout procedure
  w->ActualizaCursoresHorizontales();
  EXPECT_EQ(Text(w->XCursorDisplay(7)), "1.00 V");
}

TEST_F(Cursors, UntickedBoxesEmptyTheirReadoutsAndHideTheLinesOnAStaticScreen) {
  On();
  O().ModoDisparo(0);  // Single: the cursors are line objects
  w->SSCheck2(0)->setChecked(true);
  w->SSCheck2(1)->setChecked(true);
  EXPECT_TRUE(w->Picture1->GetLineObject(Oscil::kCursorX1).visible);
  EXPECT_TRUE(w->Picture1->GetLineObject(Oscil::kCursorY2).visible);
  w->SSCheck2(0)->setChecked(false);
  EXPECT_FALSE(w->Picture1->GetLineObject(Oscil::kCursorX1).visible);
  EXPECT_FALSE(w->Picture1->GetLineObject(Oscil::kCursorX2).visible);
  for (QLabel* l : {w->XCursorDisplay(6), w->YCursorDisplay(0), w->YCursorDisplay(6)})
    EXPECT_TRUE(l->text().isEmpty()) << l->objectName().toStdString();
  EXPECT_EQ(Text(w->YCursorDisplay(3)), "20.00 V");  // the other box's stay
  w->SSCheck2(1)->setChecked(false);
  EXPECT_FALSE(w->Picture1->GetLineObject(Oscil::kCursorY1).visible);
  for (QLabel* l : {w->XCursorDisplay(7), w->YCursorDisplay(3), w->YCursorDisplay(7)})
    EXPECT_TRUE(l->text().isEmpty()) << l->objectName().toStdString();
  // Unticked, the procedures write nothing.
  w->ActualizaCursoresVerticales();
  w->ActualizaCursoresHorizontales();
  EXPECT_TRUE(w->YCursorDisplay(0)->text().isEmpty());
  EXPECT_TRUE(w->YCursorDisplay(3)->text().isEmpty());
}

TEST_F(Cursors, PointerReadoutsPerChannelReadZeroAtTheTriggerWhateverTheShift) {
  On();
  O().GananciaCanal1(5);  // 1 V/div
  O().GananciaCanal2(8);  // 0.1 V/div
  w->ContCursor(1)->setChecked(true);
  w->ContCursor(2)->setChecked(true);
  for (double shift : {-10.0, -3.5, 0.0, 2.0, 7.3}) {
    w->Picture1_MouseDown(kLeft, 0, 256 + shift * 25.6, 128);
    w->Picture1_MouseMove(0, 0, 256 + shift * 25.6, 160);
    EXPECT_EQ(Text(w->XCursorDisplay(1)), "0.00 ns") << shift;
    EXPECT_EQ(Text(w->XCursorDisplay(2)), "0.00 ns") << shift;
  }
  EXPECT_EQ(Text(w->YCursorDisplay(1)), "1.00 V");
  EXPECT_EQ(Text(w->YCursorDisplay(2)), "100.00 mV");
  w->ContCursor(1)->setChecked(false);
  EXPECT_TRUE(w->XCursorDisplay(1)->text().isEmpty());
  EXPECT_TRUE(w->YCursorDisplay(1)->text().isEmpty());
  w->Picture1_MouseMove(0, 0, 300, 96);
  EXPECT_TRUE(w->XCursorDisplay(1)->text().isEmpty());
  EXPECT_EQ(Text(w->YCursorDisplay(2)), "-100.00 mV");
}

TEST_F(Cursors, NothingHappensOnTheTimeViewWithTheInstrumentOff) {
  w->SSCheck2(0)->setChecked(true);
  w->SSCheck2(1)->setChecked(true);
  w->ContCursor(1)->setChecked(true);
  const std::string t2 = Text(w->XCursorDisplay(6));
  w->Picture1_MouseDown(kRight, 0, 260, 128);
  w->Picture1_MouseMove(kRight, 0, 300, 100);
  w->Picture1_MouseDown(kLeft, 0, 600, 100);
  EXPECT_EQ(w->ObjetoSeleccionado, 0);
  EXPECT_EQ(w->CursorX1, 256);
  EXPECT_EQ(O().MovimientoPretrigger(), 0);
  EXPECT_TRUE(w->XCursorDisplay(1)->text().isEmpty());
  EXPECT_EQ(Text(w->XCursorDisplay(6)), t2);
}

TEST_F(Cursors, DragsLeavingAPictureStopOnItsOutermostPixels) {
  On();  // time view 0..768 x 256..0
  w->SSCheck2(0)->setChecked(true);
  w->SSCheck2(1)->setChecked(true);
  PictureBox* p = w->Picture1;
  const double right = p->FromPixelX(p->width() - 1), bottom = p->FromPixelY(p->height() - 1);
  w->Picture1_MouseDown(kRight, 0, 260, 128);
  w->Picture1_MouseMove(kRight, 0, 5000, -40);
  EXPECT_EQ(w->CursorX1, right);
  w->Picture1_MouseMove(kRight, 0, 768, 100);  // the scale's edge: one pixel beyond
  EXPECT_EQ(w->CursorX1, right);
  w->Picture1_MouseMove(kRight, 0, -1, 100);
  EXPECT_EQ(w->CursorX1, 0);
  w->Picture1_MouseDown(kRight, 0, 384, 190);
  w->Picture1_MouseMove(kRight, 0, -9, 900);
  EXPECT_EQ(w->CursorY1, 256);
  w->Picture1_MouseMove(kRight, 0, -9, -900);
  EXPECT_EQ(w->CursorY1, bottom);
  w->Picture1_MouseMove(kRight, 0, kNaN, 100);  // ignored
  EXPECT_EQ(w->CursorY1, bottom);
  w->Picture1_MouseMove(kRight, 0, 300, 100);  // inside: as given
  EXPECT_EQ(w->CursorY1, 100);
  // Cursors on the outermost pixels are drawn there.
  w->ColocaCursores(256, 200, 128, 64);
  w->Picture1_MouseDown(kRight, 0, 256, 10);
  w->Picture1_MouseMove(kRight, 0, 1000, 10);
  Passes(1);
  const QImage img = p->Image();
  int lit = 0;
  for (int y = 0; y < img.height(); ++y) lit += (img.pixel(img.width() - 1, y) & 0xFFFFFFu) == 0xC0FFC0u;
  EXPECT_GT(lit, img.height() / 3);
  // Spectrum markers: the view 0..256.
  w->Picture2_MouseDown(kRight, 0, 60, 50);
  EXPECT_EQ(w->ObjetoSeleccionado, 5);
  w->Picture2_MouseMove(kRight, 0, -300, 50);
  EXPECT_EQ(w->Picture2->GetLineObject(Oscil::kMarcador1).x1, 0);
  EXPECT_EQ(Text(w->YCursorDisplay(4)), scope::FormatoFrecuencia(-256 * 128e6f / 512));
}

TEST_F(Cursors, MarkersFollowTheRightButtonButNotInTheXYView) {
  On();
  w->Picture2_MouseDown(kRight, 0, 128, 50);  // 64 from both markers: no choice
  EXPECT_EQ(w->ObjetoSeleccionado, 0);
  w->Picture2_MouseDown(kRight, 0, 180, 50);
  EXPECT_EQ(w->ObjetoSeleccionado, 6);
  w->Picture2_MouseMove(kRight, 0, 128.25, 50);  // point 256: zero frequency
  EXPECT_EQ(w->Picture2->GetLineObject(Oscil::kMarcador2).x1, 128.25);
  EXPECT_EQ(Text(w->XCursorDisplay(0)), "0 Hz");
  EXPECT_EQ(Text(w->YCursorDisplay(4)), scope::FormatoFrecuencia(
                                            static_cast<float>((128 - 256) * 128e6 / 512)));
  // A timebase step re-reads the moved markers (128 -> 25.6 Msamples/s).
  O().BaseDeTiemposActual(6);
  w->ActualizaCursoresVerticales();
  EXPECT_EQ(Text(w->YCursorDisplay(4)), "-6.40 MHz");
  w->XYCommand->setChecked(true);
  w->Picture2_MouseDown(kRight, 0, 20, 50);
  w->Picture2_MouseMove(kRight, 0, 20, 50);
  EXPECT_EQ(w->ObjetoSeleccionado, 6);
  EXPECT_EQ(w->Picture2->GetLineObject(Oscil::kMarcador2).x1, 128.25);
}

TEST_F(Cursors, AMarkerOnTheDrawnPeakOfADemoSineReadsItsFrequency) {
  On();
  // 10 us/div: 2.56 Msamples/s on screen; the demonstration's channel 1 is a
  // 500 kHz sine (40 MHz / 2^1 board rate, 40 samples a period).
  O().BaseDeTiemposActual(9);
  O().Programacion();
  w->SSCheck1(0)->setChecked(true);
  // Draws, puts the two markers on the column of the highest drawn point of
  // either half of the view (as the mouse would, at that column) and returns
  // their readings in kHz.
  auto readings = [&] {
    Passes(3);
    const QImage img = w->Picture2->Image();
    const QRgb c1 = qRgb(w->ColorCanal1 & 0xFF, (w->ColorCanal1 >> 8) & 0xFF, w->ColorCanal1 >> 16);
    auto peak = [&](int from, int to) {
      int top = img.height(), first = -1, last = -1;
      for (int x = from; x < to; ++x)
        for (int y = 0; y < img.height(); ++y)
          if ((img.pixel(x, y) | 0xFF000000u) == c1) {
            if (y < top) top = y, first = last = x;
            else if (y == top) last = x;
            break;
          }
      return w->Picture2->FromPixelX((first + last) / 2);
    };
    const int mid = img.width() / 2;
    w->Picture2_MouseDown(kRight, 0, w->Picture2->GetLineObject(Oscil::kMarcador2).x1, 50);
    w->Picture2_MouseMove(kRight, 0, peak(mid + 4, img.width()), 50);
    w->Picture2_MouseDown(kRight, 0, w->Picture2->GetLineObject(Oscil::kMarcador1).x1, 50);
    w->Picture2_MouseMove(kRight, 0, peak(0, mid - 4), 50);
    auto khz = [](QLabel* l) {
      const QString t = l->text();
      return t.endsWith(" KHz") ? t.section(' ', 0, 0).toDouble() : kNaN;
    };
    return std::pair{khz(w->XCursorDisplay(0)), khz(w->YCursorDisplay(4))};
  };
  // The panel's view has about two points of the transform per column, a
  // view widened to 1022 columns two columns a point: either way the peaks
  // read their own frequencies exactly (the nearest point to the column
  // would read 5 kHz beside; a scale off by half a point or by 511/512, some
  // kHz beside).
  EXPECT_EQ(readings(), std::pair(500.0, -500.0));
  w->Picture2->setFixedSize(1022, 136);
  QApplication::processEvents();
  ASSERT_EQ(w->Picture2->width(), 1022);
  EXPECT_EQ(readings(), std::pair(500.0, -500.0));
}

TEST_F(Cursors, MouseOnAResizedWindowReachesTheHandlersInUserUnits) {
  On();
  w->SSCheck2(0)->setChecked(true);
  w->ContCursor(1)->setChecked(true);
  w->resize(1500, 1000);
  QApplication::processEvents();
  PictureBox* p = w->Picture1;
  ASSERT_GT(p->width(), 600);
  const double px = PixelWidth(p);
  QTest::mousePress(p, Qt::RightButton, {}, Pixel(p, 262, 128));
  EXPECT_EQ(w->ObjetoSeleccionado, 1);
  QTest::mouseMove(p, Pixel(p, 400, 128));
  EXPECT_NEAR(w->CursorX1, 400, px);
  EXPECT_NEAR(w->Picture1->GetLineObject(Oscil::kCursorX1).x1, w->CursorX1, 1e-9);
  QTest::mouseMove(p, QPoint(p->width() + 40, p->height() / 2));  // out to the right
  EXPECT_EQ(w->CursorX1, p->FromPixelX(p->width() - 1));
  QTest::mouseRelease(p, Qt::RightButton, {}, QPoint(p->width() + 40, p->height() / 2));
  QTest::mouseClick(p, Qt::LeftButton, {}, Pixel(p, 256 + 3 * 25.6, 128));
  EXPECT_NEAR(O().MovimientoPretrigger(), 3, px / 25.6);
  Hover(p, Pixel(p, 256 + 3 * 25.6, 128));
  EXPECT_EQ(Text(w->XCursorDisplay(1)), "0.00 ns");
  // The spectrum markers likewise.
  PictureBox* s = w->Picture2;
  QTest::mousePress(s, Qt::RightButton, {}, Pixel(s, 66, 128));
  QTest::mouseMove(s, Pixel(s, 100, 128));
  QTest::mouseRelease(s, Qt::RightButton, {}, Pixel(s, 100, 128));
  EXPECT_NEAR(s->GetLineObject(Oscil::kMarcador1).x1, 100, PixelWidth(s));
  EXPECT_FALSE(w->YCursorDisplay(4)->text().isEmpty());
}

TEST_F(Cursors, MouseOnAPannedViewPlacesCursorsInRecordUnits) {
  On();
  w->SSCheck2(0)->setChecked(true);
  w->SSCheck2(1)->setChecked(true);
  PictureBox* p = w->Picture1;
  p->Scale(200, 256, 456, 0);  // panned as the scroll bar does: 200 .. 456
  const double px = PixelWidth(p);
  QTest::mousePress(p, Qt::RightButton, {}, Pixel(p, 250, 120));
  EXPECT_EQ(w->ObjetoSeleccionado, 1);
  QTest::mouseMove(p, Pixel(p, 430, 120));
  EXPECT_NEAR(w->CursorX1, 430, px);
  QTest::mouseMove(p, QPoint(-30, 10));  // out to the left: the view's edge
  EXPECT_EQ(w->CursorX1, 200);
  QTest::mouseMove(p, QPoint(p->width() + 30, 10));  // and its right edge
  EXPECT_EQ(w->CursorX1, p->FromPixelX(p->width() - 1));
  EXPECT_LT(w->CursorX1, 456);
  QTest::mouseRelease(p, Qt::RightButton, {}, QPoint(-30, 10));
  QTest::mousePress(p, Qt::RightButton, {}, Pixel(p, 330, 70));
  EXPECT_EQ(w->ObjetoSeleccionado, 4);
  QTest::mouseMove(p, Pixel(p, 330, 160));
  QTest::mouseRelease(p, Qt::RightButton, {}, Pixel(p, 330, 160));
  EXPECT_NEAR(w->CursorY2, 160, std::abs(p->ScaleHeight()) / p->height());
  EXPECT_EQ(Text(w->YCursorDisplay(7)), scope::FormatoVoltios(static_cast<float>(
                                            (w->CursorY2 - 128) * O().VDiv1() * 4 / 128)));
}

}  // namespace
}  // namespace orva::mainwindow::testing
