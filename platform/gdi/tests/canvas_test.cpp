// Canvas: user scales, picture-box drawing and the device context it shares.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "orva/gdi_canvas.h"

namespace orva::gdi {
namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kGrid = 0x646464;  // RGB(100, 100, 100)

// Rows of column x painted in a colour.
std::vector<int> RowsIn(const RasterImage& img, int x, COLORREF c) {
  std::vector<int> rows;
  for (int y = 0; y < img.Height(); ++y)
    if (img.ReadPixel(x, y) == c) rows.push_back(y);
  return rows;
}

std::vector<int> ColumnsIn(const RasterImage& img, int y, COLORREF c) {
  std::vector<int> cols;
  for (int x = 0; x < img.Width(); ++x)
    if (img.ReadPixel(x, y) == c) cols.push_back(x);
  return cols;
}

int CountNot(const RasterImage& img, COLORREF background) {
  int n = 0;
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) n += img.ReadPixel(x, y) != background;
  return n;
}

struct ScreenCanvas {
  explicit ScreenCanvas(int w, int h) : img(w, h), canvas(&img) {
    canvas.SetBackColor(kBlack);
    canvas.Scale(0, 256, 768, 0);  // the time view: y = 256 at the top
  }
  RasterImage img;
  Canvas canvas;
};

TEST(GdiCanvasScale, YUpScalePutsCodesOnTheExpectedRows) {
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{768, 256}, {800, 600}, {301, 199}}) {
    ScreenCanvas s(w, h);
    Canvas& c = s.canvas;
    EXPECT_EQ(c.ScaleMode(), Canvas::kUser);
    EXPECT_DOUBLE_EQ(c.ScaleLeft(), 0);
    EXPECT_DOUBLE_EQ(c.ScaleTop(), 256);
    EXPECT_DOUBLE_EQ(c.ScaleWidth(), 768);
    EXPECT_DOUBLE_EQ(c.ScaleHeight(), -256);

    c.Line(0, 128, 768, 128, kRed);
    const int centre = static_cast<int>(std::nearbyint(h / 2.0));
    const auto cols = ColumnsIn(s.img, centre, kRed);
    EXPECT_EQ(static_cast<int>(cols.size()), w) << w << "x" << h;  // edge to edge
    EXPECT_EQ(CountNot(s.img, kBlack), w);

    // y = 255 is just below the top; x = 25.6 i - 1 are the grid columns.
    c.Line(0, 255, 765, 255, kGrid);
    const int top = static_cast<int>(std::nearbyint(h / 256.0));
    EXPECT_EQ(s.img.ReadPixel(w / 2, top), kGrid);
    for (int i = 1; i <= 29; ++i) {
      const double x = 25.6 * i - 1;
      c.Line(x, 255, x, 0, kGrid);
      const int col = static_cast<int>(std::nearbyint(x * w / 768.0));
      EXPECT_EQ(s.img.ReadPixel(col, h / 4), kGrid) << "line " << i;
    }
  }
}

TEST(GdiCanvasScale, ConversionsAndRefusedScales) {
  RasterImage img(200, 100);
  Canvas c(&img);
  EXPECT_EQ(c.ScaleMode(), Canvas::kPixels);
  EXPECT_DOUBLE_EQ(c.ScaleWidth(), 200);
  EXPECT_DOUBLE_EQ(c.ScaleHeight(), 100);
  ASSERT_TRUE(c.Scale(-10, 128, 10, -128));
  EXPECT_DOUBLE_EQ(c.ToPixelX(0), 100);
  EXPECT_DOUBLE_EQ(c.ToPixelY(0), 50);
  EXPECT_DOUBLE_EQ(c.FromPixelX(150), 5);
  EXPECT_DOUBLE_EQ(c.FromPixelY(25), 64);

  // Degenerate or non-finite scales are refused and change nothing.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(c.Scale(5, 0, 5, 10));
  EXPECT_FALSE(c.Scale(0, 3, 10, 3));
  EXPECT_FALSE(c.Scale(nan, 0, 1, 1));
  EXPECT_FALSE(c.Scale(0, 0, inf, 1));
  EXPECT_FALSE(c.SetScaleWidth(0));
  EXPECT_FALSE(c.SetScaleHeight(nan));
  EXPECT_DOUBLE_EQ(c.ScaleLeft(), -10);
  EXPECT_DOUBLE_EQ(c.ScaleHeight(), -256);

  // Setting one scale property keeps the others.
  EXPECT_TRUE(c.SetScaleLeft(0));
  EXPECT_DOUBLE_EQ(c.ScaleWidth(), 20);

  // Pixels and twips follow the size; a user scale is taken over as it stands.
  c.ScalePixels();
  EXPECT_DOUBLE_EQ(c.ScaleWidth(), 200);
  EXPECT_TRUE(c.SetScaleMode(Canvas::kTwips));
  EXPECT_DOUBLE_EQ(c.ScaleWidth(), 200.0 * Canvas::kTwipsPerPixel);
  EXPECT_DOUBLE_EQ(c.ToPixelX(150), 10);
  EXPECT_FALSE(c.SetScaleMode(2));
  EXPECT_EQ(c.ScaleMode(), Canvas::kTwips);
  EXPECT_TRUE(c.SetScaleMode(Canvas::kUser));
  EXPECT_DOUBLE_EQ(c.ScaleWidth(), 3000);
}

