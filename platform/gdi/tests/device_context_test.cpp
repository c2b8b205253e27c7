// Device contexts over raster targets: mapping, saved states, polylines,
// pixels, pen styles and bounds.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "orva/gdi.h"

namespace orva::gdi {
namespace {

constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kBlack = 0x000000;

// Every painted pixel (non-background) of a raster, as a set of coordinates.
std::vector<POINT> Painted(const RasterImage& img, COLORREF background = kBlack) {
  std::vector<POINT> out;
  for (std::int32_t y = 0; y < img.Height(); ++y)
    for (std::int32_t x = 0; x < img.Width(); ++x)
      if (img.ReadPixel(x, y) != background) out.push_back(POINT{x, y});
  return out;
}

bool Has(const std::vector<POINT>& pts, std::int32_t x, std::int32_t y) {
  for (const POINT& p : pts)
    if (p.x == x && p.y == y) return true;
  return false;
}

POINT Map(HDC hdc, std::int32_t x, std::int32_t y) {
  POINT p{x, y};
  EXPECT_NE(LPtoDP(hdc, &p, 1), 0);
  return p;
}

// The renderers' mapping: logical x 0..n, y +16000 (top) .. -16000 (bottom)
// onto a w x h surface.
void RendererMapping(HDC hdc, std::int32_t n, std::int32_t w, std::int32_t h) {
  SetMapMode(hdc, MM_ANISOTROPIC);
  SetWindowOrgEx(hdc, 0, 16000, nullptr);
  SetWindowExtEx(hdc, n, -32000, nullptr);
  SetViewportOrgEx(hdc, 0, 0, nullptr);
  SetViewportExtEx(hdc, w, h, nullptr);
}

TEST(GdiDeviceContextMapping, AnisotropicWindowViewportArithmetic) {
  RasterImage img(800, 600);
  DeviceContext dc(&img);
  RendererMapping(&dc, 768, 800, 600);
  EXPECT_EQ(GetMapMode(&dc), MM_ANISOTROPIC);
  POINT p = Map(&dc, 0, 16000);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  p = Map(&dc, 768, -16000);
  EXPECT_EQ(p.x, 800);
  EXPECT_EQ(p.y, 600);
  p = Map(&dc, 384, 0);  // centre
  EXPECT_EQ(p.x, 400);
  EXPECT_EQ(p.y, 300);
  p = Map(&dc, 100, 8000);  // 100 * 800 / 768 = 104.17; (8000-16000) * 600 / -32000 = 150
  EXPECT_EQ(p.x, 104);
  EXPECT_EQ(p.y, 150);

  // Halves round away from zero, on both sides of the origin.
  SetWindowOrgEx(&dc, 0, 0, nullptr);
  SetWindowExtEx(&dc, 2, 2, nullptr);
  SetViewportExtEx(&dc, 1, 3, nullptr);
  SetViewportOrgEx(&dc, 10, 10, nullptr);
  p = Map(&dc, 1, 1);  // 0.5 -> 1, 1.5 -> 2
  EXPECT_EQ(p.x, 11);
  EXPECT_EQ(p.y, 12);
  p = Map(&dc, -1, -1);  // -0.5 -> -1, -1.5 -> -2
  EXPECT_EQ(p.x, 9);
  EXPECT_EQ(p.y, 8);
}

TEST(GdiDeviceContextMapping, SettersReportPreviousValuesAndRefuseBadInput) {
  DeviceContext dc;
  EXPECT_EQ(SetMapMode(&dc, MM_ANISOTROPIC), MM_TEXT);
  POINT po{};
  SIZE ps{};
  ASSERT_NE(SetWindowOrgEx(&dc, 5, 6, &po), 0);
  EXPECT_EQ(po.x, 0);
  ASSERT_NE(SetWindowOrgEx(&dc, 7, 8, &po), 0);
  EXPECT_EQ(po.x, 5);
  EXPECT_EQ(po.y, 6);
  ASSERT_NE(SetWindowExtEx(&dc, 10, -20, &ps), 0);
  EXPECT_EQ(ps.cx, 1);
  EXPECT_EQ(ps.cy, 1);
  ASSERT_NE(SetViewportExtEx(&dc, 30, 40, &ps), 0);
  ASSERT_NE(SetViewportExtEx(&dc, 50, 60, &ps), 0);
  EXPECT_EQ(ps.cx, 30);
  EXPECT_EQ(ps.cy, 40);
  ASSERT_NE(SetViewportOrgEx(&dc, 1, 2, &po), 0);
  ASSERT_NE(SetViewportOrgEx(&dc, 3, 4, &po), 0);
  EXPECT_EQ(po.x, 1);
  EXPECT_EQ(po.y, 2);

  // A zero extent would divide by zero: refused, previous value untouched.
  ps = SIZE{-99, -99};
  EXPECT_EQ(SetWindowExtEx(&dc, 0, 5, &ps), 0);
  EXPECT_EQ(ps.cx, -99);
  EXPECT_EQ(SetViewportExtEx(&dc, 5, 0, nullptr), 0);
  EXPECT_EQ(dc.Current().window_ext.cx, 10);
  EXPECT_EQ(dc.Current().viewport_ext.cy, 60);

  // Unsupported map modes are refused and the mode stays.
  EXPECT_EQ(SetMapMode(&dc, 2), 0);
  EXPECT_EQ(SetMapMode(&dc, 0), 0);
  EXPECT_EQ(GetMapMode(&dc), MM_ANISOTROPIC);

  // Back to MM_TEXT: extents reset, setting them is accepted but ignored,
  // origins still apply.
  EXPECT_EQ(SetMapMode(&dc, MM_TEXT), MM_ANISOTROPIC);
  EXPECT_NE(SetWindowExtEx(&dc, 100, 100, nullptr), 0);
  EXPECT_NE(SetViewportExtEx(&dc, 7, 7, nullptr), 0);
  SetWindowOrgEx(&dc, 10, 20, nullptr);
  SetViewportOrgEx(&dc, 1, 1, nullptr);
  const POINT p = Map(&dc, 15, 30);
  EXPECT_EQ(p.x, 6);
  EXPECT_EQ(p.y, 11);
}

TEST(GdiDeviceContextMapping, IsotropicKeepsEqualScalesAndSigns) {
  DeviceContext dc;
  SetMapMode(&dc, MM_ISOTROPIC);
  SetWindowExtEx(&dc, 100, -100, nullptr);
  SetViewportExtEx(&dc, 200, 50, nullptr);
  EXPECT_EQ(dc.Current().viewport_ext.cx, 50);
  EXPECT_EQ(dc.Current().viewport_ext.cy, 50);
  const POINT p = Map(&dc, 100, 100);
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, -50);
}

TEST(GdiDeviceContextMapping, ExtremeCoordinatesAreClampedNotWrapped) {
  RasterImage img(64, 32);
  DeviceContext dc(&img);
  SetMapMode(&dc, MM_ANISOTROPIC);
  SetWindowExtEx(&dc, 1, 1, nullptr);
  SetViewportExtEx(&dc, INT32_MAX, INT32_MIN, nullptr);
  POINT p = Map(&dc, INT32_MAX, INT32_MAX);
  EXPECT_EQ(p.x, kDeviceLimit);
  EXPECT_EQ(p.y, -kDeviceLimit);
  SetWindowOrgEx(&dc, INT32_MAX, INT32_MIN, nullptr);
  p = Map(&dc, INT32_MIN, INT32_MAX);
  EXPECT_EQ(p.x, -kDeviceLimit);
  EXPECT_EQ(p.y, -kDeviceLimit);

  // A polyline across the whole 32-bit range draws in bounded time and
  // touches only the image.
  SetMapMode(&dc, MM_TEXT);
  SetWindowOrgEx(&dc, 0, 0, nullptr);
  const POINT pts[] = {{INT32_MIN, 16}, {INT32_MAX, 16}, {INT32_MAX, INT32_MIN}};
  SetDCPenColor(&dc, kRed);
  EXPECT_NE(Polyline(&dc, pts, 3), 0);
  const auto painted = Painted(img);
  EXPECT_EQ(painted.size(), 64u);
  for (const POINT& q : painted) EXPECT_EQ(q.y, 16);
}

TEST(GdiDeviceContextState, SaveAndRestoreByLevel) {
  DeviceContext dc;
  EXPECT_EQ(SaveDC(&dc), 1);
  SetMapMode(&dc, MM_ANISOTROPIC);
  SetWindowOrgEx(&dc, 1, 1, nullptr);
  SelectPen(&dc, Pen{PS_DOT, 2, kBlue});
  EXPECT_EQ(SaveDC(&dc), 2);
  SetWindowOrgEx(&dc, 2, 2, nullptr);
  EXPECT_EQ(SaveDC(&dc), 3);
  SetWindowOrgEx(&dc, 3, 3, nullptr);

  // -1 is the latest save.
  EXPECT_NE(RestoreDC(&dc, -1), 0);
  EXPECT_EQ(dc.Current().window_org.x, 2);
  EXPECT_EQ(dc.SavedDepth(), 2);
  // Levels that do not exist change nothing.
  EXPECT_EQ(RestoreDC(&dc, 0), 0);
  EXPECT_EQ(RestoreDC(&dc, 3), 0);
  EXPECT_EQ(RestoreDC(&dc, -3), 0);
  EXPECT_EQ(dc.Current().window_org.x, 2);
  EXPECT_EQ(dc.SavedDepth(), 2);
  // Restoring level 2 keeps level 1; the next save is level 2 again.
  EXPECT_NE(RestoreDC(&dc, 2), 0);
  EXPECT_EQ(dc.Current().window_org.x, 1);
  EXPECT_EQ(dc.Current().pen.style, PS_DOT);
  EXPECT_EQ(SaveDC(&dc), 2);
  // Restoring level 1 brings back the first state, pen and mode included,
  // and drops every later save.
  EXPECT_NE(RestoreDC(&dc, 1), 0);
  EXPECT_EQ(GetMapMode(&dc), MM_TEXT);
  EXPECT_EQ(dc.Current().window_org.x, 0);
  EXPECT_EQ(dc.Current().pen.style, PS_SOLID);
  EXPECT_EQ(dc.SavedDepth(), 0);
  EXPECT_EQ(RestoreDC(&dc, -1), 0);
}

TEST(GdiDeviceContextState, SaveStackIsBoundedAndNullContextFails) {
  DeviceContext dc;
  for (int i = 1; i <= kMaxSavedStates; ++i) ASSERT_EQ(SaveDC(&dc), i);
  EXPECT_EQ(SaveDC(&dc), 0);
  EXPECT_NE(RestoreDC(&dc, 1), 0);
  EXPECT_EQ(SaveDC(&dc), 1);

  const POINT pts[2] = {{0, 0}, {1, 1}};
  EXPECT_EQ(SaveDC(nullptr), 0);
  EXPECT_EQ(RestoreDC(nullptr, 1), 0);
  EXPECT_EQ(SetMapMode(nullptr, MM_TEXT), 0);
  EXPECT_EQ(SetWindowOrgEx(nullptr, 0, 0, nullptr), 0);
  EXPECT_EQ(SetViewportExtEx(nullptr, 1, 1, nullptr), 0);
  EXPECT_EQ(Polyline(nullptr, pts, 2), 0);
  EXPECT_EQ(SetPixel(nullptr, 0, 0, kRed), CLR_INVALID);
  EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
  EXPECT_EQ(SetDCPenColor(nullptr, kRed), CLR_INVALID);
}

TEST(GdiDeviceContextDrawing, PolylinePixelsLandWhereExpected) {
  RasterImage img(100, 50);
  DeviceContext dc(&img);
  SetDCPenColor(&dc, kRed);
  const POINT pts[] = {{10, 10}, {20, 10}, {20, 20}};
  ASSERT_NE(Polyline(&dc, pts, 3), 0);
  const auto painted = Painted(img);
  // 10 pixels of the first segment (its end is the second's start) plus
  // 10 of the second; the polyline's last point is not painted.
  EXPECT_EQ(painted.size(), 20u);
  for (int x = 10; x <= 20; ++x) EXPECT_TRUE(Has(painted, x, 10)) << x;
  for (int y = 11; y < 20; ++y) EXPECT_TRUE(Has(painted, 20, y)) << y;
  EXPECT_FALSE(Has(painted, 20, 20));
  EXPECT_EQ(img.ReadPixel(15, 10), kRed);

  // A diagonal steps one pixel on both axes per point.
  RasterImage diag(20, 20);
  DeviceContext d2(&diag);
  SetDCPenColor(&d2, kBlue);
  const POINT line[] = {{2, 2}, {12, 7}};
  Polyline(&d2, line, 2);
  const auto dp = Painted(diag);
  EXPECT_EQ(dp.size(), 10u);
  EXPECT_TRUE(Has(dp, 2, 2));
  EXPECT_TRUE(Has(dp, 4, 3));   // 2 * 5 / 10 = 1
  EXPECT_TRUE(Has(dp, 11, 7));  // 9 * 5 / 10 = 4.5 rounds up
  EXPECT_FALSE(Has(dp, 12, 7));

  // MoveToEx / LineTo draw the same way and move the current position.
  RasterImage lt(10, 10);
  DeviceContext d3(&lt);
  POINT prev{-1, -1};
  MoveToEx(&d3, 1, 1, &prev);
  EXPECT_EQ(prev.x, 0);
  SetDCPenColor(&d3, kRed);
  LineTo(&d3, 5, 1);
  LineTo(&d3, 5, 4);
  EXPECT_EQ(d3.Current().position.y, 4);
  EXPECT_EQ(Painted(lt).size(), 7u);
}

TEST(GdiDeviceContextDrawing, RendererTraceFitsAnySurface) {
  // A constant centre-code trace (logical y 0) with the renderers' mapping
  // lies on the middle row; full scale (16000) on the top row.
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{768, 256}, {800, 600}, {333, 97}}) {
    RasterImage img(w, h);
    DeviceContext dc(&img);
    SetDCPenColor(&dc, kRed);
    const int saved = SaveDC(&dc);
    RendererMapping(&dc, 768, w, h);
    std::vector<POINT> trace(768);
    for (int i = 0; i < 768; ++i) trace[static_cast<std::size_t>(i)] = POINT{i, 0};
    ASSERT_NE(Polyline(&dc, trace.data(), 768), 0);
    std::vector<POINT> top(768);
    for (int i = 0; i < 768; ++i) top[static_cast<std::size_t>(i)] = POINT{i, 16000};
    ASSERT_NE(Polyline(&dc, top.data(), 768), 0);
    ASSERT_NE(RestoreDC(&dc, saved), 0);
    EXPECT_EQ(GetMapMode(&dc), MM_TEXT);

    const int mid = (h + 1) / 2;  // 0.5 * h rounded half away from zero
    const int last_x = static_cast<int>((767LL * w * 2 + 768) / (2 * 768));
    for (const POINT& p : Painted(img)) {
      EXPECT_TRUE(p.y == mid || p.y == 0) << w << "x" << h << " " << p.x << "," << p.y;
      EXPECT_LT(p.x, last_x);  // the final point is left off
    }
    EXPECT_EQ(img.ReadPixel(0, mid), kRed);
    EXPECT_EQ(img.ReadPixel(last_x - 1, mid), kRed);
    EXPECT_EQ(img.ReadPixel(w / 2, 0), kRed);
  }
}

