// Device context state, mapping and the classic drawing calls.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "orva/gdi.h"

namespace orva::gdi {
namespace {

std::int64_t ClampDevice(std::int64_t v) {
  return std::clamp<std::int64_t>(v, -kDeviceLimit, kDeviceLimit);
}

// round(a * b / c) with halves away from zero, exact for any 32-bit inputs
// (|a| < 2^32 as a difference of two 32-bit values), the result clamped to the
// device limit. c must not be 0.
std::int64_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t c) {
  const bool negative = ((a < 0) != (b < 0)) != (c < 0);
  const std::uint64_t ua = static_cast<std::uint64_t>(a < 0 ? -a : a);
  const std::uint64_t ub = static_cast<std::uint64_t>(b < 0 ? -b : b);
  const std::uint64_t uc = static_cast<std::uint64_t>(c < 0 ? -c : c);
  // ua < 2^32 and ub <= 2^31 keep the product (plus half of uc) below 2^64.
  const std::uint64_t limit = static_cast<std::uint64_t>(kDeviceLimit);
  const std::uint64_t q = (ua * ub + uc / 2) / uc;
  const std::int64_t sq = static_cast<std::int64_t>(std::min<std::uint64_t>(q, limit));
  return negative ? -sq : sq;
}

}  // namespace

DeviceContext::DeviceContext(DrawTarget* target) : target_(target) {}

int DeviceContext::Save() {
  if (static_cast<int>(saved_.size()) >= kMaxSavedStates) return 0;
  saved_.push_back(state_);
  return static_cast<int>(saved_.size());
}

bool DeviceContext::Restore(int level) {
  const int depth = static_cast<int>(saved_.size());
  if (level < 0) level = depth + 1 + level;  // -1: the latest save
  if (level < 1 || level > depth) return false;
  state_ = saved_[static_cast<std::size_t>(level - 1)];
  saved_.resize(static_cast<std::size_t>(level - 1));
  return true;
}

bool DeviceContext::SetMapMode(int mode) {
  switch (mode) {
    case MM_TEXT:
      state_.window_ext = SIZE{1, 1};
      state_.viewport_ext = SIZE{1, 1};
      break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC:
      break;
    default:
      return false;
  }
  state_.map_mode = mode;
  if (mode == MM_ISOTROPIC) FixIsotropic();
  return true;
}

bool DeviceContext::SetWindowExt(std::int32_t cx, std::int32_t cy) {
  if (cx == 0 || cy == 0) return false;
  if (state_.map_mode == MM_TEXT) return true;
  state_.window_ext = SIZE{cx, cy};
  if (state_.map_mode == MM_ISOTROPIC) FixIsotropic();
  return true;
}

bool DeviceContext::SetViewportExt(std::int32_t cx, std::int32_t cy) {
  if (cx == 0 || cy == 0) return false;
  if (state_.map_mode == MM_TEXT) return true;
  state_.viewport_ext = SIZE{cx, cy};
  if (state_.map_mode == MM_ISOTROPIC) FixIsotropic();
  return true;
}

// Shrinks the viewport extent on the axis with the larger scale magnitude so
// that one logical unit spans the same number of pixels on both axes; signs
// are kept and an extent never shrinks to 0.
void DeviceContext::FixIsotropic() {
  SIZE& v = state_.viewport_ext;
  const SIZE& w = state_.window_ext;
  const double xdim = std::abs(static_cast<double>(v.cx) / w.cx);
  const double ydim = std::abs(static_cast<double>(v.cy) / w.cy);
  if (xdim > ydim) {
    const std::int32_t keep = v.cx >= 0 ? 1 : -1;
    v.cx = static_cast<std::int32_t>(std::floor(v.cx * ydim / xdim + 0.5));
    if (v.cx == 0) v.cx = keep;
  } else if (ydim > xdim) {
    const std::int32_t keep = v.cy >= 0 ? 1 : -1;
    v.cy = static_cast<std::int32_t>(std::floor(v.cy * xdim / ydim + 0.5));
    if (v.cy == 0) v.cy = keep;
  }
}

POINT DeviceContext::ToDevice(POINT logical) const {
  const State& s = state_;
  const std::int64_t dx = static_cast<std::int64_t>(logical.x) - s.window_org.x;
  const std::int64_t dy = static_cast<std::int64_t>(logical.y) - s.window_org.y;
  std::int64_t x, y;
  if (s.map_mode == MM_TEXT) {
    x = ClampDevice(dx);
    y = ClampDevice(dy);
  } else {
    x = MulDivRound(dx, s.viewport_ext.cx, s.window_ext.cx);
    y = MulDivRound(dy, s.viewport_ext.cy, s.window_ext.cy);
  }
  x = ClampDevice(x + s.viewport_org.x);
  y = ClampDevice(y + s.viewport_org.y);
  return POINT{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
}

bool DeviceContext::DrawPolyline(const POINT* pts, int n) {
  if (pts == nullptr || n < 2) return false;
  if (target_ == nullptr) return true;  // a context without a target draws into nothing
  if (scratch_.size() < static_cast<std::size_t>(n)) scratch_.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) scratch_[static_cast<std::size_t>(i)] = ToDevice(pts[i]);
  target_->DrawPolyline(scratch_.data(), n, state_.pen, false);
  return true;
}