TEST(GdiCanvasScale, UserScaleSurvivesRetargeting) {
  RasterImage small(100, 50);
  RasterImage big(400, 300);
  Canvas c(&small);
  c.SetBackColor(kBlack);
  c.Scale(0, 256, 768, 0);
  c.SetTarget(&big);
  c.Cls();
  EXPECT_DOUBLE_EQ(c.ScaleWidth(), 768);
  c.Line(0, 128, 768, 128, kRed);
  EXPECT_EQ(big.ReadPixel(200, 150), kRed);
  EXPECT_EQ(small.ReadPixel(50, 25), kBlack);  // the old target is left alone
}

TEST(GdiCanvasDrawing, ClsColoursAndCurrentPosition) {
  RasterImage img(20, 10, 0x123456);
  Canvas c(&img);
  c.SetForeColor(kRed);
  c.Line(1, 1, 5, 1);
  EXPECT_DOUBLE_EQ(c.CurrentX(), 5);
  c.LineTo(5, 4);  // continues from (5, 1)
  EXPECT_EQ(img.ReadPixel(5, 3), kRed);
  EXPECT_EQ(img.ReadPixel(5, 4), kRed);  // picture-box lines paint both ends

  c.SetBackColor(0x00FF00);  // changing the background erases the drawing
  EXPECT_EQ(CountNot(img, 0x00FF00), 0);
  c.PSet(2, 2);
  EXPECT_EQ(c.Point(2, 2), kRed);
  c.Cls();
  EXPECT_EQ(CountNot(img, 0x00FF00), 0);
  EXPECT_DOUBLE_EQ(c.CurrentX(), 0);
  EXPECT_DOUBLE_EQ(c.CurrentY(), 0);

  // A zero-length line is one dot; PSet with a wider pen a square.
  c.Line(7, 7, 7, 7, kRed);
  EXPECT_EQ(CountNot(img, 0x00FF00), 1);
  c.SetDrawWidth(3);
  c.PSet(15, 5, 0xFF0000);
  EXPECT_EQ(img.ReadPixel(14, 4), 0xFF0000u);
  EXPECT_EQ(img.ReadPixel(16, 6), 0xFF0000u);
  EXPECT_EQ(CountNot(img, 0x00FF00), 10);
  c.SetDrawWidth(0);
  EXPECT_EQ(c.DrawWidth(), 1);
  c.SetDrawWidth(1 << 20);
  EXPECT_EQ(c.DrawWidth(), kMaxPenWidth);
}

TEST(GdiCanvasDrawing, DrawStyleDottedAndBoxes) {
  RasterImage img(60, 40);
  Canvas c(&img);
  c.SetBackColor(kBlack);
  EXPECT_TRUE(c.SetDrawStyle(PS_DOT));
  EXPECT_FALSE(c.SetDrawStyle(7));
  EXPECT_FALSE(c.SetDrawStyle(-1));
  EXPECT_EQ(c.DrawStyle(), PS_DOT);
  c.Line(0, 5, 59, 5, kRed);
  const auto dotted = ColumnsIn(img, 5, kRed);
  EXPECT_EQ(dotted.size(), 30u);
  EXPECT_EQ(dotted.front(), 0);
  EXPECT_EQ(dotted[3], 6);
  c.SetDrawStyle(PS_SOLID);
  c.Line(0, 7, 59, 7, kRed);
  EXPECT_EQ(ColumnsIn(img, 7, kRed).size(), 60u);

  c.Cls();
  c.Line(10, 10, 19, 19, kRed, Canvas::kBox);
  EXPECT_EQ(CountNot(img, kBlack), 36);  // the outline of a 10 x 10 square
  EXPECT_EQ(img.ReadPixel(15, 15), kBlack);
  c.Line(30, 30, 21, 21, 0x00FF00, Canvas::kFilledBox);
  EXPECT_EQ(CountNot(img, kBlack), 136);
  EXPECT_EQ(img.ReadPixel(25, 25), 0x00FF00u);
}