TEST(GdiDeviceContextDrawing, SetPixelUsesBgrOrderAndMapping) {
  RasterImage img(10, 10);
  DeviceContext dc(&img);
  EXPECT_EQ(SetPixel(&dc, 3, 4, kRed), kRed);
  // Stored as an opaque 0xAARRGGBB pixel: red lands in bits 16..23.
  EXPECT_EQ(img.Pixels()[4 * img.Stride() + 3], 0xFFFF0000u);
  EXPECT_EQ(GetPixel(&dc, 3, 4), kRed);
  EXPECT_EQ(SetPixel(&dc, 5, 5, Rgb(1, 2, 3)), 0x030201u);
  EXPECT_EQ(img.Pixels()[5 * img.Stride() + 5], 0xFF010203u);
  // The high byte is not a colour: ignored.
  EXPECT_EQ(SetPixel(&dc, 6, 6, 0x12345678u), 0x345678u);
  EXPECT_EQ(GetPixel(&dc, 6, 6), 0x345678u);

  // Logical coordinates go through the mapping.
  SetViewportOrgEx(&dc, 2, 2, nullptr);
  SetPixel(&dc, 0, 0, kBlue);
  EXPECT_EQ(img.ReadPixel(2, 2), kBlue);
}

TEST(GdiDeviceContextDrawing, PenStylesAndWidths) {
  auto row_pixels = [](const RasterImage& img, int y) {
    std::vector<bool> on;
    for (int x = 0; x < img.Width(); ++x) on.push_back(img.ReadPixel(x, y) != kBlack);
    return on;
  };
  RasterImage img(60, 10);
  DeviceContext dc(&img);
  SelectPen(&dc, Pen{PS_SOLID, 1, kRed});
  const POINT solid[] = {{0, 1}, {60, 1}};
  Polyline(&dc, solid, 2);
  SelectPen(&dc, Pen{PS_DOT, 1, kRed});
  // The dot pattern (3 on, 3 off) runs on across the vertex at x = 4.
  const POINT dotted[] = {{0, 3}, {4, 3}, {60, 3}};
  Polyline(&dc, dotted, 3);
  const auto s = row_pixels(img, 1);
  const auto d = row_pixels(img, 3);
  int solid_count = 0, dot_count = 0;
  for (int x = 0; x < 60; ++x) {
    solid_count += s[static_cast<std::size_t>(x)];
    dot_count += d[static_cast<std::size_t>(x)];
    EXPECT_EQ(d[static_cast<std::size_t>(x)], (x / 3) % 2 == 0) << x;
  }
  EXPECT_EQ(solid_count, 60);
  EXPECT_EQ(dot_count, 30);

  // A dotted vertical line has gaps too; an invisible pen paints nothing.
  RasterImage v(5, 30);
  DeviceContext dv(&v);
  SelectPen(&dv, Pen{PS_DOT, 1, kRed});
  const POINT vert[] = {{2, 0}, {2, 30}};
  Polyline(&dv, vert, 2);
  EXPECT_EQ(Painted(v).size(), 15u);
  SelectPen(&dv, Pen{PS_NULL, 1, kBlue});
  const POINT other[] = {{0, 0}, {4, 29}};
  Polyline(&dv, other, 2);
  EXPECT_EQ(Painted(v).size(), 15u);

  // A 3-pixel pen covers the rows above and below a horizontal line;
  // absurd widths are clamped.
  RasterImage w(20, 200);
  DeviceContext dw(&w);
  SelectPen(&dw, Pen{PS_SOLID, 3, kRed});
  const POINT h[] = {{0, 5}, {10, 5}};
  Polyline(&dw, h, 2);
  for (int y = 3; y <= 7; ++y) EXPECT_EQ(w.ReadPixel(5, y) == kRed, y >= 4 && y <= 6) << y;
  SelectPen(&dw, Pen{PS_SOLID, 100000, kBlue});
  const POINT h2[] = {{0, 100}, {10, 100}};
  Polyline(&dw, h2, 2);
  int rows = 0;
  for (int y = 0; y < 200; ++y) rows += w.ReadPixel(5, y) == kBlue;
  EXPECT_EQ(rows, kMaxPenWidth);
}

