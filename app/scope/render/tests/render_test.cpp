// Renderers drawn on headless raster surfaces; positions read back from pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "orva/gdi.h"
#include "orva/gdi_canvas.h"
#include "orva/scope/render.h"

namespace {

using orva::gdi::Canvas;
using orva::gdi::COLORREF;
using orva::gdi::POINT;
using orva::gdi::RasterImage;
using orva::scope::DibujaTrazo;
using orva::scope::DibujaTrazoEspectro;
using orva::scope::DibujaTrazoImpresora;

constexpr COLORREF kCyan = 0xFFFF00;

// Rows of column x painted in colour c.
std::vector<int> RowsIn(const RasterImage& img, int x, COLORREF c) {
  std::vector<int> rows;
  for (int y = 0; y < img.Height(); ++y)
    if (img.ReadPixel(x, y) == c) rows.push_back(y);
  return rows;
}

int CountColour(const RasterImage& img, COLORREF c) {
  int n = 0;
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) n += img.ReadPixel(x, y) == c;
  return n;
}

TEST(RenderTimeView, ConstantCentreTraceIsTheMiddleRowAcrossTheWidth) {
  RasterImage img(768, 256, 0);
  Canvas pic(&img);
  DibujaTrazo(pic, std::vector<float>(1024, 128.0f), kCyan);
  // Logical y 0 maps to row 128 of 256: the vertical centre.
  for (int x : {0, 100, 383, 700, 766}) {
    EXPECT_EQ(RowsIn(img, x, kCyan), std::vector<int>{128}) << "column " << x;
  }
  // The user scale the surface keeps afterwards.
  EXPECT_DOUBLE_EQ(pic.ScaleLeft(), 0);
  EXPECT_DOUBLE_EQ(pic.ScaleTop(), 256);
  EXPECT_DOUBLE_EQ(pic.ScaleWidth(), 768);
  EXPECT_DOUBLE_EQ(pic.ScaleHeight(), -256);
  EXPECT_EQ(pic.ScaleMode(), Canvas::kUser);
}

TEST(RenderTimeView, CodesMapLinearlyAndResizeOnlyStretches) {
  // Blocks of 64 points at codes 64, 192, 256 and 0, repeated.
  const float level[] = {64.0f, 192.0f, 256.0f, 0.0f};
  std::vector<float> trace(768);
  for (int i = 0; i < 768; ++i) trace[i] = level[(i / 64) % 4];
  RasterImage small(384, 100, 0);
  Canvas pic(&small);
  DibujaTrazo(pic, trace, kCyan);
  // 384 pixels for 768 points: point p is column p / 2.
  EXPECT_EQ(RowsIn(small, 16, kCyan), std::vector<int>{75});  // code 64: a quarter up
  EXPECT_EQ(RowsIn(small, 48, kCyan), std::vector<int>{25});  // code 192
  EXPECT_EQ(RowsIn(small, 80, kCyan), std::vector<int>{0});   // code 256: the top edge
  EXPECT_EQ(RowsIn(small, 112, kCyan), std::vector<int>{99});  // code 0: the bottom row

  // Values beyond the range stay on the picture's edges, like the codes at the ends.
  std::vector<float> clipped(768, -40.0f);
  std::fill(clipped.begin() + 384, clipped.end(), 300.0f);
  for (const int h : {100, 37, 480}) {
    RasterImage img(384, h, 0);
    Canvas c(&img);
    DibujaTrazo(c, clipped, kCyan);
    EXPECT_EQ(RowsIn(img, 50, kCyan), std::vector<int>{h - 1}) << h;
    EXPECT_EQ(RowsIn(img, 300, kCyan), std::vector<int>{0}) << h;
  }

  // Twice the size: the same points at twice the coordinates.
  RasterImage big(768, 200, 0);
  Canvas pic2(&big);
  DibujaTrazo(pic2, trace, kCyan);
  EXPECT_EQ(RowsIn(big, 32, kCyan), std::vector<int>{150});
  EXPECT_EQ(RowsIn(big, 96, kCyan), std::vector<int>{50});
  EXPECT_EQ(RowsIn(big, 160, kCyan), std::vector<int>{0});
}

TEST(RenderTimeView, ShortOrEmptyTracesDrawWhatTheyHaveAndNoMore) {
  RasterImage img(768, 256, 0);
  Canvas pic(&img);
  DibujaTrazo(pic, std::vector<float>(100, 128.0f), kCyan);
  EXPECT_EQ(RowsIn(img, 50, kCyan), std::vector<int>{128});
  EXPECT_TRUE(RowsIn(img, 200, kCyan).empty());  // no points beyond the trace
  RasterImage blank(64, 64, 0);
  Canvas pic2(&blank);
  DibujaTrazo(pic2, {}, kCyan);
  DibujaTrazo(pic2, {128.0f}, kCyan);
  EXPECT_EQ(CountColour(blank, kCyan), 0);
}