TEST(GdiCanvasDrawing, OffCanvasDrawingIsDropped) {
  RasterImage img(30, 20);
  Canvas c(&img);
  c.SetBackColor(kBlack);
  c.Scale(0, 256, 768, 0);
  c.PSet(-50, 100, kRed);
  c.PSet(800, 100, kRed);
  c.PSet(100, 300, kRed);
  c.PSet(100, 0, kRed);  // the bottom edge lies one row below the last
  c.Line(-1e12, -1e12, -1e9, 1e12, kRed);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  c.Line(nan, 0, 10, 10, kRed);
  c.PSet(nan, nan, kRed);
  EXPECT_EQ(CountNot(img, kBlack), 0);
  EXPECT_EQ(c.Point(-50, 100), CLR_INVALID);
  // Less than half a pixel outside still rounds onto the edge pixel.
  c.PSet(-5, 100, kRed);
  EXPECT_EQ(c.Point(0, 100), kRed);
  c.Cls();

  // A huge line crossing the picture draws only its visible part.
  c.Line(-1e12, 128, 1e12, 128, kRed);
  EXPECT_EQ(CountNot(img, kBlack), 30);

  // A canvas without a target does nothing at all.
  Canvas none;
  none.Cls();
  none.Line(0, 0, 10, 10);
  none.PSet(1, 1);
  EXPECT_EQ(none.Point(1, 1), CLR_INVALID);
  EXPECT_FALSE(none.StoreBackdrop());
}

TEST(GdiCanvasDrawing, BackdropRestoresAStoredGraticule) {
  RasterImage img(100, 80);
  Canvas c(&img);
  c.SetBackColor(kBlack);
  EXPECT_FALSE(c.RestoreBackdrop());
  c.Line(0, 40, 99, 40, kGrid);
  ASSERT_TRUE(c.StoreBackdrop());
  EXPECT_TRUE(c.HasBackdrop());
  c.Line(0, 10, 99, 70, kRed);
  ASSERT_TRUE(c.RestoreBackdrop());
  EXPECT_EQ(CountNot(img, kBlack), 100);
  EXPECT_EQ(img.ReadPixel(50, 40), kGrid);

  // Another size: the backdrop no longer fits and is not used.
  RasterImage other(50, 50);
  c.SetTarget(&other);
  EXPECT_FALSE(c.HasBackdrop());
  EXPECT_FALSE(c.RestoreBackdrop());
  c.SetTarget(&img);
  EXPECT_TRUE(c.HasBackdrop());
  c.SetBackColor(kBlack);
  EXPECT_FALSE(c.HasBackdrop());
}

