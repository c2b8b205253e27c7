// The picture box and the Qt-backed targets, under the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <vector>

#include "orva/picture_box.h"

namespace orva::gdi {
namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kYellow = 0x00FFFF;

// One application for the whole binary, kept alive until the process ends:
// destroying it among the static destructors would run after Qt's own.
QApplication& App() {
  static int argc = 1;
  static char name[] = "gdi_widget_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

COLORREF At(const QImage& img, int x, int y) {
  const QRgb p = img.pixel(x, y);
  return Rgb(qRed(p), qGreen(p), qBlue(p));
}

// Constructed before any widget member of a fixture.
struct WithApp {
  WithApp() { App(); }
};

class GdiPictureBox : public ::testing::Test {
 protected:
  WithApp app_;
  void SetUp() override {
    box.resize(320, 200);
    box.show();
    QApplication::processEvents();
    box.SetBackColor(kBlack);
    box.Scale(0, 256, 768, 0);
  }
  PictureBox box;
};

TEST_F(GdiPictureBox, DrawingPersistsInTheImageAndOnScreen) {
  box.Line(0, 128, 768, 128, kRed);
  box.PSet(384, 200, kYellow);
  const QImage img = box.Image();
  ASSERT_EQ(img.size(), QSize(320, 200));
  EXPECT_EQ(At(img, 0, 100), kRed);
  EXPECT_EQ(At(img, 319, 100), kRed);
  EXPECT_EQ(At(img, 160, 99), kBlack);
  EXPECT_EQ(At(img, 160, 44), kYellow);  // (256 - 200) * 200 / 256 = 43.75

  // Repaints show the image and do not lose it.
  box.repaint();
  const QImage shown = box.grab().toImage();
  EXPECT_EQ(At(shown, 10, 100), kRed);
  EXPECT_EQ(At(shown, 160, 44), kYellow);
  box.repaint();
  EXPECT_EQ(box.Image(), img);

  // Image() is a deep copy: later drawing does not change it.
  box.Cls();
  EXPECT_EQ(At(img, 0, 100), kRed);
  EXPECT_EQ(At(box.Image(), 0, 100), kBlack);
}

TEST_F(GdiPictureBox, ResizeRecreatesAClearedImageAndKeepsTheScale) {
  int resized = 0;
  box.SetResizeHandler([&] { ++resized; });
  box.Line(0, 128, 768, 128, kRed);
  box.resize(500, 300);
  QApplication::processEvents();
  EXPECT_GE(resized, 1);
  QImage img = box.Image();
  ASSERT_EQ(img.size(), QSize(500, 300));
  int painted = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 500; ++x) painted += At(img, x, y) != kBlack;
  EXPECT_EQ(painted, 0);  // cleared to BackColor
  EXPECT_DOUBLE_EQ(box.ScaleWidth(), 768);
  box.Line(0, 128, 768, 128, kRed);
  EXPECT_EQ(At(box.Image(), 250, 150), kRed);

  // A hidden box picks up its new size at the next drawing call.
  box.hide();
  box.resize(64, 32);
  box.Line(0, 128, 768, 128, kRed);
  img = box.Image();
  ASSERT_EQ(img.size(), QSize(64, 32));
  EXPECT_EQ(At(img, 10, 16), kRed);

  // A zero-sized box draws nothing and yields an empty image.
  box.resize(0, 0);
  box.Line(0, 0, 768, 256, kRed);
  EXPECT_TRUE(box.Image().isNull());
  box.resize(10, 10);
  EXPECT_EQ(box.Image().size(), QSize(10, 10));
}

TEST_F(GdiPictureBox, DeviceContextAndPlainSurfaceDrawOnTheImage) {
  box.ScalePixels();
  HDC hdc = box.hDC();
  SetDCPenColor(hdc, kYellow);
  const POINT pts[] = {{10, 20}, {100, 20}};
  ASSERT_NE(Polyline(hdc, pts, 2), 0);
  const OrvaSurface s = MakeSurface(hdc);
  s.set_pixel(s.context, 5, 6, kRed);
  s.set_pixel(s.context, 5000, 6, kRed);
  const QImage img = box.Image();
  EXPECT_EQ(At(img, 50, 20), kYellow);
  EXPECT_EQ(At(img, 5, 6), kRed);
  EXPECT_EQ(At(img, 100, 20), kBlack);
}

TEST_F(GdiPictureBox, MouseEventsArriveInUserUnits) {
  struct Event {
    int button, shift;
    double x, y;
  };
  std::vector<Event> downs, moves, ups;
  box.SetMouseDownHandler([&](int b, int s, double x, double y) { downs.push_back({b, s, x, y}); });
  box.SetMouseMoveHandler([&](int b, int s, double x, double y) { moves.push_back({b, s, x, y}); });
  box.SetMouseUpHandler([&](int b, int s, double x, double y) { ups.push_back({b, s, x, y}); });

  const QPointF mid(160, 100);
  QMouseEvent press(QEvent::MouseButtonPress, mid, box.mapToGlobal(mid), Qt::RightButton,
                    Qt::RightButton, Qt::ShiftModifier);
  QApplication::sendEvent(&box, &press);
  const QPointF corner(0, 0);
  QMouseEvent move(QEvent::MouseMove, corner, box.mapToGlobal(corner), Qt::NoButton,
                   Qt::RightButton | Qt::LeftButton, Qt::ControlModifier);
  QApplication::sendEvent(&box, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, corner, box.mapToGlobal(corner),
                      Qt::LeftButton, Qt::RightButton, Qt::AltModifier);
  QApplication::sendEvent(&box, &release);

  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].button, 2);
  EXPECT_EQ(downs[0].shift, 1);
  EXPECT_DOUBLE_EQ(downs[0].x, 384);
  EXPECT_DOUBLE_EQ(downs[0].y, 128);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].button, 3);  // buttons held
  EXPECT_EQ(moves[0].shift, 2);
  EXPECT_DOUBLE_EQ(moves[0].x, 0);
  EXPECT_DOUBLE_EQ(moves[0].y, 256);
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].button, 1);
  EXPECT_EQ(ups[0].shift, 4);
}

