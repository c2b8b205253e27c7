// What the drawing puts on the pictures (read back from the grabbed images),
// the views, and the one-shot requests.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <iterator>

#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

constexpr COLORREF kGrid = gdi::Rgb(100, 100, 100);
constexpr COLORREF kGridHighlight = gdi::Rgb(200, 200, 200);

// Pixel column of user x, and the colour there at user y.
COLORREF At(PictureBox* p, double x, double y) { return p->Point(x, y); }

using WindowGraticule = WindowTest;

TEST_F(WindowGraticule, VerticalLinesAtTwentyFiveSixMinusOneAndSevenRows) {
  // After start-up: scale 0..767, y 256..0, empty graticule.
  // Line 30 (x = 767) is the right edge itself, just outside the picture.
  for (int i = 1; i <= 29; ++i) {
    const COLORREF want = (i == 10 || i == 20) ? kGridHighlight : kGrid;
    EXPECT_EQ(At(w->Picture1, 25.6 * i - 1, 100), want) << "line " << i;
    EXPECT_EQ(At(w->Picture1, 25.6 * i - 1 - 12.8, 100), 0x000000u) << "between " << i;
  }
  for (int j = 1; j <= 7; ++j) EXPECT_EQ(At(w->Picture1, 300, 32.0 * j - 1), kGrid) << j;
  EXPECT_EQ(At(w->Picture1, 0, 100), kGrid);    // left border
  EXPECT_EQ(At(w->Picture1, 300, 255), kGrid);  // top border
  EXPECT_EQ(At(w->Picture1, 300, 1), kGrid);    // bottom border

  // The highlighted pair follows the trigger shift.
  O().MovimientoPretrigger(3);
  w->Picture1->Cls();
  w->dibuja_grid(*w->Picture1);
  EXPECT_EQ(At(w->Picture1, 25.6 * 13 - 1, 100), kGridHighlight);
  EXPECT_EQ(At(w->Picture1, 25.6 * 23 - 1, 100), kGridHighlight);
  EXPECT_EQ(At(w->Picture1, 25.6 * 10 - 1, 100), kGrid);
  // A stored shift beyond 10 divisions highlights where the capture puts
  // the trigger: 10 divisions on.
  O().MovimientoPretrigger(12);
  w->Picture1->Cls();
  w->dibuja_grid(*w->Picture1);
  EXPECT_EQ(At(w->Picture1, 25.6 * 20 - 1, 100), kGridHighlight);
  EXPECT_EQ(At(w->Picture1, 25.6 * 22 - 1, 100), kGrid);

  // Spectrum graticule: 20 columns up to 512, rows to 512.
  EXPECT_EQ(At(w->Picture2, 25.6 * 3 - 1, 50), kGrid);
  EXPECT_EQ(At(w->Picture2, 100, 32.0 * 4 - 1), kGrid);
}

TEST_F(WindowGraticule, KeptGraticuleFollowsShiftBackgroundAndSize) {
  PowerOnBoard();
  O().Canal1Activo(false);
  O().Canal2Activo(false);
  Passes(3);  // drawn once, then copied back
  // Same pixels as a graticule drawn from scratch (the level line aside).
  const QImage kept = w->Picture1->Image();
  w->Picture1->Cls();
  w->dibuja_grid(*w->Picture1);
  const QImage fresh = w->Picture1->Image();
  const int level_row = static_cast<int>(std::lround(w->Picture1->ToPixelY(O().Nivel())));
  for (int y = 0; y < fresh.height(); y += 7) {
    if (y == level_row) continue;
    ASSERT_EQ(kept.copy(0, y, fresh.width(), 1), fresh.copy(0, y, fresh.width(), 1)) << y;
  }

  O().MovimientoPretrigger(-2);
  Passes(1);
  EXPECT_EQ(At(w->Picture1, 25.6 * 8 - 1, 100), kGridHighlight);
  EXPECT_EQ(At(w->Picture1, 25.6 * 10 - 1, 100), kGrid);

  w->CopiarPantallaPedido = true;  // white for one drawing, then black again
  Passes(1);
  EXPECT_EQ(clipboard->picture.pixel(5, 5) & 0xFFFFFFu, 0xFFFFFFu);
  Passes(1);
  EXPECT_EQ(At(w->Picture1, 12, 100), 0x000000u);
  EXPECT_EQ(At(w->Picture1, 25.6 * 8 - 1, 100), kGridHighlight);

  w->Picture1->setFixedSize(500, 300);
  QApplication::processEvents();
  Passes(1);
  EXPECT_EQ(w->Picture1->Image().width(), 500);
  EXPECT_EQ(At(w->Picture1, 25.6 * 3 - 1, 100), kGrid);
  EXPECT_EQ(At(w->Picture1, 25.6 * 3 - 1 - 12.8, 100), 0x000000u);
}

