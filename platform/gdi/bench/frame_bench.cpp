// Micro-benchmark of one time-view frame at 800 x 600: clear, graticule of
// 10 x 8 divisions, two 768-point traces, a dotted trigger-level line and two
// cursor lines. Measured three ways in one run: through the picture box's
// drawing layer with a plain clear, the same with a stored graticule restored
// per frame, and with stock QPainter calls on a QImage. Prints microseconds
// per frame. Not a test: run it by hand (build/bin/gdi_frame_bench [frames]).
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "orva/picture_box.h"

using namespace orva::gdi;

namespace {

constexpr int kW = 800;
constexpr int kH = 600;

void Graticule(Canvas& c) {
  c.Line(0, 255, 0, 0, Rgb(100, 100, 100));
  for (int i = 1; i <= 30; ++i) {
    const double x = 25.6 * i - 1;
    c.Line(x, 255, x, 0, (i == 10 || i == 20) ? Rgb(200, 200, 200) : Rgb(100, 100, 100));
  }
  c.Line(0, 1, 768, 1, Rgb(100, 100, 100));
  for (int j = 1; j <= 7; ++j) c.Line(0, 32.0 * j - 1, 765, 32.0 * j - 1, Rgb(100, 100, 100));
  c.Line(0, 255, 765, 255, Rgb(100, 100, 100));
}

void Trace(Canvas& c, const std::vector<POINT>& pts, COLORREF colour) {
  c.ScalePixels();
  c.SetForeColor(colour);
  HDC hdc = c.hDC();
  SetDCPenColor(hdc, colour);
  const int saved = SaveDC(hdc);
  SetMapMode(hdc, MM_ANISOTROPIC);
  SetWindowOrgEx(hdc, 0, 16000, nullptr);
  SetWindowExtEx(hdc, 768, -32000, nullptr);
  SetViewportOrgEx(hdc, 0, 0, nullptr);
  SetViewportExtEx(hdc, static_cast<int>(c.ScaleWidth()), static_cast<int>(c.ScaleHeight()),
                   nullptr);
  Polyline(hdc, pts.data(), static_cast<int>(pts.size()));
  RestoreDC(hdc, saved);
  c.Scale(0, 256, 768, 0);
}

void Overlay(Canvas& c) {
  c.SetDrawStyle(PS_DOT);
  c.Line(0, 140, 768, 140, 0x0000FF);
  c.SetDrawStyle(PS_SOLID);
  c.Line(256, 255, 256, 0, 0xC0FFC0);
  c.Line(512, 255, 512, 0, 0xFFC0C0);
}

template <typename F>
double MicrosPerFrame(int frames, F&& frame) {
  for (int i = 0; i < frames / 10 + 1; ++i) frame();  // warm up
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) frame();
  const auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::micro>(t1 - t0).count() / frames;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;

  // Two sine traces in the renderers' logical units (+-16000 full scale).
  std::vector<POINT> t1(768), t2(768);
  for (int i = 0; i < 768; ++i) {
    t1[static_cast<std::size_t>(i)] = POINT{i, static_cast<std::int32_t>(9000 * std::sin(i * 0.05))};
    t2[static_cast<std::size_t>(i)] =
        POINT{i, static_cast<std::int32_t>(6000 * std::sin(i * 0.11) - 3000)};
  }

  PictureBox box;
  box.resize(kW, kH);
  box.SetBackColor(0);
  box.Scale(0, 256, 768, 0);

  const double plain = MicrosPerFrame(frames, [&] {
    box.Cls();
    Graticule(box);
    Trace(box, t1, 0xFFFF00);
    Trace(box, t2, 0x00FFFF);
    Overlay(box);
  });

  // Where the plain frame's time goes.
  const double clear_only = MicrosPerFrame(frames, [&] { box.Cls(); });
  const double grid_only = MicrosPerFrame(frames, [&] { Graticule(box); });
  const double traces_only = MicrosPerFrame(frames, [&] {
    Trace(box, t1, 0xFFFF00);
    Trace(box, t2, 0x00FFFF);
  });

  box.Cls();
  Graticule(box);
  box.StoreBackdrop();
  const double backdrop = MicrosPerFrame(frames, [&] {
    box.RestoreBackdrop();
    Trace(box, t1, 0xFFFF00);
    Trace(box, t2, 0x00FFFF);
    Overlay(box);
  });

  // Stock QPainter: fill, 37 drawLine, two drawPolyline, on the same size.
  QImage image(kW, kH, QImage::Format_RGB32);
  QPolygon p1(768), p2(768);
  for (int i = 0; i < 768; ++i) {
    p1[i] = QPoint(i * kW / 768, kH / 2 - t1[static_cast<std::size_t>(i)].y * kH / 32000);
    p2[i] = QPoint(i * kW / 768, kH / 2 - t2[static_cast<std::size_t>(i)].y * kH / 32000);
  }
  const double stock = MicrosPerFrame(frames, [&] {
    QPainter p(&image);
    p.fillRect(image.rect(), Qt::black);
    p.setPen(QColor(100, 100, 100));
    for (int i = 0; i <= 30; ++i) {
      const int x = static_cast<int>((25.6 * i - 1) * kW / 768);
      p.drawLine(x, 0, x, kH);
    }
    for (int j = 0; j <= 8; ++j) {
      const int y = static_cast<int>((32.0 * j - 1) * kH / 256);
      p.drawLine(0, y, kW, y);
    }
    p.setPen(QColor(0, 255, 255));
    p.drawPolyline(p1);
    p.setPen(QColor(255, 255, 0));
    p.drawPolyline(p2);
  });

  std::printf("frame 800x600, %d frames\n", frames);
  std::printf("  drawing layer, plain clear      %8.1f us\n", plain);
  std::printf("  drawing layer, stored graticule %8.1f us\n", backdrop);
  std::printf("  stock QPainter                  %8.1f us\n", stock);
  std::printf("  parts of the plain frame: clear %.1f us, graticule %.1f us, two traces %.1f us\n",
              clear_only, grid_only, traces_only);
  std::printf("  ratios: %.2f and %.2f of stock\n", plain / stock, backdrop / stock);
  return 0;
}
