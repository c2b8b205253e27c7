// Picture-box drawing over any DrawTarget: user scale, lines, dots, clearing.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "orva/gdi_canvas.h"

namespace orva::gdi {

Canvas::Canvas(DrawTarget* target) : target_(target), dc_(target) { SyncPen(); }

void Canvas::SetTarget(DrawTarget* target) {
  target_ = target;
  dc_.SetTarget(target);
}

std::int32_t Canvas::PixelWidth() const {
  Prepare();
  return target_ ? target_->Width() : 0;
}

std::int32_t Canvas::PixelHeight() const {
  Prepare();
  return target_ ? target_->Height() : 0;
}

// --- scale ---

bool Canvas::SetAxis(Axis& axis, double origin, double extent) {
  if (!std::isfinite(origin) || !std::isfinite(extent) || extent == 0.0) return false;
  axis.origin = origin;
  axis.extent = extent;
  return true;
}

bool Canvas::Scale(double x1, double y1, double x2, double y2) {
  const double w = x2 - x1;
  const double h = y2 - y1;
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(w) || !std::isfinite(h) ||
      w == 0.0 || h == 0.0) {
    return false;
  }
  x_ = Axis{x1, w};
  y_ = Axis{y1, h};
  scale_mode_ = kUser;
  return true;
}

void Canvas::ScalePixels() { scale_mode_ = kPixels; }

bool Canvas::SetScaleMode(int mode) {
  if (mode == kUser) {
    // The scale in force becomes the user scale.
    x_ = Axis{ScaleLeft(), ScaleWidth()};
    y_ = Axis{ScaleTop(), ScaleHeight()};
    if (x_.extent == 0.0) x_.extent = 1.0;
    if (y_.extent == 0.0) y_.extent = 1.0;
  } else if (mode != kPixels && mode != kTwips) {
    return false;
  }
  scale_mode_ = mode;
  return true;
}

double Canvas::ScaleLeft() const { return scale_mode_ == kUser ? x_.origin : 0.0; }
double Canvas::ScaleTop() const { return scale_mode_ == kUser ? y_.origin : 0.0; }

double Canvas::ScaleWidth() const {
  switch (scale_mode_) {
    case kUser: return x_.extent;
    case kTwips: return static_cast<double>(PixelWidth()) * kTwipsPerPixel;
    default: return PixelWidth();
  }
}

double Canvas::ScaleHeight() const {
  switch (scale_mode_) {
    case kUser: return y_.extent;
    case kTwips: return static_cast<double>(PixelHeight()) * kTwipsPerPixel;
    default: return PixelHeight();
  }
}

bool Canvas::SetScaleLeft(double v) {
  if (scale_mode_ != kUser) SetScaleMode(kUser);
  return SetAxis(x_, v, x_.extent);
}
bool Canvas::SetScaleTop(double v) {
  if (scale_mode_ != kUser) SetScaleMode(kUser);
  return SetAxis(y_, v, y_.extent);
}
bool Canvas::SetScaleWidth(double v) {
  if (scale_mode_ != kUser) SetScaleMode(kUser);
  return SetAxis(x_, x_.origin, v);
}
bool Canvas::SetScaleHeight(double v) {
  if (scale_mode_ != kUser) SetScaleMode(kUser);
  return SetAxis(y_, y_.origin, v);
}

double Canvas::ToPixelX(double x) const {
  switch (scale_mode_) {
    case kUser: return (x - x_.origin) * PixelWidth() / x_.extent;
    case kTwips: return x / kTwipsPerPixel;
    default: return x;
  }
}

double Canvas::ToPixelY(double y) const {
  switch (scale_mode_) {
    case kUser: return (y - y_.origin) * PixelHeight() / y_.extent;
    case kTwips: return y / kTwipsPerPixel;
    default: return y;
  }
}