using WindowTraces = WindowTest;

TEST_F(WindowTraces, ConstantCentreTraceIsDrawnOnTheCentreRow) {
  PowerOnBoard();
  O().Canal2Activo(false);
  w->VScroll3->setValue(220);  // keep the level line away from the centre
  Passes(2);
  ASSERT_GE(w->VectorCanal1.size(), 768u);
  const QImage img = w->Picture1->Image();
  const int centre = static_cast<int>(std::lround(w->Picture1->ToPixelY(128)));
  int on_centre = 0, elsewhere = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFFu) == 0x00FFFFu) (y == centre ? on_centre : elsewhere)++;
  EXPECT_GE(on_centre, img.width() - 2);
  EXPECT_EQ(elsewhere, 0);
  // The dotted red level line at 220 and the panel texts.
  const int level_row = static_cast<int>(std::lround(w->Picture1->ToPixelY(220)));
  int red = 0;
  for (int x = 0; x < img.width(); ++x) red += (img.pixel(x, level_row) & 0xFFFFFFu) == 0xFF0000u;
  EXPECT_GT(red, img.width() / 3);
  EXPECT_LT(red, img.width() * 2 / 3);  // dotted: about half the pixels
}

TEST_F(WindowTraces, LevelLineFollowsTheTriggerChannelOffset) {
  PowerOnBoard();
  O().DesplazamientoYCanal2(40);
  O().CanalDisparo(2);
  w->VScroll3->setValue(100);
  Passes(2);
  EXPECT_EQ(At(w->Picture1, 1, 140), 0x0000FFu);
  O().CanalDisparo(1);
  Passes(1);
  EXPECT_EQ(At(w->Picture1, 1, 100), 0x0000FFu);
}

TEST_F(WindowTraces, MathTraceAloneAndRecentred) {
  PowerOnBoard();
  board->canal1 = 160;
  board->canal2 = 150;
  Passes(2);
  w->ToolbarButton("c1-c2")->setChecked(true);
  w->BuclePrincipal();
  ASSERT_EQ(w->VectorMat.size(), w->VectorCanal1.size());
  // 128 + (a - b): two centred traces stay centred around 128.
  EXPECT_NEAR(w->VectorMat[400], 128 + (w->VectorCanal1[400] - w->VectorCanal2[400]), 1e-3);
  EXPECT_EQ(CountColour(w->Picture1, w->ColorCanal1), 0);  // channels not drawn
  EXPECT_GT(CountColour(w->Picture1, w->ColorCanalMat), 500);

  w->ToolbarButton("c1-c2")->setChecked(false);
  w->ToolbarButton("suma")->setChecked(true);
  O().Canal2Activo(false);  // still summed from both vectors
  w->BuclePrincipal();
  EXPECT_NEAR(w->VectorMat[400], w->VectorCanal1[400] + w->VectorCanal2[400] - 128, 1e-3);
  w->ToolbarButton("suma")->setChecked(false);
  w->BuclePrincipal();
  EXPECT_GT(CountColour(w->Picture1, w->ColorCanal1), 500);
}

TEST_F(WindowTraces, ReferenceTraceWithItsLabels) {
  PowerOnBoard();
  O().VDisk(std::vector<float>(768, 64.0f));
  O().CanalDActivo(true);
  Passes(1);
  EXPECT_TRUE(w->DT->isVisible());
  EXPECT_TRUE(w->DG->isVisible());
  EXPECT_TRUE(w->DT->text().startsWith("T/div :"));
  EXPECT_TRUE(w->DG->text().startsWith("V/div :"));
  // Code 64 is a quarter up: on that row or the one just above or below it
  // (half a code is less than a pixel on a picture under 512 pixels high).
  const COLORREF near[] = {At(w->Picture1, 300, 63.5), At(w->Picture1, 300, 64),
                           At(w->Picture1, 300, 64.5)};
  EXPECT_TRUE(std::count(std::begin(near), std::end(near), w->ColorCanalD) > 0);
}

TEST_F(WindowTraces, NothingButTheGraticuleDuringAutomaticSetUp) {
  PowerOnBoard();
  Passes(2);
  O().TriggerAuto(true);
  w->BuclePrincipal();
  EXPECT_EQ(CountColour(w->Picture1, w->ColorCanal1), 0);
  EXPECT_EQ(CountColour(w->Picture1, w->ColorCanal2), 0);
  EXPECT_GT(CountColour(w->Picture1, kGrid), 1000);
}

