// Device contexts: the drawing calls the trace renderers and the XY plotter use.
//
// A DeviceContext draws on a DrawTarget (a pixel buffer, a QImage, a printer
// page) through the classic logical-to-device mapping
//
//   device = (logical - windowOrg) * viewportExt / windowExt + viewportOrg
//
// computed exactly in integers and rounded to the nearest pixel (halves away
// from zero), per axis. Map modes: MM_TEXT (1: one logical unit per pixel,
// extents fixed at 1), MM_ISOTROPIC (7: the viewport extent is shrunk on one
// axis so that both axes get the same magnitude of scale, square pixels
// assumed) and MM_ANISOTROPIC (8: free extents). Other modes are refused.
//
// The free functions below (SaveDC, RestoreDC, SetMapMode, Set*OrgEx,
// Set*ExtEx, Polyline, SetPixel, ...) take an HDC, a pointer to a
// DeviceContext, and behave as their classic namesakes:
// - A null HDC draws nothing and returns 0 (failure) or CLR_INVALID.
// - SaveDC returns the new depth of the saved-state stack (1 for the first
//   save), or 0 when the stack is full (kMaxSavedStates). RestoreDC(hdc, n)
//   with n > 0 restores the state saved at level n and drops it and every later
//   save; n < 0 counts back from the latest save (-1 the latest). A level that
//   does not exist (0, beyond the depth) fails and changes nothing.
// - Polyline(hdc, pts, n) reads exactly n points from pts; n < 2 or a null pts
//   draws nothing and fails. As in the classic device, the last point of the
//   polyline is not painted (so that joined polylines do not paint a vertex
//   twice); every other point is.
// - SetPixel returns the colour set, or CLR_INVALID when the mapped point lies
//   off the target (the pixel is dropped).
//
// Bounds: nothing is ever written outside the target. Segments are clipped to
// the target while keeping the pixels of the unclipped line and the phase of a
// dashed pattern. Mapped device coordinates are clamped to +-kDeviceLimit
// (2^27), so arbitrary 32-bit logical coordinates and extents never overflow
// and never cost more than the target's size to draw.
//
// Colours are COLORREF values 0x00BBGGRR; the high byte is ignored. Raster
// targets store pixels as 0xFFRRGGBB (the layout of 32-bit RGB images).
//
// Standard library only: the instrument draws without a window toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "orva/gdi_surface.h"

namespace orva::gdi {

using COLORREF = std::uint32_t;

// Point and size records of the drawing calls: two 32-bit signed integers,
// x then y, with no padding (the layout of the board library's point records).
struct POINT {
  std::int32_t x;
  std::int32_t y;
};
struct SIZE {
  std::int32_t cx;
  std::int32_t cy;
};
static_assert(sizeof(POINT) == 8, "POINT is two packed 32-bit integers");

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// 0x00BBGGRR from red, green and blue 0..255 (values are masked to 8 bits).
constexpr COLORREF Rgb(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

enum MapMode : int {
  MM_TEXT = 1,
  MM_ISOTROPIC = 7,
  MM_ANISOTROPIC = 8,
};

// Pen styles; the numbers are also the picture box's DrawStyle values.
// Dash patterns in pixels (on, off, ...): dash 18/6, dot 3/3,
// dash-dot 9/6/3/6, dash-dot-dot 9/3/3/3/3/3. A pattern runs on across the
// segments of one polyline. PS_NULL draws nothing; PS_INSIDEFRAME is solid.
enum PenStyle : int {
  PS_SOLID = 0,
  PS_DASH = 1,
  PS_DOT = 2,
  PS_DASHDOT = 3,
  PS_DASHDOTDOT = 4,
  PS_NULL = 5,
  PS_INSIDEFRAME = 6,
};

inline constexpr int kMaxPenWidth = 64;          // wider pens are clamped to this
inline constexpr int kMaxSavedStates = 1024;     // SaveDC fails beyond this depth
inline constexpr std::int32_t kDeviceLimit = 1 << 27;

struct Pen {
  int style = PS_SOLID;  // PenStyle; unknown styles draw solid
  int width = 1;         // pixels; values below 1 draw 1 pixel wide, above kMaxPenWidth are clamped
  COLORREF colour = 0;   // 0x00BBGGRR
};

// Something that can be drawn on in device pixels (origin top-left, y down).
class DrawTarget {
 public:
  virtual ~DrawTarget() = default;
  virtual std::int32_t Width() const = 0;
  virtual std::int32_t Height() const = 0;
  // Connected segments through pts[0..n-1]. include_last paints the final point
  // too (the lines of a picture box do; device polylines do not). n < 1 or a
  // null pts draws nothing; n == 1 paints the single point if include_last.
  virtual void DrawPolyline(const POINT* pts, int n, const Pen& pen, bool include_last) = 0;
  // One pixel; false (and nothing drawn) when it is off the target.
  virtual bool DrawPixel(std::int32_t x, std::int32_t y, COLORREF colour) = 0;
  // The colour at a pixel, CLR_INVALID off the target or when unreadable.
  virtual COLORREF ReadPixel(std::int32_t x, std::int32_t y) const = 0;
  // Rectangle [x0, x1) x [y0, y1), corners in any order, clipped to the target.
  virtual void FillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                        COLORREF colour) = 0;
  virtual void Fill(COLORREF colour) = 0;
};

// A DrawTarget over a caller-owned block of 32-bit pixels (0xFFRRGGBB), rows
// `stride` pixels apart. Drawing writes the pixels directly: no allocation, no
// toolkit. The block must stay valid while the target points at it.
class RasterTarget : public DrawTarget {
 public:
  RasterTarget() = default;  // empty: 0 x 0, draws nothing
  RasterTarget(std::uint32_t* pixels, std::int32_t width, std::int32_t height,
               std::int32_t stride_pixels);
  // Points the target at another block. A null block, a size below 1 x 1 or a
  // stride below the width make the target empty (it then draws nothing).
  void Reset(std::uint32_t* pixels, std::int32_t width, std::int32_t height,
             std::int32_t stride_pixels);

