// Rasterisation straight into 32-bit pixels: lines, dots, rectangles.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "orva/gdi.h"

namespace orva::gdi {
namespace {

struct Pattern {
  std::uint32_t bits;  // bit k set: pixel k of the period is painted
  int period;
};

// Builds a pattern from on/off run lengths (total at most 32).
constexpr Pattern MakePattern(std::initializer_list<int> runs) {
  std::uint32_t bits = 0;
  int pos = 0;
  bool on = true;
  for (int run : runs) {
    for (int i = 0; i < run; ++i, ++pos) {
      if (on) bits |= (1u << pos);
    }
    on = !on;
  }
  return Pattern{bits, pos};
}

constexpr Pattern kSolid{1u, 1};
constexpr Pattern kDash = MakePattern({18, 6});
constexpr Pattern kDot = MakePattern({3, 3});
constexpr Pattern kDashDot = MakePattern({9, 6, 3, 6});
constexpr Pattern kDashDotDot = MakePattern({9, 3, 3, 3, 3, 3});

Pattern PatternOf(int style) {
  switch (style) {
    case PS_DASH: return kDash;
    case PS_DOT: return kDot;
    case PS_DASHDOT: return kDashDot;
    case PS_DASHDOTDOT: return kDashDotDot;
    default: return kSolid;
  }
}

int ClampWidth(int width) { return std::clamp(width, 1, kMaxPenWidth); }

}  // namespace

RasterTarget::RasterTarget(std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                           std::int32_t stride_pixels) {
  Reset(pixels, width, height, stride_pixels);
}

void RasterTarget::Reset(std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                         std::int32_t stride_pixels) {
  if (pixels == nullptr || width < 1 || height < 1 || stride_pixels < width) {
    pixels_ = nullptr;
    width_ = height_ = stride_ = 0;
    return;
  }
  pixels_ = pixels;
  width_ = width;
  height_ = height;
  stride_ = stride_pixels;
  // Sized once per target size; the record itself starts as "all changed".
  tile_cols_ = (width + kTileWidth - 1) / kTileWidth;
  tile_rows_ = (height + kTileHeight - 1) / kTileHeight;
  tiles_.assign(static_cast<std::size_t>(tile_cols_) * static_cast<std::size_t>(tile_rows_), 1);
  all_dirty_ = true;
  clean_owner_ = nullptr;
}

void RasterTarget::MarkClean(const void* owner) {
  std::fill(tiles_.begin(), tiles_.end(), std::uint8_t{0});
  all_dirty_ = false;
  clean_owner_ = owner;
}

void RasterTarget::Touch(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
  if (all_dirty_) return;
  if (x1 < x0) std::swap(x0, x1);
  if (y1 < y0) std::swap(y0, y1);
  x0 = std::max<std::int64_t>(x0, 0);
  x1 = std::min<std::int64_t>(x1, width_ - 1);
  y0 = std::max<std::int64_t>(y0, 0);
  y1 = std::min<std::int64_t>(y1, height_ - 1);
  if (x0 > x1 || y0 > y1) return;
  const std::int64_t tx0 = x0 / kTileWidth, tx1 = x1 / kTileWidth;
  for (std::int64_t ty = y0 / kTileHeight; ty <= y1 / kTileHeight; ++ty) {
    std::uint8_t* row = tiles_.data() + ty * tile_cols_;
    std::fill(row + tx0, row + tx1 + 1, std::uint8_t{1});
  }
}

bool RasterTarget::DrawPixel(std::int32_t x, std::int32_t y, COLORREF colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
  pixels_[static_cast<std::ptrdiff_t>(y) * stride_ + x] = ToPixel(colour);
  Touch(x, y, x, y);
  Drawn();
  return true;
}

COLORREF RasterTarget::ReadPixel(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  return FromPixel(pixels_[static_cast<std::ptrdiff_t>(y) * stride_ + x]);
}

void RasterTarget::FillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                            COLORREF colour) {
  if (x1 < x0) std::swap(x0, x1);
  if (y1 < y0) std::swap(y0, y1);
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, width_);
  y1 = std::min(y1, height_);
  if (x0 >= x1 || y0 >= y1) return;
  const std::uint32_t pixel = ToPixel(colour);
  for (std::int32_t y = y0; y < y1; ++y) {
    std::uint32_t* row = pixels_ + static_cast<std::ptrdiff_t>(y) * stride_;
    std::fill(row + x0, row + x1, pixel);
  }
  Touch(x0, y0, x1 - 1, y1 - 1);
  Drawn();
}