double Canvas::FromPixelX(double px) const {
  switch (scale_mode_) {
    case kUser: {
      const std::int32_t w = PixelWidth();
      return w > 0 ? x_.origin + px * x_.extent / w : x_.origin;
    }
    case kTwips: return px * kTwipsPerPixel;
    default: return px;
  }
}

double Canvas::FromPixelY(double py) const {
  switch (scale_mode_) {
    case kUser: {
      const std::int32_t h = PixelHeight();
      return h > 0 ? y_.origin + py * y_.extent / h : y_.origin;
    }
    case kTwips: return py * kTwipsPerPixel;
    default: return py;
  }
}

POINT Canvas::ToDevice(double x, double y, bool& ok) const {
  const double px = ToPixelX(x);
  const double py = ToPixelY(y);
  ok = std::isfinite(px) && std::isfinite(py);
  if (!ok) return POINT{0, 0};
  const double lim = kDeviceLimit;
  return POINT{static_cast<std::int32_t>(std::nearbyint(std::clamp(px, -lim, lim))),
               static_cast<std::int32_t>(std::nearbyint(std::clamp(py, -lim, lim)))};
}

// --- properties ---

void Canvas::SetBackColor(COLORREF c) {
  back_colour_ = c & 0xFFFFFFu;
  ForgetBackdrop();
  Prepare();
  if (target_) target_->Fill(back_colour_);
}

void Canvas::SetForeColor(COLORREF c) {
  fore_colour_ = c & 0xFFFFFFu;
  SyncPen();
}

bool Canvas::SetDrawStyle(int style) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return false;
  draw_style_ = style;
  SyncPen();
  return true;
}

void Canvas::SetDrawWidth(int width) {
  draw_width_ = std::clamp(width, 1, kMaxPenWidth);
  SyncPen();
}

Pen Canvas::CurrentPen(COLORREF colour) const {
  return Pen{draw_style_, draw_width_, colour & 0xFFFFFFu};
}

// --- drawing ---

void Canvas::Cls() {
  Prepare();
  if (target_) target_->Fill(back_colour_);
  current_x_ = current_y_ = 0.0;
}

void Canvas::Stroke(const POINT* pts, int n, COLORREF colour) {
  if (target_) target_->DrawPolyline(pts, n, CurrentPen(colour), true);
}

void Canvas::Line(double x1, double y1, double x2, double y2) {
  Line(x1, y1, x2, y2, fore_colour_, kSegment);
}

void Canvas::Line(double x1, double y1, double x2, double y2, COLORREF colour, LineShape shape) {
  Prepare();
  current_x_ = x2;
  current_y_ = y2;
  bool ok1 = false, ok2 = false;
  const POINT a = ToDevice(x1, y1, ok1);
  const POINT b = ToDevice(x2, y2, ok2);
  if (!ok1 || !ok2 || target_ == nullptr) return;
  switch (shape) {
    case kBox: {
      const POINT box[5] = {a, POINT{b.x, a.y}, b, POINT{a.x, b.y}, a};
      Stroke(box, 5, colour);
      break;
    }
    case kFilledBox:
      target_->FillRect(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1,
                        std::max(a.y, b.y) + 1, colour & 0xFFFFFFu);
      break;
    default: {
      const POINT seg[2] = {a, b};
      Stroke(seg, 2, colour);
      break;
    }
  }
}

void Canvas::LineTo(double x2, double y2) { LineTo(x2, y2, fore_colour_); }

void Canvas::LineTo(double x2, double y2, COLORREF colour) {
  Line(current_x_, current_y_, x2, y2, colour, kSegment);
}

void Canvas::PSet(double x, double y) { PSet(x, y, fore_colour_); }

void Canvas::PSet(double x, double y, COLORREF colour) {
  Prepare();
  current_x_ = x;
  current_y_ = y;
  bool ok = false;
  const POINT p = ToDevice(x, y, ok);
  if (!ok || target_ == nullptr) return;
  if (draw_width_ <= 1) {
    target_->DrawPixel(p.x, p.y, colour & 0xFFFFFFu);
  } else {
    const std::int32_t lo = (draw_width_ - 1) / 2;
    target_->FillRect(p.x - lo, p.y - lo, p.x - lo + draw_width_, p.y - lo + draw_width_,
                      colour & 0xFFFFFFu);
  }
}

