// Canvas: the drawing side of a picture box, without the window.
//
// A Canvas draws on a DrawTarget through a user scale and keeps the drawing
// properties a picture box has: ForeColor, BackColor, DrawStyle, DrawWidth,
// CurrentX/CurrentY, and a device context (hDC) on the same target for the
// renderers. The widget PictureBox (<orva/picture_box.h>) is a Canvas over its
// persistent image; a printer page or a headless RasterImage can be one too.
//
// User scale. Scale(x1, y1, x2, y2) makes (x1, y1) the top-left corner and
// (x2, y2) the bottom-right corner of the target: ScaleLeft = x1,
// ScaleTop = y1, ScaleWidth = x2 - x1, ScaleHeight = y2 - y1 (negative when y
// grows upward, as with Scale(0, 256, 768, 0)). A user point maps to the pixel
//   column = (x - ScaleLeft) * PixelWidth / ScaleWidth
//   row    = (y - ScaleTop) * PixelHeight / ScaleHeight
// rounded to nearest, ties to even. A user scale survives target resizes (the
// same units then span the new size); ScaleMode kPixels and kTwips follow the
// size. Scale() with equal corners on an axis (zero width or height) and
// non-finite values are refused and leave the scale unchanged.
//
// Drawing. Line draws both end points (a zero-length line paints one dot);
// pixels off the target are dropped; coordinates far outside are clamped to
// the device limit, never wrapped. DrawStyle takes the pen styles of
// <orva/gdi.h> (0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot,
// 5 invisible, 6 inside solid); other values are refused. DrawWidth is 1 to
// kMaxPenWidth; other values are clamped. Setting BackColor clears the target
// to the new colour (a picture box's background change erases its drawing).
#pragma once

#include <cstdint>
#include <vector>

#include "orva/gdi.h"

namespace orva::gdi {

class Canvas {
 public:
  enum ScaleModes : int { kUser = 0, kTwips = 1, kPixels = 3 };
  static constexpr int kTwipsPerPixel = 15;
  enum LineShape : int { kSegment = 0, kBox = 1, kFilledBox = 2 };

  explicit Canvas(DrawTarget* target = nullptr);
  virtual ~Canvas() = default;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Retargets the canvas and its device context (a resized picture's new
  // image). The user scale, colours, styles and DC state are kept.
  void SetTarget(DrawTarget* target);
  DrawTarget* Target() const { return target_; }
  std::int32_t PixelWidth() const;
  std::int32_t PixelHeight() const;

  // --- scale ---
  bool Scale(double x1, double y1, double x2, double y2);
  void ScalePixels();  // Scale with no arguments: pixels, origin top-left
  int ScaleMode() const { return scale_mode_; }
  bool SetScaleMode(int mode);  // kUser keeps the current scale; kTwips, kPixels follow the size
  double ScaleLeft() const;
  double ScaleTop() const;
  double ScaleWidth() const;
  double ScaleHeight() const;
  bool SetScaleLeft(double v);
  bool SetScaleTop(double v);
  bool SetScaleWidth(double v);   // zero or non-finite refused
  bool SetScaleHeight(double v);
  // User units <-> pixels (unclamped doubles; see the header comment).
  double ToPixelX(double x) const;
  double ToPixelY(double y) const;
  double FromPixelX(double px) const;
  double FromPixelY(double py) const;

  // --- properties ---
  COLORREF ForeColor() const { return fore_colour_; }
  void SetForeColor(COLORREF c);
  COLORREF BackColor() const { return back_colour_; }
  void SetBackColor(COLORREF c);  // clears to the new colour
  int DrawStyle() const { return draw_style_; }
  bool SetDrawStyle(int style);
  int DrawWidth() const { return draw_width_; }
  void SetDrawWidth(int width);
  double CurrentX() const { return current_x_; }
  double CurrentY() const { return current_y_; }
  void SetCurrentX(double x) { current_x_ = x; }
  void SetCurrentY(double y) { current_y_ = y; }

  // --- drawing ---
  // Clears to BackColor; CurrentX and CurrentY become 0.
  void Cls();
  void Line(double x1, double y1, double x2, double y2);
  void Line(double x1, double y1, double x2, double y2, COLORREF colour,
            LineShape shape = kSegment);
  // Line from (CurrentX, CurrentY) to (x2, y2).
  void LineTo(double x2, double y2);
  void LineTo(double x2, double y2, COLORREF colour);
  void PSet(double x, double y);
  void PSet(double x, double y, COLORREF colour);
  // The colour at a user point, CLR_INVALID off the target.
  COLORREF Point(double x, double y) const;

  // Backdrop: a stored copy of a raster target's pixels (a graticule drawn
  // once, then restored each frame for the cost of one copy). StoreBackdrop
  // fails on a non-raster or empty target. RestoreBackdrop copies it back and
  // sets CurrentX/CurrentY to 0 like Cls; it fails (drawing nothing) when no
  // backdrop of the target's current size is stored. SetBackColor forgets it.
  bool StoreBackdrop();
  bool RestoreBackdrop();
  void ForgetBackdrop() { backdrop_w_ = backdrop_h_ = 0; }
  bool HasBackdrop() const;

  // Device context on the same target (pixels, MM_TEXT until changed). Its
  // pen is the canvas's: ForeColor, DrawStyle and DrawWidth, set again on every
  // hDC() call and whenever one of the three changes, so a renderer that sets
  // ForeColor and then draws through the context draws in that colour.
  HDC hDC();

 protected:
  // Called before every drawing call, size query and hDC(): a widget brings
  // its target up to date (image size) here.
  virtual void PrepareTarget() {}
  void Prepare() const { const_cast<Canvas*>(this)->PrepareTarget(); }

 private:
  struct Axis {
    double origin = 0.0;  // ScaleLeft / ScaleTop in user mode
    double extent = 1.0;  // ScaleWidth / ScaleHeight in user mode
  };
  Pen CurrentPen(COLORREF colour) const;
  void SyncPen() { dc_.Current().pen = CurrentPen(fore_colour_); }
  POINT ToDevice(double x, double y, bool& ok) const;
  void Stroke(const POINT* pts, int n, COLORREF colour);
  bool SetAxis(Axis& axis, double origin, double extent);

  DrawTarget* target_;
  DeviceContext dc_;
  int scale_mode_ = kPixels;
  Axis x_{};
  Axis y_{};
  COLORREF fore_colour_ = 0x000000;
  COLORREF back_colour_ = 0xFFFFFF;
  int draw_style_ = PS_SOLID;
  int draw_width_ = 1;
  double current_x_ = 0.0;
  double current_y_ = 0.0;
  std::vector<std::uint32_t> backdrop_;
  std::int32_t backdrop_w_ = 0;
  std::int32_t backdrop_h_ = 0;
};

}  // namespace orva::gdi