void RasterTarget::Fill(COLORREF colour) {
  if (pixels_ == nullptr) return;
  all_dirty_ = true;
  const std::uint32_t pixel = ToPixel(colour);
  if (stride_ == width_) {
    std::fill_n(pixels_, static_cast<std::ptrdiff_t>(width_) * height_, pixel);
  } else {
    for (std::int32_t y = 0; y < height_; ++y) {
      std::fill_n(pixels_ + static_cast<std::ptrdiff_t>(y) * stride_, width_, pixel);
    }
  }
  Drawn();
}

// One pen-wide dab at (x, y): a run of `width` pixels across the line's major
// axis (vertical for mostly-horizontal lines), centred on the point.
void RasterTarget::Span(std::int64_t x, std::int64_t y, bool vertical, int width,
                        std::uint32_t pixel) {
  const std::int64_t half = (width - 1) / 2;
  if (vertical) {
    if (x < 0 || x >= width_) return;
    const std::int64_t a = std::max<std::int64_t>(y - half, 0);
    const std::int64_t b = std::min<std::int64_t>(y - half + width, height_);
    for (std::int64_t r = a; r < b; ++r) pixels_[r * stride_ + x] = pixel;
  } else {
    if (y < 0 || y >= height_) return;
    const std::int64_t a = std::max<std::int64_t>(x - half, 0);
    const std::int64_t b = std::min<std::int64_t>(x - half + width, width_);
    std::uint32_t* row = pixels_ + y * stride_;
    for (std::int64_t c = a; c < b; ++c) row[c] = pixel;
  }
}

// The segment (x0, y0)-(x1, y1): point k of its major axis (k = 0 .. steps,
// the last one only when include_last) lies at major = start + k * sign and
// minor = start + round(k * dminor / steps), halves rounded up in magnitude.
// Only the k whose major coordinate can touch the target are visited, so the
// cost is bounded by the target size whatever the coordinates. phase counts
// pattern pixels and runs on into the next segment.
void RasterTarget::Segment(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                           std::uint32_t pixel, int width, std::uint32_t pattern, int period,
                           bool include_last, std::int64_t& phase) {
  const std::int64_t dx = x1 - x0;
  const std::int64_t dy = y1 - y0;
  const bool x_major = std::llabs(dx) >= std::llabs(dy);
  const std::int64_t steps = x_major ? std::llabs(dx) : std::llabs(dy);
  const std::int64_t count = include_last ? steps + 1 : steps;
  const std::int64_t start_phase = phase;
  phase += steps;
  if (count <= 0) return;

  const std::int64_t major0 = x_major ? x0 : y0;
  const std::int64_t minor0 = x_major ? y0 : x0;
  const std::int64_t major_sign = (x_major ? dx : dy) < 0 ? -1 : 1;
  const std::int64_t dminor = x_major ? dy : dx;
  const std::int64_t minor_sign = dminor < 0 ? -1 : 1;
  const std::int64_t aminor = std::llabs(dminor);
  const std::int64_t major_limit = x_major ? width_ : height_;
  const std::int64_t minor_limit = x_major ? height_ : width_;
  const std::int64_t reach = (width - 1) / 2 + 1;  // how far a dab reaches off its centre

  // Hairlines lying wholly on the target (the usual case: a trace segment)
  // walk a pixel pointer without any per-pixel bounds test.
  const bool thin = width == 1;
  const bool solid = period == 1;
  if (thin && x0 >= 0 && x1 >= 0 && y0 >= 0 && y1 >= 0 && x0 < width_ && x1 < width_ &&
      y0 < height_ && y1 < height_) {
    const std::ptrdiff_t stride = stride_;
    const std::ptrdiff_t major_step = x_major ? major_sign : major_sign * stride;
    const std::ptrdiff_t minor_step = x_major ? minor_sign * stride : minor_sign;
    // An index rather than a pointer: after the last pixel it may step past
    // the block, which an index may do and a pointer may not.
    std::ptrdiff_t at = y0 * stride + x0;
    const std::int64_t two_steps = 2 * steps;
    const std::int64_t two_minor = 2 * aminor;
    std::int64_t r = steps;  // rounding remainder at k = 0
    if (solid) {
      for (std::int64_t k = 0; k < count; ++k) {
        pixels_[at] = pixel;
        at += major_step;
        r += two_minor;
        if (r >= two_steps) {
          r -= two_steps;
          at += minor_step;
        }
      }
    } else {
      for (std::int64_t k = 0; k < count; ++k) {
        if ((pattern >> ((start_phase + k) % period)) & 1u) pixels_[at] = pixel;
        at += major_step;
        r += two_minor;
        if (r >= two_steps) {
          r -= two_steps;
          at += minor_step;
        }
      }
    }
    return;
  }

  // Range of k whose major coordinate lies within [-reach, limit + reach).
  std::int64_t k_lo, k_hi;
  if (major_sign > 0) {
    k_lo = -reach - major0;
    k_hi = major_limit + reach - 1 - major0;
  } else {
    k_lo = major0 - (major_limit + reach - 1);
    k_hi = major0 + reach;
  }
  k_lo = std::max<std::int64_t>(k_lo, 0);
  k_hi = std::min<std::int64_t>(k_hi, count - 1);
  if (k_lo > k_hi) return;

  // Minor offset at k_lo, then stepped incrementally (Bresenham).
  std::int64_t q = 0, r = steps, two_steps = 2 * steps;
  if (steps > 0 && k_lo > 0) {
    const std::int64_t num = 2 * k_lo * aminor + steps;
    q = num / two_steps;
    r = num % two_steps;
  }
  std::int64_t major = major0 + major_sign * k_lo;
  // Pattern position of k, kept as a running count (start_phase + k >= 0).
  int bit = static_cast<int>((start_phase + k_lo) % period);
  for (std::int64_t k = k_lo; k <= k_hi; ++k, major += major_sign) {
    const std::int64_t minor = minor0 + minor_sign * q;
    const bool on = (pattern >> bit) & 1u;
    if (++bit == period) bit = 0;
    if (on) {
      const std::int64_t x = x_major ? major : minor;
      const std::int64_t y = x_major ? minor : major;
      if (thin) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[y * stride_ + x] = pixel;
      } else if (minor >= -reach && minor < minor_limit + reach) {
        Span(x, y, x_major, width, pixel);
      }
    }
    if (steps > 0) {
      r += 2 * aminor;
      if (r >= two_steps) {
        r -= two_steps;
        ++q;
      }
    }
  }
}