TEST(RenderSpectrum, RangeZeroToHundredFillsTheHeight) {
  RasterImage img(511, 200, 0);
  Canvas pic(&img);
  std::vector<float> spec(512, 50.0f);
  spec[255] = 100.0f;
  spec[256] = 100.0f;
  DibujaTrazoEspectro(pic, spec, 0x00FFFF);
  EXPECT_EQ(RowsIn(img, 100, 0x00FFFF), std::vector<int>{100});  // 50 of 0..100: the middle
  EXPECT_EQ(RowsIn(img, 255, 0x00FFFF).front(), 0);               // 100: the top
  EXPECT_DOUBLE_EQ(pic.ScaleWidth(), 511);
  EXPECT_DOUBLE_EQ(pic.ScaleTop(), 256);
}

TEST(RenderPrinter, TimeTraceTakesTheUpperHalfAndScaleIsRestoredOnRequest) {
  RasterImage page(768, 400, 0xFFFFFF);
  Canvas printer(&page);
  printer.Scale(0, 256, 768, -256);
  DibujaTrazoImpresora(printer, std::vector<float>(768, 128.0f), 0xFF0000, true);
  // 128 of -256..256 is three quarters up: row 100 of 400.
  EXPECT_EQ(RowsIn(page, 300, 0xFF0000), std::vector<int>{100});
  EXPECT_DOUBLE_EQ(printer.ScaleTop(), 256);
  EXPECT_DOUBLE_EQ(printer.ScaleHeight(), -512);
  EXPECT_EQ(printer.hDC()->SavedDepth(), 0);

  // Without restore the trace mapping stays for the next trace on the page.
  DibujaTrazoImpresora(printer, std::vector<float>(768, 0.0f), 0x40A060, false);
  EXPECT_EQ(RowsIn(page, 300, 0x40A060), std::vector<int>{200});
  EXPECT_EQ(orva::gdi::GetMapMode(printer.hDC()), orva::gdi::MM_ANISOTROPIC);
}

TEST(RenderRescale, TruncatesTowardZeroAndPinsOutsideTheArea) {
  const float v[] = {100.0f, 100.0f, 100.0f, -2.7f, 2.7f, NAN};
  POINT p[6];
  orva::scope::ReescalaLaSenal(p, v, 1, 200, 0);
  EXPECT_EQ(p[0].y, 16010);
  orva::scope::ReescalaLaSenal(p, v, 1, -200, 0);
  EXPECT_EQ(p[0].y, -16010);
  orva::scope::ReescalaLaSenal(p, v, 1, 160, 0);
  EXPECT_EQ(p[0].y, 16000);
  orva::scope::ReescalaLaSenal(p, v, 6, 1, 0);
  EXPECT_EQ(p[3].y, -2);
  EXPECT_EQ(p[4].y, 2);
  EXPECT_EQ(p[5].y, 16010);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(p[i].x, i);
  // 160.1 * 100 = 16010 truncated is above 16000: pinned, 16000.5 -> 16000 not.
  const float w[] = {160.005f};
  orva::scope::ReescalaLaSenal(p, w, 1, 100, 0);
  EXPECT_EQ(p[0].y, 16000);
}

struct Dot {
  int x, y;
  std::uint32_t c;
};
void Record(void* ctx, std::int32_t x, std::int32_t y, std::uint32_t c) {
  static_cast<std::vector<Dot>*>(ctx)->push_back({x, y, c});
}

TEST(RenderPlotXY, MapsCodesOntoTheAreaAndSkipsTheLastSample) {
  std::vector<Dot> dots;
  OrvaSurface s{&dots, &Record};
  const float x[] = {0, 255, 128, 7};
  const float y[] = {0, 255, 128, 7};
  orva::scope::DibujaUnVectorXY2(&s, x, y, 4, 0x00FFFF, 1, 256, 256);
  ASSERT_EQ(dots.size(), 3u);
  EXPECT_EQ(dots[0].x, 0);
  EXPECT_EQ(dots[0].y, 256);
  EXPECT_EQ(dots[1].x, 255);
  EXPECT_EQ(dots[1].y, 1);
  EXPECT_EQ(dots[2].x, 128);
  EXPECT_EQ(dots[2].y, 128);
  EXPECT_EQ(dots[2].c, 0x00FFFFu);

  dots.clear();
  orva::scope::DibujaUnVectorXY2(&s, x, y, 1, 1, 1, 256, 256);
  EXPECT_TRUE(dots.empty());
  orva::scope::DibujaUnVectorXY2(&s, x, y, 2, 1, 1, 256, 256);
  EXPECT_EQ(dots.size(), 1u);

  // Step 2 thins; a step of 0 or below plots every sample instead of hanging.
  dots.clear();
  orva::scope::DibujaUnVectorXY2(&s, x, y, 4, 1, 2, 256, 256);
  EXPECT_EQ(dots.size(), 2u);
  dots.clear();
  orva::scope::DibujaUnVectorXY2(&s, x, y, 4, 1, 0, 256, 256);
  EXPECT_EQ(dots.size(), 3u);
  dots.clear();
  orva::scope::DibujaUnVectorXY2(&s, x, y, 4, 1, -5, 512, 128);
  ASSERT_EQ(dots.size(), 3u);
  EXPECT_EQ(dots[1].x, 127);  // 255 * 128/256
  EXPECT_EQ(dots[1].y, 2);    // (128 - 255) * 2 + 256
}

}  // namespace