TEST_F(GdiPictureBox, LineObjectsPaintOverTheImageOnly) {
  PictureBox::LineObject cursor;
  cursor.x1 = cursor.x2 = 384;
  cursor.y1 = 256;
  cursor.y2 = 0;
  cursor.colour = 0xC0FFC0;
  const int index = box.AddLineObject(cursor);
  EXPECT_EQ(index, 0);
  box.repaint();
  EXPECT_EQ(At(box.grab().toImage(), 160, 50), kBlack);  // created hidden

  box.ShowLineObject(index, true);
  box.repaint();
  EXPECT_EQ(At(box.grab().toImage(), 160, 50), 0xC0FFC0u);
  EXPECT_EQ(At(box.Image(), 160, 50), kBlack);

  box.MoveLineObject(index, 192, 256, 192, 0);
  box.repaint();
  const QImage shown = box.grab().toImage();
  EXPECT_EQ(At(shown, 80, 50), 0xC0FFC0u);
  EXPECT_EQ(At(shown, 160, 50), kBlack);

  // Out-of-range indexes are ignored.
  box.MoveLineObject(7, 0, 0, 1, 1);
  box.ShowLineObject(-1, true);
  EXPECT_FALSE(box.GetLineObject(7).visible);
  EXPECT_EQ(box.LineObjectCount(), 1);
}

TEST_F(GdiPictureBox, SetPictureCopiesAPictureIntoTheImage) {
  QImage picture(40, 30, QImage::Format_RGB888);
  picture.fill(QColor(255, 255, 0));  // yellow: 0x00FFFF in BGR order
  box.SetPicture(picture);
  const QImage img = box.Image();
  EXPECT_EQ(At(img, 39, 29), kYellow);
  EXPECT_EQ(At(img, 40, 29), kBlack);
  // Drawing continues on the same image afterwards.
  box.Line(0, 128, 768, 128, kRed);
  EXPECT_EQ(At(box.Image(), 20, 100), kRed);
}

TEST(GdiImageDeviceContext, DrawsOnAQImageOfAnyFormat) {
  App();
  QImage img(30, 20, QImage::Format_RGB888);
  img.fill(Qt::black);
  ImageDC dc(img);
  EXPECT_EQ(img.format(), QImage::Format_RGB32);
  SetMapMode(dc.hDC(), MM_ANISOTROPIC);
  SetWindowExtEx(dc.hDC(), 3, 2, nullptr);
  SetViewportExtEx(dc.hDC(), 30, 20, nullptr);
  SetPixel(dc.hDC(), 1, 1, kRed);
  EXPECT_EQ(At(img, 10, 10), kRed);
  EXPECT_EQ(SetPixel(dc.hDC(), 3, 0, kRed), CLR_INVALID);

  QImage null_image;
  ImageDC none(null_image);
  EXPECT_EQ(SetPixel(none.hDC(), 0, 0, kRed), CLR_INVALID);
}

TEST(GdiPainterDeviceContext, DrawsThroughAPainter) {
  App();
  QImage img(50, 40, QImage::Format_RGB32);
  img.fill(Qt::black);
  {
    QPainter painter(&img);
    PainterTarget target(&painter);
    EXPECT_EQ(target.Width(), 50);
    DeviceContext dc(&target);
    SetDCPenColor(&dc, kYellow);
    const POINT pts[] = {{0, 10}, {49, 10}};
    ASSERT_NE(Polyline(&dc, pts, 2), 0);
    EXPECT_EQ(SetPixel(&dc, 3, 30, kRed), kRed);
    EXPECT_EQ(SetPixel(&dc, 60, 30, kRed), CLR_INVALID);
    EXPECT_EQ(GetPixel(&dc, 3, 30), CLR_INVALID);  // a painter cannot be read back
    Canvas c(&target);
    c.Scale(0, 256, 768, 0);
    c.Line(0, 64, 768, 64, kRed, Canvas::kFilledBox);  // a one-row band
  }
  EXPECT_EQ(At(img, 25, 10), kYellow);
  EXPECT_EQ(At(img, 3, 30), kRed);
  EXPECT_EQ(At(img, 25, 30), kRed);
  PainterTarget idle(nullptr);
  EXPECT_EQ(idle.Width(), 0);
  idle.Fill(kRed);  // no painter: nothing happens
}

}  // namespace
}  // namespace orva::gdi