// A solid hairline whose both ends lie on the target: the same pixels as
// Segment's walk (including runs along a row or a column), with the
// changed-tile record kept inline. Polylines of many short segments (traces)
// spend most of their time here, so the per-segment set-up is kept small.
void RasterTarget::OnTargetHairline(const POINT& a, const POINT& b, std::uint32_t pixel,
                                    bool include_last) {
  const std::int32_t dx = b.x - a.x;
  const std::int32_t dy = b.y - a.y;
  const std::int32_t adx = dx < 0 ? -dx : dx;
  const std::int32_t ady = dy < 0 ? -dy : dy;
  const bool x_major = adx >= ady;
  const std::int32_t steps = x_major ? adx : ady;
  const std::int32_t count = include_last ? steps + 1 : steps;
  if (count <= 0) return;
  if (!all_dirty_) {
    const std::int32_t tx0 = std::min(a.x, b.x) / kTileWidth;
    const std::int32_t tx1 = std::max(a.x, b.x) / kTileWidth;
    const std::int32_t ty0 = std::min(a.y, b.y) / kTileHeight;
    const std::int32_t ty1 = std::max(a.y, b.y) / kTileHeight;
    for (std::int32_t ty = ty0; ty <= ty1; ++ty) {
      std::uint8_t* row = tiles_.data() + static_cast<std::ptrdiff_t>(ty) * tile_cols_;
      for (std::int32_t tx = tx0; tx <= tx1; ++tx) row[tx] = 1;
    }
  }
  const std::ptrdiff_t stride = stride_;
  const std::ptrdiff_t sx = dx < 0 ? -1 : 1;
  const std::ptrdiff_t sy = dy < 0 ? -stride : stride;
  const std::ptrdiff_t major_step = x_major ? sx : sy;
  const std::ptrdiff_t minor_step = x_major ? sy : sx;
  const std::int32_t two_steps = 2 * steps;
  const std::int32_t two_minor = 2 * (x_major ? ady : adx);
  // Both ends are on the target and every pixel lies between them, so the
  // walk stays inside the block; an index is used as the last step may point
  // one past it.
  std::ptrdiff_t at = static_cast<std::ptrdiff_t>(a.y) * stride + a.x;
  std::int32_t r = steps;  // rounding remainder at k = 0
  for (std::int32_t k = 0; k < count; ++k) {
    pixels_[at] = pixel;
    at += major_step;
    r += two_minor;
    if (r >= two_steps) {
      r -= two_steps;
      at += minor_step;
    }
  }
}