// Restoring puts back only what changed since the backdrop last matched the
// picture; whatever was drawn in between, and however, the result must equal
// the stored backdrop pixel for pixel.
TEST(GdiCanvasDrawing, BackdropRestoreUndoesEveryKindOfDrawing) {
  RasterImage img(203, 117);  // not a whole number of tiles either way
  Canvas c(&img);
  c.SetBackColor(kBlack);
  for (int x = 0; x < 203; x += 13) c.Line(x, 0, x, 116, kGrid);
  for (int y = 0; y < 117; y += 9) c.Line(0, y, 202, y, kGrid);
  ASSERT_TRUE(c.StoreBackdrop());
  std::vector<COLORREF> want;
  for (int y = 0; y < 117; ++y)
    for (int x = 0; x < 203; ++x) want.push_back(img.ReadPixel(x, y));
  auto same = [&] {
    int diff = 0;
    for (int y = 0; y < 117; ++y)
      for (int x = 0; x < 203; ++x)
        if (img.ReadPixel(x, y) != want[static_cast<std::size_t>(y) * 203 + x]) ++diff;
    return diff;
  };
  // A trace of short segments, long diagonals, a line leaving the picture,
  // a wide dotted pen, single pixels and a filled block.
  for (int round = 0; round < 3; ++round) {
    c.PSet(0, 60 + 20 * std::sin(round));
    for (int x = 1; x < 203; ++x) c.LineTo(x, 60 + 50 * std::sin(x / 7.0 + round), 0xFFFF00);
    c.Line(0, 0, 202, 116, kRed);
    c.Line(202, 3, -500, 90, kRed);
    c.SetDrawWidth(5);
    c.SetDrawStyle(PS_DOT);
    c.Line(10, 100, 190, 20, 0x00FF00);
    c.SetDrawWidth(1);
    c.SetDrawStyle(PS_SOLID);
    c.PSet(202, 116, kRed);
    img.FillRect(40, 40, 70, 55, kRed);
    ASSERT_GT(CountNot(img, kBlack), 0);
    ASSERT_TRUE(c.RestoreBackdrop());
    EXPECT_EQ(same(), 0) << "round " << round;
  }
  // Writes straight into the pixels, reported with MarkDrawn, are undone too.
  img.Pixels()[5 * img.Stride() + 200] = 0xFF123456u;
  img.Pixels()[116 * img.Stride() + 1] = 0xFF123456u;
  img.MarkDrawn();
  ASSERT_TRUE(c.RestoreBackdrop());
  EXPECT_EQ(same(), 0);
  // So is a clear to another colour.
  img.Fill(kRed);
  ASSERT_TRUE(c.RestoreBackdrop());
  EXPECT_EQ(same(), 0);
  // A second canvas storing its own backdrop on the same picture: the first
  // canvas's next restore must not trust a record started on its behalf.
  Canvas other(&img);
  c.Line(0, 50, 202, 50, kRed);
  ASSERT_TRUE(other.StoreBackdrop());
  c.Line(0, 20, 202, 20, kRed);
  ASSERT_TRUE(c.RestoreBackdrop());
  EXPECT_EQ(same(), 0);
}

TEST(GdiCanvasDeviceContext, RendererSequenceMatchesTheUserScale) {
  // The trace renderers switch to pixels, map a logical space through the
  // canvas's device context, draw, restore, then set a user scale; a grid
  // line drawn afterwards at the centre code must sit on the trace's row.
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{768, 256}, {640, 480}}) {
    RasterImage img(w, h);
    Canvas c(&img);
    c.SetBackColor(kBlack);
    c.ScalePixels();
    c.SetForeColor(kRed);  // the context's pen follows the canvas's drawing colour
    c.SetDrawStyle(PS_SOLID);
    HDC hdc = c.hDC();
    const int saved = SaveDC(hdc);
    SetMapMode(hdc, MM_ANISOTROPIC);
    SetWindowOrgEx(hdc, 0, 16000, nullptr);
    SetWindowExtEx(hdc, 768, -32000, nullptr);
    SetViewportOrgEx(hdc, 0, 0, nullptr);
    SetViewportExtEx(hdc, static_cast<int>(c.ScaleWidth()), static_cast<int>(c.ScaleHeight()),
                     nullptr);
    std::vector<POINT> pts(768);
    for (int i = 0; i < 768; ++i) pts[static_cast<std::size_t>(i)] = POINT{i, 0};
    ASSERT_NE(Polyline(hdc, pts.data(), 768), 0);
    RestoreDC(hdc, saved);
    c.Scale(0, 256, 768, 0);

    const auto trace_rows = RowsIn(img, w / 3, kRed);
    ASSERT_EQ(trace_rows.size(), 1u);
    c.Line(0, 128, 768, 128, kGrid);
    EXPECT_EQ(RowsIn(img, w / 3, kGrid), trace_rows);
    // The device context is back in pixels: SetPixel lands where asked.
    SetPixel(c.hDC(), 1, 2, 0x00FF00);
    EXPECT_EQ(img.ReadPixel(1, 2), 0x00FF00u);
    // A style or colour change reaches a context already handed out.
    c.SetDrawStyle(PS_DOT);
    c.SetForeColor(0xFF0000);
    const POINT row[] = {{0, 5}, {12, 5}};
    Polyline(hdc, row, 2);
    EXPECT_EQ(img.ReadPixel(0, 5), 0xFF0000u);
    EXPECT_EQ(img.ReadPixel(3, 5), kBlack);
  }
}

}  // namespace
}  // namespace orva::gdi
