// The window side of the drawing layer (Qt): device contexts over QImages and
// QPainters, and the picture box.
//
// PictureBox is a widget holding a persistent image (its drawing survives
// repaints: every drawing call goes into the image and paintEvent copies the
// image to the screen). On a size change the image is re-created at the new
// size and cleared to BackColor (a resize erases the drawing; the owner
// redraws). All the drawing members are those of Canvas (<orva/gdi_canvas.h>):
// Scale, Cls, Line, PSet, ForeColor, BackColor, DrawStyle, DrawWidth, hDC.
//
// Mouse events reach the owner as callbacks with the button, the shift state
// and the pointer position in user-scale units:
//   button: 1 left, 2 right, 4 middle (for moves: the buttons held, or-ed)
//   shift:  1 Shift, 2 Ctrl, 4 Alt (or-ed)
//
// Line objects are lines kept apart from the image and painted over it
// (cursor lines that move without a redraw of the picture). They are given in
// user units and follow the current scale; Image() does not contain them.
#pragma once

#include <QImage>
#include <QPolygon>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "orva/gdi.h"
#include "orva/gdi_canvas.h"

class QPainter;

namespace orva::gdi {

// A RasterTarget over a QImage's pixels. The image is converted to
// Format_RGB32 first when it has another layout than RGB32/ARGB32/
// ARGB32_Premultiplied (pixels written are opaque, valid in all three). The
// image must outlive the target and must not be resized or reassigned while
// the target points at it; shallow copies taken meanwhile share its pixels
// (take QImage::copy()).
class ImageTarget : public RasterTarget {
 public:
  explicit ImageTarget(QImage& image);
};

// A device context drawing on a QImage.
class ImageDC {
 public:
  explicit ImageDC(QImage& image) : target_(image), dc_(&target_) {}
  HDC hDC() { return &dc_; }
  DeviceContext& Context() { return dc_; }

 private:
  ImageTarget target_;
  DeviceContext dc_;
};

// A DrawTarget over an active QPainter (printer pages, PDF, any paint device),
// with the size of the painter's device in its pixels; the painter's own
// transform, if any, applies on top. Reading pixels is not possible
// (CLR_INVALID). The painter must stay active while in use.
class PainterTarget : public DrawTarget {
 public:
  explicit PainterTarget(QPainter* painter);
  std::int32_t Width() const override;
  std::int32_t Height() const override;
  void DrawPolyline(const POINT* pts, int n, const Pen& pen, bool include_last) override;
  bool DrawPixel(std::int32_t x, std::int32_t y, COLORREF colour) override;
  COLORREF ReadPixel(std::int32_t, std::int32_t) const override { return CLR_INVALID; }
  void FillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                COLORREF colour) override;
  void Fill(COLORREF colour) override;

 private:
  QPainter* painter_;
  QPolygon scratch_;
};

class PictureBox : public QWidget, public Canvas {
 public:
  using MouseHandler = std::function<void(int button, int shift, double x, double y)>;

  explicit PictureBox(QWidget* parent = nullptr);
  ~PictureBox() override;

  // A deep copy of the persistent image (without line objects).
  QImage Image();
  // While held, drawing into the image asks for no repaint; releasing asks
  // for one when anything was drawn meanwhile. (Unlike disabling the
  // widget's updates, child widgets and resizes are repainted as usual.)
  void HoldRepaints(bool hold);
  // Draws a picture into the image at the top-left corner, unscaled, clipped.
  void SetPicture(const QImage& picture);

  void SetMouseDownHandler(MouseHandler handler) { on_down_ = std::move(handler); }
  void SetMouseMoveHandler(MouseHandler handler) { on_move_ = std::move(handler); }
  void SetMouseUpHandler(MouseHandler handler) { on_up_ = std::move(handler); }
  // Called after the image was re-created at a new size.
  void SetResizeHandler(std::function<void()> handler) { on_resize_ = std::move(handler); }

  struct LineObject {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // user units
    COLORREF colour = 0xFFFFFF;
    int style = PS_SOLID;
    int width = 1;
    bool visible = false;
  };
  // Adds a line object and returns its index (0, 1, ...).
  int AddLineObject(const LineObject& line);
  int LineObjectCount() const { return static_cast<int>(lines_.size()); }
  // Out-of-range indexes: Get returns a default (invisible) line, Set does nothing.
  LineObject GetLineObject(int index) const;
  void SetLineObject(int index, const LineObject& line);
  void MoveLineObject(int index, double x1, double y1, double x2, double y2);
  void ShowLineObject(int index, bool visible);

 protected:
  void PrepareTarget() override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  class WidgetTarget;
  void SyncImageSize();
  void Forward(const MouseHandler& handler, QMouseEvent* event, bool held_buttons);

  QImage image_;
  std::unique_ptr<WidgetTarget> target_;
  std::vector<LineObject> lines_;
  MouseHandler on_down_, on_move_, on_up_;
  std::function<void()> on_resize_;
};

}  // namespace orva::gdi