TEST_F(WindowTraces, CursorsPaintedWhileRunningAndLineObjectsWhenStatic) {
  PowerOnBoard();
  w->SSCheck2(0)->setChecked(true);
  w->SSCheck2(1)->setChecked(true);
  Passes(1);
  // Painted with the level line's dotted style still in force: about half
  // of each cursor's pixels.
  const QImage img = w->Picture1->Image();
  const int x1 = static_cast<int>(std::lround(w->Picture1->ToPixelX(w->CursorX1)));
  const int x2 = static_cast<int>(std::lround(w->Picture1->ToPixelX(w->CursorX2)));
  const int y1 = static_cast<int>(std::lround(w->Picture1->ToPixelY(w->CursorY1)));
  int n1 = 0, n2 = 0, n3 = 0;
  for (int y = 0; y < img.height(); ++y) {
    n1 += (img.pixel(x1, y) & 0xFFFFFFu) == 0xC0FFC0u;
    n2 += (img.pixel(x2, y) & 0xFFFFFFu) == 0xC0C0FFu;
  }
  for (int y = y1 - 1; y <= y1 + 1; ++y)
    for (int x = 0; x < img.width(); ++x) n3 += (img.pixel(x, y) & 0xFFFFFFu) == 0xC0FFC0u;
  EXPECT_GT(n1, img.height() / 3);
  EXPECT_GT(n2, img.height() / 3);
  EXPECT_GT(n3, img.width() / 3);
  EXPECT_FALSE(w->Picture1->GetLineObject(Oscil::kCursorX1).visible);

  O().ModoDisparo(0);  // static screen
  w->CursorX1 = 300;
  Passes(1);
  EXPECT_NE(At(w->Picture1, 300, 100), 0xC0FFC0u);  // not painted into the image
  const auto line = w->Picture1->GetLineObject(Oscil::kCursorX1);
  EXPECT_TRUE(line.visible);
  EXPECT_DOUBLE_EQ(line.x1, 300);
  EXPECT_DOUBLE_EQ(line.x2, 300);
  EXPECT_TRUE(w->Picture1->GetLineObject(Oscil::kCursorY2).visible);
}

using WindowViews = WindowTest;

TEST_F(WindowViews, XYSwitchChangesTheCaptionAndDrawsTheFigure) {
  w->XYCommand->setChecked(true);  // runs XYCommand_Click
  EXPECT_TRUE(O().ModoXY());
  EXPECT_EQ(w->Label6->text(), "Modo XY");  // text 8 in the window's language
  EXPECT_TRUE(w->Label8(4)->isHidden());
  EXPECT_FALSE(w->Picture2->GetLineObject(Oscil::kMarcador1).visible);

  w->Command1_Click();
  w->Timer1->stop();
  w->Timer2->stop();
  w->RunPasses(3);  // demo signals: two sines, an ellipse of dots
  EXPECT_GT(CountColour(w->Picture2, w->ColorXY), 100);
  EXPECT_EQ(w->VectorCanal1.size(), O().VCanal1XY().size());

  w->XYCommand->setChecked(false);
  EXPECT_FALSE(O().ModoXY());
  EXPECT_EQ(w->Label6->text(), "Espectro");
  EXPECT_FALSE(w->Label8(4)->isHidden());
  EXPECT_TRUE(w->Picture2->GetLineObject(Oscil::kMarcador2).visible);
}

TEST_F(WindowViews, SpectrumAndXYGraticulesAreTenByEightFromTheFirstPass) {
  // Pixel columns and rows of the graticule on Picture2, read along the top
  // and left edges where neither the XY figure nor a spectrum reaches.
  auto grid = [this] {
    const QImage img = w->Picture2->Image();
    const QRgb g = qRgb(100, 100, 100);
    std::vector<int> cols, rows;
    for (int x = 0; x < img.width(); ++x)
      if (img.pixel(x, 2) == g && img.pixel(x, 4) == g) cols.push_back(x);
    for (int y = 0; y < img.height(); ++y)
      if (img.pixel(2, y) == g && img.pixel(4, y) == g) rows.push_back(y);
    return std::make_pair(cols, rows);
  };
  O().Canal1Activo(false);  // no spectrum trace over the graticule
  for (const bool xy : {false, true}) {
    w->Command1_Click();
    w->Timer1->stop();
    w->Timer2->stop();
    w->SSCheck1(0)->setChecked(!xy);
    w->XYCommand->setChecked(xy);
    w->RunPasses(1);
    const auto first = grid();
    EXPECT_EQ(first.first.size(), 10u) << xy;   // 9 inner lines and the right edge
    EXPECT_EQ(first.second.size(), 8u) << xy;   // 7 inner lines and the top edge
    w->RunPasses(4);
    EXPECT_EQ(grid(), first) << xy;
    w->Command1_Click();  // off again for the next case
  }
}