bool DeviceContext::DrawPixel(std::int32_t x, std::int32_t y, COLORREF colour) {
  if (target_ == nullptr) return false;
  const POINT d = ToDevice(POINT{x, y});
  return target_->DrawPixel(d.x, d.y, colour & 0xFFFFFFu);
}

int SaveDC(HDC hdc) { return hdc ? hdc->Save() : 0; }

int RestoreDC(HDC hdc, int saved_level) { return hdc && hdc->Restore(saved_level) ? 1 : 0; }

int SetMapMode(HDC hdc, int mode) {
  if (!hdc) return 0;
  const int previous = hdc->Current().map_mode;
  return hdc->SetMapMode(mode) ? previous : 0;
}

int GetMapMode(HDC hdc) { return hdc ? hdc->Current().map_mode : 0; }

int SetWindowOrgEx(HDC hdc, std::int32_t x, std::int32_t y, POINT* previous) {
  if (!hdc) return 0;
  if (previous) *previous = hdc->Current().window_org;
  hdc->Current().window_org = POINT{x, y};
  return 1;
}

int SetViewportOrgEx(HDC hdc, std::int32_t x, std::int32_t y, POINT* previous) {
  if (!hdc) return 0;
  if (previous) *previous = hdc->Current().viewport_org;
  hdc->Current().viewport_org = POINT{x, y};
  return 1;
}

int SetWindowExtEx(HDC hdc, std::int32_t cx, std::int32_t cy, SIZE* previous) {
  if (!hdc) return 0;
  const SIZE old = hdc->Current().window_ext;
  if (!hdc->SetWindowExt(cx, cy)) return 0;
  if (previous) *previous = old;
  return 1;
}

int SetViewportExtEx(HDC hdc, std::int32_t cx, std::int32_t cy, SIZE* previous) {
  if (!hdc) return 0;
  const SIZE old = hdc->Current().viewport_ext;
  if (!hdc->SetViewportExt(cx, cy)) return 0;
  if (previous) *previous = old;
  return 1;
}

int Polyline(HDC hdc, const POINT* pts, int n) { return hdc && hdc->DrawPolyline(pts, n) ? 1 : 0; }

COLORREF SetPixel(HDC hdc, std::int32_t x, std::int32_t y, COLORREF colour) {
  if (!hdc) return CLR_INVALID;
  return hdc->DrawPixel(x, y, colour) ? (colour & 0xFFFFFFu) : CLR_INVALID;
}

COLORREF GetPixel(HDC hdc, std::int32_t x, std::int32_t y) {
  if (!hdc || !hdc->Target()) return CLR_INVALID;
  const POINT d = hdc->ToDevice(POINT{x, y});
  return hdc->Target()->ReadPixel(d.x, d.y);
}

int MoveToEx(HDC hdc, std::int32_t x, std::int32_t y, POINT* previous) {
  if (!hdc) return 0;
  if (previous) *previous = hdc->Current().position;
  hdc->Current().position = POINT{x, y};
  return 1;
}

int LineTo(HDC hdc, std::int32_t x, std::int32_t y) {
  if (!hdc) return 0;
  const POINT pts[2] = {hdc->Current().position, POINT{x, y}};
  hdc->Current().position = pts[1];
  return hdc->DrawPolyline(pts, 2) ? 1 : 0;
}

int LPtoDP(HDC hdc, POINT* pts, int n) {
  if (!hdc || !pts || n < 1) return 0;
  for (int i = 0; i < n; ++i) pts[i] = hdc->ToDevice(pts[i]);
  return 1;
}

Pen SelectPen(HDC hdc, const Pen& pen) {
  if (!hdc) return Pen{};
  const Pen previous = hdc->Current().pen;
  hdc->Current().pen = pen;
  hdc->Current().pen.colour &= 0xFFFFFFu;
  return previous;
}

COLORREF SetDCPenColor(HDC hdc, COLORREF colour) {
  if (!hdc) return CLR_INVALID;
  const COLORREF previous = hdc->Current().pen.colour;
  hdc->Current().pen.colour = colour & 0xFFFFFFu;
  return previous;
}

namespace {
void SurfaceSetPixel(void* context, std::int32_t x, std::int32_t y,
                                std::uint32_t colour_bgr) {
  if (context != nullptr) SetPixel(static_cast<HDC>(context), x, y, colour_bgr);
}
}  // namespace

OrvaSurface MakeSurface(HDC hdc) { return OrvaSurface{hdc, &SurfaceSetPixel}; }

}  // namespace orva::gdi