COLORREF Canvas::Point(double x, double y) const {
  Prepare();
  bool ok = false;
  const POINT p = ToDevice(x, y, ok);
  if (!ok || target_ == nullptr) return CLR_INVALID;
  return target_->ReadPixel(p.x, p.y);
}

// --- backdrop ---

bool Canvas::StoreBackdrop() {
  Prepare();
  auto* raster = dynamic_cast<RasterTarget*>(target_);
  if (raster == nullptr || raster->Width() < 1 || raster->Height() < 1) return false;
  const std::int32_t w = raster->Width();
  const std::int32_t h = raster->Height();
  backdrop_.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (std::int32_t y = 0; y < h; ++y) {
    std::memcpy(backdrop_.data() + static_cast<std::size_t>(y) * w,
                raster->Pixels() + static_cast<std::ptrdiff_t>(y) * raster->Stride(),
                static_cast<std::size_t>(w) * sizeof(std::uint32_t));
  }
  backdrop_w_ = w;
  backdrop_h_ = h;
  raster->MarkClean(this);
  return true;
}

bool Canvas::HasBackdrop() const {
  const auto* raster = dynamic_cast<const RasterTarget*>(target_);
  return raster != nullptr && backdrop_w_ > 0 && raster->Width() == backdrop_w_ &&
         raster->Height() == backdrop_h_;
}

bool Canvas::RestoreBackdrop() {
  Prepare();
  if (!HasBackdrop()) return false;
  auto* raster = static_cast<RasterTarget*>(target_);
  std::uint32_t* const pixels = raster->Pixels();
  const std::ptrdiff_t stride = raster->Stride();
  if (raster->AllDirty() || raster->DirtyOwner() != this) {
    for (std::int32_t y = 0; y < backdrop_h_; ++y) {
      std::memcpy(pixels + static_cast<std::ptrdiff_t>(y) * stride,
                  backdrop_.data() + static_cast<std::size_t>(y) * backdrop_w_,
                  static_cast<std::size_t>(backdrop_w_) * sizeof(std::uint32_t));
    }
  } else {
    // Only the tiles changed since the backdrop last matched the target
    // (traces and lines touch a small part of the picture); runs of changed
    // tiles along a band are copied row by row in one piece.
    const std::int32_t tw = RasterTarget::kTileWidth, th = RasterTarget::kTileHeight;
    for (std::int32_t ty = 0; ty < raster->TileRows(); ++ty) {
      const std::int32_t y0 = ty * th;
      const std::int32_t y1 = std::min(y0 + th, backdrop_h_);
      std::int32_t tx = 0;
      while (tx < raster->TileColumns()) {
        if (!raster->TileDirty(tx, ty)) {
          ++tx;
          continue;
        }
        const std::int32_t first = tx;
        while (tx < raster->TileColumns() && raster->TileDirty(tx, ty)) ++tx;
        const std::int32_t x0 = first * tw;
        const std::int32_t x1 = std::min(tx * tw, backdrop_w_);
        for (std::int32_t y = y0; y < y1; ++y) {
          std::memcpy(pixels + static_cast<std::ptrdiff_t>(y) * stride + x0,
                      backdrop_.data() + static_cast<std::size_t>(y) * backdrop_w_ + x0,
                      static_cast<std::size_t>(x1 - x0) * sizeof(std::uint32_t));
        }
      }
    }
  }
  raster->MarkClean(this);
  raster->MarkRestored();
  current_x_ = current_y_ = 0.0;
  return true;
}

HDC Canvas::hDC() {
  Prepare();
  SyncPen();
  return &dc_;
}

}  // namespace orva::gdi