  std::int32_t Width() const override { return width_; }
  std::int32_t Height() const override { return height_; }
  std::int32_t Stride() const { return stride_; }
  std::uint32_t* Pixels() { return pixels_; }
  const std::uint32_t* Pixels() const { return pixels_; }

  void DrawPolyline(const POINT* pts, int n, const Pen& pen, bool include_last) override;
  bool DrawPixel(std::int32_t x, std::int32_t y, COLORREF colour) override;
  COLORREF ReadPixel(std::int32_t x, std::int32_t y) const override;
  void FillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                COLORREF colour) override;
  void Fill(COLORREF colour) override;

  // Reports pixels changed by direct writes through Pixels(). Such writes are
  // not localised, so every column counts as changed afterwards.
  void MarkDrawn() {
    all_dirty_ = true;
    Drawn();
  }

  // Changed-pixel record for backdrop restoring, kept per tile of
  // kTileWidth x kTileHeight pixels. Every drawing call through this class
  // marks the tiles it may have touched (a superset: each segment's bounding
  // box, widened by the pen). Fill, Reset and MarkDrawn mark everything
  // changed. MarkClean(owner) starts a fresh record on behalf of owner;
  // DirtyOwner() names who started the current one. TileDirty(tx, ty) tells
  // whether tile (tx, ty) changed since then; tiles off the target read as
  // unchanged unless everything is marked changed.
  static constexpr std::int32_t kTileWidth = 16;
  static constexpr std::int32_t kTileHeight = 8;
  std::int32_t TileColumns() const { return tile_cols_; }
  std::int32_t TileRows() const { return tile_rows_; }
  void MarkClean(const void* owner);
  const void* DirtyOwner() const { return clean_owner_; }
  bool AllDirty() const { return all_dirty_; }
  bool TileDirty(std::int32_t tx, std::int32_t ty) const {
    if (all_dirty_) return true;
    if (tx < 0 || ty < 0 || tx >= tile_cols_ || ty >= tile_rows_) return false;
    return tiles_[static_cast<std::size_t>(ty) * static_cast<std::size_t>(tile_cols_) +
                  static_cast<std::size_t>(tx)] != 0;
  }
  // Reports a repaint after pixels were put back to a clean state by the
  // record's owner (no change to the record itself).
  void MarkRestored() { Drawn(); }

  static constexpr std::uint32_t ToPixel(COLORREF c) {
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
  }
  static constexpr COLORREF FromPixel(std::uint32_t p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
  }

 protected:
  // Called after every drawing call that may have changed pixels, so that a
  // widget can schedule a repaint.
  virtual void Drawn() {}

 private:
  void Segment(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
               std::uint32_t pixel, int width, std::uint32_t pattern, int period,
               bool include_last, std::int64_t& phase);
  void Span(std::int64_t x, std::int64_t y, bool vertical, int width, std::uint32_t pixel);
  void OnTargetHairline(const POINT& a, const POINT& b, std::uint32_t pixel, bool include_last);
  // Widens the changed record by the box [x0, x1] x [y0, y1] (inclusive, any
  // order, clipped to the target).
  void Touch(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);