TEST(GdiDeviceContextBounds, NothingIsDrawnOutsideTheTargetOrFromBadInput) {
  RasterImage img(40, 30);
  DeviceContext dc(&img);
  SetDCPenColor(&dc, kRed);
  const POINT pts[] = {{0, 0}, {10, 10}};
  EXPECT_EQ(Polyline(&dc, pts, 0), 0);
  EXPECT_EQ(Polyline(&dc, pts, -5), 0);
  EXPECT_EQ(Polyline(&dc, pts, 1), 0);
  EXPECT_EQ(Polyline(&dc, nullptr, 2), 0);
  EXPECT_TRUE(Painted(img).empty());

  EXPECT_EQ(SetPixel(&dc, -1, 0, kRed), CLR_INVALID);
  EXPECT_EQ(SetPixel(&dc, 40, 0, kRed), CLR_INVALID);
  EXPECT_EQ(SetPixel(&dc, 0, 30, kRed), CLR_INVALID);
  EXPECT_EQ(GetPixel(&dc, 0, -1), CLR_INVALID);
  EXPECT_TRUE(Painted(img).empty());

  // A context without a target, and an empty target, draw nothing.
  DeviceContext none;
  EXPECT_EQ(SetPixel(&none, 0, 0, kRed), CLR_INVALID);
  RasterTarget empty;
  DeviceContext de(&empty);
  EXPECT_NE(Polyline(&de, pts, 2), 0);
  EXPECT_EQ(SetPixel(&de, 0, 0, kRed), CLR_INVALID);
  std::uint32_t block[4] = {};
  RasterTarget bad_stride(block, 4, 1, 2);
  EXPECT_EQ(bad_stride.Width(), 0);
  RasterTarget null_block(nullptr, 4, 1, 4);
  EXPECT_EQ(null_block.Height(), 0);

  // Rectangles are clipped; corners in any order.
  img.FillRect(35, 25, 100, 100, kBlue);
  img.FillRect(-10, 5, -20, -5, kBlue);  // entirely outside
  EXPECT_EQ(Painted(img).size(), 25u);
  img.FillRect(3, 3, 1, 1, kBlue);
  EXPECT_EQ(Painted(img).size(), 29u);
}