void RasterTarget::DrawPolyline(const POINT* pts, int n, const Pen& pen, bool include_last) {
  if (pts == nullptr || n < 1 || pixels_ == nullptr || pen.style == PS_NULL) return;
  // Callers may pass any 32-bit point; beyond the device limit the slope
  // arithmetic could overflow, so such end points are pinned to the limit.
  auto pin = [](std::int32_t v) { return std::clamp(v, -kDeviceLimit, kDeviceLimit); };
  const Pattern pattern = PatternOf(pen.style);
  const int width = ClampWidth(pen.width);
  const std::uint32_t pixel = ToPixel(pen.colour);
  std::int64_t phase = 0;

  // Horizontal and vertical solid hairlines are filled as runs.
  auto fast_run = [&](const POINT& a, const POINT& b, bool last) -> bool {
    if (pattern.period != 1 || width != 1) return false;
    if (a.y == b.y && a.x != b.x) {
      if (a.y < 0 || a.y >= height_) return true;
      std::int64_t lo = a.x, hi = b.x;
      const int dir = b.x > a.x ? 1 : -1;
      if (!last) hi -= dir;
      if (lo > hi) std::swap(lo, hi);
      lo = std::max<std::int64_t>(lo, 0);
      hi = std::min<std::int64_t>(hi, width_ - 1);
      if (lo <= hi) {
        std::uint32_t* row = pixels_ + static_cast<std::ptrdiff_t>(a.y) * stride_;
        std::fill(row + lo, row + hi + 1, pixel);
      }
      return true;
    }
    if (a.x == b.x && a.y != b.y) {
      if (a.x < 0 || a.x >= width_) return true;
      std::int64_t lo = a.y, hi = b.y;
      const int dir = b.y > a.y ? 1 : -1;
      if (!last) hi -= dir;
      if (lo > hi) std::swap(lo, hi);
      lo = std::max<std::int64_t>(lo, 0);
      hi = std::min<std::int64_t>(hi, height_ - 1);
      // An index, not a pointer: after the last row it steps past the block.
      const std::ptrdiff_t stride = stride_;
      std::ptrdiff_t at = lo * stride + a.x;
      for (std::int64_t y = lo; y <= hi; ++y, at += stride) pixels_[at] = pixel;
      return true;
    }
    return false;
  };

  const bool thin_solid = width == 1 && pattern.period == 1;
  // Dabs reach at most this far off the segment's centre line.
  const std::int64_t margin = width == 1 ? 0 : width;
  if (n == 1) {
    if (include_last) {
      Touch(pin(pts[0].x) - margin, pin(pts[0].y) - margin, pin(pts[0].x) + margin,
            pin(pts[0].y) + margin);
      Segment(pin(pts[0].x), pin(pts[0].y), pin(pts[0].x), pin(pts[0].y), pixel, width, pattern.bits, pattern.period,
              true, phase);
    }
  } else {
    for (int i = 0; i + 1 < n; ++i) {
      const bool last = include_last && i + 2 == n;
      const POINT a{pin(pts[i].x), pin(pts[i].y)};
      const POINT b{pin(pts[i + 1].x), pin(pts[i + 1].y)};
      if (thin_solid && a.x >= 0 && b.x >= 0 && a.y >= 0 && b.y >= 0 && a.x < width_ &&
          b.x < width_ && a.y < height_ && b.y < height_) {
        OnTargetHairline(a, b, pixel, last);
        continue;
      }
      Touch(std::int64_t{std::min(a.x, b.x)} - margin, std::int64_t{std::min(a.y, b.y)} - margin,
            std::int64_t{std::max(a.x, b.x)} + margin, std::int64_t{std::max(a.y, b.y)} + margin);
      if (fast_run(a, b, last)) continue;
      Segment(a.x, a.y, b.x, b.y, pixel, width, pattern.bits, pattern.period, last, phase);
    }
  }
  Drawn();
}

RasterImage::RasterImage(std::int32_t width, std::int32_t height, COLORREF fill) {
  Resize(width, height, fill);
}

void RasterImage::Resize(std::int32_t width, std::int32_t height, COLORREF fill) {
  if (width < 1 || height < 1) {
    storage_.clear();
    Reset(nullptr, 0, 0, 0);
    return;
  }
  storage_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                  ToPixel(fill));
  Reset(storage_.data(), width, height, width);
}

}  // namespace orva::gdi