  std::uint32_t* pixels_ = nullptr;
  std::vector<std::uint8_t> tiles_;  // row-major, tile_cols_ x tile_rows_, 1 = changed
  std::int32_t tile_cols_ = 0;
  std::int32_t tile_rows_ = 0;
  bool all_dirty_ = true;
  const void* clean_owner_ = nullptr;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::int32_t stride_ = 0;
};

// A RasterTarget that owns its pixels (headless drawing, tests).
class RasterImage : public RasterTarget {
 public:
  RasterImage() = default;
  RasterImage(std::int32_t width, std::int32_t height, COLORREF fill = 0);
  RasterImage(const RasterImage&) = delete;
  RasterImage& operator=(const RasterImage&) = delete;
  // New size, every pixel set to fill. Sizes below 1 give an empty image.
  void Resize(std::int32_t width, std::int32_t height, COLORREF fill = 0);

 private:
  std::vector<std::uint32_t> storage_;
};

// Drawing state plus mapping, drawing on one target.
class DeviceContext {
 public:
  explicit DeviceContext(DrawTarget* target = nullptr);
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  // The target may be swapped (a resized picture) without losing the state.
  void SetTarget(DrawTarget* target) { target_ = target; }
  DrawTarget* Target() const { return target_; }

  struct State {
    int map_mode = MM_TEXT;
    POINT window_org{0, 0};
    SIZE window_ext{1, 1};
    POINT viewport_org{0, 0};
    SIZE viewport_ext{1, 1};
    Pen pen{};
    POINT position{0, 0};  // current position (MoveToEx / LineTo), logical
  };
  const State& Current() const { return state_; }
  State& Current() { return state_; }
  int SavedDepth() const { return static_cast<int>(saved_.size()); }

  int Save();                  // SaveDC
  bool Restore(int level);     // RestoreDC
  bool SetMapMode(int mode);   // false for unsupported modes
  bool SetWindowExt(std::int32_t cx, std::int32_t cy);    // false for a zero extent
  bool SetViewportExt(std::int32_t cx, std::int32_t cy);  // false for a zero extent

  POINT ToDevice(POINT logical) const;
  bool DrawPolyline(const POINT* pts, int n);
  bool DrawPixel(std::int32_t x, std::int32_t y, COLORREF colour);

 private:
  void FixIsotropic();

  DrawTarget* target_;
  State state_{};
  std::vector<State> saved_;
  std::vector<POINT> scratch_;  // device points of the polyline being drawn; grows only
};

using HDC = DeviceContext*;

int SaveDC(HDC hdc);
int RestoreDC(HDC hdc, int saved_level);
// Returns the previous map mode, or 0 (unsupported mode, null hdc).
int SetMapMode(HDC hdc, int mode);
int GetMapMode(HDC hdc);
// The Set* calls return nonzero on success and store the previous value in
// *previous when it is not null. In MM_TEXT the extent calls succeed but
// change nothing; a zero extent fails.
int SetWindowOrgEx(HDC hdc, std::int32_t x, std::int32_t y, POINT* previous);
int SetWindowExtEx(HDC hdc, std::int32_t cx, std::int32_t cy, SIZE* previous);
int SetViewportOrgEx(HDC hdc, std::int32_t x, std::int32_t y, POINT* previous);
int SetViewportExtEx(HDC hdc, std::int32_t cx, std::int32_t cy, SIZE* previous);
int Polyline(HDC hdc, const POINT* pts, int n);
COLORREF SetPixel(HDC hdc, std::int32_t x, std::int32_t y, COLORREF colour);
COLORREF GetPixel(HDC hdc, std::int32_t x, std::int32_t y);
int MoveToEx(HDC hdc, std::int32_t x, std::int32_t y, POINT* previous);
int LineTo(HDC hdc, std::int32_t x, std::int32_t y);  // end point not painted
// Converts n points in place; fails for a null hdc or pts or n < 1.
int LPtoDP(HDC hdc, POINT* pts, int n);
// Replaces the current pen and returns the previous one (a default pen for a null hdc).
Pen SelectPen(HDC hdc, const Pen& pen);
// Sets the current pen's colour; returns the previous colour (CLR_INVALID for a null hdc).
COLORREF SetDCPenColor(HDC hdc, COLORREF colour);

// A plain-C surface whose set_pixel calls SetPixel on hdc (logical coordinates
// through hdc's mapping; pixels off the target are dropped). The callback
// ignores a null context, so a surface made from a null hdc draws nothing.
// The device context must outlive every use of the surface.
OrvaSurface MakeSurface(HDC hdc);

}  // namespace orva::gdi