TEST(GdiDeviceContextBounds, ClippedLinesKeepTheirPixels) {
  // The same segments drawn on a small image and on a large one where they
  // fit entirely: the small image must show exactly the matching window of
  // the large one, dotted pattern included.
  const POINT segs[][2] = {{{-50, -20}, {150, 60}},
                           {{90, -300}, {-10, 400}},
                           {{-1000, 49}, {1000, -1}},
                           {{120, 10}, {-130, 11}}};
  for (int style : {PS_SOLID, PS_DOT, PS_DASHDOT}) {
    for (const auto& seg : segs) {
      RasterImage small(100, 50);
      RasterImage large(2400, 900);
      DeviceContext ds(&small);
      DeviceContext dl(&large);
      SelectPen(&ds, Pen{style, 1, kRed});
      SelectPen(&dl, Pen{style, 1, kRed});
      SetViewportOrgEx(&dl, 1200, 450, nullptr);
      Polyline(&ds, seg, 2);
      Polyline(&dl, seg, 2);
      int mismatches = 0;
      for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
          mismatches += small.ReadPixel(x, y) != large.ReadPixel(x + 1200, y + 450);
      EXPECT_EQ(mismatches, 0) << "style " << style << " from " << seg[0].x << "," << seg[0].y;
    }
  }
}

TEST(GdiDeviceContextSurface, PlainCSurfaceDrawsThroughTheContext) {
  RasterImage img(16, 16);
  DeviceContext dc(&img);
  SetViewportOrgEx(&dc, 1, 0, nullptr);
  const OrvaSurface s = MakeSurface(&dc);
  ASSERT_NE(s.set_pixel, nullptr);
  s.set_pixel(s.context, 3, 4, kBlue);
  s.set_pixel(s.context, 100, 4, kBlue);  // dropped
  s.set_pixel(s.context, -1, -100, kBlue);
  EXPECT_EQ(img.ReadPixel(4, 4), kBlue);
  EXPECT_EQ(Painted(img).size(), 1u);

  const OrvaSurface null_surface = MakeSurface(nullptr);
  null_surface.set_pixel(null_surface.context, 1, 1, kRed);  // must not crash
  EXPECT_EQ(Painted(img).size(), 1u);
}

}  // namespace
}  // namespace orva::gdi