TEST_F(WindowViews, SpectrumOfTheTickedChannelsOrTheLastPicture) {
  w->Command1_Click();
  w->Timer1->stop();
  w->Timer2->stop();
  w->SSCheck1(0)->setChecked(true);
  w->RunPasses(3);
  EXPECT_EQ(w->EspectroCanal1.size(), 512u);
  EXPECT_TRUE(w->EspectroCanal2.empty());
  EXPECT_GT(CountColour(w->Picture2, w->ColorCanal1), 100);
  EXPECT_EQ(CountColour(w->Picture2, w->ColorCanal2), 0);
  // The demo sine's peak stands well above the floor.
  const auto& e = w->EspectroCanal1;
  EXPECT_GT(*std::max_element(e.begin(), e.end()), 60.0f);

  // Both boxes clear and XY off: Picture2 keeps its last image.
  w->SSCheck1(0)->setChecked(false);
  const QImage before = w->Picture2->Image();
  w->RunPasses(2);
  EXPECT_EQ(w->Picture2->Image(), before);
}

using WindowRequests = WindowTest;

TEST_F(WindowRequests, CopyPutsTheWhitePrintColouredScreenOnTheClipboard) {
  PowerOnBoard();
  board->canal2 = 64;  // apart from channel 1
  Passes(2);
  w->CopiarPantallaPedido = true;
  w->BuclePrincipal();
  EXPECT_FALSE(w->CopiarPantallaPedido);
  ASSERT_FALSE(clipboard->picture.isNull());
  EXPECT_EQ(clipboard->picture.pixel(3, 3) & 0xFFFFFFu, 0xFFFFFFu);  // white background
  bool blue = false;  // channel 1 in its print colour
  for (int y = 0; y < clipboard->picture.height() && !blue; ++y)
    for (int x = 0; x < clipboard->picture.width() && !blue; ++x)
      blue = (clipboard->picture.pixel(x, y) & 0xFFFFFFu) == 0x0000FFu;
  EXPECT_TRUE(blue);
  // Screen colours and background are back, and the view still shows the
  // graticule and the traces in their screen colours.
  EXPECT_EQ(w->ColorCanal1, 0xFFFF00u);
  EXPECT_EQ(w->ColorCanal2, 0x00FFFFu);
  EXPECT_EQ(w->Picture1->BackColor(), 0x000000u);
}

TEST_F(WindowRequests, TheScreenLooksTheSameAfterACopyOrAPrint) {
  QTemporaryDir dir;
  pdf = dir.filePath("page.pdf").toStdString();
  PowerOnBoard();
  board->canal2 = 64;
  Passes(3);
  const QImage before = w->Picture1->Image();
  for (bool* request : {&w->CopiarPantallaPedido, &w->ImprimirPedido}) {
    *request = true;
    w->BuclePrincipal();
    EXPECT_EQ(w->Picture1->Image(), before);
  }
  EXPECT_EQ(printers_made, 1);
}

TEST_F(WindowRequests, PrintWithoutPrinterIsDroppedAndWithOneMakesAPage) {
  PowerOnBoard();
  Passes(2);
  w->ImprimirPedido = true;
  w->BuclePrincipal();
  EXPECT_FALSE(w->ImprimirPedido);
  EXPECT_EQ(w->ColorCanal1, 0xFFFF00u);
  EXPECT_EQ(w->Picture1->BackColor(), 0x000000u);

  QTemporaryDir dir;
  pdf = dir.filePath("page.pdf").toStdString();
  w->ImprimirPedido = true;
  w->BuclePrincipal();
  EXPECT_FALSE(w->ImprimirPedido);
  EXPECT_EQ(printers_made, 1);
  QFile page(QString::fromStdString(pdf));
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  EXPECT_TRUE(page.read(5).startsWith("%PDF"));
  EXPECT_GT(page.size(), 1000);
  EXPECT_EQ(w->ColorCanal2, 0x00FFFFu);
}

TEST_F(WindowRequests, NumberCopiesGiveTheChannelSamplesAsVoltsLines) {
  PowerOnBoard();
  board->canal2 = 160;  // 32 codes above the centre: one division
  Passes(2);
  w->CopiarCanal2Pedido = true;
  w->BuclePrincipal();
  EXPECT_FALSE(w->CopiarCanal2Pedido);
  const std::string& t = clipboard->text;
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(std::count(t.begin(), t.end(), '\r'), 768);
  EXPECT_EQ(t.find('\n'), std::string::npos);
  // One division at the channel's volts per division.
  const double v = std::stod(t.substr(0, t.find('\r')));
  EXPECT_NEAR(v, O().VDiv2(), 1e-6 + O().VDiv2() * 1e-5);
  // Requests are served while the automatic set-up hides the traces too.
  O().GainAuto1(true);
  w->CopiarCanal1Pedido = true;
  w->BuclePrincipal();
  EXPECT_FALSE(w->CopiarCanal1Pedido);
}

}  // namespace
}  // namespace orva::mainwindow::testing
